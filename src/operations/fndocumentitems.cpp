#include "fndocumentreader.h"

#include <mtlvdocument.h>

namespace ops {

QList<MTLVDocument> FnDocument::tlvItems() const
{
    QList<MTLVDocument> tlv;
    tlv.reserve(items.size());
    for (const FnItem &item : items) {
        MTLVDocument &one = tlv.emplaceBack();
        one.docType = docType;
        one.setData(item.tag, item.length, item.value);
    }
    // The format version and date come late in a document; earlier items may
    // depend on them.
    MTLVDocument::applyDocumentContext(tlv);
    return tlv;
}

} // namespace ops
