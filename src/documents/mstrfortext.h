#ifndef MSTRFORTEXT_H
#define MSTRFORTEXT_H

#include <QCoreApplication>
#include <QString>

// The HTML fragments every result page of the program is built from. A page is
// a QStringList of fragments joined with the empty string:
//   htmlBegin, titleLine(title), lineBreak, tableBegin,
//   { rowBegin, nameCell(caption), valueCell(value)..., rowEnd } ..., tableEnd, htmlEnd
//
// The fragments taking text take PLAIN text and escape it themselves, so a "&" or
// "<" from the register, the FN or a field shows as typed and cannot break the
// page. Do not escape before passing text in.
class MStrForText
{
    Q_DECLARE_TR_FUNCTIONS(MStrForText)

public:
    // Declares UTF-8, so a page written to a file as it is reads back right.
    static QString htmlBegin();
    static QString htmlEnd();
    static QString titleLine(const QString &text);
    static QString lineBreak();
    static QString tableBegin();
    static QString tableEnd();
    static QString rowBegin();
    static QString rowEnd();
    // Grey caption cell.
    static QString nameCell(const QString &text);
    // Orange, right-aligned value cell.
    static QString valueCell(const QString &text);
};

#endif // MSTRFORTEXT_H
