// Finding the register: a register that listens at one speed is found at
// that speed among silent and missing ports; the search stops when asked;
// the reason a port is not open reaches the operator.

#include "emulatorengine.h"
#include "ptypeer.h"
#include "registerconnector.h"
#include "registersearch.h"

#include <mainproc.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <unistd.h>

using namespace ops;

class TstRegisterSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void findsTheRegisterAtItsSpeed();
    void stopsPromptly();
    void permissionNamesTheGroup();
};

void TstRegisterSearch::initTestCase()
{
    mpLoadDataFiles();
    QVERIFY(mpParseDescriptionFiles());
    mpLoadDefaults();
}

void TstRegisterSearch::findsTheRegisterAtItsSpeed()
{
    kelo::emu::EmulatorConfig config;
    config.baud = 19200;
    config.preset = kelo::emu::Preset::Registered;
    config.tcpAddress = QStringLiteral("127.0.0.1:0");
    kelo::emu::EmulatorEngine emulator(config);
    QVERIFY2(emulator.start(), qPrintable(emulator.errorString()));
    PtyPeer silent; // a port with nothing behind it
    QVERIFY(silent.isValid());
    silent.start();

    const QString missing = QStringLiteral("/dev/no-such-port");
    RegisterSearch search({emulator.slavePath(), silent.slavePath(), missing, emulator.tcpAddress()},
                          RegisterSearch::order({9600, 19200, 57600, 115200}, 115200), QStringLiteral("30"));
    const SearchResult result = search.run();
    QVERIFY(!result.stopped);
    QCOMPARE(result.found.size(), 2);
    const SearchFind &line = result.found.at(0);
    QCOMPARE(line.port, emulator.slavePath());
    QCOMPARE(line.baud, 19200);
    QCOMPARE(line.model, 250);
    QCOMPARE(line.name, QStringLiteral("Kelo-Vint-Ф"));
    quint64 serial = 0;
    emulator.inspect([&](const kelo::emu::RegisterModel &m) { serial = m.state().serialNumber; });
    QCOMPARE(line.serial.toULongLong(), serial);
    // Over the network there is no line speed: the first rate tried answers.
    QCOMPARE(result.found.at(1).port, emulator.tcpAddress());
    QCOMPARE(result.found.at(1).baud, 115200);
    QCOMPARE(result.skipped.size(), 1);
    QCOMPARE(result.skipped.at(0).port, missing);
    QVERIFY(!result.skipped.at(0).reason.isEmpty());
    // Bytes at the wrong speeds were noise to the register, never commands.
    QVERIFY(emulator.stats().bytesWrongSpeed > 0);
}

void TstRegisterSearch::stopsPromptly()
{
    PtyPeer first;
    PtyPeer second;
    first.start();
    second.start();
    RegisterSearch search({first.slavePath(), second.slavePath()},
                          RegisterSearch::order({1200, 2400, 4800, 9600, 19200, 57600, 115200}, 115200),
                          QStringLiteral("30"));
    QElapsedTimer sinceStop;
    search.setProgress([&](int, int) {
        if (!sinceStop.isValid())
            sinceStop.start();
        return false;
    });
    const SearchResult result = search.run();
    QVERIFY(result.stopped);
    QVERIFY(result.found.isEmpty());
    QVERIFY2(sinceStop.elapsed() < 200, qPrintable(QString::number(sinceStop.elapsed())));
}

void TstRegisterSearch::permissionNamesTheGroup()
{
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("ttyUSB9"));
    QFile file(device);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const group *dialout = getgrnam("dialout");
    if (!dialout || ::chown(QFile::encodeName(device).constData(), uid_t(-1), dialout->gr_gid) != 0)
        QSKIP("no group dialout to hand the device to");
    const QString text = RegisterConnector::openFailureText(
        QStringLiteral("Ошибка открытия СОМ порта!"), device, QStringLiteral("Permission denied"), true);
    QCOMPARE(text,
             QStringLiteral("Ошибка открытия СОМ порта! %1: Permission denied. Порт принадлежит группе "
                            "«dialout»: добавьте себя в неё командой «sudo usermod -aG dialout $USER» и "
                            "войдите в систему заново.")
                 .arg(device));
    // Any other reason: just the port and the reason.
    QCOMPARE(RegisterConnector::openFailureText(QStringLiteral("X"), device, QStringLiteral("No such file"),
                                                false),
             QStringLiteral("X %1: No such file").arg(device));
}

QTEST_GUILESS_MAIN(TstRegisterSearch)
#include "tst_registersearch.moc"
