// The remembered field values and geometry of the operator window: defaults
// on a first start, what survives a restart, and the port and speed boxes.

#include "mainformfixture.h"

#include <mainproc.h>

#include <QComboBox>
#include <QDateTimeEdit>
#include <QSettings>

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

class TstMainFormSettings : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void firstStart();
    void valuesSurviveRestart();
    void linkBoxesRememberedByText();
    void indexOnlyLinkBoxesStillRestore();
};

void TstMainFormSettings::firstStart()
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
                           {"strDocs_Price", 550.0},
                           {"strFDNumber", 1},
                           {"strFN_INN", QString()},
                           {"strFN_KKTNumber", 1},
                           {"strSerialNumberForWrite", QStringLiteral("0000000000000000")},
                           {"strLinkPassword", kelo::kDefaultSysAdminPassword},
                           {"strDumpPassword", kelo::kDefaultSysAdminPassword},
                           {"strLinkTimeout", 6000}}));
    // The speed box keeps the 115200 it was built with; the link follows the fields.
    QCOMPARE(child<QComboBox>(*window, "comboCOMBaudrate")->currentText(), "115200");
    QCOMPARE(mpLinkSettings().baudRate, 115200);
    QCOMPARE(mpLinkSettings().linkTimeout, 6000);
    QCOMPARE(mpLinkSettings().password, kelo::kDefaultSysAdminPassword);
    const QDateTime shown = child<QDateTimeEdit>(*window, "strNewDateTime")->dateTime();
    QVERIFY(qAbs(shown.secsTo(QDateTime::currentDateTime())) < 120);
    QVERIFY(status(*window).startsWith(QStringLiteral("Ошибка открытия СОМ порта! ")));
}

void TstMainFormSettings::valuesSurviveRestart()
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
    QSize size;
    {
        auto window = offlineWindow();
        for (const auto &field : changed)
            setField(*window, field.first, field.second);
        child<QComboBox>(*window, "comboCOMBaudrate")->setCurrentText(QStringLiteral("9600"));
        window->resize(1050, 700);
        size = window->size();
    }
    auto window = offlineWindow();
    QVERIFY(hold(*window, changed));
    QCOMPARE(window->size(), size);
    // The link follows the restored fields.
    QCOMPARE(child<QComboBox>(*window, "comboCOMBaudrate")->currentText(), "9600");
    QCOMPARE(mpLinkSettings().baudRate, 9600);
    QCOMPARE(mpLinkSettings().password, 12345678);
    QCOMPARE(mpLinkSettings().passwordText, QByteArray("12345678"));
    QCOMPARE(mpLinkSettings().linkTimeout, 1500);
}

void TstMainFormSettings::linkBoxesRememberedByText()
{
    AppDir dir;
    const QString typed = QStringLiteral("/nonexistent/ttyUSB-kelo");
    offlineWindow(typed);
    // Started without a port of its own, the window comes back to the typed
    // device even though it is not in the list of ports.
    Driver::resetLinkSettings();
    MMainForm window(nullptr, MMainFormOptions());
    QCOMPARE(child<QComboBox>(window, "comboCOMPort")->currentText(), typed);
    QCOMPARE(mpLinkSettings().portName, typed);
    QCOMPARE(status(window),
             QStringLiteral("Ошибка открытия СОМ порта! %1: No such file or directory").arg(typed));
}

void TstMainFormSettings::indexOnlyLinkBoxesStillRestore()
{
    AppDir dir;
    QSettings(dir.settingsFile(), QSettings::IniFormat)
        .setValue(QStringLiteral("LastValues/comboCOMBaudrate"), 2);
    auto window = offlineWindow();
    auto *speed = child<QComboBox>(*window, "comboCOMBaudrate");
    QCOMPARE(speed->currentIndex(), 2);
    QCOMPARE(mpLinkSettings().baudRate, speed->currentText().toInt());
}

QTEST_MAIN(TstMainFormSettings)
#include "tst_mainformsettings.moc"
