// The operator window's frame: the connection cycle against a register, its
// failures, identification, the ways the window must not close, the field
// values and geometry it remembers (defaults on a first start, what survives a
// restart, the port and speed boxes), and its small dialogs: the system menu's
// answers, the log viewer, the wait box.

#include "mainformfixture.h"
#include "mlogviewform.h"
#include "mmenuform.h"
#include "ptypeer.h"
#include "waitform.h"

#include <mainproc.h>
#include <mlogsystem.h>
#include <zirivoro.h>

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextEdit>

#include <algorithm>

using namespace formtest;

namespace {

using Fields = QList<QPair<const char *, QVariant>>;

// Whether the fields hold the expected values; a warning names each that does not.
bool hold(MMainForm &window, const Fields &expected)
{
    bool all = true;
    for (const auto &field : expected) {
        const QVariant shown = fieldValue(window, field.first);
        if (shown != field.second) {
            all = false;
            qWarning("%s holds \"%s\"", field.first, qPrintable(shown.toString()));
        }
    }
    return all;
}

} // namespace

class TstMainForm : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void startsIdentifiedAndIdle();
    void connectFailures_data();
    void connectFailures();
    void connectionCancelled();
    void searchFillsPortAndSpeed();
    void knownByModelOrName();
    void refusedIdentificationKeepsTheLink();
    void closingNeedsTheExitButton();
    void nothingMovesAndNothingEmptyIsSaved();
    void firstStart();
    void valuesSurviveRestart();
    void indexOnlyLinkBoxesStillRestore();
    void aboutAndExitFromTheMenu();
    void logViewerShowsTheFileUpToNul();
    void waitBoxStaysUntilHidden();
};

void TstMainForm::startsIdentifiedAndIdle()
{
    // Every on_<widget>_<signal> slot must find its widget.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("connectSlotsByName")));
    FORMTEST_OPEN(bench, window);

    QCOMPARE(status(*window), kStatusOk);
    QVERIFY(window->isKnownModel);
    QVERIFY(!mpLinkSettings().connected);
    for (const char *name :
         {"frameProgress", "frameFRInfo", "labFN_RegNumberOk", "labFN_RegNumberError", "labService_MD5",
          "chkDocs_ExtClose", "chkReportStateBallance_PrintReg", "butGetFD_Print", "butDocs_AnnDiscount"})
        QVERIFY2(child(*window, name)->isHidden(), name);

    // The controls are disabled while a command is under way, and only then.
    const QList<QWidget *> controls = {child(*window, "tabWidget"), child(*window, "menuWidget"),
                                       child(*window, "butMenu"), child(*window, "butTerminate")};
    QVERIFY(controls[0]->isEnabled());
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
            if (box->isVisible() && cancel && cancel->isVisible()
                && cancel->text() == QStringLiteral("Отмена")) {
                sinceCancel.start();
                cancel->click();
                QVERIFY(box->isTerminateRequested());
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

void TstMainForm::knownByModelOrName()
{
    // Model 250 whatever its name, and any model named as ours, are known: the
    // connection then reads their tax system and work modes. (A register of
    // another model has no table read: documentReadEndings in tst_readingops.)
    struct Greeting
    {
        int model;
        QString name;
        char taxByte;
    };
    const Greeting greetings[] = {{250, QStringLiteral("KKT"), 0x20},
                                  {7, QStringLiteral("Kelo-Vint-Ф"), 0x03}};
    PtyPeer peer;
    for (const Greeting &g : greetings) {
        peer.step(linkbytes::ENQ, linkbytes::NAK);
        exchange(peer, "\xFC",
                 QByteArray::fromHex("fc0001010100") + char(g.model) + '\0'
                     + rq::text(g.name, int(g.name.size())));
        exchange(peer, rq::table(0x1F, 18, 1, 5), QByteArray("\x1F\x00", 2) + g.taxByte);
        exchange(peer, rq::table(0x1F, 18, 1, 6), QByteArray("\x1F\x00\x00", 3));
        // Serial number, INN, registration and FN number for the service journal.
        for (int field = 1; field <= 4; ++field)
            exchange(peer, rq::table(0x1F, 18, 1, field),
                     QByteArray("\x1F\x00", 2) + QByteArray::number(4200 + field));
    }
    peer.start();
    AppDir dir;
    auto window = offlineWindow(peer.slavePath());
    for (const Greeting &g : greetings) {
        deviceModelId = -1; // identified anew
        QVERIFY(window->connectFR());
        window->disconnectFR();
        QCOMPARE(deviceModelId, g.model);
        QCOMPARE(child<QSpinBox>(*window, "strFN_Tax_Code")->value(), int(g.taxByte));
    }
    QVERIFY2(peer.failure().isEmpty(), qPrintable(peer.failure()));
    QTRY_VERIFY(peer.finished()); // the last acknowledgement may still be on its way
    QVERIFY(window->isKnownModel && !child(*window, "grpFisk_Misc")->isHidden());
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

void TstMainForm::nothingMovesAndNothingEmptyIsSaved()
{
    FORMTEST_OPEN(bench, window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QWidget *button = child(*window, "butTestLink");
    const QRect before = button->geometry();
    QVERIFY(statusAfter(*window, "butTestLink").startsWith(QStringLiteral("Тест выполнен")));
    QVERIFY(child(*window, "frameFRInfo")->isVisible());
    QCOMPARE(button->geometry(), before); // the second click lands where the first did

    // An empty view is nothing to save: no dialog, no file.
    child<QTextEdit>(*window, "textFDFromFNData")->clear();
    QCOMPARE(statusAfter(*window, "butGetFD_Save"), "Нет данных для сохранения.");
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

void TstMainForm::firstStart()
{
    AppDir dir;
    QVERIFY(!QFile::exists(dir.settingsFile()));
    auto window = offlineWindow();
    // One of each kind of field, and the defaults that need more than the box's own
    // (the empty default of strFN_KKTNumber reads as 0, below the box's minimum).
    QVERIFY(hold(*window, {{"chkParam_NullCash", true},
                           {"strParam_NameTax1", QStringLiteral("НДС 18%")},
                           {"strParam_ValTax1", 18.0},
                           {"comboDocs_NalogGrp", 1},
                           {"strFN_INN", QString()},
                           {"strFN_KKTNumber", 1},
                           {"strSerialNumberForWrite", QStringLiteral("0000000000000000")},
                           {"strLinkPassword", kelo::kDefaultSysAdminPassword},
                           {"strLinkTimeout", 6000}}));
    // The speed box keeps the 115200 it was built with.
    QCOMPARE(child<QComboBox>(*window, "comboCOMBaudrate")->currentText(), "115200");
    const QDateTime shown = child<QDateTimeEdit>(*window, "strNewDateTime")->dateTime();
    QVERIFY(qAbs(shown.secsTo(QDateTime::currentDateTime())) < 120);
}

void TstMainForm::valuesSurviveRestart()
{
    AppDir dir;
    const Fields changed = {
        {"chkParam_NullCash", false},
        {"strParam_NameTax2", QStringLiteral("НДС 20% = \"полный\"; [a]")},
        {"strDocs_Count", 2.345},
        {"strDocs_SumEl2", 0.01},
        {"comboDocs_Type", 3},
        {"strDocs_EMail", QStringLiteral("кассир@пример.рф")},
        {"strFDNumber", 70000},
        {"strFN_KKTNumber", 123456789},
        {"strFN_OFDServer", QStringLiteral("ofd.example.com")},
        {"strFN_OFDPort", 21504},
        {"strLinkPassword", 12345678},
        {"strLinkTimeout", 1500},
        {"strSerialNumberForWrite", QStringLiteral("0000000000000123")},
    };
    // The port and speed boxes by their text: a typed device is not in the list of ports.
    const QString typed = QStringLiteral("/nonexistent/ttyUSB-kelo");
    QSize size;
    {
        auto window = offlineWindow(typed);
        for (const auto &field : changed)
            setField(*window, field.first, field.second);
        child<QComboBox>(*window, "comboCOMBaudrate")->setCurrentText(QStringLiteral("9600"));
        window->resize(1050, 700);
        size = window->size();
    }
    // Started without a port of its own, the window comes back to the typed device.
    Driver::resetLinkSettings();
    MMainForm window(nullptr, MMainFormOptions());
    QVERIFY(hold(window, changed));
    QCOMPARE(window.size(), size);
    QCOMPARE(child<QComboBox>(window, "comboCOMPort")->currentText(), typed);
    QCOMPARE(status(window),
             QStringLiteral("Ошибка открытия СОМ порта! %1: No such file or directory").arg(typed));
    // The link follows the restored fields.
    QCOMPARE(child<QComboBox>(window, "comboCOMBaudrate")->currentText(), "9600");
    QCOMPARE(mpLinkSettings().portName, typed);
    QCOMPARE(mpLinkSettings().baudRate, 9600);
    QCOMPARE(mpLinkSettings().password, 12345678);
    QCOMPARE(mpLinkSettings().passwordText, QByteArray("12345678"));
    QCOMPARE(mpLinkSettings().linkTimeout, 1500);
}

void TstMainForm::indexOnlyLinkBoxesStillRestore()
{
    AppDir dir;
    QSettings(dir.settingsFile(), QSettings::IniFormat)
        .setValue(QStringLiteral("LastValues/comboCOMBaudrate"), 2);
    auto window = offlineWindow();
    auto *speed = child<QComboBox>(*window, "comboCOMBaudrate");
    QCOMPARE(speed->currentIndex(), 2);
    QCOMPARE(mpLinkSettings().baudRate, speed->currentText().toInt());
}

void TstMainForm::aboutAndExitFromTheMenu()
{
    MMenuForm menu;
    QString version;
    ModalAnswer about(
        [&](QWidget *dialog) {
            version = dialog->findChild<QLabel *>(QStringLiteral("labVer"))->text();
            ModalAnswer::clickButton(QStringLiteral("butOk"))(dialog);
        },
        "MAboutForm");
    menu.findChild<QPushButton *>(QStringLiteral("butAbout"))->click();
    QCOMPARE(about.title(), "About");
    QCOMPARE(version, "Версия 1.0.0.12 сборка 39 от 25.10.2017");

    // Cancelling is tried on the window itself (closingNeedsTheExitButton); exiting there would end the test.
    ModalAnswer exit(ModalAnswer::clickButton(QStringLiteral("butExit")));
    QCOMPARE(menu.exec(), int(MMenuForm::ExitCode));
    QVERIFY(exit.answered());
}

void TstMainForm::logViewerShowsTheFileUpToNul()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("events.log"));
    QVERIFY(writeFile(path, QByteArray("первая строка\nвторая строка\n") + '\0' + "после нуля\n"));
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

void TstMainForm::waitBoxStaysUntilHidden()
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

    wait.setWaitCursor();
    QVERIFY(QApplication::overrideCursor());
    wait.hide();
    QVERIFY(!wait.isVisible());
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(TstMainForm)
#include "tst_mainform.moc"
