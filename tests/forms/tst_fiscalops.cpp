// The operations that change the register. The "Регистрация" page: the
// registration number, the tax and work-mode boxes, the parameters written and
// read back, registration, re-registration, closing the FN and the FN resets.
// The "Смена и документы" page: a shift with a receipt from opening to the FN's
// archive, cancelling, correction receipts, reports, and the tax system kept in
// step before a sale.

#include "mainformfixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTextEdit>

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

QString page(MMainForm &window)
{
    return child<QTextEdit>(window, "textDayState")->toPlainText();
}

QByteArray taxSystemWrite(char code)
{
    return rq::table(0x1E, 18, 1, 5, QByteArray(1, code) + '\0');
}

const FiscalStorage::Document &lastDocument(const RegisterModel &m)
{
    return *m.fiscalStorage().lastDocument();
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
    void saleFromOpeningToTheArchive();
    void cancelledReceiptForgetsTheBuyer();
    void shortFontReplyPrintsAnEmptyAddress();
    void correctionReceipts();
    void reportsAndShiftClose();
    void taxSystemKeptInStep();
    void inputsCheckedBeforeAnythingIsSent();
    void receiptShownWhileBuiltAndAfterClosing();
    void irreversibleButtonsAskFirst();
};

void TstFiscalOps::registrationNumberOnThePage()
{
    FORMTEST_OPEN(bench, window, Bench::config(Preset::OutOfBox));
    auto *ok = child<QLabel>(*window, "labFN_RegNumberOk");
    auto *wrong = child<QLabel>(*window, "labFN_RegNumberError");

    setField(*window, "strFN_INN", QStringLiteral("7707083893"));
    setField(*window, "strFN_KKTSerialNumber", QStringLiteral("1"));
    setField(*window, "strFN_KKTNumber", 1);
    QVERIFY(click(*window, "butFN_CalcRegNumber"));
    QCOMPARE(fieldValue(*window, "strFN_KKTRegNumber"), QVariant("0000000001016870"));

    QVERIFY(click(*window, "butFN_VerRegNumber"));
    QVERIFY(!ok->isHidden() && wrong->isHidden());
    // Typing forgets the verdict; the check then finds the number wrong.
    auto *regNumber = child(*window, "strFN_KKTRegNumber");
    QTest::keyClick(regNumber, Qt::Key_Backspace);
    QVERIFY(ok->isHidden() && wrong->isHidden());
    QCOMPARE(statusAfter(*window, "butFN_VerRegNumber"), "Регистрационный номер ККТ: нужно 16 цифр.");
    QTest::keyClick(regNumber, Qt::Key_1);
    QVERIFY(click(*window, "butFN_VerRegNumber"));
    QVERIFY(ok->isHidden() && !wrong->isHidden());

    // Without an INN the tax service takes, nothing is computed: the field is named.
    for (const QString &inn : {QString(), QStringLiteral("77abc12345"), QStringLiteral("7700000000")}) {
        setField(*window, "strFN_INN", inn);
        QCOMPARE(statusAfter(*window, "butFN_CalcRegNumber"),
                 "ИНН пользователя: нужно 10 или 12 цифр с верным контрольным числом.");
        QCOMPARE(fieldValue(*window, "strFN_KKTRegNumber"), QVariant("0000000001016871"));
    }
    setField(*window, "strFN_INN", QStringLiteral("7707083893"));
    setField(*window, "strFN_KKTSerialNumber", QStringLiteral("17020zz0123"));
    QCOMPARE(statusAfter(*window, "butFN_VerRegNumber"), "Заводской номер ККТ: нужно от 1 до 16 цифр.");
}

void TstFiscalOps::taxAndModeBoxes()
{
    FORMTEST_OPEN(bench, window, Bench::config(Preset::OutOfBox));
    const QList<bool> allOn{true, true, true};
    const QList<bool> allOff{false, false, false};
    setField(*window, "strFN_INN", QStringLiteral("7707083893"));
    setField(*window, "strFN_KKTRegNumber", QStringLiteral("0000000001016870"));
    QCOMPARE(states(*window, kRegistrationButtons), allOff); // no tax system yet

    QVERIFY(click(*window, {"chkFN_Tax_Patent", "chkFN_Tax_UPRDolg", "chkFN_Tax_UPR"}));
    QCOMPARE(fieldValue(*window, "strFN_Tax_Code"), QVariant(32 | 4 | 2));
    QCOMPARE(states(*window, kRegistrationButtons), allOn);
    QVERIFY(click(*window, "chkFN_Tax_Patent"));
    QCOMPARE(fieldValue(*window, "strFN_Tax_Code"), QVariant(4 | 2));

    // No tax system, or no INN: disabled whatever the other fields hold.
    QVERIFY(click(*window, {"chkFN_Tax_UPRDolg", "chkFN_Tax_UPR"}));
    QCOMPARE(states(*window, kRegistrationButtons), allOff);
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
    Confirmations yes;
    FORMTEST_OPEN(bench, window, Bench::config(Preset::OutOfBox));
    // The serial number came from the register at start-up.
    QCOMPARE(fieldValue(*window, "strFN_KKTSerialNumber"), serialNumber(bench));

    setField(*window, "strFN_INN", QStringLiteral("7707083893"));
    // The register has no INN yet: reading it back leaves the typed one.
    QVERIFY(click(*window, "butFN_GetParams"));
    QCOMPARE(fieldValue(*window, "strFN_INN"), QVariant("7707083893"));
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
        QCOMPARE(registration.inn, "7707083893");
        QCOMPARE(registration.regNumber, regNumber);
        QCOMPARE(registration.taxSystems, quint8(0x21));
        QCOMPARE(registration.workModes, quint8(0x0a));
    });
}

void TstFiscalOps::reRegistrationKeepsTheOfdServerAndClosesTheFn()
{
    Confirmations yes;
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
    Confirmations yes;
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

void TstFiscalOps::saleFromOpeningToTheArchive()
{
    // The operator's locale must not leak into the numbers sent.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const auto restore = qScopeGuard([&saved] { QLocale::setDefault(saved); });
    FORMTEST_OPEN(bench, window);

    QCOMPARE(statusAfter(*window, "butOpenDay"), kStatusOk);
    QVERIFY(page(*window).startsWith(QStringLiteral("Открытие смены")));
    QVERIFY(page(*window).contains(QStringLiteral("Номер кассира:\n30")));
    QVERIFY(click(*window, "butGetStateDay"));
    QVERIFY(page(*window).contains(QStringLiteral("Состояние смены [01]:\nCмена открыта.")));

    setField(*window, "strDocs_Name", QStringLiteral("Торт Прага"));
    setField(*window, "strDocs_Count", 1);
    setField(*window, "strDocs_Price", 550);
    setField(*window, "comboDocs_NalogGrp", 1);
    setField(*window, "comboDocs_Type", 0);
    QCOMPARE(statusAfter(*window, {"butDocs_OpenCheck", "butDocs_AddPos"}), kStatusOk);
    QCOMPARE(window->commandText, "80,30,1.000,550.00,0,1,0,0,0,\"Торт Прага\"");

    // No discount chosen: nothing goes to the receipt.
    setField(*window, "strDocs_DiscountVal", 10);
    setField(*window, "comboDocs_DiscountType", 0);
    QCOMPARE(statusAfter(*window, "butDocs_Discount"), "Не выбран тип скидки/наценки!");
    setField(*window, "comboDocs_DiscountType", 1);
    setField(*window, "strDocs_NameDiscount", QStringLiteral("Скидка, постоянный"));
    QCOMPARE(statusAfter(*window, "butDocs_Discount"), kStatusOk);
    bench.emulator().inspect([](const RegisterModel &m) {
        QCOMPARE(m.state().receipt.adjustments.size(), 1);
        QCOMPARE(m.state().receipt.adjustments[0].name, "Скидка, постоянный");
    });

    // A comma in the address stays in it; the length is that of its bytes.
    const QString address = QStringLiteral("покупатель,1@пример.рф");
    setField(*window, "strDocs_EMail", address);
    QCOMPARE(statusAfter(*window, "butDocs_AddEMail"), kStatusOk);
    QVERIFY(window->eMailAdded);

    setField(*window, "strDocs_SumCash", 1000);
    QCOMPARE(statusAfter(*window, "butDocs_CloseCheck"), kStatusOk);
    QVERIFY(!window->eMailAdded);
    bench.emulator().inspect([&](const RegisterModel &m) {
        QVERIFY(m.state().printed.contains(QStringLiteral("Адрес покупателя:")));
        QVERIFY(m.state().printed.contains(address));
        QCOMPARE(lastDocument(m).total, quint64(54000));
        QCOMPARE(rq::tlv(lastDocument(m).tlv, 1008), rq::text(address, int(address.size())));
    });
}

void TstFiscalOps::cancelledReceiptForgetsTheBuyer()
{
    FORMTEST_OPEN(bench, window);
    QCOMPARE(statusAfter(*window, {"butOpenDay", "butDocs_OpenCheck", "butDocs_AddPos", "butDocs_AnnPos"}),
             kStatusOk);
    QVERIFY(bench.read([](const RegisterModel &m) { return m.state().receipt.lines.value(1).storno; }));
    QVERIFY(click(*window, "butDocs_AddEMail"));
    QVERIFY(window->eMailAdded);
    QCOMPARE(statusAfter(*window, "butDocs_AnnCheck"), kStatusOk);
    QVERIFY(!window->eMailAdded);

    QCOMPARE(statusAfter(*window, {"butDocs_AddPos", "butDocs_CloseCheck"}), kStatusOk);
    bench.emulator().inspect([](const RegisterModel &m) {
        QVERIFY(!m.state().printed.contains(QStringLiteral("Адрес покупателя:")));
        QVERIFY(rq::tlv(lastDocument(m).tlv, 1008).isEmpty());
    });

    // An empty address does nothing at all, not even connect.
    setField(*window, "strDocs_EMail", QString());
    const quint64 heard = bench.emulator().stats().link.enqAnswered;
    QVERIFY(click(*window, "butDocs_AddEMail"));
    QCOMPARE(bench.emulator().stats().link.enqAnswered, heard);
    QVERIFY(!window->eMailAdded);
}

void TstFiscalOps::shortFontReplyPrintsAnEmptyAddress()
{
    FORMTEST_OPEN(bench, window);
    setField(*window, "strDocs_EMail", QStringLiteral("buyer@example.com"));
    QCOMPARE(statusAfter(*window, {"butOpenDay", "butDocs_AddPos", "butDocs_AddEMail"}), kStatusOk);
    // The replies to the caption line and to the font request lose their last
    // byte: a line of no characters.
    bench.emulator().faults().arm(kelo::emu::Fault::ShortReply, 2);
    QCOMPARE(statusAfter(*window, "butDocs_CloseCheck"), kStatusOk);
    QCOMPARE(bench.emulator().faults().injected(kelo::emu::Fault::ShortReply), 2);
    const QStringList printed = bench.read([](const RegisterModel &m) { return m.state().printed; });
    const qsizetype caption = printed.indexOf(QStringLiteral("Адрес покупателя:"));
    QVERIFY(caption >= 0 && caption + 1 < printed.size());
    QCOMPARE(printed.value(caption + 1), QString());
}

void TstFiscalOps::correctionReceipts()
{
    FORMTEST_OPEN(bench, window);
    QVERIFY(click(*window, "butOpenDay"));
    struct Case
    {
        int type;
        quint8 operation;
        double cash;
        double cashless;
    };
    for (const Case &c : {Case{1, 3, 100, 25.5}, Case{2, 2, 12.34, 0}}) {
        setField(*window, "comboDocs_Type", c.type);
        setField(*window, "strDocs_SumCash", c.cash);
        setField(*window, "strDocs_SumEl1", c.cashless);
        QCOMPARE(statusAfter(*window, "butDocs_KorrCheck"), kStatusOk);
        QVERIFY(page(*window).startsWith(QStringLiteral("Чек коррекции")));
        QVERIFY(page(*window).contains(QStringLiteral("Номер ФД:")));
        bench.emulator().inspect([&](const RegisterModel &m) {
            QCOMPARE(lastDocument(m).type, quint8(FiscalStorage::CorrectionReceipt));
            QCOMPARE(lastDocument(m).operation, c.operation);
            QCOMPARE(lastDocument(m).total, quint64(qRound64(c.cash * 100)));
            QCOMPARE(rq::value(rq::tlv(lastDocument(m).tlv, 1081)), quint64(qRound64(c.cashless * 100)));
        });
    }
}

void TstFiscalOps::reportsAndShiftClose()
{
    FORMTEST_OPEN(bench, window);
    QCOMPARE(statusAfter(*window, {"butOpenDay", "butReportX"}), kStatusOk);
    QVERIFY(page(*window).startsWith(QStringLiteral("Отчет без закрытия смены")));
    QVERIFY(
        bench.read([](const RegisterModel &m) { return m.state().printed.contains("ОТЧЕТ БЕЗ ГАШЕНИЯ"); }));

    QCOMPARE(statusAfter(*window, "butReportStateBallanceStep2"), kStatusOk);
    QVERIFY(page(*window).startsWith(QStringLiteral("Отчет о состоянии расчетов")));
    const quint32 settlement =
        bench.read([](const RegisterModel &m) { return m.fiscalStorage().lastNumber(); });
    QVERIFY(page(*window).contains(QStringLiteral("Номер ФД:\n%1").arg(settlement)));

    QCOMPARE(statusAfter(*window, "butCloseDay"), kStatusOk);
    QVERIFY(page(*window).startsWith(QStringLiteral("Закрытие смены")));
    QVERIFY(click(*window, "butGetStateDay"));
    QVERIFY(page(*window).contains(QStringLiteral("Состояние смены [00]:\nCмена закрыта.")));
}

void TstFiscalOps::taxSystemKeptInStep()
{
    // The register has no tax system selected: the form's goes to it.
    FORMTEST_OPEN(bench, window);
    QCOMPARE(bench.execute({taxSystemWrite(0)}), 0);
    setField(*window, "strFN_Tax_Code", 2);
    QCOMPARE(statusAfter(*window, {"butOpenDay", "butDocs_OpenCheck"}), kStatusOk);
    QCOMPARE(bench.read([](const RegisterModel &m) { return m.tables().number(18, 1, 5); }), quint64(2));
    QVERIFY(click(*window, "butDocs_AnnCheck"));

    // The register's own choice wins over the form's.
    QCOMPARE(bench.execute({taxSystemWrite(1)}), 0);
    QCOMPARE(statusAfter(*window, "butDocs_AddPos"), kStatusOk);
    QCOMPARE(fieldValue(*window, "strFN_Tax_Code"), QVariant(1));
    QCOMPARE(fieldValue(*window, "chkFN_Tax_Common"), QVariant(true));
    QCOMPARE(fieldValue(*window, "chkFN_Tax_UPR"), QVariant(false));
    QVERIFY(click(*window, "butDocs_AnnCheck"));

    // A cashier may not read the table: the sale still goes on, on a new link.
    setField(*window, "strLinkPassword", 1);
    QCOMPARE(statusAfter(*window, "butDocs_OpenCheck"), kStatusOk);
    QVERIFY(bench.read(
        [](const RegisterModel &m) { return m.state().receipt.open && m.state().receipt.operatorNo == 1; }));
}

void TstFiscalOps::inputsCheckedBeforeAnythingIsSent()
{
    FORMTEST_OPEN(bench, window);
    const quint64 heard = bench.emulator().stats().bytesIn;
    // An item without a name (the register would refuse it too).
    setField(*window, "strDocs_Name", QStringLiteral("  "));
    QCOMPARE(statusAfter(*window, "butDocs_AddPos"), "Наименование товара: не задано.");
    // A 17th digit of the serial number is refused visibly, and nothing typed is wiped.
    auto *serial = child<QLineEdit>(*window, "strSerialNumberForWrite");
    for (const QString &typed : {QStringLiteral("12345678901234567"), QStringLiteral("12a4")}) {
        serial->setText(typed);
        QTest::keyClick(serial, Qt::Key_Return);
        QCOMPARE(serial->text(), typed);
        QCOMPARE(status(*window), "Заводской номер должен содержать от 1 до 16 цифр и не быть нулевым!");
    }
    QCOMPARE(bench.emulator().stats().bytesIn, heard);
}

void TstFiscalOps::receiptShownWhileBuiltAndAfterClosing()
{
    FORMTEST_OPEN(bench, window);
    QCOMPARE(statusAfter(*window, {"butOpenDay", "butDocs_OpenCheck"}), kStatusOk);
    setField(*window, "strDocs_Name", QStringLiteral("Торт"));
    setField(*window, "strDocs_Price", 550.0);
    setField(*window, "strDocs_Count", 1.0);
    QCOMPARE(statusAfter(*window, "butDocs_AddPos"), kStatusOk);
    setField(*window, "strDocs_Name", QStringLiteral("Чай"));
    setField(*window, "strDocs_Price", 45.5);
    setField(*window, "strDocs_Count", 2.0);
    QCOMPARE(statusAfter(*window, "butDocs_AddPos"), kStatusOk);
    setField(*window, "comboDocs_DiscountType", 1);
    setField(*window, "strDocs_DiscountVal", 10.0);
    QCOMPARE(statusAfter(*window, "butDocs_Discount"), kStatusOk);
    const QString building = page(*window);
    for (const char *line :
         {"Торт", "1.000 × 550.00 = 550.00", "Чай", "2.000 × 45.50 = 91.00", "-10.00", "Итого:", "631.00"})
        QVERIFY2(building.contains(QString::fromUtf8(line)), qPrintable(building));

    setField(*window, "strDocs_SumCash", 700.0);
    QCOMPARE(statusAfter(*window, "butDocs_CloseCheck"), kStatusOk);
    const FiscalStorage::Document last =
        bench.read([](const RegisterModel &m) { return *m.fiscalStorage().lastDocument(); });
    const QString closed = page(*window);
    for (const QString &line :
         {QStringLiteral("Чек закрыт"), QString::number(last.number), QString::number(last.fiscalSign),
          QStringLiteral("631.00"), QStringLiteral("Сдача:"), QStringLiteral("69.00")})
        QVERIFY2(closed.contains(line), qPrintable(closed));
    QCOMPARE(status(*window), kStatusOk);
}

void TstFiscalOps::irreversibleButtonsAskFirst()
{
    // «Нет» to each: not a byte reaches the register.
    FORMTEST_OPEN(bench, window);
    setField(*window, "strSerialNumberForWrite", QStringLiteral("123"));
    const quint64 heard = bench.emulator().stats().bytesIn;
    const QList<const char *> buttons = {
        "butServiceReset", "butFullReset", "butResetFN",           "butDocs_AnnDocFromFN",  "butFN_FiskClose",
        "butFN_FiskStep2", "butFN_ReFisk", "butWriteSerialNumber", "butWriteSerialNumberV2"};
    Confirmations no(false);
    for (const char *button : buttons)
        QVERIFY2(click(*window, button), button);
    QCOMPARE(no.asked(), buttons.size());
    QCOMPARE(bench.emulator().stats().bytesIn, heard);
}

QTEST_MAIN(TstFiscalOps)
#include "tst_fiscalops.moc"
