// The fiscal document read loop against a scripted register: how a document
// ends, and that no register can keep it reading forever.

#include "fndocumentreader.h"
#include "razbcmd.h"
#include "testfp.h"

#include <QTest>

namespace {

CmdItem value(const QByteArray &bytes)
{
    CmdItem item;
    item.value = bytes;
    item.len = quint32(bytes.size());
    return item;
}

QByteArray le16(int n)
{
    return QByteArray(1, char(n & 0xFF)) + char((n >> 8) & 0xFF);
}

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
        rplItems.clear();
        rplItems.append(value("\xff"));
        rplItems.append(value(QByteArray(1, '\0')));
        if (command.startsWith(QLatin1String("FF3A"))) {
            rplItems.append(value(le16(3)));
            rplItems.append(value(QByteArray(1, char(0xFF))));
            return true;
        }
        const int n = requests++;
        if (n == failAt || (n >= items.size() && endless == 0)) {
            rplItems.clear();
            lastErrCode = n == failAt ? 16 : 8;
            lastErrText = QStringLiteral("[%1]: refused!").arg(lastErrCode);
            return false;
        }
        if (shortReplyAt0 && n == 0)
            return true; // a well-framed reply without the item values
        const Item item = n < items.size() ? items.at(n) : Item{1030, QByteArray(endless, 'x')};
        rplItems.append(value(le16(item.tag)));
        rplItems.append(value(le16(item.declaredLength >= 0 ? item.declaredLength : int(item.value.size()))));
        rplItems.append(value(item.value));
        lastErrCode = 0;
        return true;
    }
};

FnDocument readWith(ScriptedRegister &reg)
{
    FnDocumentReader reader([&reg](const QString &c) { return reg.exec(c); }, QStringLiteral("30"));
    return reader.read(5);
}

} // namespace

class TstFnDocumentReader : public QObject
{
    Q_OBJECT
private slots:
    void errorEightEndsACompleteDocument();
    void failuresAndDamage();
    void endlessItemsAreCut();
    void endlessBytesAreCut();
    void exactlyAtTheBoundIsStillComplete();
};

void TstFnDocumentReader::errorEightEndsACompleteDocument()
{
    ScriptedRegister reg;
    reg.items = {{1038, QByteArray("\x02\x00\x00\x00", 4)}, {1059, QByteArray()}, {4321, "zz"}};
    const FnDocument doc = readWith(reg);
    QCOMPARE(doc.status, FnDocument::Complete);
    QCOMPARE(doc.docType, quint16(3));
    QCOMPARE(doc.items.size(), 3);
    QCOMPARE(doc.items.at(0).value.toUInt(), 2u);
    QCOMPARE(doc.items.at(0).docType, quint16(3));
    QVERIFY(!doc.items.at(2).isKnown); // kept, as the window keeps it
    QCOMPARE(reg.requests, 4);

    // A zero tag ends it too, without asking further.
    ScriptedRegister zero;
    zero.items = {{1038, QByteArray("\x02\x00\x00\x00", 4)}, {0, QByteArray()}, {1038, "never"}};
    QCOMPARE(readWith(zero).status, FnDocument::Complete);
    QCOMPARE(zero.requests, 2);
}

void TstFnDocumentReader::failuresAndDamage()
{
    ScriptedRegister empty;
    const FnDocument none = readWith(empty);
    QCOMPARE(none.status, FnDocument::Failed);
    QCOMPARE(none.errorCode, 8);

    ScriptedRegister refused;
    refused.items = {{1038, QByteArray("\x02\x00\x00\x00", 4)}, {1038, QByteArray("\x03\x00\x00\x00", 4)}};
    refused.failAt = 1;
    const FnDocument half = readWith(refused);
    QCOMPARE(half.status, FnDocument::Failed);
    QCOMPARE(half.errorCode, 16);
    QCOMPARE(half.items.size(), 1); // what came before stays for the caller to show

    ScriptedRegister shortValue;
    shortValue.items = {{1030, "abc", 10}};
    const FnDocument cut = readWith(shortValue);
    QCOMPARE(cut.status, FnDocument::Damaged);
    QVERIFY(cut.error.contains(QLatin1String("3 bytes of its 10")));

    // A reply without item values must not be taken for "the same item again".
    ScriptedRegister bare;
    bare.items = {{1038, QByteArray("\x02\x00\x00\x00", 4)}};
    bare.shortReplyAt0 = true;
    QCOMPARE(readWith(bare).status, FnDocument::Damaged);
    QCOMPARE(bare.requests, 1);
}

void TstFnDocumentReader::endlessItemsAreCut()
{
    ScriptedRegister reg;
    reg.endless = 1;
    const FnDocument doc = readWith(reg);
    QCOMPARE(doc.status, FnDocument::Cut);
    QCOMPARE(doc.items.size(), FnDocumentReader::kMaxItems);
    QCOMPARE(reg.requests, FnDocumentReader::kMaxItems + 1);
}

void TstFnDocumentReader::endlessBytesAreCut()
{
    ScriptedRegister reg;
    reg.endless = 250;
    const FnDocument doc = readWith(reg);
    QCOMPARE(doc.status, FnDocument::Cut);
    QCOMPARE(doc.items.size(), FnDocumentReader::kMaxBytes / 254);
}

void TstFnDocumentReader::exactlyAtTheBoundIsStillComplete()
{
    ScriptedRegister reg;
    // 65,535 bytes of items: 256 items of 255 bytes (4 + 251) and one of 255.
    for (int i = 0; i < 256; ++i)
        reg.items.append({1030, QByteArray(251, 'x')});
    reg.items.append({1030, QByteArray(65535 - 256 * 255 - 4, 'y')});
    const FnDocument doc = readWith(reg);
    QCOMPARE(doc.status, FnDocument::Complete);
    QCOMPARE(doc.items.size(), 257);
    // One byte more and it is cut.
    ScriptedRegister over = reg;
    over.requests = 0;
    over.items.last().value.append('z');
    QCOMPARE(readWith(over).status, FnDocument::Cut);
}

QTEST_GUILESS_MAIN(TstFnDocumentReader)
#include "tst_fndocumentreader.moc"
