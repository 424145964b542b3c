// The "Регистрация" page against the register: the registration number, the
// tax and work-mode boxes, the parameters written and read back, registration,
// re-registration, closing the FN and the FN resets.

#include "mainformfixture.h"

#include <kelodefaults.h>
#include <mainproc.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

using namespace formtest;
using kelo::emu::FiscalStorage;
using kelo::emu::Preset;
using kelo::emu::RegisterModel;

namespace {

const QString kNoErrors = QStringLiteral("Ошибок нет.");

QLineEdit *edit(MMainForm &window, const char *name)
{
    return child<QLineEdit>(window, name);
}

QSpinBox *spin(MMainForm &window, const char *name)
{
    return child<QSpinBox>(window, name);
}

// A 1E request of the system administrator for table `table`, row 1.
QByteArray tableWrite(int table, int field, const QByteArray &value)
{
    QByteArray request("\x1E");
    for (int i = 0; i < 4; ++i)
        request.append(char((kelo::kDefaultSysAdminPassword >> (8 * i)) & 0xFF));
    return request + char(table) + QByteArray("\x01\x00", 2) + char(field) + value;
}

bool isChecked(MMainForm &window, const char *name)
{
    return child<QCheckBox>(window, name)->isChecked();
}

} // namespace

class TstFiscalOps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void registrationNumberOnThePage();
    void taxAndModeBoxes();
    void registrationOfAFreshRegister();
    void reRegistrationKeepsTheOfdServerAndClosesTheFn();
    void failedReadsAreCountedNotHidden();
    void fnResetsAndSerialNumber();

private:
    std::unique_ptr<Driver> m_driver;
};

void TstFiscalOps::initTestCase()
{
    m_driver = std::make_unique<Driver>();
}

void TstFiscalOps::init()
{
    Driver::resetLinkSettings();
}

void TstFiscalOps::registrationNumberOnThePage()
{
    Bench bench(Bench::config(Preset::OutOfBox));
    QVERIFY2(bench.start(), qPrintable(bench.error()));
    auto window = bench.createWindow();
    QLineEdit *regNumber = edit(*window, "strFN_KKTRegNumber");
    auto *ok = child<QLabel>(*window, "labFN_RegNumberOk");
    auto *wrong = child<QLabel>(*window, "labFN_RegNumberError");

    edit(*window, "strFN_INN")->setText(QStringLiteral("7700000000"));
    edit(*window, "strFN_KKTSerialNumber")->setText(QStringLiteral("1"));
    spin(*window, "strFN_KKTNumber")->setValue(1);
    QVERIFY(click(*window, "butFN_CalcRegNumber"));
    QCOMPARE(regNumber->text(), QStringLiteral("0000000001014920"));

    QVERIFY(click(*window, "butFN_VerRegNumber"));
    QVERIFY(!ok->isHidden() && wrong->isHidden());
    QCOMPARE(regNumber->styleSheet(), QStringLiteral("background-color: rgb(0, 255, 127);"));

    // Typing forgets the verdict; the check then finds the number wrong.
    QTest::keyClick(regNumber, Qt::Key_Backspace);
    QVERIFY(ok->isHidden() && wrong->isHidden());
    QVERIFY(regNumber->styleSheet().isEmpty());
    QVERIFY(click(*window, "butFN_VerRegNumber"));
    QVERIFY(ok->isHidden() && !wrong->isHidden());

    // Without an INN nothing is computed.
    edit(*window, "strFN_INN")->clear();
    QVERIFY(click(*window, "butFN_CalcRegNumber"));
    QCOMPARE(status(*window), QStringLiteral("Недостаточно параметров для расчета регистрационного номера!"));
    QCOMPARE(regNumber->text(), QStringLiteral("000000000101492"));
}

void TstFiscalOps::taxAndModeBoxes()
{
    Bench bench(Bench::config(Preset::OutOfBox));
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QSpinBox *tax = spin(*window, "strFN_Tax_Code");
    QSpinBox *mode = spin(*window, "strFN_Mode_Code");
    const auto registrationButtonsEnabled = [&] {
        QList<bool> enabled;
        for (const char *name : {"butFN_FiskStep1", "butFN_FiskStep2", "butFN_ReFisk"})
            enabled << child<QWidget>(*window, name)->isEnabled();
        return enabled;
    };
    const QList<bool> allOn{true, true, true};
    const QList<bool> allOff{false, false, false};
    QCOMPARE(tax->value(), 0);
    edit(*window, "strFN_INN")->setText(QStringLiteral("7700000000"));
    edit(*window, "strFN_KKTRegNumber")->setText(QStringLiteral("0000000001014920"));
    QCOMPARE(registrationButtonsEnabled(), allOff);

    QVERIFY(click(*window, "chkFN_Tax_Patent"));
    QCOMPARE(tax->value(), 32);
    QCOMPARE(registrationButtonsEnabled(), allOn);
    QVERIFY(click(*window, "chkFN_Tax_UPRDolg"));
    QVERIFY(click(*window, "chkFN_Tax_UPR"));
    QCOMPARE(tax->value(), 32 | 4 | 2);
    QVERIFY(click(*window, "chkFN_Tax_Patent"));
    QCOMPARE(tax->value(), 4 | 2);

    // No tax system: disabled whatever the other fields hold.
    QVERIFY(click(*window, "chkFN_Tax_UPRDolg"));
    QVERIFY(click(*window, "chkFN_Tax_UPR"));
    QCOMPARE(registrationButtonsEnabled(), allOff);
    QVERIFY(click(*window, "chkFN_Tax_Common"));
    QCOMPARE(registrationButtonsEnabled(), allOn);
    edit(*window, "strFN_INN")->clear();
    QVERIFY(click(*window, "chkFN_Tax_ENVD"));
    QCOMPARE(registrationButtonsEnabled(), allOff);

    // Codes tick the boxes when the parameters are read.
    tax->setValue(32);
    mode->setValue(1 | 16);
    QVERIFY(click(*window, "butFN_GetParams"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(isChecked(*window, "chkFN_Tax_Patent"));
    for (const char *name : {"chkFN_Tax_Common", "chkFN_Tax_UPR", "chkFN_Tax_UPRDolg", "chkFN_Tax_ENVD",
                             "chkFN_Tax_Edin", "chkFN_Mode_Separate", "chkFN_Mode_Sfera"})
        QVERIFY2(!isChecked(*window, name), name);
    QVERIFY(isChecked(*window, "chkFN_Mode_Crypt") && isChecked(*window, "chkFN_Mode_BSO"));
    for (const char *name : {"chkFN_Mode_BSO", "chkFN_Mode_Auto", "chkFN_Mode_Inet1", "chkFN_Mode_Inet2"})
        QVERIFY2(!child<QWidget>(*window, name)->isEnabled(), name);
}

void TstFiscalOps::registrationOfAFreshRegister()
{
    Bench bench(Bench::config(Preset::OutOfBox));
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    quint64 serial = 0;
    bench.emulator().inspect([&](const RegisterModel &m) { serial = m.state().serialNumber; });
    // The serial number came from the register at start-up.
    QCOMPARE(edit(*window, "strFN_KKTSerialNumber")->text(), QString::number(serial));

    edit(*window, "strFN_INN")->setText(QStringLiteral("7700000000"));
    // The register has no INN yet: reading it back leaves the typed one.
    QVERIFY(click(*window, "butFN_GetParams"));
    QCOMPARE(edit(*window, "strFN_INN")->text(), QStringLiteral("7700000000"));
    spin(*window, "strFN_KKTNumber")->setValue(1);
    QVERIFY(click(*window, "butFN_CalcRegNumber"));
    const QString regNumber = edit(*window, "strFN_KKTRegNumber")->text();
    edit(*window, "strFN_Company")->setText(QStringLiteral("ООО \"Василёк\""));
    edit(*window, "strFN_OFDServer")->setText(QStringLiteral("ofd.example.test"));
    spin(*window, "strFN_OFDPort")->setValue(21504); // its low byte is zero
    child<QDoubleSpinBox>(*window, "strParam_ValTax1")->setValue(20);
    edit(*window, "strParam_NameTax1")->setText(QStringLiteral("НДС 20%"));
    // Patent and service sector: as decimal text these codes would be other bits.
    for (const char *box :
         {"chkFN_Tax_Common", "chkFN_Tax_Patent", "chkFN_Mode_Separate", "chkFN_Mode_Sfera"})
        QVERIFY(click(*window, box));

    QVERIFY(click(*window, "butFN_FiskStep1"));
    QCOMPARE(status(*window), kNoErrors);
    bench.emulator().inspect([](const RegisterModel &m) {
        QCOMPARE(m.fiscalStorage().current, quint8(FiscalStorage::RegistrationInProgress));
        QCOMPARE(m.tables().text(18, 1, 7), QStringLiteral("ООО \"Василёк\""));
        QCOMPARE(m.tables().text(19, 1, 1), QStringLiteral("ofd.example.test"));
        QCOMPARE(m.tables().number(19, 1, 2), quint64(21504));
        QCOMPARE(m.tables().number(6, 1, 1), quint64(2000));
        QCOMPARE(m.tables().text(6, 1, 2), QStringLiteral("НДС 20%"));
        QCOMPARE(m.tables().number(1, 1, 16), quint64(1));
    });

    QVERIFY(click(*window, "butFN_FiskStep2"));
    QCOMPARE(status(*window), kNoErrors);
    bench.emulator().inspect([&](const RegisterModel &m) {
        QCOMPARE(m.fiscalStorage().phase, quint8(FiscalStorage::FiscalMode));
        QCOMPARE(m.fiscalStorage().registration.regNumber, regNumber);
    });

    // The FN's registration totals give back what was sent.
    QVERIFY(window->connectFR());
    window->commandText = QStringLiteral("FF09,%1").arg(kelo::kDefaultSysAdminPassword);
    QVERIFY(window->execFRCommand(true));
    QCOMPARE(MMainForm::replyText(4), QStringLiteral("7700000000"));
    QCOMPARE(MMainForm::replyText(5), regNumber);
    QCOMPARE(MMainForm::replyBytes(6), QByteArray("\x21"));
    QCOMPARE(MMainForm::replyBytes(7), QByteArray("\x0a"));
}

void TstFiscalOps::reRegistrationKeepsTheOfdServerAndClosesTheFn()
{
    Bench bench;
    QVERIFY(bench.start());
    bench.emulator().modify([](RegisterModel &m) {
        QCOMPARE(m.execute(tableWrite(19, 1, "ofd.keep.test")).at(1), '\0');
        QCOMPARE(m.execute(tableWrite(19, 2, "\x61\x1e")).at(1), '\0');
    });
    auto window = bench.createWindow();
    // The registered register's data came in at start-up.
    QString inn;
    bench.emulator().inspect([&](const RegisterModel &m) { inn = m.fiscalStorage().registration.inn; });
    QCOMPARE(edit(*window, "strFN_INN")->text(), inn);
    QCOMPARE(edit(*window, "strFN_OFDServer")->text(), QStringLiteral("ofd.keep.test"));
    QVERIFY(isChecked(*window, "chkFN_Tax_Common") && isChecked(*window, "chkFN_Tax_UPR"));
    // A form without a server must not wipe the register's.
    edit(*window, "strFN_OFDServer")->clear();
    spin(*window, "strFN_OFDPort")->setValue(0);

    child<QComboBox>(*window, "comboFiskType")->setCurrentIndex(2);
    child<QComboBox>(*window, "comboFN_Prichina")->setCurrentIndex(3);
    QVERIFY(click(*window, "butFN_FiskStep1"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(click(*window, "butFN_ReFisk"));
    QCOMPARE(status(*window), kNoErrors);
    bench.emulator().inspect([](const RegisterModel &m) {
        QCOMPARE(m.tables().text(19, 1, 1), QStringLiteral("ofd.keep.test"));
        QCOMPARE(m.tables().number(19, 1, 2), quint64(7777));
        QCOMPARE(m.fiscalStorage().registration.reason, quint8(8));
        QCOMPARE(m.fiscalStorage().lastDocument()->type, quint8(FiscalStorage::RegistrationChange));
    });

    QVERIFY(click(*window, "butFN_FiskClose"));
    QCOMPARE(status(*window), kNoErrors);
    bench.emulator().inspect([](const RegisterModel &m) {
        QCOMPARE(m.fiscalStorage().phase, quint8(FiscalStorage::PostFiscal));
        QCOMPARE(m.fiscalStorage().lastDocument()->type, quint8(FiscalStorage::FnClosing));
    });
}

void TstFiscalOps::failedReadsAreCountedNotHidden()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    const QString company = edit(*window, "strFN_Company")->text();
    QVERIFY(!company.isEmpty());
    // A cashier's password opens no table.
    spin(*window, "strLinkPassword")->setValue(1);
    QVERIFY(click(*window, "butParam_GetParams"));
    QCOMPARE(status(*window),
             QStringLiteral("Не удалось прочитать из ККТ параметров: 21 из 21. [79]: Неверный пароль!"));
    QCOMPARE(edit(*window, "strFN_Company")->text(), company);
}

void TstFiscalOps::fnResetsAndSerialNumber()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QVERIFY(click(*window, "butOpenDay"));
    QVERIFY(click(*window, "butDocs_OpenCheck"));
    QCOMPARE(status(*window), kNoErrors);

    auto *kind = child<QComboBox>(*window, "comboService_FNCode");
    kind->setCurrentIndex(0);
    QVERIFY(click(*window, "butResetFN"));
    QCOMPARE(status(*window), kNoErrors);
    bench.emulator().inspect([](const RegisterModel &m) {
        QVERIFY(!m.state().receipt.open);
        QCOMPARE(m.fiscalStorage().phase, quint8(FiscalStorage::FiscalMode));
    });
    kind->setCurrentIndex(1);
    QVERIFY(click(*window, "butResetFN"));
    QCOMPARE(status(*window), kNoErrors);
    quint64 serial = 0;
    bench.emulator().inspect([&](const RegisterModel &m) {
        QCOMPARE(m.fiscalStorage().phase, quint8(FiscalStorage::ReadyForRegistration));
        QVERIFY(m.tables().text(18, 1, 2).isEmpty());
        serial = m.state().serialNumber;
    });

    edit(*window, "strFN_KKTSerialNumber")->clear();
    QVERIFY(click(*window, "butFN_GetSerialNumber"));
    QCOMPARE(edit(*window, "strFN_KKTSerialNumber")->text(), QString::number(serial));
    QCOMPARE(status(*window), kNoErrors);
}

QTEST_MAIN(TstFiscalOps)
#include "tst_fiscalops.moc"
