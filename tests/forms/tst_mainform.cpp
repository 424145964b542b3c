// The operator window's frame against a register: the connection cycle, its
// failures, identification, table access, and the ways the window must not
// close.

#include "mainformfixture.h"
#include "ptypeer.h"

#include <mainproc.h>
#include <zirivoro.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QtEndian>

using namespace formtest;
using kelo::emu::RegisterModel;

namespace {

// The register's side of one command: handshake, request, reply, acknowledgement.
void exchange(PtyPeer &peer, const QByteArray &request, const QByteArray &reply)
{
    const auto frame = [](const QByteArray &data) {
        return QByteArray("\x02") + char(data.size()) + data + char(frlink::checkByte(data));
    };
    peer.step("\x05", "\x15");
    peer.step(frame(request), QByteArray("\x06") + frame(reply));
    peer.step("\x06");
}

QByteArray tableRead(int table, int row, int field)
{
    return request(0x1F, QByteArray() + char(table) + char(row) + '\0' + char(field));
}

} // namespace

class TstMainForm : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void startsIdentifiedAndIdle();
    void controlsDisabledOnlyWhileConnected();
    void connectFailures_data();
    void connectFailures();
    void identification_data();
    void identification();
    void welcomeTextOnIdentification();
    void refusedIdentificationKeepsTheLink();
    void tableNumbersKeepTheirZeroBytes_data();
    void tableNumbersKeepTheirZeroBytes();
    void tableStringStopsAtItsZeroByte();
    void closingNeedsTheExitButton();
    void waitKeepsTheWindowLive();
    void roundToInt_data();
    void roundToInt();
};

void TstMainForm::startsIdentifiedAndIdle()
{
    // Every on_<widget>_<signal> slot must find its widget.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("connectSlotsByName")));
    FORMTEST_OPEN(bench, window);

    QCOMPARE(status(*window), kStatusOk);
    QCOMPARE(deviceModelId, 250);
    QVERIFY(window->isKnownModel);
    QVERIFY(!mpLinkSettings().connected);
    QVERIFY(child<QWidget>(*window, "tabWidget")->isEnabled());
    QVERIFY(!child<QGroupBox>(*window, "grpFisk_Misc")->isHidden());
    // The registered register's tax system was read from table 18 on the way.
    const quint64 taxCode = bench.read([](const RegisterModel &m) { return m.tables().number(18, 1, 5); });
    QVERIFY(taxCode != 0);
    QCOMPARE(quint64(child<QSpinBox>(*window, "strFN_Tax_Code")->value()), taxCode);

    for (const char *name :
         {"frameProgress", "frameFRInfo", "labFN_RegNumberOk", "labFN_RegNumberError", "labService_MD5",
          "chkDocs_ExtClose", "chkReportStateBallance_PrintReg", "butGetFD_Print", "butDocs_AnnDiscount"})
        QVERIFY2(child(*window, name)->isHidden(), name);
}

void TstMainForm::controlsDisabledOnlyWhileConnected()
{
    FORMTEST_OPEN(bench, window);
    const QList<QWidget *> controls = {child(*window, "tabWidget"), child(*window, "menuWidget"),
                                       child(*window, "butMenu"), child(*window, "butTerminate")};
    bench.emulator().setReplyDelayMs(300);
    QList<bool> during;
    QTimer::singleShot(100, window.get(), [&] {
        for (QWidget *control : controls)
            during << control->isEnabled();
    });
    QVERIFY(window->connectFR());
    window->commandText = QStringLiteral("11,%1").arg(kelo::kDefaultSysAdminPassword);
    QVERIFY(window->execFRCommand(true));

    QCOMPARE(during, (QList<bool>{false, false, false, true}));
    QVERIFY(controls[0]->isEnabled() && controls[1]->isEnabled() && controls[2]->isEnabled());
    QVERIFY(!mpLinkSettings().connected);
    QCOMPARE(status(*window), kStatusOk);
    QVERIFY(reply::count() > 23);
}

void TstMainForm::connectFailures_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no port") << QString() << QStringLiteral("Не заданы параметры СОМ порта!");
    QTest::newRow("port that does not open")
        << QStringLiteral("/nonexistent/ttyKelo") << QStringLiteral("Ошибка открытия СОМ порта!");
    QTest::newRow("register that never answers")
        << QStringLiteral("silent") << QStringLiteral("Ошибка соединения!");
}

void TstMainForm::connectFailures()
{
    QFETCH(QString, port);
    QFETCH(QString, expected);
    FORMTEST_OPEN(bench, window);
    auto *portBox = child<QComboBox>(*window, "comboCOMPort");
    PtyPeer silent;
    portBox->setEditText(port == QLatin1String("silent") ? silent.slavePath() : port);
    silent.start();

    QVERIFY(!window->connectFR());
    QCOMPARE(status(*window), expected);
    QVERIFY(child<QWidget>(*window, "tabWidget")->isEnabled());
    QVERIFY(!mpLinkSettings().connected);
    if (!port.isEmpty()) {
        QCOMPARE(deviceModelId, -1);
        QVERIFY(!window->isKnownModel);
    }

    // The next action finds the register again and identifies it.
    portBox->setEditText(bench.port());
    QVERIFY(window->connectFR());
    QCOMPARE(deviceModelId, 250);
    QVERIFY(window->disconnectFR());
}

void TstMainForm::identification_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("known");
    QTest::addColumn<int>("taxByte");
    QTest::newRow("model 250, any name") << 250 << QStringLiteral("KKT") << true << 0x20;
    QTest::newRow("another model named Kelo-Vint-Ф") << 7 << QStringLiteral("Kelo-Vint-Ф") << true << 0x03;
    QTest::newRow("another register") << 3 << QStringLiteral("Kelo-Vint") << false << 0;
}

void TstMainForm::identification()
{
    QFETCH(int, model);
    QFETCH(QString, name);
    QFETCH(bool, known);
    QFETCH(int, taxByte);

    const QByteArray deviceType = QByteArray::fromHex("fc0001010100") + char(model) + '\0' + cp1251(name);
    const auto taxReads = [&](PtyPeer &peer) {
        if (!known)
            return;
        exchange(peer, tableRead(18, 1, 5), QByteArray("\x1F\x00", 2) + char(taxByte));
        exchange(peer, tableRead(18, 1, 6), QByteArray("\x1F\x00\x00", 3));
    };
    // At construction: probe, identification by the connection, then again
    // by the window itself, then the registration parameters.
    PtyPeer peer;
    peer.step("\x05", "\x15");
    exchange(peer, "\xFC", deviceType);
    taxReads(peer);
    exchange(peer, "\xFC", deviceType);
    // Known models reconnect for their table reads and keep that link for the
    // registration parameters; others reconnect for those.
    peer.step("\x05", "\x15");
    taxReads(peer);
    // Empty parameter values change none of what is checked here.
    QList<QList<int>> fields = {{19, 1, 1}, {19, 1, 2}, {18, 1, 10}, {18, 1, 11}, {18, 1, 12}, {18, 1, 13},
                                {18, 1, 7}, {18, 1, 9}, {18, 1, 2},  {18, 1, 1},  {18, 1, 3},  {18, 1, 4}};
    for (int row = 1; row <= 4; ++row)
        fields << QList<int>{6, row, 1} << QList<int>{6, row, 2};
    fields << QList<int>{1, 1, 2};
    for (const QList<int> &f : fields)
        exchange(peer, tableRead(f[0], f[1], f[2]), QByteArray("\x1F\x00", 2));
    peer.start();

    AppDir dir;
    Driver::resetLinkSettings();
    MMainFormOptions options;
    options.port = peer.slavePath();
    MMainForm window(nullptr, options);

    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QTRY_VERIFY(peer.finished()); // the last acknowledgement may still be on its way
    QCOMPARE(deviceModelId, model);
    QCOMPARE(window.isKnownModel, known);
    QCOMPARE(!child<QGroupBox>(window, "grpFisk_Misc")->isHidden(), known);
    QCOMPARE(child<QSpinBox>(window, "strFN_Tax_Code")->value(), taxByte);
    QCOMPARE(status(window), kStatusOk);
    QVERIFY(!mpLinkSettings().connected);
}

void TstMainForm::welcomeTextOnIdentification()
{
    FORMTEST_OPEN(bench, window);
    QSignalSpy texts(child<QLineEdit>(*window, "strCommandResult"), &QLineEdit::textChanged);
    QVERIFY(window->connectFR());
    QVERIFY(window->identifyFR(true));
    QStringList shown;
    for (const QList<QVariant> &change : texts)
        shown << change.at(0).toString();
    QVERIFY2(shown.contains(QStringLiteral("Добро пожаловать в тестовое ПО для ККТ \"Kelo-Vint-Ф\"")),
             qPrintable(shown.join(QLatin1Char('|'))));
    window->disconnectFR();
}

void TstMainForm::refusedIdentificationKeepsTheLink()
{
    // An operator's password: the register refuses the table reads of the
    // identification, which close the link. The operation gets it back and
    // shows the register's answer to its own command.
    FORMTEST_OPEN(bench, window);
    setField(*window, "strLinkPassword", 1);
    deviceModelId = -1;
    QVERIFY(window->connectFR());
    QCOMPARE(deviceModelId, 250);
    QVERIFY(mpLinkSettings().connected);
    window->disconnectFR();

    deviceModelId = -1;
    QVERIFY(click(*window, "butGetFN_Number"));
    QCOMPARE(status(*window), QStringLiteral("[79]: Неверный пароль!"));
}

void TstMainForm::tableNumbersKeepTheirZeroBytes_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("field");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QByteArray>("hex");
    // Written as a string is: the bytes in memory order and a closing zero byte.
    QTest::newRow("1") << 18 << 5 << 1u << QByteArray("0100");
    // Each of these starts with a zero byte in memory order.
    QTest::newRow("256") << 6 << 1 << 256u << QByteArray("000100");
    QTest::newRow("25600 kopecks") << 4 << 1 << 25600u << QByteArray("006400");
    QTest::newRow("OFD port 21504") << 19 << 2 << 21504u << QByteArray("005400");
    QTest::newRow("inner and low zero bytes") << 4 << 1 << 0x12003400u << QByteArray("0034001200");
    QTest::newRow("zero") << 4 << 1 << 0u << QByteArray("00");
}

void TstMainForm::tableNumbersKeepTheirZeroBytes()
{
    QFETCH(int, table);
    QFETCH(int, field);
    QFETCH(quint32, value);
    QFETCH(QByteArray, hex);
    QCOMPARE(MMainForm::tableNumberHex(value), hex);
    FORMTEST_OPEN(bench, window);

    QVERIFY(window->accessFRTableInt(false, table, 1, field, 7));
    QVERIFY(window->accessFRTableInt(false, table, 1, field, value));
    QVERIFY(mpLinkSettings().connected); // table access leaves the connection to its caller
    QVERIFY(window->accessFRTableInt(true, table, 1, field, 0));
    QByteArray read = reply::bytes(2);
    window->disconnectFR();
    read.append(QByteArray(qMax(0, 8 - int(read.size())), '\0'));

    QCOMPARE(bench.read([&](const RegisterModel &m) { return m.tables().number(table, 1, field); }),
             quint64(value));
    QCOMPARE(qFromLittleEndian<quint64>(read.constData()), quint64(value));
}

void TstMainForm::tableStringStopsAtItsZeroByte()
{
    FORMTEST_OPEN(bench, window);
    const QString company = QStringLiteral("ООО \"Ромашка & <Co>\"");
    QVERIFY(window->accessFRTable(false, 18, 1, 7, cp1251(company) + '\0' + "left over"));
    QVERIFY(window->accessFRTable(true, 18, 1, 7));
    QCOMPARE(reply::string(2), company);
    window->disconnectFR();
    QCOMPARE(bench.read([](const RegisterModel &m) { return m.tables().text(18, 1, 7); }), company);
}

void TstMainForm::closingNeedsTheExitButton()
{
    AppDir dir;
    auto window = offlineWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    QTest::keyClick(window.get(), Qt::Key_Escape);
    QVERIFY(window->isVisible());

    ModalAnswer ok(ModalAnswer::clickButton(QStringLiteral("OK")));
    QVERIFY(!window->close());
    QVERIFY(ok.answered());
    QCOMPARE(ok.text(), "Некорректное закрытие программы.");
    QVERIFY(ok.informativeText().contains(QStringLiteral("\"Выход из программы\"")));
    QVERIFY(window->isVisible());

    // The menu's cancel keeps the window and the program.
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    ModalAnswer cancel(ModalAnswer::clickButton(QStringLiteral("butCancel")));
    QVERIFY(click(*window, "butMenu"));
    QVERIFY(cancel.answered());
    QCOMPARE(cancel.title(), "System menu");
    QVERIFY(window->isVisible());
    QCOMPARE(quitting.count(), 0);

    ModalAnswer exit(ModalAnswer::clickButton(QStringLiteral("Выход из программы")));
    QVERIFY(window->close());
    QVERIFY(exit.answered());
    QVERIFY(!window->isVisible());
}

void TstMainForm::waitKeepsTheWindowLive()
{
    AppDir dir;
    auto window = offlineWindow();
    bool fired = false;
    QTimer::singleShot(10, window.get(), [&] { fired = true; });
    QElapsedTimer clock;
    clock.start();
    window->waitMs(60);
    QVERIFY(fired);
    QVERIFY(clock.elapsed() >= 55);
}

void TstMainForm::roundToInt_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("rounded");
    QTest::newRow("half up") << 2.5 << 3;
    QTest::newRow("below half") << 2.4999 << 2;
    QTest::newRow("negative half goes up") << -2.5 << -2;
    QTest::newRow("negative") << -2.6 << -3;
}

void TstMainForm::roundToInt()
{
    QFETCH(double, x);
    QFETCH(int, rounded);
    QCOMPARE(MMainForm::roundToInt(x), rounded);
}

QTEST_MAIN(TstMainForm)
#include "tst_mainform.moc"
