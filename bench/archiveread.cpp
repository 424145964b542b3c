// How fast the window reads the FN archive: the whole archive of the register
// on the port given, read on the «Архив ФН» page as the operator's click does.
// Prints the documents, the time and the rate. Compare with
//     time kelo-cli -p PORT fn-export --dir DIR
// on the same register.

#include "mainformfixture.h"

#include <marchivemodel.h>
#include <marchivepage.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PORT\n", argv[0]);
        return 2;
    }
    formtest::Driver driver;
    formtest::AppDir dir;
    MMainFormOptions options;
    options.port = QString::fromLocal8Bit(argv[1]);
    MMainForm window(nullptr, options);
    auto *page = window.findChild<MArchivePage *>(QStringLiteral("tabArchive"));
    QElapsedTimer clock;
    clock.start();
    page->readButton()->click();
    const double seconds = clock.elapsed() / 1000.0;
    const int documents = page->model()->readCount();
    std::printf("%d documents of %d in %.1f s: %.2f documents/s\n%s\n", documents, page->model()->count(),
                seconds, documents / seconds, qPrintable(formtest::status(window)));
    return documents == page->model()->count() ? 0 : 1;
}
