// The "Смена и документы" page: a shift with a receipt from opening to the
// FN's archive, cancelling, correction receipts, reports, and the tax system
// kept in step before a sale.

#include "mainformfixture.h"

#include <QScopeGuard>
#include <QTextEdit>

using namespace formtest;
using kelo::emu::FiscalStorage;
using kelo::emu::RegisterModel;

namespace {

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

} // namespace

class TstReceiptOps : public QObject
{
    Q_OBJECT
    Driver m_driver;

private slots:
    void saleFromOpeningToTheArchive();
    void cancelledReceiptForgetsTheBuyer();
    void shortFontReplyPrintsAnEmptyAddress();
    void correctionReceipts();
    void reportsAndShiftClose();
    void taxSystemKeptInStep();
};

void TstReceiptOps::saleFromOpeningToTheArchive()
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
    QCOMPARE(reply::text(3), "460.00"); // the change
    QVERIFY(!window->eMailAdded);
    bench.emulator().inspect([&](const RegisterModel &m) {
        QVERIFY(m.state().printed.contains(QStringLiteral("Адрес покупателя:")));
        QVERIFY(m.state().printed.contains(address));
        QCOMPARE(lastDocument(m).total, quint64(54000));
        QCOMPARE(rq::tlv(lastDocument(m).tlv, 1008), rq::text(address, int(address.size())));
    });
}

void TstReceiptOps::cancelledReceiptForgetsTheBuyer()
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

void TstReceiptOps::shortFontReplyPrintsAnEmptyAddress()
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

void TstReceiptOps::correctionReceipts()
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

void TstReceiptOps::reportsAndShiftClose()
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

void TstReceiptOps::taxSystemKeptInStep()
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

QTEST_MAIN(TstReceiptOps)
#include "tst_receiptops.moc"
