// The "Сервис" page: writing the serial number, reading the firmware dump
// into a file, and the checksum and comparison of dump files. The dump
// procedure itself (its commands, its checks of every block) is tested on its
// own; here, what the window does with its outcome.

#include "firmwareimage.h"
#include "mainformfixture.h"

#include <dumpfiles.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

using namespace formtest;
using kelo::emu::FirmwareImage;
using kelo::emu::RegisterModel;

class TstServiceOps : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void serialNumber_data();
    void serialNumber();
    void dumpToFile_data();
    void dumpToFile();
    void checksumOfAFile();
    void comparison_data();
    void comparison();
};

void TstServiceOps::serialNumber_data()
{
    QTest::addColumn<QByteArray>("button");
    QTest::newRow("first variant") << QByteArray("butWriteSerialNumber");
    QTest::newRow("second variant") << QByteArray("butWriteSerialNumberV2");
}

void TstServiceOps::serialNumber()
{
    Confirmations yes;
    QFETCH(QByteArray, button);
    kelo::emu::EmulatorConfig config = Bench::config(kelo::emu::Preset::OutOfBox);
    config.serialNumber = 0;
    FORMTEST_OPEN(bench, window, config);
    auto *field = child<QLineEdit>(*window, "strSerialNumberForWrite");

    // Nothing that is not a serial number goes out: it can be written only once.
    const quint64 heard = bench.emulator().stats().link.enqAnswered;
    for (const QString &text : {QStringLiteral("0000000000000000"), QStringLiteral("12a4"), QString()}) {
        field->setText(text);
        QCOMPARE(statusAfter(*window, button.constData()),
                 "Заводской номер должен содержать от 1 до 16 цифр и не быть нулевым!");
    }
    QCOMPARE(bench.emulator().stats().link.enqAnswered, heard);

    field->setText(QStringLiteral("123"));
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(field->text(), "0000000000000123");
    QCOMPARE(statusAfter(*window, button.constData()), kStatusOk);
    bench.emulator().inspect([](const RegisterModel &m) {
        QCOMPARE(m.state().serialNumber, quint64(123));
        QCOMPARE(m.tables().text(18, 1, 1), "123");
    });
}

void TstServiceOps::dumpToFile_data()
{
    QTest::addColumn<int>("blocks");
    QTest::addColumn<int>("progressMaximum"); // steps of ten blocks
    QTest::addColumn<int>("ending"); // at the first step: 1 the operator stops, 2 the register ends it
    QTest::addColumn<QString>("endingStatus");
    QTest::newRow("25 blocks") << 25 << 2 << 0 << QString();
    QTest::newRow("9 blocks") << 9 << 0 << 0 << QString();
    QTest::newRow("stopped by the operator") << 256 << 25 << 1 << "Считывание дампа прервано пользователем.";
    QTest::newRow("ended by the register")
        << 256 << 25 << 2 << "Ошибка чтения блока 11 дампа: [8]: Нет запрошенных данных!";
}

void TstServiceOps::dumpToFile()
{
    QFETCH(int, blocks);
    QFETCH(int, progressMaximum);
    QFETCH(int, ending);
    QFETCH(QString, endingStatus);
    kelo::emu::EmulatorConfig config = Bench::config();
    config.dumpBlocks = blocks;
    FORMTEST_OPEN(bench, window, config);
    const QDir dir(bench.appDir.path());
    auto *bar = child<QProgressBar>(*window, "progressReadDump");
    QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
        if (value == 1 && ending == 1)
            click(*window, "butTerminate");
        else if (value == 1 && ending == 2)
            bench.execute({rq::cmd(0x03)}); // behind the window's back
    });

    // Chosen without a suffix under the binary filter: ".bin" is added.
    QVERIFY(clickChoosing(*window, "butService_GetDump", dir.filePath(QStringLiteral("dump")), kBinFilter));
    QVERIFY(child(*window, "frameProgress")->isHidden());
    QCOMPARE(bar->maximum(), progressMaximum);
    if (ending) {
        QCOMPARE(status(*window), endingStatus);
        QCOMPARE(bar->value(), 1);
        QCOMPARE(dir.entryList(QDir::Files), QStringList()); // neither a part of a dump nor its checksum
        return;
    }
    const QString path = dir.filePath(QStringLiteral("dump.bin"));
    const QByteArray sum = FirmwareImage::md5Hex(blocks);
    QCOMPARE(QCryptographicHash::hash(readFile(path), QCryptographicHash::Md5).toHex(), sum);
    QCOMPARE(readFile(dir.filePath(QStringLiteral("dump.md5"))), sum + " *dump.bin\n");
    QCOMPARE(
        status(*window),
        QStringLiteral("Дамп считан и записан в файл: %1. MD5: [%2]").arg(path, QString::fromLatin1(sum)));
    QCOMPARE(child<QLabel>(*window, "labService_MD5")->text(), QStringLiteral("MD5: ") + sum);
    QVERIFY(!child(*window, "labService_MD5")->isHidden());
}

void TstServiceOps::checksumOfAFile()
{
    FORMTEST_OPEN(bench, window);
    const QDir dir(bench.appDir.path());

    // A file named like a checksum file keeps its contents.
    const QString input = dir.filePath(QStringLiteral("x.md5"));
    QVERIFY(writeFile(input, "firmware"));
    const QByteArray sum = QCryptographicHash::hash("firmware", QCryptographicHash::Md5).toHex();
    QVERIFY(clickChoosing(*window, "butService_CalcMD5", input));
    QCOMPARE(status(*window),
             QStringLiteral("Дамп считан из файла: %1. MD5: [%2]").arg(input, QString::fromLatin1(sum)));
    QCOMPARE(readFile(input), QByteArray("firmware"));
    QCOMPARE(readFile(input + QStringLiteral(".md5")), sum + " *x.md5\n");
    QCOMPARE(child<QLabel>(*window, "labService_MD5")->text(), QStringLiteral("MD5: ") + sum);

    // A file of several chunks can be stopped between them.
    const QString big = dir.filePath(QStringLiteral("big.bin"));
    QVERIFY(writeFile(big, QByteArray(int(kDumpChunkSize * 3), 'k')));
    auto *bar = child<QProgressBar>(*window, "progressReadDump");
    QObject::connect(bar, &QProgressBar::valueChanged, bar, [&window](int value) {
        if (value > 0)
            click(*window, "butTerminate");
    });
    QVERIFY(clickChoosing(*window, "butService_CalcMD5", big));
    QCOMPARE(status(*window), "Расчет MD5 прерван пользователем.");
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("big.md5"))));
    QVERIFY(child(*window, "tabWidget")->isEnabled());
}

void TstServiceOps::comparison_data()
{
    QTest::addColumn<QByteArray>("second");
    QTest::addColumn<QString>("expected"); // empty: the second choice is cancelled
    const QByteArray first = FirmwareImage::build(40);
    QByteArray lastByte = first;
    lastByte[lastByte.size() - 1] = char(lastByte.back() ^ 1);
    QTest::newRow("equal") << first << QStringLiteral("Результат сравнения: дампы полностью совпадают.");
    QTest::newRow("last byte") << lastByte << QStringLiteral("Ошибка сравнения: содержимое дампов различно!");
    QTest::newRow("prefix") << first.left(first.size() - 1)
                            << QStringLiteral("Ошибка сравнения: размер дампов различный!");
    QTest::newRow("second choice cancelled") << first << QString();
}

void TstServiceOps::comparison()
{
    QFETCH(QByteArray, second);
    QFETCH(QString, expected);
    FORMTEST_OPEN(bench, window);
    const QDir dir(bench.appDir.path());
    const QString a = dir.filePath(QStringLiteral("a.bin"));
    const QString b = dir.filePath(QStringLiteral("b.bin"));
    QVERIFY(writeFile(a, FirmwareImage::build(40)));
    QVERIFY(writeFile(b, second));

    window->outStateMessage(-1, QStringLiteral("-"));
    ModalAnswer both(
        {ModalAnswer::chooseFile(a), ModalAnswer::chooseFile(expected.isEmpty() ? QString() : b)});
    QVERIFY(click(*window, "butService_Compare2Dumps"));
    QCOMPARE(both.titles(), (QStringList{"Выбор первого файла дампа", "Выбор второго файла дампа"}));
    QCOMPARE(status(*window), expected.isEmpty() ? QStringLiteral("-") : expected);
}

QTEST_MAIN(TstServiceOps)
#include "tst_serviceops.moc"
