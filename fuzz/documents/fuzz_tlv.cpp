// Arbitrary bytes through everything a fiscal document from the register goes
// through: splitting into items, decoding, copying and rendering.

#include "mtlvdocument.h"
#include "mtlvrenderer.h"

#include <QByteArray>
#include <QStringList>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    // A whole document: top-level items back to back, as saved or exported.
    const QList<MTLVDocument> items = MTLVDocument::parseSequence(bytes, 3);
    const QString page = MTLVRenderer::documentPage(items);
    QString text = MTLVRenderer::documentText(items);

    // The same bytes as a document handed out whole, its form code around its items.
    quint16 formCode = 0;
    quint16 declared = 0;
    if (MTLVDocument::startsWholeDocument(bytes, &formCode, &declared))
        text += MTLVRenderer::documentText(MTLVDocument::parseSequence(bytes.mid(4, declared), formCode));
    QList<MTLVDocument> copies = items;
    if (!copies.isEmpty())
        copies.first().children.clear();

    // One item of an FF3B reply whose value is these bytes: whole, and with a
    // header that claims more than arrived.
    const quint16 length = quint16(qMin<size_t>(size, 0xffff));
    MTLVDocument item;
    item.setData(1059, length, bytes.left(length));
    MTLVDocument cut;
    cut.setData(1059, 0xffff, bytes.left(length));
    QStringList lines;
    MTLVRenderer::outTLVDocument(lines, item, 0);
    MTLVRenderer::outTLVDocument(lines, cut, 1);

    // A few bytes (as many as the first one says) as a value of every type and
    // every display rule, in a document of the format version the second byte says.
    static const quint16 tags[] = {901,  1012, 1020, 1023, 1030, 1040, 1054, 1055, 1062, 1077, 1078,
                                   1090, 1126, 1162, 1199, 1205, 1209, 1213, 1290, 2108, 4321};
    const QByteArray head = size ? bytes.mid(1, data[0] % 17) : QByteArray();
    QList<MTLVDocument> values;
    for (quint16 tag : tags) {
        MTLVDocument &one = values.emplaceBack();
        one.setData(tag, quint16(head.size()), head);
        lines << one.displayText() << one.displayName();
    }
    values.emplaceBack().setData(1209, 1, bytes.mid(1, 1));
    MTLVDocument::applyDocumentContext(values);
    for (const MTLVDocument &one : values)
        lines << one.displayText() << one.displayName();
    Q_UNUSED(page);
    Q_UNUSED(text);
    return 0;
}
