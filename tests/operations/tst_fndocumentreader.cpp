// The fiscal document read loop against a scripted register: how a document
// ends, that no register can keep it reading forever, and that a reply short
// of an item is a damaged document (the verdict of both front ends).

#include "fndocumentreader.h"
#include "scriptedreply.h"

#include <mtlvdocument.h>

#include <QTest>

using namespace ops;
using scripted::le16;

namespace {

// The register's side: FF3A gives the type, then each FF3B the next item of
// the script until it runs out (error 8).
struct ScriptedRegister
{
    struct Item
    {
        int tag;
        QByteArray value;
        int declaredLength = -1; // -1: the value's own length
    };

    QList<Item> items;
    int endless = 0; // items of this size after the script, for ever
    int failAt = -1; // FF3B number (0-based) refused with error 16
    bool shortReplyAt0 = false;
    int requests = 0;

    bool exec(const QString &command)
    {
        const QByteArray head = QByteArray::fromHex("ff00");
        if (command.startsWith(QLatin1String("FF3A")))
            return scripted::reply({head, "", le16(3), QByteArray(1, char(0xFF))});
        const int n = requests++;
        if (n == failAt || (n >= items.size() && endless == 0))
            return scripted::fail(n == failAt ? 16 : 8);
        if (shortReplyAt0 && n == 0)
            return scripted::reply({head, ""}); // a well-framed reply without the item values
        const Item item = n < items.size() ? items.at(n) : Item{1030, QByteArray(endless, 'x')};
        const int length = item.declaredLength >= 0 ? item.declaredLength : int(item.value.size());
        return scripted::reply({head, "", le16(item.tag), le16(length), item.value});
    }
};

} // namespace

Q_DECLARE_METATYPE(ScriptedRegister)

class TstFnDocumentReader : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
};

void TstFnDocumentReader::read_data()
{
    QTest::addColumn<ScriptedRegister>("reg");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("items");     // -1: not checked
    QTest::addColumn<int>("requests");  // FF3B commands sent
    QTest::addColumn<int>("errorCode"); // of a failed reading
    QTest::addColumn<QString>("error");

    const ScriptedRegister::Item shift{1038, QByteArray("\x02\x00\x00\x00", 4)};
    ScriptedRegister reg;
    reg.items = {shift, {1059, QByteArray()}, {4321, "zz"}}; // the unknown 4321 kept, as the window keeps it
    QTest::newRow("error 8 ends it") << reg << int(FnDocument::Complete) << 3 << 4 << 0 << QString();
    reg.items = {shift, {0, QByteArray()}, {1038, "never"}};
    QTest::newRow("tag 0 ends it") << reg << int(FnDocument::Complete) << -1 << 2 << 0 << QString();
    reg.items = {};
    QTest::newRow("no document") << reg << int(FnDocument::Failed) << 0 << 1 << 8 << QString();
    // What came before a refusal stays for the caller to show.
    reg.items = {shift, shift};
    reg.failAt = 1;
    QTest::newRow("refused half-way") << reg << int(FnDocument::Failed) << 1 << 2 << 16 << QString();
    reg = ScriptedRegister();
    reg.items = {{1030, "abc", 10}};
    QTest::newRow("value shorter than its length")
        << reg << int(FnDocument::Damaged) << 0 << 1 << 0 << QStringLiteral("3 байт из 10");
    // A reply without item values must not be taken for "the same item again".
    reg.items = {shift};
    reg.shortReplyAt0 = true;
    QTest::newRow("reply without the item") << reg << int(FnDocument::Damaged) << 0 << 1 << 0 << QString();

    reg = ScriptedRegister();
    reg.endless = 1;
    QTest::newRow("endless items") << reg << int(FnDocument::Cut) << FnDocumentReader::kMaxItems
                                   << FnDocumentReader::kMaxItems + 1 << 0 << QString();
    reg.endless = 250;
    QTest::newRow("endless bytes") << reg << int(FnDocument::Cut) << FnDocumentReader::kMaxBytes / 254
                                   << FnDocumentReader::kMaxBytes / 254 + 1 << 0 << QString();
    // 65,535 bytes of items: 256 items of 255 bytes (4 + 251) and one of 255;
    // one byte more and it is cut.
    reg = ScriptedRegister();
    for (int i = 0; i < 256; ++i)
        reg.items.append({1030, QByteArray(251, 'x')});
    reg.items.append({1030, QByteArray(65535 - 256 * 255 - 4, 'y')});
    QTest::newRow("exactly at the bound") << reg << int(FnDocument::Complete) << 257 << 258 << 0 << QString();
    reg.items.last().value.append('z');
    QTest::newRow("one byte over") << reg << int(FnDocument::Cut) << 256 << 257 << 0 << QString();
}

void TstFnDocumentReader::read()
{
    QFETCH(ScriptedRegister, reg);
    QFETCH(int, status);
    QFETCH(int, items);
    QFETCH(int, requests);
    QFETCH(int, errorCode);
    QFETCH(QString, error);
    FnDocumentReader reader([&reg](const QString &c) { return reg.exec(c); }, QStringLiteral("30"));
    const FnDocument doc = reader.read(5);
    QCOMPARE(int(doc.status), status);
    if (items >= 0)
        QCOMPARE(doc.items.size(), items);
    QCOMPARE(reg.requests, requests);
    QCOMPARE(doc.docType, quint16(3));
    for (const MTLVDocument &item : doc.tlvItems())
        QCOMPARE(item.docType, quint16(3));
    if (status == FnDocument::Failed)
        QCOMPARE(doc.errorCode, errorCode);
    QVERIFY2(doc.error.contains(error), qPrintable(doc.error));
}

QTEST_GUILESS_MAIN(TstFnDocumentReader)
#include "tst_fndocumentreader.moc"
