// The fiscal documents the register model writes in format 1.2: what each item
// carries, discounts and surcharges of the whole receipt shared out over the
// goods with the VAT of what was paid, unnamed items refused, and the
// registration report; read back through the program's document dictionary.

#include "registermodelfixture.h"

#include <mtlvdocument.h>
#include <mtlvrenderer.h>

#include <QTest>

using namespace kelo::emu;
using rq::value;

namespace {

using Requests = QList<QByteArray>;

// A sale line with the discount and surcharge of its own (FF0D): no tax, the name
// ended by a zero byte.
QByteArray saleWithAdjustments(quint64 price, const QByteArray &name)
{
    return rq::cmd(0xFF0D) + char(1) + rq::le(1000, 5) + rq::le(price, 5) + rq::le(0, 5) + rq::le(0, 5)
           + char(0) + char(0) + rq::le(0, 5) + name + char(0);
}

} // namespace

class TestRegisterModelDocuments : public QObject
{
    Q_OBJECT

private slots:
    void receiptAdjustmentsArePaidByTheGoods_data();
    void receiptAdjustmentsArePaidByTheGoods();
    void unnamedItemIsRefused_data();
    void unnamedItemIsRefused();
    void registrationReportOfFormat12();
};

void TestRegisterModelDocuments::receiptAdjustmentsArePaidByTheGoods_data()
{
    QTest::addColumn<Requests>("requests");   // after the shift is open; the receipt's close is last
    QTest::addColumn<QList<quint64>>("paid"); // 1043 of each item
    QTest::addColumn<QByteArray>("rates");    // 1199 of each item
    QTest::addColumn<QList<quint64>>("vat");  // 1200 of each item, 0 for none
    QTest::addColumn<QString>("sums");        // the receipt's sums by rate (1102..1105) present

    const QByteArray open = rq::cmd(0xE0);
    const QByteArray rate18 = rq::table(0x1E, 6, 1, 1, rq::le(1800, 2));
    const QByteArray cake = rq::item(0x80, 1000, 55000, 1, QStringLiteral("Торт Прага"));
    // 550.00 less 10.00: the VAT is that of 540.00, not of 550.00 (83.90 at 18 %).
    QTest::newRow("discount, 18 % as the window registers")
        << Requests{rate18, open, cake, rq::adjustment(0x86, 1000), rq::close(100000)}
        << QList<quint64>{54000} << QByteArray("\x01") << QList<quint64>{8237} << "1102=8237";
    QTest::newRow("discount, 22 %") << Requests{open, cake, rq::adjustment(0x86, 1000), rq::close(100000)}
                                    << QList<quint64>{54000} << QByteArray("\x0b") << QList<quint64>{9738}
                                    << "";
    // 10 % of 133.34 off at the close: 13.33 shared 9.99, 3.33 and 0.01.
    QTest::newRow("closing percentage over three goods")
        << Requests{open, rq::item(0x80, 1000, 10000, 1, QStringLiteral("a")),
                    rq::item(0x80, 1000, 3333, 2, QStringLiteral("b")),
                    rq::item(0x80, 1000, 1, 3, QStringLiteral("c")), rq::close(20000, 0, 1000)}
        << QList<quint64>{9001, 3000, 0} << QByteArray("\x0b\x02\x05") << QList<quint64>{1623, 273, 0}
        << "1103=273";
    QTest::newRow("surcharge, without VAT")
        << Requests{open, rq::item(0x80, 1000, 10000, 4, QStringLiteral("a")),
                    rq::item(0x80, 1000, 5000, 0, QStringLiteral("b")), rq::adjustment(0x87, 301),
                    rq::close(20000)}
        << QList<quint64>{10200, 5101} << QByteArray("\x06\x06") << QList<quint64>{0, 0} << "1105=15301";
    QTest::newRow("sums whose products pass 64 bits")
        << Requests{open, rq::item(0x80, 1000, 500000000000ull, 4, QStringLiteral("a")),
                    rq::item(0x80, 1000, 400000000000ull, 4, QStringLiteral("b")),
                    rq::adjustment(0x86, 300000000001ull), rq::close(600000000000ull)}
        << QList<quint64>{333333333333ull, 266666666666ull} << QByteArray("\x06\x06") << QList<quint64>{0, 0}
        << "1105=599999999999";
    QTest::newRow("5 % and 7 %") << Requests{open, rq::item(0x80, 1000, 10500, 5, QStringLiteral("a")),
                                             rq::item(0x80, 1000, 10700, 6, QStringLiteral("b")),
                                             rq::close(30000)}
                                 << QList<quint64>{10500, 10700} << QByteArray("\x07\x08")
                                 << QList<quint64>{500, 700} << "";
}

void TestRegisterModelDocuments::receiptAdjustmentsArePaidByTheGoods()
{
    QFETCH(Requests, requests);
    QFETCH(QList<quint64>, paid);
    QFETCH(QByteArray, rates);
    QFETCH(QList<quint64>, vat);
    QFETCH(QString, sums);
    Model model;
    QVERIFY(model.runs(requests));
    QCOMPARE(model.m.fiscalStorage().lastDocument()->type, quint8(FiscalStorage::Receipt));

    const QByteArray document = model.lastTlv();
    QList<quint64> paidSeen;
    QByteArray ratesSeen;
    QList<quint64> vatSeen;
    for (const QByteArray &item : rq::tlvs(document, 1059)) {
        paidSeen << value(rq::tlv(item, 1043));
        ratesSeen += rq::tlv(item, 1199);
        vatSeen << value(rq::tlv(item, 1200));
        // Goods paid in full on hand-over, counted in pieces.
        QCOMPARE(rq::tlv(item, 1212) + rq::tlv(item, 1214) + rq::tlv(item, 2108),
                 QByteArray("\x01\x04\x00", 3));
    }
    QStringList sumsSeen;
    for (quint16 tag = 1102; tag <= 1105; ++tag) {
        for (const QByteArray &sum : rq::tlvs(document, tag))
            sumsSeen << QStringLiteral("%1=%2").arg(tag).arg(value(sum));
    }
    QCOMPARE(paidSeen, paid);
    QCOMPARE(ratesSeen, rates);
    QCOMPARE(vatSeen, vat);
    QCOMPARE(sumsSeen.join(QLatin1Char(',')), sums);
    QCOMPARE(std::accumulate(paid.cbegin(), paid.cend(), quint64(0)), value(rq::tlv(document, 1020)));
    QCOMPARE(rq::tlv(document, 1209), QByteArray("\x04"));

    // Every requisite of it has a name in the program.
    const QString text = MTLVRenderer::documentText(MTLVDocument::parseSequence(document, 3));
    QVERIFY2(!text.contains(QStringLiteral("тег ")), qPrintable(text));
}

void TestRegisterModelDocuments::unnamedItemIsRefused_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("lines"); // in the receipt after the refusal

    QTest::newRow("sale") << rq::item(0x80, 1000, 100, 1, QString()) << 1;
    QTest::newRow("sale, blanks") << rq::item(0x80, 1000, 100, 1, QStringLiteral("   ")) << 1;
    QTest::newRow("storno") << rq::item(0x84, 1000, 100, 1, QString()) << 1;
    QTest::newRow("sale with adjustments") << saleWithAdjustments(100, QByteArray()) << 1;
    QTest::newRow("sale with adjustments, name not printed") << saleWithAdjustments(100, "\\\\") << 1;
    QTest::newRow("named") << saleWithAdjustments(100, "\\\\Milk") << 2;
}

void TestRegisterModelDocuments::unnamedItemIsRefused()
{
    QFETCH(QByteArray, request);
    QFETCH(int, lines);
    Model model;
    QVERIFY(model.runs({rq::cmd(0xE0), rq::item(0x80, 1000, 100, 1, QStringLiteral("Хлеб"))}));
    QCOMPARE(model.error(request), lines == 1 ? int(RegisterModel::ErrFnParameter) : 0);
    QCOMPARE(model.m.state().receipt.lines.size(), lines);
    QVERIFY(model.m.state().receipt.open);
}

void TestRegisterModelDocuments::registrationReportOfFormat12()
{
    Model model(Preset::OutOfBox);
    const quint64 serial = model.m.state().serialNumber;
    const quint64 inn = 7700000000;
    // Services, strict-report forms and Internet only, besides encryption.
    QVERIFY(model.runs({rq::withByte(0xFF05, 0),
                        rq::registration(0xFF06, inn, rq::registrationNumber(1, inn, serial), 1, 0x39)}));
    const QByteArray report = model.lastTlv();
    QCOMPARE(rq::tlv(report, 1209) + rq::tlv(report, 1189) + rq::tlv(report, 1190),
             QByteArray("\x04\x04\x04"));
    QVERIFY2(rq::tlvs(report, 1109).isEmpty() && rq::tlvs(report, 1110).isEmpty(),
             "flags of format 1.05 in a 1.2 report");
    const QString text = MTLVRenderer::documentText(MTLVDocument::parseSequence(report, 1));
    QVERIFY2(
        text.contains(QStringLiteral("Признаки условий применения ККТ: АС БСО, Только расчёты в Интернет, "
                                     "Только услуги\n")),
        qPrintable(text));
    QVERIFY2(!text.contains(QStringLiteral("тег ")), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestRegisterModelDocuments)
#include "tst_registermodeldocuments.moc"
