#ifndef MCOMMANDTEXT_H
#define MCOMMANDTEXT_H

#include <QByteArray>
#include <QLocale>
#include <QString>

// Parameters of the text commands the window composes. Numbers are written
// with the C locale whatever the operator's locale is: the driver reads
// "550.00", never "550,00" or "1 000.00".
class MCommandText
{
public:
    static QLocale numberLocale()
    {
        QLocale locale(QLocale::C);
        locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
        return locale;
    }

    // Prices, sums and amounts.
    static QString money(double value) { return numberLocale().toString(value, 'f', 2); }
    // Quantities.
    static QString quantity(double value) { return numberLocale().toString(value, 'f', 3); }

    // A text parameter in quotes, so a comma in it stays in it. A text that
    // holds a double quote goes between apostrophes instead (the command
    // splitter has no escapes).
    static QString quoted(const QString &text)
    {
        if (text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\'')))
            return QLatin1Char('\'') + text + QLatin1Char('\'');
        return numberLocale().quoteString(text);
    }

    // A one-byte code of a '?' item: two hexadecimal digits (32 is "20").
    static QString hexByte(int code)
    {
        return QStringLiteral("%1").arg(code & 0xFF, 2, 16, QLatin1Char('0'));
    }
};

#endif // MCOMMANDTEXT_H
