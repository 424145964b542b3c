// The "Сервис" page against the register: writing the serial number,
// reading the firmware dump into a file, and the checksum and comparison of
// dump files.

#include "firmwareimage.h"
#include "mainformfixture.h"

#include <dumpfiles.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

using namespace formtest;
using kelo::emu::Fault;
using kelo::emu::FirmwareImage;
using kelo::emu::Preset;
using kelo::emu::RegisterModel;

namespace {

const QString kBinFilter = QStringLiteral("Бинарные файлы (*.bin)");

QByteArray fileBytes(const QString &path)
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
    Driver m_driver;

private slots:
    void serialNumber_data();
    void serialNumber();
    void dumpToFile_data();
    void dumpToFile();
    void dumpEndedEarlyWritesNoFile_data();
    void dumpEndedEarlyWritesNoFile();
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
    QFETCH(QByteArray, button);
    kelo::emu::EmulatorConfig config = Bench::config(Preset::OutOfBox);
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
    QTest::addColumn<int>("progressMaximum");
    QTest::newRow("25 blocks") << 25 << 2;
    QTest::newRow("9 blocks") << 9 << 0;
}

void TstServiceOps::dumpToFile()
{
    QFETCH(int, blocks);
    QFETCH(int, progressMaximum);
    FORMTEST_OPEN(bench, window, dumpConfig(blocks));
    const QDir dir(bench.appDir.path());

    // Chosen without a suffix under the binary filter: ".bin" is added.
    ModalAnswer answer(ModalAnswer::chooseFile(dir.filePath(QStringLiteral("dump")), kBinFilter));
    QVERIFY(click(*window, "butService_GetDump"));
    QVERIFY(answer.answered());
    QCOMPARE(answer.title(), "Выбор имени файла для дампа из ККТ");

    const QString dumpPath = dir.filePath(QStringLiteral("dump.bin"));
    const QByteArray md5 = FirmwareImage::md5Hex(blocks);
    QCOMPARE(QCryptographicHash::hash(fileBytes(dumpPath), QCryptographicHash::Md5).toHex(), md5);
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("dump.md5"))), md5 + " *dump.bin\n");
    QCOMPARE(status(*window), QStringLiteral("Дамп считан и записан в файл: %1. MD5: [%2]")
                                  .arg(dumpPath, QString::fromLatin1(md5)));
    QCOMPARE(child<QLabel>(*window, "labService_MD5")->text(), QStringLiteral("MD5: ") + md5);
    QVERIFY(!child(*window, "labService_MD5")->isHidden());
    QVERIFY(child(*window, "frameProgress")->isHidden());
    QCOMPARE(child<QProgressBar>(*window, "progressReadDump")->maximum(), progressMaximum);
    QVERIFY(!bench.read([](const RegisterModel &m) { return m.dumpActive(); }));
}

void TstServiceOps::dumpEndedEarlyWritesNoFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stopped by the operator")
        << "terminate" << QStringLiteral("Считывание дампа прервано пользователем.");
    QTest::newRow("block without data") << "short" << QStringLiteral("Блок 11 дампа получен без данных!");
    QTest::newRow("block skipped") << "skip"
                                   << QStringLiteral("Блок 11 дампа получен с номером 11 вместо 10!");
    QTest::newRow("block refused") << "stop"
                                   << QStringLiteral(
                                          "Ошибка чтения блока 11 дампа: [8]: Нет запрошенных данных!");
}

void TstServiceOps::dumpEndedEarlyWritesNoFile()
{
    QFETCH(QString, fault);
    QFETCH(QString, expected);
    FORMTEST_OPEN(bench, window, dumpConfig(256));
    const QString path = QDir(bench.appDir.path()).filePath(QStringLiteral("failed.bin"));
    atFirstStep(*window, [&] {
        if (fault == QLatin1String("terminate"))
            QVERIFY(click(*window, "butTerminate"));
        else if (fault == QLatin1String("short"))
            bench.emulator().faults().arm(Fault::ShortReply);
        else // the register hands out a block or ends the transfer behind the window's back
            bench.execute({request(fault == QLatin1String("skip") ? 0x02 : 0x03)});
    });
    ModalAnswer answer(ModalAnswer::chooseFile(path, kBinFilter));
    QVERIFY(click(*window, "butService_GetDump"));

    QCOMPARE(status(*window), expected);
    QCOMPARE(child<QProgressBar>(*window, "progressReadDump")->value(), 1);
    QVERIFY(!QFile::exists(path));
    QVERIFY(!QFile::exists(dumpMd5FilePath(path)));
    QVERIFY(child(*window, "frameProgress")->isHidden());
    QVERIFY(!bench.read([](const RegisterModel &m) { return m.dumpActive(); }));
}

void TstServiceOps::checksumOfAFile()
{
    FORMTEST_OPEN(bench, window);
    const QDir dir(bench.appDir.path());

    // A file named like a checksum file keeps its contents.
    const QString input = dir.filePath(QStringLiteral("x.md5"));
    QVERIFY(writeFile(input, "firmware"));
    const QByteArray md5 = QCryptographicHash::hash("firmware", QCryptographicHash::Md5).toHex();
    {
        ModalAnswer answer(ModalAnswer::chooseFile(input));
        QVERIFY(click(*window, "butService_CalcMD5"));
        QCOMPARE(answer.title(), "Выбор файла дампа для расчета MD5");
    }
    QCOMPARE(status(*window),
             QStringLiteral("Дамп считан из файла: %1. MD5: [%2]").arg(input, QString::fromLatin1(md5)));
    QCOMPARE(fileBytes(input), QByteArray("firmware"));
    QCOMPARE(fileBytes(input + QStringLiteral(".md5")), md5 + " *x.md5\n");
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
    QCOMPARE(status(*window), "Расчет MD5 прерван пользователем.");
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("big.md5"))));
    QVERIFY(child(*window, "tabWidget")->isEnabled());
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
    FORMTEST_OPEN(bench, window);
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
    QCOMPARE(titles, (QStringList{"Выбор первого файла дампа", "Выбор второго файла дампа"}));
    QCOMPARE(status(*window), expected);

    // Cancelling the second choice compares nothing.
    window->outStateMessage(-1, QStringLiteral("-"));
    {
        ModalAnswer answer(chooseSecond(QString()));
        QVERIFY(click(*window, "butService_Compare2Dumps"));
        QTRY_VERIFY(secondAnswer && secondAnswer->answered());
    }
    QCOMPARE(status(*window), "-");
}

QTEST_MAIN(TstServiceOps)
#include "tst_serviceops.moc"
