#ifndef MTLVVALUETEXTS_H
#define MTLVVALUETEXTS_H

#include <QString>
#include <QtGlobal>

// What the codes of enumerated requisites mean (operation, VAT rate, format
// version, payment method, measure unit, ...), read from the formats' value
// lists compiled into the program. Filled on first use, never changed.
class MTLVValueTexts
{
public:
    // Whether the tag has a list of codes (or of flags).
    static bool hasList(int tag);
    // The code as the operator reads it: its text; a code the list does not know
    // as its number; a code the list gives with a doubt as its text and number.
    // For flags: the text of every flag that is set, in order, joined by ", ";
    // an unknown flag as its number, no flag at all as "0".
    static QString text(int tag, quint64 code);
};

#endif // MTLVVALUETEXTS_H
