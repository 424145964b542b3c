// The "Сервис" page against the register: writing the serial number,
// reading the firmware dump into a file, and the checksum and comparison of
// dump files.

#include "firmwareimage.h"
#include "mainformfixture.h"

#include <dumpfiles.h>
#include <kelodefaults.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTest>

using namespace formtest;
using kelo::emu::Fault;
using kelo::emu::FirmwareImage;
using kelo::emu::Preset;
using kelo::emu::RegisterModel;

namespace {

const QString kNoErrors = QStringLiteral("Ошибок нет.");
const QString kBinFilter = QStringLiteral("Бинарные файлы (*.bin)");

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

kelo::emu::EmulatorConfig dumpConfig(int blocks)
{
    kelo::emu::EmulatorConfig config = Bench::config();
    config.dumpBlocks = blocks;
    return config;
}

// Runs `action` once, when the dump's progress first reaches one step (ten blocks).
void atFirstStep(MMainForm &window, std::function<void()> action)
{
    auto *bar = child<QProgressBar>(window, "progressReadDump");
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(bar, &QProgressBar::valueChanged, bar, [connection, action](int value) {
        if (value == 1) {
            QObject::disconnect(*connection);
            action();
        }
    });
}

} // namespace

class TstServiceOps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void serialNumber();
    void dumpToFile_data();
    void dumpToFile();
    void dumpStoppedByTheOperator();
    void failedDumpWritesNoFile_data();
    void failedDumpWritesNoFile();
    void checksumOfAFile();
    void comparison_data();
    void comparison();

private:
    std::unique_ptr<Driver> m_driver;
};

void TstServiceOps::initTestCase()
{
    m_driver = std::make_unique<Driver>();
}

void TstServiceOps::init()
{
    Driver::resetLinkSettings();
}

void TstServiceOps::serialNumber()
{
    for (const char *button : {"butWriteSerialNumber", "butWriteSerialNumberV2"}) {
        kelo::emu::EmulatorConfig config = Bench::config(Preset::OutOfBox);
        config.serialNumber = 0;
        Bench bench(config);
        QVERIFY(bench.start());
        auto window = bench.createWindow();
        QLineEdit *field = child<QLineEdit>(*window, "strSerialNumberForWrite");

        // Nothing that is not a serial number goes out: it can be written only once.
        const quint64 heard = bench.emulator().stats().link.enqAnswered;
        for (const QString &text : {QStringLiteral("0000000000000000"), QStringLiteral("12a4"), QString()}) {
            field->setText(text);
            QVERIFY(click(*window, button));
            QCOMPARE(status(*window),
                     QStringLiteral("Заводской номер должен содержать от 1 до 16 цифр и не быть нулевым!"));
        }
        QCOMPARE(bench.emulator().stats().link.enqAnswered, heard);

        field->setText(QStringLiteral("123"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(field->text(), QStringLiteral("0000000000000123"));
        QVERIFY(click(*window, button));
        QCOMPARE(status(*window), kNoErrors);
        bench.emulator().inspect([](const RegisterModel &m) {
            QCOMPARE(m.state().serialNumber, quint64(123));
            QCOMPARE(m.tables().text(18, 1, 1), QStringLiteral("123"));
        });
    }
}

void TstServiceOps::dumpToFile_data()
{
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("progressMaximum");
    QTest::newRow("25 blocks") << 25 << 2;
    QTest::newRow("9 blocks") << 9 << 0;
}

void TstServiceOps::dumpToFile()
{
    QFETCH(int, blocks);
    QFETCH(int, progressMaximum);
    Bench bench(dumpConfig(blocks));
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    const QDir dir(bench.appDir.path());

    // Chosen without a suffix under the binary filter: ".bin" is added.
    ModalAnswer answer(ModalAnswer::chooseFile(dir.filePath(QStringLiteral("dump")), kBinFilter));
    QVERIFY(click(*window, "butService_GetDump"));
    QVERIFY(answer.answered());
    QCOMPARE(answer.title(), QStringLiteral("Выбор имени файла для дампа из ККТ"));

    const QString dumpPath = dir.filePath(QStringLiteral("dump.bin"));
    const QByteArray md5 = FirmwareImage::md5Hex(blocks);
    QCOMPARE(QCryptographicHash::hash(contents(dumpPath), QCryptographicHash::Md5).toHex(), md5);
    QCOMPARE(contents(dir.filePath(QStringLiteral("dump.md5"))), md5 + " *dump.bin\n");
    QCOMPARE(status(*window), QStringLiteral("Дамп считан и записан в файл: %1. MD5: [%2]")
                                  .arg(dumpPath, QString::fromLatin1(md5)));
    QCOMPARE(child<QLabel>(*window, "labService_MD5")->text(), QStringLiteral("MD5: ") + md5);
    QVERIFY(!child<QLabel>(*window, "labService_MD5")->isHidden());
    QVERIFY(child<QFrame>(*window, "frameProgress")->isHidden());
    QCOMPARE(child<QProgressBar>(*window, "progressReadDump")->maximum(), progressMaximum);
    bench.emulator().inspect([](const RegisterModel &m) { QVERIFY(!m.dumpActive()); });
}

void TstServiceOps::dumpStoppedByTheOperator()
{
    Bench bench(dumpConfig(256));
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    const QString path = QDir(bench.appDir.path()).filePath(QStringLiteral("stopped.bin"));
    atFirstStep(*window, [&window] { QVERIFY(click(*window, "butTerminate")); });
    ModalAnswer answer(ModalAnswer::chooseFile(path, kBinFilter));
    QVERIFY(click(*window, "butService_GetDump"));

    QCOMPARE(status(*window), QStringLiteral("Считывание дампа прервано пользователем."));
    QCOMPARE(child<QProgressBar>(*window, "progressReadDump")->value(), 1);
    QVERIFY(!QFile::exists(path));
    QVERIFY(!QFile::exists(dumpMd5FilePath(path)));
    QVERIFY(child<QFrame>(*window, "frameProgress")->isHidden());
    bench.emulator().inspect([](const RegisterModel &m) { QVERIFY(!m.dumpActive()); });
}

void TstServiceOps::failedDumpWritesNoFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("expected");
    QTest::newRow("block without data") << "short" << QStringLiteral("Блок 11 дампа получен без данных!");
    QTest::newRow("block skipped") << "skip"
                                   << QStringLiteral("Блок 11 дампа получен с неверным номером 11!");
    QTest::newRow("block refused") << "stop"
                                   << QStringLiteral(
                                          "Ошибка чтения блока 11 дампа: [8]: Нет запрошенных данных!");
}

void TstServiceOps::failedDumpWritesNoFile()
{
    QFETCH(QString, fault);
    QFETCH(QString, expected);
    Bench bench(dumpConfig(40));
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    const QString path = QDir(bench.appDir.path()).filePath(QStringLiteral("failed.bin"));
    QByteArray request(1, '\0');
    for (int i = 0; i < 4; ++i)
        request.append(char((kelo::kDefaultSysAdminPassword >> (8 * i)) & 0xFF));
    atFirstStep(*window, [&] {
        if (fault == QLatin1String("short")) {
            bench.emulator().faults().arm(Fault::ShortReply);
            return;
        }
        // The register hands out a block or ends the transfer behind the window's back.
        request[0] = fault == QLatin1String("skip") ? '\x02' : '\x03';
        bench.emulator().modify([&](RegisterModel &m) { m.execute(request); });
    });
    ModalAnswer answer(ModalAnswer::chooseFile(path, kBinFilter));
    QVERIFY(click(*window, "butService_GetDump"));

    QCOMPARE(status(*window), expected);
    QVERIFY(!QFile::exists(path));
    QVERIFY(child<QFrame>(*window, "frameProgress")->isHidden());
    bench.emulator().inspect([](const RegisterModel &m) { QVERIFY(!m.dumpActive()); });
}

void TstServiceOps::checksumOfAFile()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    const QDir dir(bench.appDir.path());

    // A file named like a checksum file keeps its contents.
    const QString input = dir.filePath(QStringLiteral("x.md5"));
    QVERIFY(writeFile(input, "firmware"));
    const QByteArray md5 = QCryptographicHash::hash("firmware", QCryptographicHash::Md5).toHex();
    {
        ModalAnswer answer(ModalAnswer::chooseFile(input));
        QVERIFY(click(*window, "butService_CalcMD5"));
        QCOMPARE(answer.title(), QStringLiteral("Выбор файла дампа для расчета MD5"));
    }
    QCOMPARE(status(*window),
             QStringLiteral("Дамп считан из файла: %1. MD5: [%2]").arg(input, QString::fromLatin1(md5)));
    QCOMPARE(contents(input), QByteArray("firmware"));
    QCOMPARE(contents(input + QStringLiteral(".md5")), md5 + " *x.md5\n");
    QCOMPARE(child<QLabel>(*window, "labService_MD5")->text(), QStringLiteral("MD5: ") + md5);

    // A file of several chunks can be stopped between them.
    const QString big = dir.filePath(QStringLiteral("big.bin"));
    QVERIFY(writeFile(big, QByteArray(int(kDumpChunkSize * 3), 'k')));
    auto *bar = child<QProgressBar>(*window, "progressReadDump");
    QObject::connect(bar, &QProgressBar::valueChanged, bar, [&window](int value) {
        if (value > 0)
            click(*window, "butTerminate");
    });
    {
        ModalAnswer answer(ModalAnswer::chooseFile(big));
        QVERIFY(click(*window, "butService_CalcMD5"));
    }
    QCOMPARE(status(*window), QStringLiteral("Расчет MD5 прерван пользователем."));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("big.md5"))));
    QVERIFY(child<QWidget>(*window, "tabWidget")->isEnabled());
}

void TstServiceOps::comparison_data()
{
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("expected");
    const QByteArray first = FirmwareImage::build(40);
    QByteArray lastByte = first;
    lastByte[lastByte.size() - 1] = char(lastByte.back() ^ 1);
    QTest::newRow("equal") << first << QStringLiteral("Результат сравнения: дампы полностью совпадают.");
    QTest::newRow("last byte") << lastByte << QStringLiteral("Ошибка сравнения: содержимое дампов различно!");
    QTest::newRow("prefix") << first.left(first.size() - 1)
                            << QStringLiteral("Ошибка сравнения: размер дампов различный!");
}

void TstServiceOps::comparison()
{
    QFETCH(QByteArray, second);
    QFETCH(QString, expected);
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    const QDir dir(bench.appDir.path());
    const QString a = dir.filePath(QStringLiteral("a.bin"));
    const QString b = dir.filePath(QStringLiteral("b.bin"));
    QVERIFY(writeFile(a, FirmwareImage::build(40)));
    QVERIFY(writeFile(b, second));

    // The second dialog opens once the first is answered.
    QStringList titles;
    std::unique_ptr<ModalAnswer> secondAnswer;
    const auto chooseSecond = [&](const QString &file) {
        return [&, file](QWidget *dialog) {
            titles << dialog->windowTitle();
            ModalAnswer::chooseFile(a)(dialog);
            secondAnswer = std::make_unique<ModalAnswer>([&titles, file](QWidget *next) {
                titles << next->windowTitle();
                if (file.isEmpty())
                    static_cast<QDialog *>(next)->reject();
                else
                    ModalAnswer::chooseFile(file)(next);
            });
        };
    };
    {
        ModalAnswer answer(chooseSecond(b));
        QVERIFY(click(*window, "butService_Compare2Dumps"));
        QTRY_VERIFY(secondAnswer && secondAnswer->answered());
    }
    QCOMPARE(titles, (QStringList{QStringLiteral("Выбор первого файла дампа"),
                                  QStringLiteral("Выбор второго файла дампа")}));
    QCOMPARE(status(*window), expected);

    // Cancelling the second choice compares nothing.
    window->outStateMessage(-1, QStringLiteral("-"));
    {
        ModalAnswer answer(chooseSecond(QString()));
        QVERIFY(click(*window, "butService_Compare2Dumps"));
        QTRY_VERIFY(secondAnswer && secondAnswer->answered());
    }
    QCOMPARE(status(*window), QStringLiteral("-"));
}

QTEST_MAIN(TstServiceOps)
#include "tst_serviceops.moc"
