#ifndef MTLVDOCUMENT_H
#define MTLVDOCUMENT_H

#include "mtlvdata.h"

#include <QByteArray>
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

    // Replaces the children with the known items found in `bytes`. Unknown tags are
    // dropped with anything nested in them; a trailing part too short for an item's
    // header or value is ignored.
    void parseSTLV(const QByteArray &bytes);

    // Splits a sequence of top-level items (a whole document as saved or exported).
    // Unlike structure contents, unknown items are kept, as the window keeps them.
    // `consumed`, when given, receives the number of bytes that formed complete items.
    static QList<MTLVDocument> parseSequence(const QByteArray &bytes, quint16 docType,
                                             qsizetype *consumed = nullptr);

    // Dictionary name of the tag; empty for an unknown tag.
    QString tagName() const;
    // Name of the document type this item belongs to; empty for an unlisted code.
    QString docTypeName() const;
    // The value as the operator sees it (operation and tax system names, money with
    // two decimals, the fiscal sign as a number, ...). An empty string when the tag
    // is unknown or the value cannot be decoded.
    QVariant displayValue() const;
    // displayValue() as one line of text with runs of white space collapsed.
    QString displayText() const;

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

private:
    // Builds one item per whole tag-length-value in `bytes`, in order, in place
    // in `items` (appending a finished item would copy its whole subtree);
    // stops at the first item that does not fit. Returns the bytes taken.
    static qsizetype parseItems(const QByteArray &bytes, quint16 docType, int depth, bool keepUnknown,
                                QList<MTLVDocument> &items);
    void assign(quint16 newTag, quint16 newLength, const char *bytes, qsizetype received, int depth);
    void decode(int depth);
    void parseChildren(const QByteArray &bytes, int childDepth);
    void copyFields(const MTLVDocument &other);
};

#endif // MTLVDOCUMENT_H
