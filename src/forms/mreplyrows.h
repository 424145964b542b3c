#ifndef MREPLYROWS_H
#define MREPLYROWS_H

#include <QCoreApplication>
#include <QString>

class MResultPage;

// The rows of register answers that more than one page shows (the status
// report and the "ОФД/ФН" page), read from the reply values of the last text
// command, and the texts of the register's codes. A rows function adds nothing
// when the reply is too short to hold its values.
class MReplyRows
{
    Q_DECLARE_TR_FUNCTIONS(MMainForm)

public:
    // FF01: phase, current document, its data, shift, warnings, time, FN, last document.
    static void fnStatus(MResultPage &page);
    // FF39: the exchange status with its six bits, the queue and its first document.
    static void ofdStatus(MResultPage &page);
    // FF04: version and software type.
    static void fnVersion(MResultPage &page);
    // One caption and the text of reply value `index`, when the reply holds it.
    static void value(MResultPage &page, const QString &caption, int index);

    static QString modeText(int mode);
    static QString submodeText(int submode);
    static QString languageText(int language);
    static QString fnPhaseText(int phase);
    static QString fnDocumentText(int document);
    static QString fnDocumentDataText(int data);
    static QString fnShiftText(int shift);
    static QString fnSoftwareText(int type);

    // Two lower-case hexadecimal digits.
    static QString hex2(int value);
};

#endif // MREPLYROWS_H
