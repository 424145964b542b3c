// The register model behind the link: every command's reply against the
// shipped command descriptions, passwords, short table values and refusals;
// then modes, clock, registration, the documents of receipts and corrections,
// OFD queue, FN closing and the state file.

#include "firmwareimage.h"
#include "registermodelfixture.h"
#include "systemtestutil.h"

#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace kelo::emu;
using rq::value;

namespace {

using Requests = QList<QByteArray>;

// The reply width a RPL list of the command descriptions gives: fixed items
// add their width; a variable item (width 0) makes the width a minimum.
struct Layout
{
    int width = 0;
    bool variable = false;
};

QHash<quint16, Layout> describedReplyLayouts()
{
    QFile file(QStringLiteral(KELO_COMMAND_INI));
    QHash<quint16, Layout> layouts;
    if (!file.open(QIODevice::ReadOnly))
        return layouts;
    quint16 code = 0;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1String("CMD="))) {
            const QString first = line.mid(4).section(QLatin1Char(','), 0, 0);
            code = static_cast<quint16>(first.section(QLatin1Char('='), 1).toUInt(nullptr, 16));
        } else if (line.startsWith(QLatin1String("RPL=")) && code) {
            Layout &layout = layouts[code];
            for (const QString &item : line.mid(4).split(QLatin1Char(','))) {
                int i = 1;
                while (i < item.size() && item.at(i).isDigit())
                    ++i;
                const int width = i > 1 ? item.mid(1, i - 1).toInt() : 1;
                if (QStringLiteral("/\\:|").contains(item.at(0)))
                    layout.width += item.at(0) == QLatin1Char('|') ? 2 : 3; // dates and times
                else if (width == 0)
                    layout.variable = true;
                else
                    layout.width += width;
            }
            code = 0;
        }
    }
    return layouts;
}

} // namespace

class TestRegisterModel : public QObject
{
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void documentsCarryTheirSums();
    void modesFollowTheClockAndTheShift();
    void ofdQueueFollowsDocuments();
    void fnFromClosingToANewRegistration();
    void stateSurvivesTheFile();
    void everyTableDescribesItself();
};

void TestRegisterModel::replies_data()
{
    QTest::addColumn<bool>("registered");
    QTest::addColumn<Requests>("setup");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("error");
    QTest::addColumn<QByteArray>("values"); // the reply after its echo and error byte, when given

    auto ok = [](const char *name, Requests setup, const QByteArray &request,
                 const QByteArray &values = QByteArray(), bool registered = true) {
        QTest::newRow(name) << registered << setup << request << 0 << values;
    };
    auto refused = [](const char *name, Requests setup, const QByteArray &request, int error,
                      bool registered = true) {
        QTest::newRow(name) << registered << setup << request << error << QByteArray();
    };
    const QByteArray e0 = rq::cmd(0xE0);
    const QByteArray sale = rq::item(0x80, 1000, 10000, 1, QStringLiteral("Товар"));
    const QByteArray tlv = rq::cmd(0xFF0C) + rq::le(1008, 2);
    const QByteArray fd = rq::withByte(0xFF0D, 1) + rq::le(2000, 5) + rq::le(5000, 5) + rq::le(100, 5)
                          + rq::le(0, 5) + char(0) + char(1) + rq::le(0, 5)
                          + rq::text(QStringLiteral("Товар"), 220);

    // Every described command succeeds with its layout (40 and 1F in the
    // password and table rows below), so none falls through to "unsupported".
    for (int c : {0x11, 0x10, 0xFF01, 0xFF02, 0xFF03, 0xFF04, 0x27, 0x2C, 0xFF09, 0xFF3D, 0xFF40, 0xFF37,
                  0xFF39, 0xFF3F, 0x24, 0x03})
        ok(QByteArray::number(c, 16).toUpper().constData(), {}, rq::cmd(static_cast<quint16>(c)));
    ok("FC", {}, rq::code(0xFC));
    ok("16", {}, rq::code(0x16));
    ok("21", {}, rq::cmd(0x21) + char(10) + char(11) + char(12));
    ok("22", {}, rq::date(0x22, 21, 5, 26));
    ok("23", {rq::date(0x22, 21, 5, 26)}, rq::date(0x23, 21, 5, 26));
    ok("FE", {}, rq::code(0xFE) + char(0xF5) + QByteArray("0000001702000123"));
    ok("0E", {}, rq::cmd(0x0E) + rq::le(1702000123, 7));
    ok("01", {}, rq::withByte(0x01, 6));
    ok("02", {rq::withByte(0x01, 6)}, rq::cmd(0x02),
       QByteArray::fromHex("060000") + FirmwareImage::build(256).left(32));
    ok("FF05", {}, rq::withByte(0xFF05, 2));
    ok("FF06", {rq::withByte(0xFF05, 0)},
       rq::registration(0xFF06, 7700000000, rq::registrationNumber(1, 7700000000, 1702000123), 1, 0), {},
       false);
    ok("FF34", {rq::withByte(0xFF05, 2)},
       rq::registration(0xFF34, 7700000000, rq::registrationNumber(7, 7700000000, 1702000123), 4, 0));
    ok("FF3E", {rq::cmd(0xFF3D)}, rq::cmd(0xFF3E));
    ok("E0", {}, e0, QByteArray::fromHex("1e")); // the system administrator at operator level
    ok("41", {e0}, rq::cmd(0x41));
    ok("FF38", {rq::cmd(0xFF37)}, rq::cmd(0xFF38));
    ok("8D", {e0}, rq::withByte(0x8D, 0));
    ok("80", {e0}, sale);
    ok("81", {e0}, rq::item(0x81, 1000, 100, 0, QStringLiteral("Закупка")));
    ok("82", {e0}, rq::item(0x82, 1000, 100, 0, QStringLiteral("Возврат")));
    ok("83", {e0}, rq::item(0x83, 1000, 100, 0, QStringLiteral("Возврат")));
    ok("84", {e0, sale}, rq::item(0x84, 1000, 10000, 1, QStringLiteral("Товар")));
    ok("85", {e0, sale, rq::adjustment(0x86, 100)}, rq::close(5000, 6000), // change: 50.00 + 60.00 - 99.00
       QByteArray::fromHex("1e") + rq::le(1100, 5));
    ok("86", {e0, sale}, rq::adjustment(0x86, 100));
    ok("87", {e0, sale}, rq::adjustment(0x87, 100));
    ok("88", {e0, sale}, rq::cmd(0x88));
    ok("8A", {e0, sale, rq::adjustment(0x86, 100)}, rq::adjustment(0x8A, 100));
    ok("8B", {e0, sale, rq::adjustment(0x87, 100)}, rq::adjustment(0x8B, 100));
    ok("FF35", {e0}, rq::cmd(0xFF35));
    ok("FF36", {e0, rq::cmd(0xFF35)}, rq::cmd(0xFF36) + rq::le(5000, 5) + char(1));
    ok("FF0D", {e0}, fd);
    ok("FF08", {e0, sale}, rq::cmd(0xFF08));
    ok("17", {}, rq::withByte(0x17, 3) + rq::text(QStringLiteral("Строка"), 40));
    ok("26", {}, rq::withByte(0x26, 1));
    ok("1E", {}, rq::table(0x1E, 18, 1, 7, QByteArray::fromHex("414200")));
    ok("FF3A", {}, rq::document(0xFF3A, 1));
    ok("FF3B", {rq::document(0xFF3A, 1)}, rq::cmd(0xFF3B));
    ok("FF3C", {}, rq::document(0xFF3C, 1));
    ok("FF0A", {}, rq::document(0xFF0A, 3));
    ok("FF0C", {e0, sale}, tlv + rq::le(9, 2) + "a@b.test1");
    ok("19", {}, rq::withByte(0x19, 1));
    ok("2B", {rq::withByte(0x19, 1)}, rq::cmd(0x2B));
    ok("14", {}, rq::cmd(0x14) + char(0) + char(6) + char(100));
    ok("15", {}, rq::withByte(0x15, 0));
    ok("FF07", {}, rq::withByte(0xFF07, 22));

    // Passwords: the operator number each level is served as.
    ok("operator", {}, rq::cmd(0xE0, 5), QByteArray::fromHex("05"));
    ok("administrator at operator level", {}, rq::cmd(0xE0, 29), QByteArray::fromHex("1d"));
    ok("administrator", {}, rq::cmd(0x40, 29), QByteArray::fromHex("1d"));
    refused("operator at administrator level", {}, rq::cmd(0x40, 5), 79);
    refused("administrator at system level", {}, rq::cmd(0xFF01, 29), 79);

    // Tables take short values, as the window writes them: texts with one zero
    // byte, numbers without their high zero bytes; and the tax system before
    // every receipt, shift or not.
    ok("text with one zero byte", {rq::table(0x1E, 18, 1, 7, QByteArray::fromHex("41424300"))},
       rq::table(0x1F, 18, 1, 7), QByteArray("ABC") + QByteArray(125, '\0'));
    ok("number with a zero byte beyond", {rq::table(0x1E, 6, 2, 1, QByteArray::fromHex("080700"))},
       rq::table(0x1F, 6, 2, 1), QByteArray::fromHex("0807"));
    ok("number without its high byte", {rq::table(0x1E, 19, 1, 3, QByteArray::fromHex("05"))},
       rq::table(0x1F, 19, 1, 3), QByteArray::fromHex("0500"));
    ok("tax system in an open shift", {e0, rq::table(0x1E, 18, 1, 5, QByteArray::fromHex("0200"))},
       rq::table(0x1F, 18, 1, 5), QByteArray::fromHex("02"));

    // Table and field structures; a number is kept only within its field's range.
    const auto structure = [](quint16 c, int table, int field = -1) {
        return rq::withByte(c, static_cast<quint8>(table))
               + (field < 0 ? QByteArray() : QByteArray(1, char(field)));
    };
    ok("2D", {}, structure(0x2D, 6),
       rq::text(QStringLiteral("Налоговые ставки"), 40) + rq::le(6, 2) + '\x02');
    ok("2E, number", {}, structure(0x2E, 19, 2),
       rq::text(QStringLiteral("Порт"), 40) + QByteArray::fromHex("0002") + rq::le(1, 2) + rq::le(65535, 2));
    ok("2E, text", {}, structure(0x2E, 3, 1),
       rq::text(QStringLiteral("Строка"), 40) + QByteArray::fromHex("0130"));
    ok("2E, five-byte number", {}, structure(0x2E, 4, 1),
       rq::text(QStringLiteral("Сумма электронными"), 40) + QByteArray::fromHex("0005") + rq::le(0, 5)
           + rq::le(0xFFFFFFFFFEull, 5));
    refused("2D, unknown table", {}, structure(0x2D, 11), 93);
    refused("2E, unknown table", {}, structure(0x2E, 77, 1), 93);
    refused("2E, field past the last", {}, structure(0x2E, 6, 3), 51);
    ok("number at its maximum", {rq::table(0x1E, 9, 1, 1, QByteArray::fromHex("0f"))},
       rq::table(0x1F, 9, 1, 1), QByteArray::fromHex("0f"));
    ok("number at its minimum", {rq::table(0x1E, 19, 1, 2, QByteArray::fromHex("0100"))},
       rq::table(0x1F, 19, 1, 2), QByteArray::fromHex("0100"));
    refused("number above its maximum", {}, rq::table(0x1E, 9, 1, 1, QByteArray::fromHex("10")), 51);
    refused("number below its minimum", {}, rq::table(0x1E, 19, 1, 2, QByteArray::fromHex("0000")), 51);
    // The password table decides who an operator is.
    ok("cashier's new password", {rq::table(0x1E, 2, 5, 1, rq::le(4321, 4))}, rq::cmd(0xE0, 4321),
       QByteArray::fromHex("05"));
    refused("cashier's old password", {rq::table(0x1E, 2, 5, 1, rq::le(4321, 4))}, rq::cmd(0xE0, 5), 79);

    refused("unknown command", {}, rq::cmd(0x99), 55);
    refused("request shorter than its layout", {}, rq::code(0x11) + char(30), 51);
    refused("sale without a shift", {}, sale, 61);
    refused("return in a sale receipt", {e0, sale}, rq::item(0x82, 1000, 100, 0, QStringLiteral("x")), 73);
    refused("payment short", {e0, sale}, rq::close(9999), 69);
    refused("storno above the total", {e0, sale}, rq::item(0x84, 2000, 10000, 1, QStringLiteral("x")), 45);
    refused("receipt without sales", {e0, rq::withByte(0x8D, 0)}, rq::close(0), 142);
    refused("quantity overflows", {e0}, rq::item(0x80, 0xFFFFFFFFFFull, 0xFFFFFFFFFFull, 0, QString()), 96);
    refused("shift opened twice", {e0}, e0, 115);
    refused("correction without its start", {e0}, rq::cmd(0xFF36) + rq::le(100, 5) + char(1), 2);
    refused("registration on a registered FN", {}, rq::withByte(0xFF05, 0), 2);
    refused("registration number of another register", {rq::withByte(0xFF05, 0)},
            rq::registration(0xFF06, 7700000000, rq::registrationNumber(1, 7700000000, 99), 1, 0), 9, false);
    refused("another serial number", {}, rq::code(0xFE) + char(0xF5) + QByteArray("0000000000000042"), 18);
    refused("unknown table", {}, rq::table(0x1F, 77, 1, 1), 93);
    refused("read-only field", {}, rq::table(0x1E, 18, 1, 1, QByteArray::fromHex("3100")), 122);
    refused("setting field with an open shift", {e0}, rq::table(0x1E, 18, 1, 7, QByteArray::fromHex("4100")),
            199);
    refused("value longer than its field", {}, rq::table(0x1E, 6, 1, 1, QByteArray::fromHex("010203")), 51);
    refused("date change with an open shift", {e0}, rq::date(0x22, 1, 1, 27), 115);
    refused("impossible date", {}, rq::date(0x22, 31, 2, 27), 125);
    refused("confirmation of another date", {rq::date(0x22, 21, 5, 26)}, rq::date(0x23, 22, 5, 26), 124);
    refused("shift while the date waits", {rq::date(0x22, 21, 5, 26)}, e0, 192);
    refused("date before the last document", {rq::date(0x22, 1, 1, 20)}, rq::date(0x23, 1, 1, 20), 7);
    refused("receipt during a dump", {e0, rq::withByte(0x01, 6)}, rq::withByte(0x8D, 0), 115);
    refused("TLV length not the data's", {e0, sale}, tlv + rq::le(3, 2) + "a@bc", 9);
    refused("TLV without a document", {}, tlv + rq::le(3, 2) + "a@b", 2);
    refused("e-mail too long", {e0, sale}, tlv + rq::le(65, 2) + QByteArray(65, 'a'), 16);
    refused("FN reset with an unknown code", {}, rq::withByte(0xFF07, 12), 9);
}

void TestRegisterModel::replies()
{
    QFETCH(bool, registered);
    QFETCH(Requests, setup);
    QFETCH(QByteArray, request);
    QFETCH(int, error);
    QFETCH(QByteArray, values);
    static const QHash<quint16, Layout> layouts = describedReplyLayouts();
    QVERIFY2(!layouts.isEmpty(), "the command descriptions could not be read");

    Model model(registered ? Preset::Registered : Preset::OutOfBox);
    QVERIFY(model.runs(setup));
    const QJsonObject before = model.m.toJson();
    const QByteArray reply = model.run(request);
    QCOMPARE(rq::error(reply), error);
    const int codeSize = static_cast<quint8>(request.at(0)) == 0xFF ? 2 : 1;
    QCOMPARE(reply.left(codeSize), request.left(codeSize));
    if (error != 0) {
        // A refusal carries nothing but the echo and the error byte, and changes nothing.
        QCOMPARE(reply.size(), codeSize + 1);
        QCOMPARE(model.m.toJson(), before);
        return;
    }
    const quint16 code = static_cast<quint16>(codeSize == 2 ? 0xFF00 | static_cast<quint8>(request.at(1))
                                                            : static_cast<quint8>(request.at(0)));
    QVERIFY(layouts.contains(code));
    const Layout layout = layouts.value(code);
    if (layout.variable)
        QVERIFY2(reply.size() >= layout.width, reply.toHex(' '));
    else
        QCOMPARE(reply.size(), layout.width);
    if (!values.isEmpty())
        QCOMPARE(reply.mid(codeSize + 1), values);
}

void TestRegisterModel::documentsCarryTheirSums()
{
    Model model;
    QVERIFY(model.runs(
        {rq::cmd(0xE0), rq::withByte(0x8D, 0), rq::item(0x80, 1500, 1200, 1, QStringLiteral("Сыр")), // 18.00
         rq::item(0x80, 2000, 99, 2, QStringLiteral("Спички")),                                      // 1.98
         rq::adjustment(0x86, 100), rq::close(5000, 500), rq::withByte(0x8D, 2), // a sale returned
         rq::item(0x82, 1250, 4000, 0, QStringLiteral("Хлеб")), rq::close(5000),
         rq::table(0x1E, 4, 1, 1, QByteArray::fromHex("e80300")), // 10.00 cashless
         rq::cmd(0xFF35)}));
    const FiscalStorage &fn = model.m.fiscalStorage();
    const QByteArray reply = model.run(rq::cmd(0xFF36) + rq::le(2500, 5) + char(3));
    // Error 0, the third receipt of the shift and the document's number.
    QCOMPARE(reply.mid(2, 9), '\0' + rq::le(3, 4) + rq::le(fn.lastNumber(), 4));
    // Every document's type, the preset's history (made by the same commands) first.
    QList<int> types;
    for (quint32 n = 1; n <= fn.lastNumber(); ++n)
        types << fn.find(n)->type;
    QCOMPARE(types, (QList<int>{1, 2, 3, 3, 3, 31, 5, 2, 3, 3, 31}));

    const quint32 saleNumber = fn.lastNumber() - 2;
    const QByteArray sale = fn.find(saleNumber)->tlv;
    QCOMPARE(value(rq::tlv(sale, 1040)), quint64(saleNumber));
    // The fiscal sign in the document (big-endian) is the one FF0A reports.
    QByteArray sign = rq::tlv(sale, 1077).mid(2);
    std::reverse(sign.begin(), sign.end());
    QCOMPARE(model.run(rq::document(0xFF0A, saleNumber)).mid(14, 4), sign);
    QCOMPARE(rq::tlv(sale, 1054), QByteArray("\x01"));
    QCOMPARE(value(rq::tlv(sale, 1020)), quint64(1898));
    QCOMPARE(value(rq::tlv(sale, 1031)), quint64(1398));
    QCOMPARE(value(rq::tlv(sale, 1081)), quint64(500));
    // How the discount of 1.00 is shared by the goods: receiptAdjustmentsArePaidByTheGoods.

    const QByteArray returned = fn.find(saleNumber + 1)->tlv;
    QCOMPARE(rq::tlv(returned, 1054), QByteArray("\x02"));
    const QByteArray product = rq::tlv(returned, 1059);
    QCOMPARE(rq::tlv(product, 1023), QByteArray::fromHex("027d")); // 1.25
    QCOMPARE(value(rq::tlv(product, 1079)), quint64(4000));
    QCOMPARE(value(rq::tlv(product, 1043)), quint64(5000));

    // The correction takes the cashless part of the table once.
    QCOMPARE(value(rq::tlv(fn.lastDocument()->tlv, 1081)), quint64(1000));
    QCOMPARE(value(rq::tlv(fn.lastDocument()->tlv, 1031)), quint64(1500));
    QCOMPARE(model.m.tables().number(4, 1, 1), quint64(0));
}

void TestRegisterModel::modesFollowTheClockAndTheShift()
{
    Model model;
    QCOMPARE(model.error(rq::date(0x22, 1, 9, 27)), 0);
    QCOMPARE(model.m.modeByte(), quint8(6)); // the date waits for its confirmation
    QVERIFY(model.runs({rq::date(0x23, 1, 9, 27), rq::cmd(0x21) + char(23) + char(59) + char(30)}));
    // date 01.09.27, time 23:59:30
    QCOMPARE(model.run(rq::cmd(0x11)).mid(25, 6), QByteArray::fromHex("01091b173b1e"));
    model.host = model.host.addSecs(60);
    QCOMPARE(model.m.now(), QDateTime(QDate(2027, 9, 2), QTime(0, 0, 30), Qt::UTC));

    QVERIFY(model.runs({rq::cmd(0xE0)}));
    QCOMPARE(model.m.modeByte(), quint8(2));
    QVERIFY(model.runs({rq::withByte(0x8D, 0)}));
    QCOMPARE(model.m.modeByte(), quint8(0x08)); // an open sale receipt
    QVERIFY(model.runs({rq::cmd(0x88)}));
    model.host = model.host.addSecs(25 * 3600);
    QCOMPARE(model.m.modeByte(), quint8(3));
    QCOMPARE(model.error(rq::withByte(0x8D, 0)), 78);
    QVERIFY(model.runs({rq::cmd(0x41)}));
    QCOMPARE(model.m.modeByte(), quint8(4));
}

void TestRegisterModel::ofdQueueFollowsDocuments()
{
    EmulatorConfig config;
    config.ofdAckDelaySecs = 60;
    Model model(Preset::Registered, config);
    QCOMPARE(value(model.run(rq::cmd(0xFF3F)).mid(3, 2)), quint64(0)); // the history is a day old
    QVERIFY(model.runs({rq::cmd(0xE0), rq::item(0x80, 1000, 100, 0, QStringLiteral("x")), rq::close(100)}));
    // What FF39 reports of the queue shows on the window's OFD page (tst_readingops).
    const quint32 receipt = model.m.fiscalStorage().lastNumber();
    QCOMPARE(value(model.run(rq::cmd(0xFF3F)).mid(3, 2)), quint64(2));
    QCOMPARE(model.error(rq::document(0xFF3C, receipt)), 8);
    model.host = model.host.addSecs(61);
    QCOMPARE(value(model.run(rq::cmd(0xFF3F)).mid(3, 2)), quint64(0));
    QCOMPARE(model.run(rq::document(0xFF3C, receipt)).mid(26), rq::le(receipt, 4));
}

void TestRegisterModel::fnFromClosingToANewRegistration()
{
    EmulatorConfig config;
    config.ofdAckDelaySecs = 0;
    Model model(Preset::Registered, config);
    QVERIFY(model.runs({rq::cmd(0xFF3D), rq::cmd(0xFF3E)}));
    QCOMPARE(model.m.fiscalStorage().lastDocument()->type, quint8(6));
    QCOMPARE(model.run(rq::cmd(0xFF01)).at(3), '\x0F'); // all sent: archive closed
    QCOMPARE(model.error(rq::cmd(0xE0)), 2);

    // Back to the factory state: an empty archive, ready for registration.
    QCOMPARE(model.error(rq::withByte(0xFF07, 22)), 0);
    QCOMPARE(model.run(rq::cmd(0xFF01)).at(3), '\x01');
    QCOMPARE(model.error(rq::document(0xFF3A, 1)), 8);
    QCOMPARE(model.m.tables().text(18, 1, 2), QString());
    QCOMPARE(model.error(rq::cmd(0xFF09)), 2);

    const QString regNumber = rq::registrationNumber(3, 500100732259ull, model.m.state().serialNumber);
    QCOMPARE(model.error(rq::withByte(0xFF05, 0)), 0);
    const QByteArray reply = model.run(rq::registration(0xFF06, 500100732259ull, regNumber, 0x21, 0x05));
    QCOMPARE(rq::error(reply), 0);
    const QByteArray totals = model.run(rq::cmd(0xFF09));
    QCOMPARE(totals.mid(8, 34), "500100732259" + regNumber.toLatin1() + QByteArray(4, '\0') + "\x21\x05");
    QCOMPARE(totals.mid(43, 8), reply.mid(3, 8)); // FD number and fiscal sign
    QCOMPARE(model.m.tables().text(18, 1, 3), regNumber);
    QCOMPARE(model.m.tables().number(18, 1, 5), quint64(0x21));
    QCOMPARE(value(model.run(rq::cmd(0x11)).mid(42, 6)), quint64(500100732259ull));
}

void TestRegisterModel::stateSurvivesTheFile()
{
    Model model;
    QVERIFY(model.runs({rq::cmd(0xE0), rq::item(0x80, 3000, 2500, 1, QStringLiteral("Открытый чек")),
                        rq::table(0x1E, 4, 1, 1, QByteArray::fromHex("6400"))}));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("register.json"));
    QString error;
    QVERIFY2(model.m.save(path, &error), qPrintable(error));
    Model restored(Preset::OutOfBox);
    QVERIFY2(restored.m.load(path, &error), qPrintable(error));
    QCOMPARE(restored.m.toJson(), model.m.toJson());
    // The open receipt goes on where it was.
    QCOMPARE(restored.run(rq::close(10000)).mid(1), QByteArray::fromHex("001e") + rq::le(10000 - 7500, 5));

    // A tax group beyond the table, as a file edited by hand may give, is taken
    // as no VAT, not as a place past the sums by group.
    QVERIFY(writeFile(path, readFile(path).replace("\"taxGroup\": 1", "\"taxGroup\": 200")));
    QVERIFY2(model.m.load(path, &error), qPrintable(error));
    QCOMPARE(model.error(rq::close(10000)), 0);
    QCOMPARE(value(rq::tlv(model.lastTlv(), 1105)), quint64(7500));

    // A file written before the tables added since takes their defaults.
    QJsonObject earlier = model.m.toJson();
    QJsonObject tables = earlier.value(QStringLiteral("tables")).toObject();
    for (const QString &key : tables.keys()) {
        const QStringList at = key.split(QLatin1Char('.'));
        if (!QStringList{"1", "4", "6", "18", "19"}.contains(at.at(0))
            || (at.at(0) == "19" && at.at(2).toInt() > 2))
            tables.remove(key);
    }
    earlier.insert(QStringLiteral("tables"), tables);
    Model older(Preset::OutOfBox);
    QVERIFY2(older.m.fromJson(earlier, &error), qPrintable(error));
    QCOMPARE(older.m.tables().number(4, 1, 1), quint64(100));
    QCOMPARE(older.m.tables().number(19, 1, 3), quint64(30));
    QCOMPARE(older.m.tables().text(7, 3, 1), QStringLiteral("ОТДЕЛ 3"));
    QCOMPARE(older.error(rq::cmd(0x10, 5)), 0);

    QVERIFY(writeFile(path, "{\"format\": 7}"));
    QVERIFY(!restored.m.load(path, &error));
}

// Every table and field the register has answers 2D and 2E with what it
// holds: the name whole in 40 bytes, as many rows as 1F reads, and a number
// field's value out of the box within its range.
void TestRegisterModel::everyTableDescribesItself()
{
    Model model;
    for (const RegisterTables::Table &table : RegisterTables::definitions()) {
        const QByteArray t = rq::withByte(0x2D, static_cast<quint8>(table.number));
        const QByteArray reply = model.run(t);
        QCOMPARE(rq::error(reply), 0);
        const QString name = QString::fromUtf8(table.name);
        QCOMPARE(reply.mid(2, 40), rq::text(name, 40));
        QVERIFY2(rq::text(name, 41).at(40) == '\0', table.name);
        const int rows = static_cast<int>(value(reply.mid(42, 2)));
        QCOMPARE(rows, table.rows);
        const int fields = static_cast<quint8>(reply.at(44));
        QCOMPARE(fields, table.fields.size());
        QCOMPARE(model.error(rq::table(0x1F, table.number, rows + 1, 1)), 51);
        QCOMPARE(model.error(rq::table(0x1F, table.number, 1, fields + 1)), 51);
        for (int f = 1; f <= fields; ++f) {
            const QByteArray field =
                model.run(rq::withByte(0x2E, static_cast<quint8>(table.number)) + char(f));
            const QByteArray what = QByteArray::number(table.number) + "." + QByteArray::number(f);
            QVERIFY2(rq::error(field) == 0, what.constData());
            QCOMPARE(field.mid(2, 40), rq::text(QString::fromUtf8(table.fields.at(f - 1).name), 40));
            QVERIFY2(rq::text(QString::fromUtf8(table.fields.at(f - 1).name), 41).at(40) == '\0',
                     what.constData());
            const bool text = field.at(42) == 1;
            const int size = static_cast<quint8>(field.at(43));
            QCOMPARE(field.size(), text ? 44 : 44 + 2 * size);
            for (int row = 1; row <= rows; ++row) {
                const QByteArray read = model.run(rq::table(0x1F, table.number, row, f));
                QVERIFY2(rq::error(read) == 0 && read.size() == 2 + size, what.constData());
                if (!text) {
                    const quint64 v = value(read.mid(2));
                    QVERIFY2(v >= value(field.mid(44, size)) && v <= value(field.mid(44 + size, size)),
                             what.constData());
                }
            }
        }
    }
    QCOMPARE(model.error(rq::withByte(0x2D, 255)), 93);
}

QTEST_GUILESS_MAIN(TestRegisterModel)
#include "tst_registermodel.moc"
