#ifndef MTLVDICTIONARY_H
#define MTLVDICTIONARY_H

#include "mtlvdata.h"

#include <QMap>
#include <QString>

// The two process-wide dictionaries of fiscal documents: tag number to tag
// description and document type code to name. Both are filled on first use
// (names translated at that moment, context "MTLVDocument") and never change.
class MTLVDictionary
{
public:
    static const QMap<int, MTLVData> &tags();
    static const QMap<int, QString> &docTypeNames();

    // The dictionary entry of a tag, or nullptr for a tag the dictionary does not know.
    static const MTLVData *find(int tag);
};

#endif // MTLVDICTIONARY_H
