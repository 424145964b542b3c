// The remembered field values and geometry of the operator window: defaults
// on a first start, what survives a restart, and the port and speed boxes.

#include "mainformfixture.h"

#include <kelodefaults.h>
#include <mainproc.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTest>

using namespace formtest;

namespace {

const QString kMissingPort = QStringLiteral("/nonexistent/ttyKelo");

// The window without a register: its start-up connection fails at once.
std::unique_ptr<MMainForm> offlineWindow(const QString &port = kMissingPort)
{
    Driver::resetLinkSettings();
    MMainFormOptions options;
    options.port = port;
    return std::make_unique<MMainForm>(nullptr, options);
}

QVariant valueOf(MMainForm &window, const QString &name)
{
    QObject *widget = window.findChild<QObject *>(name);
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    if (auto *spin = qobject_cast<QSpinBox *>(widget))
        return spin->value();
    if (auto *spin = qobject_cast<QDoubleSpinBox *>(widget))
        return spin->value();
    if (auto *check = qobject_cast<QCheckBox *>(widget))
        return check->isChecked();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentIndex();
    return QVariant();
}

void setValueOf(MMainForm &window, const QString &name, const QVariant &value)
{
    QObject *widget = window.findChild<QObject *>(name);
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        edit->setText(value.toString());
    else if (auto *spin = qobject_cast<QSpinBox *>(widget))
        spin->setValue(value.toInt());
    else if (auto *spin = qobject_cast<QDoubleSpinBox *>(widget))
        spin->setValue(value.toDouble());
    else if (auto *check = qobject_cast<QCheckBox *>(widget))
        check->setChecked(value.toBool());
    else if (auto *combo = qobject_cast<QComboBox *>(widget))
        combo->setCurrentIndex(value.toInt());
    else
        QFAIL(qPrintable(QStringLiteral("no field %1").arg(name)));
}

} // namespace

class TstMainFormSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void defaultsOnFirstStart_data();
    void defaultsOnFirstStart();
    void firstStartKeeps115200();
    void valuesSurviveRestart();
    void linkBoxesRememberedByText();
    void indexOnlyLinkBoxesStillRestore();

private:
    std::unique_ptr<Driver> m_driver;
};

void TstMainFormSettings::initTestCase()
{
    m_driver = std::make_unique<Driver>();
}

void TstMainFormSettings::defaultsOnFirstStart_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("expected");
    const auto row = [](const char *field, const QVariant &value) {
        QTest::newRow(field) << QString::fromLatin1(field) << value;
    };
    row("chkParam_NullCash", true);
    row("strParam_NameTax1", QStringLiteral("НДС 18%"));
    row("strParam_NameTax4", QStringLiteral("НДС не облагается"));
    row("strParam_ValTax1", 18.0);
    row("strParam_ValTax2", 10.0);
    row("strDocs_Name", QStringLiteral("Торт Прага"));
    row("comboDocs_NalogGrp", 1);
    row("strDocs_Count", 1.0);
    row("strDocs_Price", 550.0);
    row("strDocs_DiscountVal", 10.0);
    row("strDocs_SumCash", 1000.0);
    row("strDocs_SumEl3", 0.0);
    row("strFDNumber", 1);
    row("strFN_INN", QString());
    row("strFN_KKTRegNumber", QString());
    row("strFN_KKTNumber", 1); // the empty default reads as 0, below the box's minimum
    row("strSerialNumberForWrite", QStringLiteral("0000000000000000"));
    row("strLinkPassword", kelo::kDefaultSysAdminPassword);
    row("strDumpPassword", kelo::kDefaultSysAdminPassword);
    row("strLinkTimeout", 6000);
    row("comboFiskType", 0);
}

void TstMainFormSettings::defaultsOnFirstStart()
{
    QFETCH(QString, field);
    QFETCH(QVariant, expected);
    AppDir dir;
    QVERIFY(!QFile::exists(dir.settingsFile()));
    auto window = offlineWindow();
    QCOMPARE(valueOf(*window, field), expected);
}

void TstMainFormSettings::firstStartKeeps115200()
{
    AppDir dir;
    auto window = offlineWindow();
    QCOMPARE(child<QComboBox>(*window, "comboCOMBaudrate")->currentText(), QStringLiteral("115200"));
    QCOMPARE(mpLinkSettings().baudRate, 115200);
    QCOMPARE(mpLinkSettings().linkTimeout, 6000);
    QCOMPARE(mpLinkSettings().password, kelo::kDefaultSysAdminPassword);
    const QDateTime shown = child<QDateTimeEdit>(*window, "strNewDateTime")->dateTime();
    QVERIFY(qAbs(shown.secsTo(QDateTime::currentDateTime())) < 120);
    QCOMPARE(status(*window), QStringLiteral("Ошибка открытия СОМ порта!"));
}

void TstMainFormSettings::valuesSurviveRestart()
{
    AppDir dir;
    const QList<QPair<QString, QVariant>> changed = {
        {"chkParam_NullCash", false},
        {"strParam_NameTax2", QStringLiteral("НДС 20% = \"полный\"; [a]")},
        {"strParam_ValTax2", 9.99},
        {"strDocs_Count", 2.345},
        {"strDocs_Price", 1234.56},
        {"strDocs_SumEl2", 0.01},
        {"comboDocs_Type", 3},
        {"comboDocs_DiscountType", 2},
        {"strDocs_EMail", QStringLiteral("кассир@пример.рф")},
        {"strFDNumber", 70000},
        {"strFN_KKTNumber", 123456789},
        {"strFN_TimerC", 60},
        {"strFN_OFDServer", QStringLiteral("ofd.example.com")},
        {"strFN_OFDPort", 21504},
        {"strLinkPassword", 12345678},
        {"strLinkTimeout", 1500},
        {"strSerialNumberForWrite", QStringLiteral("0000000000000123")},
        {"comboFN_Prichina", 3},
    };
    QSize size;
    {
        auto window = offlineWindow();
        for (const auto &field : changed)
            setValueOf(*window, field.first, field.second);
        child<QComboBox>(*window, "comboCOMBaudrate")->setCurrentText(QStringLiteral("9600"));
        window->resize(1050, 700);
        size = window->size();
    }
    auto window = offlineWindow();
    for (const auto &field : changed)
        QCOMPARE(valueOf(*window, field.first), field.second);
    QCOMPARE(window->size(), size);
    // The link follows the restored fields.
    QCOMPARE(child<QComboBox>(*window, "comboCOMBaudrate")->currentText(), QStringLiteral("9600"));
    QCOMPARE(mpLinkSettings().baudRate, 9600);
    QCOMPARE(mpLinkSettings().password, 12345678);
    QCOMPARE(mpLinkSettings().passwordText, QByteArray("12345678"));
    QCOMPARE(mpLinkSettings().linkTimeout, 1500);
}

void TstMainFormSettings::linkBoxesRememberedByText()
{
    AppDir dir;
    const QString typed = QStringLiteral("/nonexistent/ttyUSB-kelo");
    {
        auto window = offlineWindow(typed);
    }
    // Started without a port of its own, the window comes back to the typed
    // device even though it is not in the list of ports.
    auto window = offlineWindow(QString());
    QCOMPARE(child<QComboBox>(*window, "comboCOMPort")->currentText(), typed);
    QCOMPARE(mpLinkSettings().portName, typed);
    QCOMPARE(status(*window), QStringLiteral("Ошибка открытия СОМ порта!"));
}

void TstMainFormSettings::indexOnlyLinkBoxesStillRestore()
{
    AppDir dir;
    {
        QSettings settings(dir.settingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("LastValues/comboCOMBaudrate"), 2);
    }
    auto window = offlineWindow();
    auto *speed = child<QComboBox>(*window, "comboCOMBaudrate");
    QCOMPARE(speed->currentIndex(), 2);
    QCOMPARE(mpLinkSettings().baudRate, speed->currentText().toInt());
}

QTEST_MAIN(TstMainFormSettings)
#include "tst_mainformsettings.moc"
