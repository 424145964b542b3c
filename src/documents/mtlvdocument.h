#ifndef MTLVDOCUMENT_H
#define MTLVDOCUMENT_H

#include "mtlvdata.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QObject>
#include <QVariant>

// One item of a fiscal document read from the fiscal storage: a TLV header, the
// value bytes, the value decoded by the type its tag has in the dictionary and,
// for a structure, the nested items.
//
// Items are values: they live in lists and copy deeply. A copy never takes the
// QObject parent of its source (a parent would delete an object the list owns).
//
// Wire layout of one item: tag (2 bytes), length (2 bytes), then `length` value
// bytes; both numbers little-endian. A structure's value is such items back to back.
class MTLVDocument : public QObject
{
    Q_OBJECT

public:
    // Structures deeper than this are kept as raw bytes and not descended into,
    // so a hostile block cannot exhaust the stack.
    static constexpr int maxNesting = 32;

    explicit MTLVDocument(QObject *parent = nullptr);
    MTLVDocument(const MTLVDocument &other);
    MTLVDocument(MTLVDocument &&other) noexcept;
    MTLVDocument &operator=(const MTLVDocument &other);
    MTLVDocument &operator=(MTLVDocument &&other) noexcept;
    ~MTLVDocument() override;

    // Clears the header fields and the children; the dictionaries get filled if needed.
    void reset();

    // Sets the item from one TLV header and its value bytes and decodes the value.
    // `bytes` must hold at least `length` bytes; when fewer were received use the
    // QByteArray overload, which never reads past what it is given.
    void setData(quint16 tag, quint16 length, const char *bytes);
    // `received` is what actually arrived for the value. Bytes beyond `length` are
    // ignored; if fewer than `length` arrived, `data` keeps what there is, a structure
    // yields its complete items and any other value stays null (it would be wrong).
    void setData(quint16 tag, quint16 length, const QByteArray &received);

    // Replaces the children with the items found in `bytes`, in order; an item whose
    // tag the dictionary does not know is kept undecoded, with its bytes. A trailing
    // part too short for an item's header or value is ignored.
    void parseSTLV(const QByteArray &bytes);

    // Splits a sequence of top-level items (a whole document as saved or exported)
    // and gives them the context of their document (applyDocumentContext).
    // `consumed`, when given, receives the number of bytes that formed complete items.
    static QList<MTLVDocument> parseSequence(const QByteArray &bytes, quint16 docType,
                                             qsizetype *consumed = nullptr);

    // What a tag means may depend on the document around it: its format version
    // (tag 1209) and its date (tag 1012). Gives every item, nested ones included,
    // the version and date found among the top-level items, and decodes again
    // the items whose meaning the version decides.
    static void applyDocumentContext(QList<MTLVDocument> &items);

    // A whole document as operators and the tax service hand it out: one item
    // whose tag is the form code and whose value is the document's items. True
    // when `bytes` start with such an item's header; its code and the length it
    // declares are returned (the length may claim more bytes than there are).
    static bool startsWholeDocument(const QByteArray &bytes, quint16 *formCode, quint16 *length);

    // Dictionary name of the tag; empty for an unknown tag.
    QString tagName() const;
    // The name on the page: tagName(), or "тег NNNN" for a tag no format knows.
    QString displayName() const;
    // Name of the document type this item belongs to; empty for an unlisted code.
    QString docTypeName() const;
    // The value as the operator sees it (operation and tax system names, money with
    // two decimals, enumerated codes as their texts, the fiscal sign as a number, ...).
    // The bytes of an unknown tag in hex (with their text when all of it is readable);
    // a value whose length its type does not allow in hex, marked.
    QVariant displayValue() const;
    // displayValue() as one line of text with runs of white space collapsed.
    QString displayText() const;
    // A known tag whose value could not be decoded: its length does not fit its type,
    // or fewer bytes arrived than its header declared.
    bool isUndecodable() const;

    // "Общая, Упрощенная доход" style list of the tax systems set in `code`.
    static QString taxSystemText(int code);
    // A sum in kopecks as rubles with exactly two decimals ("1234.50").
    static QString moneyText(quint64 kopecks);

    bool isKnown = false;
    quint16 tag = 0;
    quint16 length = 0;
    QByteArray data;
    QVariant value;
    quint16 docType = 0;
    MTLVData description;
    QList<MTLVDocument> children;
    // The document's format version (its tag 1209; 0 when not known) and date
    // (its tag 1012), inherited like docType.
    quint8 formatVersion = 0;
    QDate documentDate;

private:
    // Builds one item per whole tag-length-value in `bytes`, in order, in place
    // in `items` (appending a finished item would copy its whole subtree), each
    // taking the document context of `parent`; stops at the first item that does
    // not fit. Returns the bytes taken.
    static qsizetype parseItems(const QByteArray &bytes, const MTLVDocument &parent, int depth,
                                QList<MTLVDocument> &items);
    void applyContext(quint8 version, const QDate &date, int depth);
    void assign(quint16 newTag, quint16 newLength, const char *bytes, qsizetype received, int depth);
    void decode(int depth);
    void parseChildren(const QByteArray &bytes, int childDepth);
    void copyFields(const MTLVDocument &other);
};

#endif // MTLVDOCUMENT_H
