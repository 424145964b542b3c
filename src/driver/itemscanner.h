#pragma once

#include <QByteArray>

// Longest identifier of a command item or a description line.
constexpr int kIdentMaxLen = 31;
// Widest item value in bytes.
constexpr int kItemValueCap = 512;

// Reads the pieces of an item text left to right: the width and decimals after
// the type character, identifiers, single characters. Never reads past the end.
class ItemScanner
{
public:
    explicit ItemScanner(const QByteArray &text, int pos = 0) : m_text(text), m_pos(pos) {}

    // Decimal digits as the width (defaultSize when absent) and, after a '.',
    // decimal digits as the decimals (-1 without a '.'). A '.' without digits
    // or a width above the item value capacity fails.
    bool getSizeDp(int defaultSize, int &size, int &dp);
    // A letter followed by letters, digits or '_', at most kIdentMaxLen long.
    bool getIdent(QByteArray &ident);

    bool atEnd() const { return m_pos >= m_text.size(); }
    bool take(char c);
    QByteArray rest() const { return m_text.mid(m_pos); }
    int pos() const { return m_pos; }

private:
    bool readDigits(int &value);

    QByteArray m_text;
    int m_pos;
};
