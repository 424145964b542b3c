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
    return tlv;
}

} // namespace ops
