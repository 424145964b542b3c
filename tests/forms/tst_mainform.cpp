// The operator window's frame against a register: the connection cycle, its
// failures, identification, table access, and the ways the window must not
// close.

#include "mainformfixture.h"
#include "ptypeer.h"
#include "waitform.h"

#include <mainproc.h>
#include <zirivoro.h>

#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>

#include <algorithm>

using namespace formtest;
using kelo::emu::RegisterModel;

class TstMainForm : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void startsIdentifiedAndIdle();
    void controlsDisabledOnlyWhileConnected();
    void connectFailures_data();
    void connectFailures();
    void connectionCancelled();
    void searchFillsPortAndSpeed();
    void identification_data();
    void identification();
    void refusedIdentificationKeepsTheLink();
    void tableNumbersKeepTheirZeroBytes_data();
    void tableNumbersKeepTheirZeroBytes();
    void tableStringStopsAtItsZeroByte();
    void closingNeedsTheExitButton();
};

void TstMainForm::startsIdentifiedAndIdle()
{
    // Every on_<widget>_<signal> slot must find its widget.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("connectSlotsByName")));
    FORMTEST_OPEN(bench, window);

    QCOMPARE(status(*window), kStatusOk);
    QVERIFY(window->isKnownModel);
    QVERIFY(!mpLinkSettings().connected);
    // The tax system was read on the way; the register's is not the form's default of 0.
    QCOMPARE(fieldValue(*window, "strFN_Tax_Code"),
             QVariant(int(bench.read([](const RegisterModel &m) { return m.tables().number(18, 1, 5); }))));
    QVERIFY(child<QWidget>(*window, "tabWidget")->isEnabled());
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
}

void TstMainForm::connectFailures_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no port") << QString() << QStringLiteral("Не заданы параметры СОМ порта!");
    QTest::newRow("port that does not open")
        << QStringLiteral("/nonexistent/ttyKelo")
        << QStringLiteral("Ошибка открытия СОМ порта! /nonexistent/ttyKelo: No such file or directory");
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

void TstMainForm::connectionCancelled()
{
    FORMTEST_OPEN(bench, window);
    PtyPeer silent;
    silent.start();
    child<QComboBox>(*window, "comboCOMPort")->setEditText(silent.slavePath());
    // The wait box comes up while the register keeps silent; its «Отмена» ends
    // the attempt at once.
    QElapsedTimer sinceCancel;
    QTimer::singleShot(800, window.get(), [&] {
        for (WaitForm *box : window->findChildren<WaitForm *>()) {
            auto *cancel = box->findChild<QPushButton *>(QStringLiteral("butTerminate"));
            if (box->isVisible() && cancel && cancel->text() == QStringLiteral("Отмена")) {
                sinceCancel.start();
                cancel->click();
            }
        }
    });
    QVERIFY(!window->connectFR());
    QVERIFY(sinceCancel.isValid());
    QVERIFY2(sinceCancel.elapsed() < 200, qPrintable(QString::number(sinceCancel.elapsed())));
    QCOMPARE(status(*window), QStringLiteral("Соединение отменено."));
    QVERIFY(!mpLinkSettings().link->isOpen());
    QVERIFY(child<QWidget>(*window, "tabWidget")->isEnabled());
    QVERIFY(window->findChildren<WaitForm *>().isEmpty());
}

void TstMainForm::searchFillsPortAndSpeed()
{
    kelo::emu::EmulatorConfig config = formtest::Bench::config();
    config.baud = 19200; // the register listens at 19200 only
    FORMTEST_OPEN(bench, window, config);
    QComboBox *portBox = child<QComboBox>(*window, "comboCOMPort");
    portBox->setEditText(bench.port());
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, window.get(), [&] {
        for (QDialog *dialog : window->findChildren<QDialog *>()) {
            auto *choose = dialog->findChild<QPushButton *>(QStringLiteral("butSearchChoose"));
            if (dialog->isVisible() && choose && choose->isEnabled())
                choose->click();
        }
    });
    poll.start(100);
    QVERIFY(click(*window, "butFindFR"));
    QCOMPARE(portBox->currentText(), bench.port());
    QCOMPARE(child<QComboBox>(*window, "comboCOMBaudrate")->currentText(), QStringLiteral("19200"));
    QVERIFY(window->connectFR());
    QCOMPARE(deviceModelId, 250);
    QVERIFY(window->disconnectFR());

    // Opened, the port box lists the ports afresh and keeps what was typed.
    portBox->setEditText(QStringLiteral("/dev/ttyTyped"));
    portBox->showPopup();
    QCOMPARE(portBox->currentText(), QStringLiteral("/dev/ttyTyped"));
    QVERIFY(portBox->findText(QStringLiteral("Эмулятор ККТ")) >= 0);
    portBox->hidePopup();
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
    // The connection probes, identifies and, for the known models, reads the
    // tax system and the work modes.
    PtyPeer peer;
    peer.step(linkbytes::ENQ, linkbytes::NAK);
    exchange(peer, "\xFC",
             QByteArray::fromHex("fc0001010100") + char(model) + '\0' + rq::text(name, int(name.size())));
    if (known) {
        exchange(peer, rq::table(0x1F, 18, 1, 5), QByteArray("\x1F\x00", 2) + char(taxByte));
        exchange(peer, rq::table(0x1F, 18, 1, 6), QByteArray("\x1F\x00\x00", 3));
    }
    peer.start();
    AppDir dir;
    auto window = offlineWindow(peer.slavePath());
    QVERIFY(window->connectFR());
    window->disconnectFR();

    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QTRY_VERIFY(peer.finished()); // the last acknowledgement may still be on its way
    QCOMPARE(deviceModelId, model);
    QCOMPARE(window->isKnownModel, known);
    QCOMPARE(!child<QGroupBox>(*window, "grpFisk_Misc")->isHidden(), known);
    QCOMPARE(child<QSpinBox>(*window, "strFN_Tax_Code")->value(), taxByte);
}

void TstMainForm::refusedIdentificationKeepsTheLink()
{
    // An operator's password: the register refuses the table reads of the
    // identification, which close the link. The operation gets it back and
    // shows the register's answer to its own command.
    FORMTEST_OPEN(bench, window);
    setField(*window, "strLinkPassword", 1);
    QSignalSpy texts(child<QLineEdit>(*window, "strCommandResult"), &QLineEdit::textChanged);
    deviceModelId = -1;
    QVERIFY(window->connectFR());
    QCOMPARE(deviceModelId, 250);
    QVERIFY(mpLinkSettings().connected);
    window->disconnectFR();
    QVERIFY(std::any_of(texts.cbegin(), texts.cend(), [](const QList<QVariant> &change) {
        return change.at(0) == QStringLiteral("Добро пожаловать в тестовое ПО для ККТ \"Kelo-Vint-Ф\"");
    }));

    deviceModelId = -1;
    QVERIFY(click(*window, "butGetFN_Number"));
    QCOMPARE(status(*window), QStringLiteral("[79]: Неверный пароль!"));
}

void TstMainForm::tableNumbersKeepTheirZeroBytes_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QByteArray>("hex");
    // Written as a string is: the bytes in memory order and a closing zero
    // byte, which must not cut a number with a zero byte of its own.
    QTest::newRow("1") << 1u << QByteArray("0100");
    QTest::newRow("OFD port 21504") << 21504u << QByteArray("005400");
    QTest::newRow("inner and low zero bytes") << 0x12003400u << QByteArray("0034001200");
    QTest::newRow("zero") << 0u << QByteArray("00");
}

void TstMainForm::tableNumbersKeepTheirZeroBytes()
{
    QFETCH(quint32, value);
    QFETCH(QByteArray, hex);
    QCOMPARE(MMainForm::tableNumberHex(value), hex);
}

void TstMainForm::tableStringStopsAtItsZeroByte()
{
    FORMTEST_OPEN(bench, window);
    const QString company = QStringLiteral("ООО \"Ромашка & <Co>\"");
    QVERIFY(
        window->accessFRTable(false, 18, 1, 7, rq::text(company, int(company.size())) + '\0' + "left over"));
    QVERIFY(mpLinkSettings().connected); // table access leaves the connection to its caller
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
    QCOMPARE(cancel.title(), "System menu");
    QVERIFY(window->isVisible());
    QCOMPARE(quitting.count(), 0);

    ModalAnswer exit(ModalAnswer::clickButton(QStringLiteral("Выход из программы")));
    QVERIFY(window->close());
    QVERIFY(exit.answered());
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(TstMainForm)
#include "tst_mainform.moc"
