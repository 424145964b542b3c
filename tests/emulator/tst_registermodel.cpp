// The register model behind the link: reply layouts against the shipped
// command descriptions, refusals, receipts and their documents, tables, clock,
// dump and the state file.

#include "firmwareimage.h"
#include "registermodel.h"
#include "registerrequests.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

using namespace kelo::emu;

namespace {

const QDateTime kHostTime(QDate(2026, 5, 20), QTime(12, 0), Qt::UTC);

struct Model
{
    explicit Model(Preset preset = Preset::Registered, EmulatorConfig config = EmulatorConfig()) : m(config)
    {
        m.setHostClock([this] { return host; });
        m.applyPreset(preset);
    }
    QByteArray run(const QByteArray &request) { return m.execute(request); }
    // Error byte of a reply (after one or two code bytes).
    static int error(const QByteArray &reply)
    {
        const int at = !reply.isEmpty() && static_cast<quint8>(reply.at(0)) == 0xFF ? 2 : 1;
        return reply.size() > at ? static_cast<quint8>(reply.at(at)) : -1;
    }
    QDateTime host = kHostTime;
    RegisterModel m;
};

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
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QHash<quint16, Layout> layouts;
    quint16 code = 0;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1String("CMD="))) {
            const QString first = line.mid(4).section(QLatin1Char(','), 0, 0);
            code = static_cast<quint16>(first.section(QLatin1Char('='), 1).toUInt(nullptr, 16));
        } else if (line.startsWith(QLatin1String("RPL=")) && code) {
            Layout layout;
            for (const QString &itemText : line.mid(4).split(QLatin1Char(','))) {
                const QChar type = itemText.at(0);
                int i = 1;
                while (i < itemText.size() && itemText.at(i).isDigit())
                    ++i;
                const int width = i > 1 ? itemText.mid(1, i - 1).toInt() : 1;
                if (type == QLatin1Char('/') || type == QLatin1Char('\\') || type == QLatin1Char(':'))
                    layout.width += 3;
                else if (type == QLatin1Char('|'))
                    layout.width += 2;
                else if (width == 0)
                    layout.variable = true;
                else
                    layout.width += width;
            }
            layouts.insert(code, layout);
            code = 0;
        }
    }
    return layouts;
}

using Requests = QList<QByteArray>;

QByteArray serialText(quint64 serial)
{
    return QStringLiteral("%1").arg(serial, 16, 10, QLatin1Char('0')).toLatin1();
}

QByteArray decodeTlvValue(const QByteArray &tlv, quint16 wanted)
{
    for (int pos = 0; pos + 4 <= tlv.size();) {
        const quint16 tag =
            static_cast<quint16>(static_cast<quint8>(tlv[pos]) | static_cast<quint8>(tlv[pos + 1]) << 8);
        const int len = static_cast<quint8>(tlv[pos + 2]) | static_cast<quint8>(tlv[pos + 3]) << 8;
        if (tag == wanted)
            return tlv.mid(pos + 4, len);
        pos += 4 + len;
    }
    return QByteArray();
}

quint64 leValue(const QByteArray &bytes)
{
    quint64 v = 0;
    for (int i = bytes.size() - 1; i >= 0; --i)
        v = (v << 8) | static_cast<quint8>(bytes.at(i));
    return v;
}

// Reads a whole document with FF3A and FF3B, as the service tool does.
QList<QPair<quint16, QByteArray>> readDocument(Model &model, quint32 number, int *type = nullptr)
{
    QList<QPair<quint16, QByteArray>> items;
    const QByteArray head = model.run(rq::document(0xFF3A, number));
    if (Model::error(head) != 0)
        return items;
    if (type)
        *type = static_cast<int>(leValue(head.mid(3, 2)));
    for (int guard = 0; guard < 200; ++guard) {
        const QByteArray reply = model.run(rq::cmd(0xFF3B));
        if (Model::error(reply) != 0) {
            if (Model::error(reply) != 8)
                items.append({0, QByteArray()}); // a document must end with "no more data"
            break;
        }
        const int len = static_cast<int>(leValue(reply.mid(5, 2)));
        items.append({static_cast<quint16>(leValue(reply.mid(3, 2))), reply.mid(7)});
        if (reply.size() - 7 != len)
            items.append({0, QByteArray()});
    }
    return items;
}

} // namespace

class TestRegisterModel : public QObject
{
    Q_OBJECT

private slots:
    void replyLayouts_data();
    void replyLayouts();
    void everyDescribedCommandIsAnswered();
    void passwordLevels_data();
    void passwordLevels();
    void refusals_data();
    void refusals();
    void receiptTotalsAndChange();
    void receiptDocumentItems();
    void correctionUsesCashlessOnce();
    void shiftOver24Hours();
    void dateConfirmationMovesTheClock();
    void tablesTakeShortValues();
    void registrationOutOfTheBox();
    void ofdQueueFollowsDocuments();
    void dumpHandsOutTheFirmware();
    void fnClosingAndReset();
    void stateSurvivesTheFile();
    void registeredPresetHasAShortHistory();
};

void TestRegisterModel::replyLayouts_data()
{
    QTest::addColumn<bool>("registered");
    QTest::addColumn<Requests>("setup");
    QTest::addColumn<QByteArray>("request");

    const QByteArray e0 = rq::cmd(0xE0);
    const QByteArray sale = rq::item(0x80, 1000, 10000, 1, QStringLiteral("Товар"));
    const QByteArray fd = rq::withByte(0xFF0D, 1) + rq::le(2000, 5) + rq::le(5000, 5) + rq::le(100, 5)
                          + rq::le(0, 5) + char(0) + char(1) + rq::le(0, 5)
                          + rq::text(QStringLiteral("Товар"), 220);
    auto row = [](const char *name, bool registered, Requests setup, const QByteArray &request) {
        QTest::newRow(name) << registered << setup << request;
    };
    row("FC", true, {}, rq::code(0xFC));
    row("11", true, {}, rq::cmd(0x11));
    row("10", true, {}, rq::cmd(0x10));
    row("FF01", true, {}, rq::cmd(0xFF01));
    row("FF02", true, {}, rq::cmd(0xFF02));
    row("FF03", true, {}, rq::cmd(0xFF03));
    row("FF04", true, {}, rq::cmd(0xFF04));
    row("16", true, {}, rq::code(0x16));
    row("27", true, {}, rq::cmd(0x27));
    row("2C", true, {}, rq::cmd(0x2C));
    row("21", true, {}, rq::cmd(0x21) + char(10) + char(11) + char(12));
    row("22", true, {}, rq::date(0x22, 21, 5, 26));
    row("23", true, {rq::date(0x22, 21, 5, 26)}, rq::date(0x23, 21, 5, 26));
    row("FE", true, {}, rq::code(0xFE) + char(0xF5) + serialText(1702000123));
    row("0E", true, {}, rq::cmd(0x0E) + rq::le(1702000123, 7));
    row("01", true, {}, rq::withByte(0x01, 6));
    row("02", true, {rq::withByte(0x01, 6)}, rq::cmd(0x02));
    row("03", true, {}, rq::cmd(0x03));
    row("FF05", true, {}, rq::withByte(0xFF05, 2));
    row("FF06", false, {rq::withByte(0xFF05, 0)},
        rq::registration(0xFF06, 7700000000, rq::registrationNumber(1, 7700000000, 1702000123), 1, 0));
    row("FF34", true, {rq::withByte(0xFF05, 2)},
        rq::registration(0xFF34, 7700000000, rq::registrationNumber(7, 7700000000, 1702000123), 4, 0));
    row("FF09", true, {}, rq::cmd(0xFF09));
    row("FF3D", true, {}, rq::cmd(0xFF3D));
    row("FF3E", true, {rq::cmd(0xFF3D)}, rq::cmd(0xFF3E));
    row("FF40", true, {}, rq::cmd(0xFF40));
    row("E0", true, {}, e0);
    row("41", true, {e0}, rq::cmd(0x41));
    row("40", true, {}, rq::cmd(0x40));
    row("FF37", true, {}, rq::cmd(0xFF37));
    row("FF38", true, {rq::cmd(0xFF37)}, rq::cmd(0xFF38));
    row("8D", true, {e0}, rq::withByte(0x8D, 0));
    row("80", true, {e0}, sale);
    row("81", true, {e0}, rq::item(0x81, 1000, 100, 0, QStringLiteral("Закупка")));
    row("82", true, {e0}, rq::item(0x82, 1000, 100, 0, QStringLiteral("Возврат")));
    row("83", true, {e0}, rq::item(0x83, 1000, 100, 0, QStringLiteral("Возврат")));
    row("84", true, {e0, sale}, rq::item(0x84, 1000, 10000, 1, QStringLiteral("Товар")));
    row("85", true, {e0, sale}, rq::close(20000));
    row("86", true, {e0, sale}, rq::adjustment(0x86, 100));
    row("87", true, {e0, sale}, rq::adjustment(0x87, 100));
    row("88", true, {e0, sale}, rq::cmd(0x88));
    row("8A", true, {e0, sale, rq::adjustment(0x86, 100)}, rq::adjustment(0x8A, 100));
    row("8B", true, {e0, sale, rq::adjustment(0x87, 100)}, rq::adjustment(0x8B, 100));
    row("FF35", true, {e0}, rq::cmd(0xFF35));
    row("FF36", true, {e0, rq::cmd(0xFF35)}, rq::cmd(0xFF36) + rq::le(5000, 5) + char(1));
    row("FF0D", true, {e0}, fd);
    row("FF08", true, {e0, sale}, rq::cmd(0xFF08));
    row("17", true, {}, rq::withByte(0x17, 3) + rq::text(QStringLiteral("Строка"), 40));
    row("26", true, {}, rq::withByte(0x26, 1));
    row("1E", true, {}, rq::table(0x1E, 18, 1, 7, QByteArray::fromHex("414200")));
    row("1F", true, {}, rq::table(0x1F, 18, 1, 7));
    row("FF39", true, {}, rq::cmd(0xFF39));
    row("FF3A", true, {}, rq::document(0xFF3A, 1));
    row("FF3B", true, {rq::document(0xFF3A, 1)}, rq::cmd(0xFF3B));
    row("FF3C", true, {}, rq::document(0xFF3C, 1));
    row("FF3F", true, {}, rq::cmd(0xFF3F));
    row("FF0A", true, {}, rq::document(0xFF0A, 3));
    row("FF0C", true, {e0, sale}, rq::cmd(0xFF0C) + rq::le(1008, 2) + rq::le(9, 2) + "a@b.test1");
    row("24", true, {}, rq::cmd(0x24));
    row("19", true, {}, rq::withByte(0x19, 1));
    row("2B", true, {rq::withByte(0x19, 1)}, rq::cmd(0x2B));
    row("14", true, {}, rq::cmd(0x14) + char(0) + char(6) + char(100));
    row("15", true, {}, rq::withByte(0x15, 0));
    row("FF07", true, {}, rq::withByte(0xFF07, 22));
}

void TestRegisterModel::replyLayouts()
{
    QFETCH(bool, registered);
    QFETCH(Requests, setup);
    QFETCH(QByteArray, request);
    static const QHash<quint16, Layout> layouts = describedReplyLayouts();
    QVERIFY2(!layouts.isEmpty(), "the command descriptions could not be read");

    Model model(registered ? Preset::Registered : Preset::OutOfBox);
    for (const QByteArray &step : setup)
        QCOMPARE(Model::error(model.run(step)), 0);
    const QByteArray reply = model.run(request);
    QCOMPARE(Model::error(reply), 0);
    const int codeSize = static_cast<quint8>(request.at(0)) == 0xFF ? 2 : 1;
    QCOMPARE(reply.left(codeSize), request.left(codeSize));
    const quint16 code = static_cast<quint16>(codeSize == 2 ? 0xFF00 | static_cast<quint8>(request.at(1))
                                                            : static_cast<quint8>(request.at(0)));
    QVERIFY(layouts.contains(code));
    const Layout layout = layouts.value(code);
    if (layout.variable)
        QVERIFY2(reply.size() >= layout.width, reply.toHex(' '));
    else
        QCOMPARE(reply.size(), layout.width);
}

void TestRegisterModel::everyDescribedCommandIsAnswered()
{
    // No described command may fall through to "unsupported".
    const QHash<quint16, Layout> layouts = describedReplyLayouts();
    QVERIFY(layouts.size() > 60);
    Model model;
    for (auto it = layouts.cbegin(); it != layouts.cend(); ++it) {
        const QByteArray reply = model.run(rq::code(it.key()));
        QVERIFY2(Model::error(reply) != RegisterModel::ErrUnsupported,
                 qPrintable(QString::number(it.key(), 16)));
    }
}

void TestRegisterModel::passwordLevels_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("operatorNo");

    QTest::newRow("operator reads the state") << rq::cmd(0x11, 5) << 0 << 5;
    QTest::newRow("administrator reads the state") << rq::cmd(0x11, 29) << 0 << 29;
    QTest::newRow("system administrator reads the state") << rq::cmd(0x11) << 0 << 30;
    QTest::newRow("unknown password") << rq::cmd(0x11, 1234) << 79 << -1;
    QTest::newRow("operator cannot close the shift") << rq::cmd(0x41, 5) << 79 << -1;
    QTest::newRow("administrator prints the X report") << rq::cmd(0x40, 29) << 0 << 29;
    QTest::newRow("administrator cannot query the FN") << rq::cmd(0xFF01, 29) << 79 << -1;
    QTest::newRow("system administrator at operator level") << rq::cmd(0xE0) << 0 << 30;
}

void TestRegisterModel::passwordLevels()
{
    QFETCH(QByteArray, request);
    QFETCH(int, error);
    QFETCH(int, operatorNo);
    Model model;
    const QByteArray reply = model.run(request);
    QCOMPARE(Model::error(reply), error);
    if (operatorNo >= 0)
        QCOMPARE(static_cast<int>(static_cast<quint8>(reply.at(2))), operatorNo);
}

void TestRegisterModel::refusals_data()
{
    QTest::addColumn<bool>("registered");
    QTest::addColumn<Requests>("setup");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("error");

    const QByteArray e0 = rq::cmd(0xE0);
    const QByteArray sale = rq::item(0x80, 1000, 10000, 1, QStringLiteral("Товар"));
    auto row = [](const char *name, bool registered, Requests setup, const QByteArray &request, int error) {
        QTest::newRow(name) << registered << setup << request << error;
    };
    row("unknown command", true, {}, rq::cmd(0x99), 55);
    row("unknown extended command", true, {}, rq::cmd(0xFF99), 55);
    row("request shorter than its layout", true, {}, rq::code(0x11) + char(30), 51);
    row("sale without a shift", true, {}, sale, 61);
    row("receipt opened twice", true, {e0, rq::withByte(0x8D, 0)}, rq::withByte(0x8D, 0), 74);
    row("return in a sale receipt", true, {e0, sale}, rq::item(0x82, 1000, 100, 0, QStringLiteral("x")), 73);
    row("payment short", true, {e0, sale}, rq::close(9999), 69);
    row("cashless above the total", true, {e0, sale}, rq::close(0, 10001), 77);
    row("discount above the total", true, {e0, sale}, rq::adjustment(0x86, 10001), 90);
    row("storno above the total", true, {e0, sale}, rq::item(0x84, 2000, 10000, 1, QStringLiteral("x")), 45);
    row("receipt without sales", true, {e0, rq::withByte(0x8D, 0)}, rq::close(0), 142);
    row("close without a receipt", true, {e0}, rq::close(100), 85);
    row("quantity overflows", true, {e0}, rq::item(0x80, 0xFFFFFFFFFFull, 0xFFFFFFFFFFull, 0, QString()), 96);
    row("shift opened twice", true, {e0}, e0, 115);
    row("shift on an unregistered FN", false, {}, e0, 2);
    row("correction without its start", true, {e0}, rq::cmd(0xFF36) + rq::le(100, 5) + char(1), 2);
    row("registration on a registered FN", true, {}, rq::withByte(0xFF05, 0), 2);
    row("registration number of another register", false, {rq::withByte(0xFF05, 0)},
        rq::registration(0xFF06, 7700000000, rq::registrationNumber(1, 7700000000, 99), 1, 0), 9);
    row("registration without a tax system", false, {rq::withByte(0xFF05, 0)},
        rq::registration(0xFF06, 7700000000, rq::registrationNumber(1, 7700000000, 1702000123), 0, 0), 9);
    row("another serial number", true, {}, rq::code(0xFE) + char(0xF5) + serialText(42), 18);
    row("serial number not digits", true, {}, rq::code(0xFE) + char(0xF5) + QByteArray("12ab567812345678"),
        51);
    row("unknown table", true, {}, rq::table(0x1F, 77, 1, 1), 93);
    row("unknown field", true, {}, rq::table(0x1F, 18, 1, 99), 51);
    row("row out of range", true, {}, rq::table(0x1F, 6, 5, 1), 51);
    row("read-only field", true, {}, rq::table(0x1E, 18, 1, 1, QByteArray::fromHex("3100")), 122);
    row("setting field with an open shift", true, {e0},
        rq::table(0x1E, 18, 1, 7, QByteArray::fromHex("4100")), 199);
    row("value longer than its field", true, {}, rq::table(0x1E, 6, 1, 1, QByteArray::fromHex("010203")), 51);
    row("item read without a document", true, {}, rq::cmd(0xFF3B), 8);
    row("unknown document", true, {}, rq::document(0xFF3A, 999), 8);
    row("block without a dump", true, {}, rq::cmd(0x02), 8);
    row("dump of another unit", true, {}, rq::withByte(0x01, 1), 51);
    row("date change with an open shift", true, {e0}, rq::date(0x22, 1, 1, 27), 115);
    row("impossible date", true, {}, rq::date(0x22, 31, 2, 27), 125);
    row("confirmation without a date", true, {}, rq::date(0x23, 21, 5, 26), 115);
    row("confirmation of another date", true, {rq::date(0x22, 21, 5, 26)}, rq::date(0x23, 22, 5, 26), 124);
    row("shift while the date waits", true, {rq::date(0x22, 21, 5, 26)}, e0, 192);
    row("date before the last document", true, {rq::date(0x22, 1, 1, 20)}, rq::date(0x23, 1, 1, 20), 7);
    row("receipt during a dump", true, {e0, rq::withByte(0x01, 6)}, rq::withByte(0x8D, 0), 115);
    row("TLV length not the data's", true, {e0, sale},
        rq::cmd(0xFF0C) + rq::le(1008, 2) + rq::le(3, 2) + "a@bc", 9);
    row("TLV without a document", true, {}, rq::cmd(0xFF0C) + rq::le(1008, 2) + rq::le(3, 2) + "a@b", 2);
    row("e-mail too long", true, {e0, sale},
        rq::cmd(0xFF0C) + rq::le(1008, 2) + rq::le(65, 2) + QByteArray(65, 'a'), 16);
    row("FN reset with an unknown code", true, {}, rq::withByte(0xFF07, 12), 9);
}

void TestRegisterModel::refusals()
{
    QFETCH(bool, registered);
    QFETCH(Requests, setup);
    QFETCH(QByteArray, request);
    QFETCH(int, error);
    Model model(registered ? Preset::Registered : Preset::OutOfBox);
    for (const QByteArray &step : setup)
        QCOMPARE(Model::error(model.run(step)), 0);
    const QJsonObject before = model.m.toJson();
    const QByteArray reply = model.run(request);
    QCOMPARE(Model::error(reply), error);
    // A refusal carries nothing but the echo and the error byte, and changes nothing.
    QCOMPARE(reply.size(), static_cast<quint8>(request.at(0)) == 0xFF ? 3 : 2);
    QCOMPARE(model.m.toJson(), before);
}

void TestRegisterModel::receiptTotalsAndChange()
{
    Model model;
    QCOMPARE(Model::error(model.run(rq::cmd(0xE0))), 0);
    QCOMPARE(Model::error(model.run(rq::item(0x80, 1500, 1200, 1, QStringLiteral("Сыр")))), 0);  // 18.00
    QCOMPARE(Model::error(model.run(rq::item(0x80, 2000, 99, 2, QStringLiteral("Спички")))), 0); // 1.98
    QCOMPARE(Model::error(model.run(rq::adjustment(0x86, 100))), 0);
    QCOMPARE(model.m.modeByte(), quint8(0x08));
    const QByteArray reply = model.run(rq::close(5000, 500));
    QCOMPARE(Model::error(reply), 0);
    QCOMPARE(leValue(reply.mid(3, 5)), quint64(5000 + 500 - 1898)); // change
    QCOMPARE(model.m.modeByte(), quint8(2));

    const QByteArray tlv = model.m.fiscalStorage().lastDocument()->tlv;
    QCOMPARE(leValue(decodeTlvValue(tlv, 1020)), quint64(1898));
    QCOMPARE(leValue(decodeTlvValue(tlv, 1031)), quint64(1398));
    QCOMPARE(leValue(decodeTlvValue(tlv, 1081)), quint64(500));
    QCOMPARE(leValue(decodeTlvValue(tlv, 1102)),
             quint64((1800ull * 1800 + 5900) / 11800)); // 18 % inside 18.00
    QCOMPARE(decodeTlvValue(tlv, 1054), QByteArray(1, '\x01'));
}

void TestRegisterModel::receiptDocumentItems()
{
    Model model;
    model.run(rq::cmd(0xE0));
    QCOMPARE(Model::error(model.run(rq::withByte(0x8D, 2))), 0); // a sale returned
    QCOMPARE(Model::error(model.run(rq::item(0x82, 1250, 4000, 0, QStringLiteral("Хлеб & <соль>")))), 0);
    QCOMPARE(Model::error(model.run(rq::cmd(0xFF0C) + rq::le(1008, 2) + rq::le(10, 2) + "buyer@x.ru")), 0);
    QCOMPARE(Model::error(model.run(rq::close(5000))), 0);

    int type = 0;
    const quint32 number = model.m.fiscalStorage().lastNumber();
    const auto items = readDocument(model, number, &type);
    QCOMPARE(type, 3);
    QVERIFY(!items.isEmpty());
    QHash<quint16, QByteArray> top;
    for (const auto &item : items) {
        QVERIFY2(item.first != 0, "the read did not end with error 8 or a length disagreed");
        top.insert(item.first, item.second);
    }
    QCOMPARE(leValue(top.value(1040)), quint64(number));
    QCOMPARE(top.value(1054), QByteArray(1, '\x02'));
    QCOMPARE(top.value(1008), QByteArray("buyer@x.ru"));
    QCOMPARE(top.value(1012).size(), 4);
    QCOMPARE(top.value(1077).size(), 6);
    const QByteArray product = top.value(1059);
    QCOMPARE(QTextCodec::codecForName("IBM 866")->toUnicode(decodeTlvValue(product, 1030)),
             QStringLiteral("Хлеб & <соль>"));
    QCOMPARE(decodeTlvValue(product, 1023), QByteArray::fromHex("02"
                                                                "7d")); // 1.25
    QCOMPARE(leValue(decodeTlvValue(product, 1079)), quint64(4000));
    QCOMPARE(leValue(decodeTlvValue(product, 1043)), quint64(5000));
    // The fiscal sign in the document is the one FF0A reports.
    const QByteArray found = model.run(rq::document(0xFF0A, number));
    QCOMPARE(Model::error(found), 0);
    quint64 sign = 0;
    for (char c : top.value(1077).mid(2))
        sign = (sign << 8) | static_cast<quint8>(c);
    QCOMPARE(sign, leValue(found.mid(14, 4)));
}

void TestRegisterModel::correctionUsesCashlessOnce()
{
    Model model;
    model.run(rq::cmd(0xE0));
    QCOMPARE(Model::error(model.run(rq::table(0x1E, 4, 1, 1, QByteArray::fromHex("e80300")))),
             0); // 10.00 cashless, open shift
    model.run(rq::cmd(0xFF35));
    const QByteArray reply = model.run(rq::cmd(0xFF36) + rq::le(2500, 5) + char(3));
    QCOMPARE(Model::error(reply), 0);
    QCOMPARE(model.m.fiscalStorage().lastDocument()->type, quint8(31));
    const QByteArray tlv = model.m.fiscalStorage().lastDocument()->tlv;
    QCOMPARE(leValue(decodeTlvValue(tlv, 1081)), quint64(1000));
    QCOMPARE(leValue(decodeTlvValue(tlv, 1031)), quint64(1500));
    QCOMPARE(leValue(reply.mid(3, 4)), quint64(1)); // first receipt of the shift
    QCOMPARE(leValue(reply.mid(7, 4)), quint64(model.m.fiscalStorage().lastNumber())); // FD number
    QCOMPARE(model.m.tables().number(4, 1, 1), quint64(0));
}

void TestRegisterModel::shiftOver24Hours()
{
    Model model;
    model.run(rq::cmd(0xE0));
    model.host = model.host.addSecs(25 * 3600);
    QCOMPARE(model.m.modeByte(), quint8(3));
    QCOMPARE(Model::error(model.run(rq::withByte(0x8D, 0))), 78);
    QCOMPARE(Model::error(model.run(rq::cmd(0x41))), 0);
    QCOMPARE(model.m.modeByte(), quint8(4));
}

void TestRegisterModel::dateConfirmationMovesTheClock()
{
    Model model;
    QCOMPARE(Model::error(model.run(rq::date(0x22, 1, 9, 27))), 0);
    QCOMPARE(model.m.modeByte(), quint8(6));
    QCOMPARE(Model::error(model.run(rq::date(0x23, 1, 9, 27))), 0);
    QCOMPARE(Model::error(model.run(rq::cmd(0x21) + char(23) + char(59) + char(30))), 0);
    const QByteArray state = model.run(rq::cmd(0x11));
    QCOMPARE(state.mid(25, 6), QByteArray::fromHex("01091b173b1e")); // date 01.09.27, time 23:59:30
    model.host = model.host.addSecs(60);
    QCOMPARE(model.m.now(), QDateTime(QDate(2027, 9, 2), QTime(0, 0, 30), Qt::UTC));
}

void TestRegisterModel::tablesTakeShortValues()
{
    Model model;
    // Texts arrive with one zero byte, numbers without their high zero bytes.
    QCOMPARE(Model::error(model.run(rq::table(0x1E, 18, 1, 7, QByteArray("ABC", 3) + '\0'))), 0);
    QByteArray reply = model.run(rq::table(0x1F, 18, 1, 7));
    QCOMPARE(reply.size(), 2 + 128);
    QCOMPARE(reply.mid(2), QByteArray("ABC") + QByteArray(125, '\0'));
    QCOMPARE(Model::error(model.run(rq::table(0x1E, 6, 2, 1, QByteArray::fromHex("080700")))), 0);
    QCOMPARE(model.run(rq::table(0x1F, 6, 2, 1)).mid(2), QByteArray::fromHex("0807"));
    QCOMPARE(Model::error(model.run(rq::table(0x1E, 19, 1, 2, QByteArray::fromHex("00")))), 0);
    QCOMPARE(model.run(rq::table(0x1F, 19, 1, 2)).mid(2), QByteArray::fromHex("0000"));
    // The tax system is written before every receipt command, shift or not.
    model.run(rq::cmd(0xE0));
    QCOMPARE(Model::error(model.run(rq::table(0x1E, 18, 1, 5, QByteArray::fromHex("0200")))), 0);
    QCOMPARE(model.m.tables().number(18, 1, 5), quint64(2));
}

void TestRegisterModel::registrationOutOfTheBox()
{
    Model model(Preset::OutOfBox);
    const quint64 serial = model.m.state().serialNumber;
    QVERIFY(serial != 0);
    QCOMPARE(static_cast<quint8>(model.run(rq::cmd(0xFF01)).at(3)), quint8(0x01)); // ready for registration
    QCOMPARE(Model::error(model.run(rq::cmd(0xFF09))), 2);
    const QString regNumber = rq::registrationNumber(3, 500100732259ull, serial);
    QCOMPARE(Model::error(model.run(rq::withByte(0xFF05, 0))), 0);
    const QByteArray reply = model.run(rq::registration(0xFF06, 500100732259ull, regNumber, 0x21, 0x05));
    QCOMPARE(Model::error(reply), 0);
    const QByteArray totals = model.run(rq::cmd(0xFF09));
    QCOMPARE(Model::error(totals), 0);
    QCOMPARE(totals.mid(8, 12), QByteArray("500100732259"));
    QCOMPARE(totals.mid(20, 20), regNumber.toLatin1() + QByteArray(4, '\0'));
    QCOMPARE(totals.mid(40, 2), QByteArray::fromHex("2105"));
    QCOMPARE(totals.mid(43, 8), reply.mid(3, 8)); // FD number and fiscal sign
    QCOMPARE(model.m.tables().text(18, 1, 3), regNumber);
    QCOMPARE(model.m.tables().number(18, 1, 5), quint64(0x21));
    QCOMPARE(leValue(model.run(rq::cmd(0x11)).mid(42, 6)), quint64(500100732259ull));
}

void TestRegisterModel::ofdQueueFollowsDocuments()
{
    EmulatorConfig config;
    config.ofdAckDelaySecs = 60;
    Model model(Preset::Registered, config);
    QCOMPARE(leValue(model.run(rq::cmd(0xFF3F)).mid(3, 2)), quint64(0)); // the history is a day old
    model.run(rq::cmd(0xE0));
    model.run(rq::item(0x80, 1000, 100, 0, QStringLiteral("x")));
    model.run(rq::close(100));
    const quint32 receipt = model.m.fiscalStorage().lastNumber();
    QByteArray status = model.run(rq::cmd(0xFF39));
    QCOMPARE(static_cast<quint8>(status.at(3)), quint8(0x07));
    QCOMPARE(leValue(status.mid(5, 2)), quint64(2));
    QCOMPARE(leValue(status.mid(7, 4)), quint64(receipt - 1));
    QCOMPARE(Model::error(model.run(rq::document(0xFF3C, receipt))), 8);
    model.host = model.host.addSecs(61);
    QCOMPARE(leValue(model.run(rq::cmd(0xFF3F)).mid(3, 2)), quint64(0));
    const QByteArray ack = model.run(rq::document(0xFF3C, receipt));
    QCOMPARE(Model::error(ack), 0);
    QCOMPARE(leValue(ack.mid(26, 4)), quint64(receipt));
}

void TestRegisterModel::dumpHandsOutTheFirmware()
{
    EmulatorConfig config;
    config.dumpBlocks = 5;
    Model model(Preset::Registered, config);
    QCOMPARE(Model::error(model.run(rq::cmd(0x03))), 0); // stopping nothing is fine
    const QByteArray start = model.run(rq::withByte(0x01, 6));
    QCOMPARE(leValue(start.mid(2, 2)), quint64(5));
    QCOMPARE(model.m.modeByte(), quint8(1));
    QByteArray image;
    for (int block = 0; block < 5; ++block) {
        const QByteArray reply = model.run(rq::cmd(0x02));
        QCOMPARE(Model::error(reply), 0);
        QCOMPARE(static_cast<int>(reply.at(2)), 6);
        QCOMPARE(leValue(reply.mid(3, 2)), quint64(block));
        image += reply.mid(5);
    }
    QCOMPARE(image, FirmwareImage::build(5));
    QCOMPARE(Model::error(model.run(rq::cmd(0x02))), 8);
    QCOMPARE(model.m.modeByte(), quint8(4));
    QCOMPARE(FirmwareImage::md5Hex(5), QCryptographicHash::hash(image, QCryptographicHash::Md5).toHex());
}

void TestRegisterModel::fnClosingAndReset()
{
    EmulatorConfig config;
    config.ofdAckDelaySecs = 0;
    Model model(Preset::Registered, config);
    model.run(rq::cmd(0xFF3D));
    QCOMPARE(Model::error(model.run(rq::cmd(0xFF3E))), 0);
    QCOMPARE(model.m.fiscalStorage().lastDocument()->type, quint8(6));
    QCOMPARE(static_cast<quint8>(model.run(rq::cmd(0xFF01)).at(3)), quint8(0x0F)); // all sent: archive closed
    QCOMPARE(Model::error(model.run(rq::cmd(0xE0))), 2);
    QCOMPARE(Model::error(model.run(rq::withByte(0xFF07, 22))), 0);
    QCOMPARE(static_cast<quint8>(model.run(rq::cmd(0xFF01)).at(3)), quint8(0x01));
    QCOMPARE(Model::error(model.run(rq::document(0xFF3A, 1))), 8);
    QCOMPARE(model.m.tables().text(18, 1, 2), QString());
}

void TestRegisterModel::stateSurvivesTheFile()
{
    Model model;
    model.run(rq::cmd(0xE0));
    model.run(rq::item(0x80, 3000, 2500, 1, QStringLiteral("Открытый чек")));
    model.run(rq::table(0x1E, 4, 1, 1, QByteArray::fromHex("6400")));
    model.run(rq::withByte(0xFF35, 0)); // refused: a receipt is open; nothing changes

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("register.json"));
    QString error;
    QVERIFY2(model.m.save(path, &error), qPrintable(error));
    Model restored(Preset::OutOfBox);
    QVERIFY2(restored.m.load(path, &error), qPrintable(error));
    QCOMPARE(restored.m.toJson(), model.m.toJson());
    QCOMPARE(readDocument(restored, 4), readDocument(model, 4));
    // The open receipt goes on where it was.
    const QByteArray closed = restored.run(rq::close(10000));
    QCOMPARE(Model::error(closed), 0);
    QCOMPARE(leValue(closed.mid(3, 5)), quint64(10000 - 7500));

    QFile broken(path);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("{\"format\": 7}");
    broken.close();
    QVERIFY(!restored.m.load(path, &error));
}

void TestRegisterModel::registeredPresetHasAShortHistory()
{
    Model model;
    const FiscalStorage &fn = model.m.fiscalStorage();
    QCOMPARE(fn.lastNumber(), quint32(7));
    const QList<int> types = {1, 2, 3, 3, 3, 31, 5};
    QDateTime previous;
    for (quint32 n = 1; n <= fn.lastNumber(); ++n) {
        const FiscalStorage::Document *doc = fn.find(n);
        QCOMPARE(static_cast<int>(doc->type), types.at(static_cast<int>(n) - 1));
        QVERIFY(!previous.isValid() || previous <= doc->time);
        previous = doc->time;
    }
    QCOMPARE(fn.find(1)->time.date(), kHostTime.date().addDays(-3));
    QCOMPARE(fn.lastDocument()->time, QDateTime(kHostTime.date().addDays(-1), QTime(18, 0), Qt::UTC));
    QCOMPARE(model.m.now(), kHostTime); // the clock is back to the present
    QCOMPARE(model.m.modeByte(), quint8(4));
}

QTEST_GUILESS_MAIN(TestRegisterModel)
#include "tst_registermodel.moc"
