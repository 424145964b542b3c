// The small dialogs: the system menu's answers, the log viewer, the wait box.

#include "mainformfixture.h"
#include "mlogviewform.h"
#include "mmenuform.h"
#include "waitform.h"

#include <mlogsystem.h>

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace formtest;

class TstDialogs : public QObject
{
    Q_OBJECT

private slots:
    void menuExitGivesItsCode();
    void aboutFromTheMenu();
    void logViewerShowsTheFileUpToNul();
    void waitBoxStaysUntilHidden();
};

void TstDialogs::menuExitGivesItsCode()
{
    // Cancelling is tried on the window itself (tst_mainform); exiting there would end the test.
    MMenuForm menu;
    ModalAnswer answer(ModalAnswer::clickButton(QStringLiteral("butExit")));
    QCOMPARE(menu.exec(), int(MMenuForm::ExitCode));
    QVERIFY(answer.answered());
}

void TstDialogs::aboutFromTheMenu()
{
    MMenuForm menu;
    QString version;
    // The about box opens on top of the menu; close it, then the menu.
    ModalAnswer about(
        [&](QWidget *dialog) {
            if (auto *label = dialog->findChild<QLabel *>(QStringLiteral("labVer")))
                version = label->text();
            ModalAnswer::clickButton(QStringLiteral("butOk"))(dialog);
            QTimer::singleShot(
                0, &menu, [&menu] { menu.findChild<QPushButton *>(QStringLiteral("butCancel"))->click(); });
        },
        "MAboutForm");
    QTimer::singleShot(0, &menu,
                       [&menu] { menu.findChild<QPushButton *>(QStringLiteral("butAbout"))->click(); });
    QCOMPARE(menu.exec(), int(QDialog::Accepted));
    QCOMPARE(about.title(), "About");
    QCOMPARE(version, "Версия 1.0.0.12 сборка 39 от 25.10.2017");
}

void TstDialogs::logViewerShowsTheFileUpToNul()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.log"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("первая строка\nвторая строка\n") + '\0' + "после нуля\n");
    }
    MLogSystem::instance()->setLogFile(path);
    MLogSystem::instance()->logWrite(QStringLiteral("written by the program"));

    auto viewer = std::make_unique<MLogViewForm>();
    const auto shown = [&] {
        return viewer->findChild<QPlainTextEdit *>(QStringLiteral("textLog"))->toPlainText();
    };
    const QString before = shown();
    QVERIFY(before.startsWith(QStringLiteral("первая строка\nвторая строка\n")));
    QVERIFY(!before.contains(QStringLiteral("после нуля")));
    QVERIFY(!before.contains(QStringLiteral("written by the program")));
    viewer->findChild<QPushButton *>(QStringLiteral("butClear"))->click();
    QVERIFY(shown().isEmpty());
    // Clearing the view leaves the file alone.
    viewer = std::make_unique<MLogViewForm>();
    QCOMPARE(shown(), before);
}

void TstDialogs::waitBoxStaysUntilHidden()
{
    WaitForm wait;
    for (const char *name : {"progressBar", "progressBar2", "butTerminate"})
        QVERIFY2(!wait.findChild<QWidget *>(QString::fromLatin1(name))->isVisibleTo(&wait), name);
    wait.setText(QStringLiteral("Starting..."));
    wait.showCentered();
    QVERIFY(QTest::qWaitForWindowExposed(&wait));

    QTest::keyClick(&wait, Qt::Key_Escape);
    QVERIFY(wait.isVisible());
    QVERIFY(!wait.close());
    QVERIFY(wait.isVisible());

    wait.showTerminateButton(true);
    QSignalSpy terminate(&wait, &WaitForm::onNeedTerminate);
    wait.findChild<QPushButton *>(QStringLiteral("butTerminate"))->click();
    QCOMPARE(terminate.count(), 1);
    QVERIFY(wait.isTerminateRequested());

    wait.setWaitCursor();
    QVERIFY(QApplication::overrideCursor());
    wait.hide();
    QVERIFY(!wait.isVisible());
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
