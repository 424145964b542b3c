#pragma once

// A fiscal document as kelo-cli prints or saves it: plain text (one row per
// item, indented by level), the window's HTML page, or JSON with every item:
// its tag, the name shown and the official one, type, raw bytes, value and text.
// An item whose tag no format knows keeps its number, place and raw bytes.

#include <mtlvdocument.h>

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

enum class DocFormat { Text, Json, Html };

class DocumentFormat
{
public:
    // "text", "json" or "html"; html only when allowHtml.
    static bool parse(const QString &name, bool allowHtml, DocFormat *format);
    static QString suffix(DocFormat format);

    // The whole output. `extra` is merged into the top of the JSON object
    // (the document number, whether it is complete).
    static QByteArray render(const QList<MTLVDocument> &items, quint16 docType, DocFormat format,
                             const QJsonObject &extra = QJsonObject());

    // A page written to a file of its own says how it is encoded.
    static QByteArray declaringUtf8(const QByteArray &page);

    static QJsonObject documentJson(const QList<MTLVDocument> &items, quint16 docType);
    static QJsonObject itemJson(const MTLVDocument &item);
    // A decoded value as JSON: numbers as numbers (beyond 2^53 as decimal
    // text), times as ISO 8601 UTC, bytes as hex, no value as null.
    static QJsonValue valueJson(const QVariant &value);

    // Text safe for a terminal: control characters other than line breaks and
    // tabs (an ESC from a document could drive the terminal) become U+FFFD.
    static QString printable(const QString &text);

    // For the export index: the date and time of the document (tag 1012) as
    // "yyyy-MM-ddThh:mm:ss" and its total (tag 1020) as "1234.50"; empty
    // when the document has none.
    static QString dateText(const QList<MTLVDocument> &items);
    static QString totalText(const QList<MTLVDocument> &items);
    // Its fiscal sign (tag 1077) as the document page shows it.
    static QString signText(const QList<MTLVDocument> &items);
};
