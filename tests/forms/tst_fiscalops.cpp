// The "Регистрация" page against the register: the registration number, the
// tax and work-mode boxes, the parameters written and read back, registration,
// re-registration, closing the FN and the FN resets.

#include "mainformfixture.h"

#include <QLabel>

using namespace formtest;
using kelo::emu::FiscalStorage;
using kelo::emu::Preset;
using kelo::emu::RegisterModel;

namespace {

// Whether each of the widgets is enabled, or checked for check boxes.
QList<bool> states(MMainForm &window, const QList<const char *> &names, bool checked = false)
{
    QList<bool> result;
    for (const char *name : names)
        result << (checked ? fieldValue(window, name).toBool() : child(window, name)->isEnabled());
    return result;
}

quint8 phase(Bench &bench)
{
    return bench.read([](const RegisterModel &m) { return m.fiscalStorage().phase; });
}

// The register's serial number, as the page shows it.
QVariant serialNumber(Bench &bench)
{
    return QString::number(bench.read([](const RegisterModel &m) { return m.state().serialNumber; }));
}

const QList<const char *> kRegistrationButtons = {"butFN_FiskStep1", "butFN_FiskStep2", "butFN_ReFisk"};

} // namespace

class TstFiscalOps : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void registrationNumberOnThePage();
    void taxAndModeBoxes();
    void registrationOfAFreshRegister();
    void reRegistrationKeepsTheOfdServerAndClosesTheFn();
    void failedReadsAreCountedNotHidden();
    void fnResetsAndSerialNumber();
};

void TstFiscalOps::registrationNumberOnThePage()
{
    FORMTEST_OPEN(bench, window, Bench::config(Preset::OutOfBox));
    auto *ok = child<QLabel>(*window, "labFN_RegNumberOk");
    auto *wrong = child<QLabel>(*window, "labFN_RegNumberError");

    setField(*window, "strFN_INN", QStringLiteral("7700000000"));
    setField(*window, "strFN_KKTSerialNumber", QStringLiteral("1"));
    setField(*window, "strFN_KKTNumber", 1);
    QVERIFY(click(*window, "butFN_CalcRegNumber"));
    QCOMPARE(fieldValue(*window, "strFN_KKTRegNumber"), QVariant("0000000001014920"));

    QVERIFY(click(*window, "butFN_VerRegNumber"));
    QVERIFY(!ok->isHidden() && wrong->isHidden());
    // Typing forgets the verdict; the check then finds the number wrong.
    QTest::keyClick(child(*window, "strFN_KKTRegNumber"), Qt::Key_Backspace);
    QVERIFY(ok->isHidden() && wrong->isHidden());
    QVERIFY(click(*window, "butFN_VerRegNumber"));
    QVERIFY(ok->isHidden() && !wrong->isHidden());

    // Without an INN nothing is computed.
    setField(*window, "strFN_INN", QString());
    QCOMPARE(statusAfter(*window, "butFN_CalcRegNumber"),
             "Недостаточно параметров для расчета регистрационного номера!");
    QCOMPARE(fieldValue(*window, "strFN_KKTRegNumber"), QVariant("000000000101492"));
}

void TstFiscalOps::taxAndModeBoxes()
{
    FORMTEST_OPEN(bench, window, Bench::config(Preset::OutOfBox));
    const QList<bool> allOn{true, true, true};
    const QList<bool> allOff{false, false, false};
    QCOMPARE(fieldValue(*window, "strFN_Tax_Code"), QVariant(0));
    setField(*window, "strFN_INN", QStringLiteral("7700000000"));
    setField(*window, "strFN_KKTRegNumber", QStringLiteral("0000000001014920"));
    QCOMPARE(states(*window, kRegistrationButtons), allOff);

    QVERIFY(click(*window, "chkFN_Tax_Patent"));
    QCOMPARE(fieldValue(*window, "strFN_Tax_Code"), QVariant(32));
    QCOMPARE(states(*window, kRegistrationButtons), allOn);
    QVERIFY(click(*window, {"chkFN_Tax_UPRDolg", "chkFN_Tax_UPR"}));
    QCOMPARE(fieldValue(*window, "strFN_Tax_Code"), QVariant(32 | 4 | 2));
    QVERIFY(click(*window, "chkFN_Tax_Patent"));
    QCOMPARE(fieldValue(*window, "strFN_Tax_Code"), QVariant(4 | 2));

    // No tax system: disabled whatever the other fields hold.
    QVERIFY(click(*window, {"chkFN_Tax_UPRDolg", "chkFN_Tax_UPR"}));
    QCOMPARE(states(*window, kRegistrationButtons), allOff);
    QVERIFY(click(*window, "chkFN_Tax_Common"));
    QCOMPARE(states(*window, kRegistrationButtons), allOn);
    setField(*window, "strFN_INN", QString());
    QVERIFY(click(*window, "chkFN_Tax_ENVD"));
    QCOMPARE(states(*window, kRegistrationButtons), allOff);

    // Codes tick the boxes when the parameters are read.
    setField(*window, "strFN_Tax_Code", 32);
    setField(*window, "strFN_Mode_Code", 1 | 16);
    QCOMPARE(statusAfter(*window, "butFN_GetParams"), kStatusOk);
    QCOMPARE(states(*window,
                    {"chkFN_Tax_Common", "chkFN_Tax_UPR", "chkFN_Tax_UPRDolg", "chkFN_Tax_ENVD",
                     "chkFN_Tax_Edin", "chkFN_Tax_Patent", "chkFN_Mode_Crypt", "chkFN_Mode_Separate",
                     "chkFN_Mode_Sfera", "chkFN_Mode_BSO"},
                    true),
             (QList<bool>{false, false, false, false, false, true, true, false, false, true}));
    QCOMPARE(states(*window, {"chkFN_Mode_BSO", "chkFN_Mode_Auto", "chkFN_Mode_Inet1", "chkFN_Mode_Inet2"}),
             (QList<bool>{false, false, false, false}));
}

void TstFiscalOps::registrationOfAFreshRegister()
{
    FORMTEST_OPEN(bench, window, Bench::config(Preset::OutOfBox));
    // The serial number came from the register at start-up.
    QCOMPARE(fieldValue(*window, "strFN_KKTSerialNumber"), serialNumber(bench));

    setField(*window, "strFN_INN", QStringLiteral("7700000000"));
    // The register has no INN yet: reading it back leaves the typed one.
    QVERIFY(click(*window, "butFN_GetParams"));
    QCOMPARE(fieldValue(*window, "strFN_INN"), QVariant("7700000000"));
    setField(*window, "strFN_KKTNumber", 1);
    QVERIFY(click(*window, "butFN_CalcRegNumber"));
    const QString regNumber = fieldValue(*window, "strFN_KKTRegNumber").toString();
    setField(*window, "strFN_Company", QStringLiteral("ООО \"Василёк\""));
    setField(*window, "strFN_OFDServer", QStringLiteral("ofd.example.test"));
    setField(*window, "strFN_OFDPort", 21504); // its low byte is zero
    setField(*window, "strParam_ValTax1", 20);
    setField(*window, "strParam_NameTax1", QStringLiteral("НДС 20%"));
    setField(*window, "strParam_ValTax2", 8.7); // 869.99... hundredths as a double
    // Patent and service sector: as decimal text these codes would be other bits.
    QVERIFY(
        click(*window, {"chkFN_Tax_Common", "chkFN_Tax_Patent", "chkFN_Mode_Separate", "chkFN_Mode_Sfera"}));

    QCOMPARE(statusAfter(*window, "butFN_FiskStep1"), kStatusOk);
    bench.emulator().inspect([](const RegisterModel &m) {
        QCOMPARE(m.fiscalStorage().current, quint8(FiscalStorage::RegistrationInProgress));
        QCOMPARE(m.tables().text(18, 1, 7), "ООО \"Василёк\"");
        QCOMPARE(m.tables().text(19, 1, 1), "ofd.example.test");
        QCOMPARE(m.tables().number(19, 1, 2), quint64(21504));
        QCOMPARE(m.tables().number(6, 1, 1), quint64(2000));
        QCOMPARE(m.tables().text(6, 1, 2), "НДС 20%");
        QCOMPARE(m.tables().number(6, 2, 1), quint64(870));
        QCOMPARE(m.tables().number(1, 1, 16), quint64(1));
    });

    QCOMPARE(statusAfter(*window, "butFN_FiskStep2"), kStatusOk);
    bench.emulator().inspect([&](const RegisterModel &m) {
        const FiscalStorage::Registration &registration = m.fiscalStorage().registration;
        QCOMPARE(m.fiscalStorage().phase, quint8(FiscalStorage::FiscalMode));
        QCOMPARE(registration.inn, "7700000000");
        QCOMPARE(registration.regNumber, regNumber);
        QCOMPARE(registration.taxSystems, quint8(0x21));
        QCOMPARE(registration.workModes, quint8(0x0a));
    });
}

void TstFiscalOps::reRegistrationKeepsTheOfdServerAndClosesTheFn()
{
    Bench bench;
    QVERIFY(bench.start());
    QCOMPARE(bench.execute({rq::table(0x1E, 19, 1, 1, "ofd.keep.test"), rq::table(0x1E, 19, 1, 2, "\x61\x1e"),
                            rq::table(0x1E, 18, 1, 12, "7704358518  ")}),
             0);
    auto window = bench.createWindow();
    // A 10-digit INN padded with blanks is kept as stored, to be written back the same.
    QCOMPARE(fieldValue(*window, "strFN_OFDINN"), QVariant("7704358518  "));
    // The registered register's data came in at start-up.
    QCOMPARE(fieldValue(*window, "strFN_INN"),
             QVariant(bench.read([](const RegisterModel &m) { return m.fiscalStorage().registration.inn; })));
    QCOMPARE(fieldValue(*window, "strFN_OFDServer"), QVariant("ofd.keep.test"));
    QCOMPARE(states(*window, {"chkFN_Tax_Common", "chkFN_Tax_UPR"}, true), (QList<bool>{true, true}));
    // A form without a server must not wipe the register's.
    setField(*window, "strFN_OFDServer", QString());
    setField(*window, "strFN_OFDPort", 0);

    setField(*window, "comboFiskType", 2);
    setField(*window, "comboFN_Prichina", 3);
    QCOMPARE(statusAfter(*window, "butFN_FiskStep1"), kStatusOk);
    QCOMPARE(statusAfter(*window, "butFN_ReFisk"), kStatusOk);
    bench.emulator().inspect([](const RegisterModel &m) {
        QCOMPARE(m.tables().text(19, 1, 1), "ofd.keep.test");
        QCOMPARE(m.tables().number(19, 1, 2), quint64(7777));
        QCOMPARE(m.fiscalStorage().registration.reason, quint8(8));
        QCOMPARE(m.fiscalStorage().lastDocument()->type, quint8(FiscalStorage::RegistrationChange));
    });

    QCOMPARE(statusAfter(*window, "butFN_FiskClose"), kStatusOk);
    QCOMPARE(phase(bench), quint8(FiscalStorage::PostFiscal));
}

void TstFiscalOps::failedReadsAreCountedNotHidden()
{
    FORMTEST_OPEN(bench, window);
    const QVariant company = fieldValue(*window, "strFN_Company");
    QVERIFY(!company.toString().isEmpty());
    // A cashier's password opens no table.
    setField(*window, "strLinkPassword", 1);
    QCOMPARE(statusAfter(*window, "butParam_GetParams"),
             "Не удалось прочитать из ККТ параметров: 21 из 21. [79]: Неверный пароль!");
    QCOMPARE(fieldValue(*window, "strFN_Company"), company);
}

void TstFiscalOps::fnResetsAndSerialNumber()
{
    FORMTEST_OPEN(bench, window);
    QCOMPARE(statusAfter(*window, {"butOpenDay", "butDocs_OpenCheck"}), kStatusOk);

    setField(*window, "comboService_FNCode", 0);
    QCOMPARE(statusAfter(*window, "butResetFN"), kStatusOk);
    QCOMPARE(phase(bench), quint8(FiscalStorage::FiscalMode));
    QVERIFY(!bench.read([](const RegisterModel &m) { return m.state().receipt.open; }));
    setField(*window, "comboService_FNCode", 1);
    QCOMPARE(statusAfter(*window, "butResetFN"), kStatusOk);
    QCOMPARE(phase(bench), quint8(FiscalStorage::ReadyForRegistration));

    setField(*window, "strFN_KKTSerialNumber", QString());
    QCOMPARE(statusAfter(*window, "butFN_GetSerialNumber"), kStatusOk);
    QCOMPARE(fieldValue(*window, "strFN_KKTSerialNumber"), serialNumber(bench));
}

QTEST_MAIN(TstFiscalOps)
#include "tst_fiscalops.moc"
