// The TLV model: decoding of every value type, structures, bounds, copies.

#include "tlvfixtures.h"

#include <QtTest>

using namespace tlvfix;

namespace {

// "1059[1030,1079]": the tags of an item and, in brackets, of its children.
QString shape(const MTLVDocument &item)
{
    QString text = QString::number(item.tag);
    if (!item.children.isEmpty()) {
        QStringList parts;
        for (const MTLVDocument &child : item.children)
            parts << shape(child);
        text += QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    return text;
}

} // namespace

class TestMTLVDocument : public QObject
{
    Q_OBJECT

private slots:
    void decode_data();
    void decode();
    void structure_data();
    void structure();
    void nestingIsBounded();
    void receivedBytesBoundTheValueAndNothingStays();
    void sequenceKeepsUnknownTopLevelItems();
    void copiesAreDeep();
};

void TestMTLVDocument::decode_data()
{
    QTest::addColumn<int>("tag");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QVariant>("expected");

    const QVariant null;
    QTest::newRow("Byte is unsigned") << 1054 << QByteArray::fromHex("ff") << QVariant(255);
    QTest::newRow("Byte, 2 bytes") << 1054 << QByteArray::fromHex("0100") << null;
    QTest::newRow("Byte, empty") << 1054 << QByteArray() << null;
    QTest::newRow("UInt32") << 1040 << QByteArray::fromHex("78563412") << QVariant(0x12345678u);
    QTest::newRow("UInt32 top bit") << 1040 << QByteArray::fromHex("feffffff") << QVariant(4294967294u);
    QTest::newRow("UInt32, 5 bytes") << 1040 << QByteArray::fromHex("0102030405") << null;
    QTest::newRow("UnixTime, 3 bytes") << 1098 << QByteArray::fromHex("002f68") << null;
    QTest::newRow("VLN 8 bytes") << 1020 << QByteArray::fromHex("ffffffffffffffff")
                                 << QVariant(18446744073709551615ull);
    QTest::newRow("FVLN 123.45") << 1023 << QByteArray::fromHex("023930") << QVariant(123.45);
    QTest::newRow("FVLN 5 bytes unsigned")
        << 1070 << QByteArray::fromHex("03ffffffff") << QVariant(4294967.295);
    QTest::newRow("FVLN 1 byte") << 1023 << QByteArray::fromHex("02") << null;
    QTest::newRow("FVLN 6 bytes") << 1023 << QByteArray::fromHex("020100000000") << null;
    QTest::newRow("String IBM 866 trimmed") << 1030 << QByteArray::fromHex("208fe0a8a2a5e220a8f0ff0d0a20")
                                            << QVariant(QStringLiteral("Привет иЁ"));
    QTest::newRow("String inner blanks kept")
        << 1021 << QByteArray::fromHex("8f2020e0") << QVariant(QStringLiteral("П  р"));
    QTest::newRow("String empty") << 1021 << QByteArray() << QVariant(QString());
    QTest::newRow("Bytes") << 1077 << QByteArray::fromHex("00001280abcd")
                           << QVariant(QByteArray::fromHex("00001280abcd"));
    QTest::newRow("STLV has no value") << 1059 << tlv(1030, "A") << null;
}

void TestMTLVDocument::decode()
{
    QFETCH(int, tag);
    QFETCH(QByteArray, value);
    QFETCH(QVariant, expected);

    const MTLVDocument item = decoded(quint16(tag), value);
    QVERIFY(item.isKnown);
    QCOMPARE(int(item.length), value.size());
    QCOMPARE(item.data, value);
    QCOMPARE(item.value.isValid(), expected.isValid());
    if (expected.isValid()) {
        QCOMPARE(item.value.typeId(), expected.typeId());
        QCOMPARE(item.value, expected);
    }
}

void TestMTLVDocument::structure_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("children");

    const QByteArray name = tlv(1030, text866(QStringLiteral("Хлеб")));
    const QByteArray price = tlv(1079, le(4550, 2));
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("two items") << name + price << "1030,1079";
    QTest::newRow("empty item kept") << tlv(1030, {}) + price << "1030,1079";
    QTest::newRow("three stray bytes") << name + QByteArray::fromHex("1e0400") << "1030";
    QTest::newRow("header without value") << name + QByteArray::fromHex("1e040000") << "1030,1054";
    QTest::newRow("last length past the end") << name + QByteArray::fromHex("3704050001") << "1030";
    QTest::newRow("length past the end stops") << QByteArray::fromHex("3704ffff") + price << QString();
    QTest::newRow("unknown child kept in place") << name + tlv(4321, price) + price << "1030,4321,1079";
    QTest::newRow("tag 0 kept") << tlv(0, "xy") + price << "0,1079";
    QTest::newRow("nested structure")
        << tlv(1112, tlv(1064, le(100, 1)) + tlv(1063, QByteArray::fromHex("0105"))) + price
        << "1112[1064,1063],1079";
}

void TestMTLVDocument::structure()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, children);

    const MTLVDocument item = decoded(1059, value);
    QCOMPARE(shape(item), children.isEmpty() ? QStringLiteral("1059") : "1059[" + children + ']');
    QCOMPARE(item.data, value);
}

void TestMTLVDocument::nestingIsBounded()
{
    // 40 structures inside each other, a string at the bottom.
    QByteArray value = tlv(1030, "deep");
    for (int i = 0; i < 40; ++i)
        value = tlv(1059, value);
    const MTLVDocument item = decoded(1059, value);

    int depth = 1;
    const MTLVDocument *deepest = &item;
    for (; !deepest->children.isEmpty(); ++depth)
        deepest = &deepest->children.first();
    QCOMPARE(depth, MTLVDocument::maxNesting + 1);
    QCOMPARE(deepest->tag, quint16(1059));
    QVERIFY(!deepest->data.isEmpty()); // kept, just not descended into
}

void TestMTLVDocument::receivedBytesBoundTheValueAndNothingStays()
{
    MTLVDocument item;
    // Fewer bytes arrived than the header claims: the sum would be wrong, so none.
    item.setData(1020, 8, QByteArray::fromHex("0102"));
    QCOMPARE(item.length, quint16(8));
    QCOMPARE(item.data, QByteArray::fromHex("0102"));
    QVERIFY(!item.value.isValid());

    item.setData(1030, 10, text866(QStringLiteral("Хле")));
    QVERIFY(!item.value.isValid());

    // A cut structure keeps the items that arrived whole.
    const QByteArray whole = tlv(1030, "A") + tlv(1079, le(4550, 2));
    item.setData(1059, quint16(whole.size()), whole.left(whole.size() - 1));
    QCOMPARE(shape(item), QStringLiteral("1059[1030]"));

    // Bytes after the value belong to someone else.
    item.setData(1040, 4, QByteArray::fromHex("01000000ff"));
    QCOMPARE(item.data, QByteArray::fromHex("01000000"));
    QCOMPARE(item.value, QVariant(1u));

    item.setData(1040, 4, static_cast<const char *>(nullptr));
    QVERIFY(item.data.isEmpty());
    QVERIFY(!item.value.isValid());

    // A reused item keeps nothing of its last tag.
    item = decoded(1059, tlv(1030, "A") + tlv(1079, le(1, 1)));
    item.parseSTLV(tlv(1043, le(5, 1)));
    QCOMPARE(shape(item), QStringLiteral("1059[1043]"));
    QCOMPARE(item.children.first().value, QVariant(5ull));
    item.parseSTLV(QByteArray::fromHex("010203"));
    QVERIFY(item.children.isEmpty());

    item = decoded(1059, tlv(1030, "A"));
    item.setData(1020, 0, nullptr);
    QVERIFY(item.isKnown);
    QVERIFY(item.children.isEmpty());
    QCOMPARE(item.value, QVariant(0ull));

    const QByteArray raw = QByteArray::fromHex("41424344");
    item.setData(4321, 4, raw.constData());
    QVERIFY(!item.isKnown);
    QCOMPARE(item.description.type, int(MTLVData::NoType));
    QVERIFY(!item.value.isValid());
    QCOMPARE(item.data, raw); // an unknown item still carries its bytes
}

void TestMTLVDocument::sequenceKeepsUnknownTopLevelItems()
{
    const QByteArray bytes = receiptBytes();
    qsizetype consumed = -1;
    const QList<MTLVDocument> items =
        MTLVDocument::parseSequence(bytes + QByteArray::fromHex("3704ff"), 3, &consumed);
    QCOMPARE(consumed, bytes.size());
    QStringList shapes;
    for (const MTLVDocument &item : items) {
        QCOMPARE(item.docType, quint16(3));
        for (const MTLVDocument &child : item.children)
            QCOMPARE(child.docType, quint16(3));
        shapes << shape(item);
    }
    QCOMPARE(shapes.join(QLatin1Char(',')),
             QStringLiteral("1048,1018,1012,1054,1055,1059[1030,1079,1023,1043],1059[1030,1079,1023,1043],"
                            "1020,1031,1081,1234,1077,1078"));
    QVERIFY(!items.at(10).isKnown);
    QCOMPARE(items.at(10).data, QByteArray::fromHex("0102"));
}

void TestMTLVDocument::copiesAreDeep()
{
    const MTLVDocument original = MTLVDocument::parseSequence(receiptBytes(), 3).at(5);
    MTLVDocument copy(original);
    copy.children[0].value = QStringLiteral("changed");
    copy.children[0].children.append(MTLVDocument());
    copy.children.removeLast();
    MTLVDocument assigned;
    assigned = original;
    assigned.children[1].setData(1079, 1, "\x05");
    QCOMPARE(shape(original), QStringLiteral("1059[1030,1079,1023,1043]"));
    QCOMPARE(original.children.at(0).value, QVariant(QStringLiteral("Хлеб  ржаной")));
    QCOMPARE(original.children.at(1).value, QVariant(4550ull));
    QCOMPARE(assigned.description.name, original.description.name);
    QCOMPARE(assigned.data, original.data);

    // A copy never takes the original's QObject parent: it outlives it.
    auto *owner = new QObject;
    auto *owned = new MTLVDocument(owner);
    owned->setData(1059, 4 + 1, tlv(1030, "A").constData());
    const MTLVDocument kept(*owned);
    QCOMPARE(kept.parent(), nullptr);
    delete owner;
    QCOMPARE(shape(kept), QStringLiteral("1059[1030]"));
    QCOMPARE(kept.children.first().parent(), nullptr);
}

QTEST_GUILESS_MAIN(TestMTLVDocument)
#include "tst_mtlvdocument.moc"
