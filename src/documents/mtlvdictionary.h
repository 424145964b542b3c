#ifndef MTLVDICTIONARY_H
#define MTLVDICTIONARY_H

#include "mtlvdata.h"

#include <QDate>
#include <QMap>
#include <QString>

// The two process-wide dictionaries of fiscal documents: tag number to tag
// description and document type code to name. Both are filled on first use
// (names translated at that moment, context "MTLVDocument") and never change.
//
// Every requisite and form code of the formats 1.0 to 1.2 is in them, read from
// the formats' data compiled into the program. The names this program has always
// shown for its first 104 tags stay; every other tag has its official name.
class MTLVDictionary
{
public:
    // Format versions as tag 1209 (and 1189, 1190) numbers them.
    enum FormatVersion { Ffd10 = 1, Ffd105 = 2, Ffd11 = 3, Ffd12 = 4 };

    // The current meaning of every tag.
    static const QMap<int, MTLVData> &tags();
    static const QMap<int, QString> &docTypeNames();

    // The dictionary entry of a tag, or nullptr for a tag the dictionary does not know.
    static const MTLVData *find(int tag);
    // The meaning a tag has in a document of format `version` (a 1209 code; 0 when
    // the document does not say) for a value of `length` bytes. Where the version
    // leaves a choice, the meaning whose type fits the length wins.
    static const MTLVData *find(int tag, int version, qsizetype length);
    // Whether the tag has meant different things in different versions.
    static bool dependsOnVersion(int tag);

    // The name of `entry` on a document of `documentDate` (tag 1012): the sums of
    // the general VAT rate are named after the rate in force that day. An invalid
    // date is taken as today.
    static QString nameOn(const MTLVData &entry, const QDate &documentDate);
    // The same for the codes of the VAT rate (1199): what `code` meant on that
    // day where it differs from what the lists say now; empty otherwise.
    static QString codeTextOn(int tag, quint64 code, const QDate &documentDate);

    // Whether `tag` is a form code: the tag of the one item that wraps a whole
    // document. Codes not yet published count too; requisites never do.
    static bool isFormCode(int tag);
};

#endif // MTLVDICTIONARY_H
