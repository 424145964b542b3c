// The "Смена и документы" page against the register: a shift with a receipt
// from opening to the FN's archive, cancelling, correction receipts, reports,
// and the tax system kept in step before a sale.

#include "mainformfixture.h"
#include "wireformat.h"

#include <kelodefaults.h>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>

using namespace formtest;
using kelo::emu::Fault;
using kelo::emu::FiscalStorage;
using kelo::emu::RegisterModel;
namespace wire = kelo::emu::wire;

namespace {

const QString kNoErrors = QStringLiteral("Ошибок нет.");

// The value of a top-level item of an FN document.
QByteArray tlvValue(const QByteArray &tlv, quint16 tag)
{
    for (int pos = 0; pos + 4 <= tlv.size();) {
        const quint16 itemTag = quint16(wire::readLE(tlv, pos, 2));
        const int length = int(wire::readLE(tlv, pos + 2, 2));
        if (itemTag == tag)
            return tlv.mid(pos + 4, length);
        pos += 4 + length;
    }
    return QByteArray();
}

QByteArray passwordBytes()
{
    QByteArray bytes;
    wire::appendLE(bytes, kelo::kDefaultSysAdminPassword, 4);
    return bytes;
}

QString page(MMainForm &window)
{
    return child<QTextEdit>(window, "textDayState")->toPlainText();
}

void setValue(MMainForm &window, const char *name, double value)
{
    child<QDoubleSpinBox>(window, name)->setValue(value);
}

void setIndex(MMainForm &window, const char *name, int index)
{
    child<QComboBox>(window, name)->setCurrentIndex(index);
}

// Operator's locale must not leak into the numbers sent.
class LocaleGuard
{
public:
    explicit LocaleGuard(const QLocale &locale) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

} // namespace

class TstReceiptOps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void saleFromOpeningToTheArchive();
    void cancelledReceiptForgetsTheBuyer();
    void shortFontReplyStillPrintsTheAddress();
    void correctionReceipts();
    void reportsAndShiftClose();
    void taxSystemKeptInStep();

private:
    std::unique_ptr<Driver> m_driver;
};

void TstReceiptOps::initTestCase()
{
    m_driver = std::make_unique<Driver>();
}

void TstReceiptOps::init()
{
    Driver::resetLinkSettings();
}

void TstReceiptOps::saleFromOpeningToTheArchive()
{
    const LocaleGuard german(QLocale(QLocale::German, QLocale::Germany));
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();

    QVERIFY(click(*window, "butOpenDay"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(page(*window).contains(QStringLiteral("Открытие смены")));
    QVERIFY(page(*window).contains(QStringLiteral("Номер кассира:\n30")));
    QVERIFY(click(*window, "butGetStateDay"));
    QVERIFY(page(*window).contains(QStringLiteral("Состояние смены [01]:\nCмена открыта.")));

    child<QLineEdit>(*window, "strDocs_Name")->setText(QStringLiteral("Торт Прага"));
    setValue(*window, "strDocs_Count", 1);
    setValue(*window, "strDocs_Price", 550);
    setIndex(*window, "comboDocs_NalogGrp", 1);
    setIndex(*window, "comboDocs_Type", 0);
    QVERIFY(click(*window, "butDocs_OpenCheck"));
    QVERIFY(click(*window, "butDocs_AddPos"));
    QCOMPARE(status(*window), kNoErrors);
    QCOMPARE(window->commandText, QStringLiteral("80,30,1.000,550.00,0,1,0,0,0,\"Торт Прага\""));

    // No discount chosen: nothing goes to the receipt.
    setValue(*window, "strDocs_DiscountVal", 10);
    setIndex(*window, "comboDocs_DiscountType", 0);
    QVERIFY(click(*window, "butDocs_Discount"));
    QCOMPARE(status(*window), QStringLiteral("Не выбран тип скидки/наценки!"));
    setIndex(*window, "comboDocs_DiscountType", 1);
    child<QLineEdit>(*window, "strDocs_NameDiscount")->setText(QStringLiteral("Скидка, постоянный"));
    QVERIFY(click(*window, "butDocs_Discount"));
    QCOMPARE(status(*window), kNoErrors);

    // A comma in the address stays in it; the length is that of its bytes.
    const QString address = QStringLiteral("покупатель,1@пример.рф");
    child<QLineEdit>(*window, "strDocs_EMail")->setText(address);
    QVERIFY(click(*window, "butDocs_AddEMail"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(window->eMailAdded);
    bench.emulator().inspect([&](const RegisterModel &m) {
        const auto &receipt = m.state().receipt;
        QCOMPARE(receipt.lines.size(), 1);
        QCOMPARE(receipt.lines[0].quantity, quint64(1000));
        QCOMPARE(receipt.lines[0].price, quint64(55000));
        QCOMPARE(receipt.lines[0].taxGroup, quint8(1));
        QCOMPARE(receipt.lines[0].name, QStringLiteral("Торт Прага"));
        QCOMPARE(receipt.adjustments.size(), 1);
        QCOMPARE(receipt.adjustments[0].amount, quint64(1000));
        QCOMPARE(receipt.adjustments[0].name, QStringLiteral("Скидка, постоянный"));
    });

    setValue(*window, "strDocs_SumCash", 1000);
    QVERIFY(click(*window, "butDocs_CloseCheck"));
    QCOMPARE(status(*window), kNoErrors);
    QCOMPARE(MMainForm::replyText(3), QStringLiteral("460.00")); // the change
    QVERIFY(!window->eMailAdded);
    bench.emulator().inspect([&](const RegisterModel &m) {
        QVERIFY(!m.state().receipt.open);
        QVERIFY(m.state().printed.contains(QStringLiteral("Адрес покупателя:")));
        QVERIFY(m.state().printed.contains(address));
        const FiscalStorage::Document *doc = m.fiscalStorage().lastDocument();
        QCOMPARE(doc->type, quint8(FiscalStorage::Receipt));
        QCOMPARE(doc->operation, quint8(1));
        QCOMPARE(doc->total, quint64(54000));
        QCOMPARE(tlvValue(doc->tlv, 1008), wire::toCp1251(address));
        QCOMPARE(tlvValue(doc->tlv, 1031), QByteArray("\xf0\xd2", 2)); // 540.00 in cash
    });
}

void TstReceiptOps::cancelledReceiptForgetsTheBuyer()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QVERIFY(click(*window, "butOpenDay"));
    QVERIFY(click(*window, "butDocs_OpenCheck"));
    QVERIFY(click(*window, "butDocs_AddPos"));
    QVERIFY(click(*window, "butDocs_AnnPos"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(click(*window, "butDocs_AddEMail"));
    QVERIFY(window->eMailAdded);
    bench.emulator().inspect([](const RegisterModel &m) {
        QCOMPARE(m.state().receipt.lines.size(), 2);
        QVERIFY(m.state().receipt.lines[1].storno);
    });
    QVERIFY(click(*window, "butDocs_AnnCheck"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(!window->eMailAdded);

    QVERIFY(click(*window, "butDocs_AddPos"));
    QVERIFY(click(*window, "butDocs_CloseCheck"));
    QCOMPARE(status(*window), kNoErrors);
    bench.emulator().inspect([](const RegisterModel &m) {
        QVERIFY(!m.state().printed.contains(QStringLiteral("Адрес покупателя:")));
        QVERIFY(tlvValue(m.fiscalStorage().lastDocument()->tlv, 1008).isEmpty());
    });

    // An empty address does nothing at all, not even connect.
    child<QLineEdit>(*window, "strDocs_EMail")->clear();
    const quint64 heard = bench.emulator().stats().link.enqAnswered;
    QVERIFY(click(*window, "butDocs_AddEMail"));
    QCOMPARE(bench.emulator().stats().link.enqAnswered, heard);
    QVERIFY(!window->eMailAdded);
}

void TstReceiptOps::shortFontReplyStillPrintsTheAddress()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    const QString address = QStringLiteral("buyer@example.com");
    child<QLineEdit>(*window, "strDocs_EMail")->setText(address);
    QVERIFY(click(*window, "butOpenDay"));
    QVERIFY(click(*window, "butDocs_AddPos"));
    QVERIFY(click(*window, "butDocs_AddEMail"));
    // The replies to the caption line and to the font request lose their last
    // byte: the line length is then unknown.
    bench.emulator().faults().arm(Fault::ShortReply, 2);
    QVERIFY(click(*window, "butDocs_CloseCheck"));
    QCOMPARE(status(*window), kNoErrors);
    QCOMPARE(bench.emulator().faults().injected(Fault::ShortReply), 2);
    bench.emulator().inspect([&](const RegisterModel &m) {
        const QStringList printed = m.state().printed;
        const int caption = int(printed.indexOf(QStringLiteral("Адрес покупателя:")));
        QVERIFY(caption >= 0);
        QCOMPARE(printed.value(caption + 1), address);
    });
}

void TstReceiptOps::correctionReceipts()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QVERIFY(click(*window, "butOpenDay"));

    struct Case
    {
        int type;
        quint8 operation;
        double cash;
        double cashless;
    };
    for (const Case &c : {Case{1, 3, 100, 25.5}, Case{2, 2, 12.34, 0}}) {
        setIndex(*window, "comboDocs_Type", c.type);
        setValue(*window, "strDocs_SumCash", c.cash);
        setValue(*window, "strDocs_SumEl1", c.cashless);
        QVERIFY(click(*window, "butDocs_KorrCheck"));
        QCOMPARE(status(*window), kNoErrors);
        QVERIFY(page(*window).startsWith(QStringLiteral("Чек коррекции")));
        QVERIFY(page(*window).contains(QStringLiteral("Номер ФД:")));
        bench.emulator().inspect([&](const RegisterModel &m) {
            const FiscalStorage::Document *doc = m.fiscalStorage().lastDocument();
            QCOMPARE(doc->type, quint8(FiscalStorage::CorrectionReceipt));
            QCOMPARE(doc->operation, c.operation);
            QCOMPARE(doc->total, quint64(qRound64(c.cash * 100)));
            QCOMPARE(wire::readLE(tlvValue(doc->tlv, 1081), 0, tlvValue(doc->tlv, 1081).size()),
                     quint64(qRound64(c.cashless * 100)));
        });
    }
}

void TstReceiptOps::reportsAndShiftClose()
{
    Bench bench;
    QVERIFY(bench.start());
    auto window = bench.createWindow();
    QVERIFY(click(*window, "butOpenDay"));
    QVERIFY(click(*window, "butReportX"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(page(*window).startsWith(QStringLiteral("Отчет без закрытия смены")));

    QVERIFY(click(*window, "butReportStateBallanceStep2"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(page(*window).startsWith(QStringLiteral("Отчет о состоянии расчетов")));
    quint32 settlementNumber = 0;
    bench.emulator().inspect([&](const RegisterModel &m) {
        QCOMPARE(m.fiscalStorage().lastDocument()->type, quint8(FiscalStorage::SettlementReport));
        settlementNumber = m.fiscalStorage().lastNumber();
    });
    QVERIFY(page(*window).contains(QStringLiteral("Номер ФД:\n%1").arg(settlementNumber)));

    QVERIFY(click(*window, "butCloseDay"));
    QCOMPARE(status(*window), kNoErrors);
    QVERIFY(page(*window).startsWith(QStringLiteral("Закрытие смены")));
    QVERIFY(click(*window, "butGetStateDay"));
    QVERIFY(page(*window).contains(QStringLiteral("Состояние смены [00]:\nCмена закрыта.")));
    bench.emulator().inspect([](const RegisterModel &m) {
        QVERIFY(!m.state().shiftOpen);
        QVERIFY(m.state().printed.contains(QStringLiteral("ОТЧЕТ БЕЗ ГАШЕНИЯ")));
    });
}

void TstReceiptOps::taxSystemKeptInStep()
{
    Bench bench;
    QVERIFY(bench.start());
    // The register has no tax system selected: the form's goes to it.
    bench.emulator().modify([](RegisterModel &m) {
        m.execute(QByteArray("\x1E") + passwordBytes() + QByteArray("\x12\x01\x00\x05\x00", 5));
    });
    auto window = bench.createWindow();
    auto *taxCode = child<QSpinBox>(*window, "strFN_Tax_Code");
    taxCode->setValue(2);
    QVERIFY(click(*window, "butOpenDay"));
    QVERIFY(click(*window, "butDocs_OpenCheck"));
    QCOMPARE(status(*window), kNoErrors);
    bench.emulator().inspect(
        [](const RegisterModel &m) { QCOMPARE(m.tables().number(18, 1, 5), quint64(2)); });
    QVERIFY(click(*window, "butDocs_AnnCheck"));

    // The register's own choice wins over the form's.
    bench.emulator().modify([](RegisterModel &m) {
        m.execute(QByteArray("\x1E") + passwordBytes() + QByteArray("\x12\x01\x00\x05\x01", 5));
    });
    QVERIFY(click(*window, "butDocs_AddPos"));
    QCOMPARE(status(*window), kNoErrors);
    QCOMPARE(taxCode->value(), 1);
    QVERIFY(child<QWidget>(*window, "chkFN_Tax_Common")->property("checked").toBool());
    QVERIFY(!child<QWidget>(*window, "chkFN_Tax_UPR")->property("checked").toBool());
    QVERIFY(click(*window, "butDocs_AnnCheck"));

    // A cashier may not read the table: the sale still goes on, on a new link.
    child<QSpinBox>(*window, "strLinkPassword")->setValue(1);
    QVERIFY(click(*window, "butDocs_OpenCheck"));
    QCOMPARE(status(*window), kNoErrors);
    bench.emulator().inspect([](const RegisterModel &m) {
        QVERIFY(m.state().receipt.open);
        QCOMPARE(m.state().receipt.operatorNo, 1);
    });
}

QTEST_MAIN(TstReceiptOps)
#include "tst_receiptops.moc"
