#ifndef MCOMMANDTEXT_H
#define MCOMMANDTEXT_H

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QTextCodec>

// Parameters of the text commands the window composes, and the raw reply
// values it reads back. Numbers are written
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

    // A text as the register receives it (Windows-1251).
    static QByteArray registerBytes(const QString &text)
    {
        static QTextCodec *codec = QTextCodec::codecForName("Windows-1251");
        return codec->fromUnicode(text);
    }

    // Raw reply values: a byte (0 past the end) and a 16-bit little-endian number.
    static quint8 byteAt(const QByteArray &bytes, int index)
    {
        return index >= 0 && index < bytes.size() ? quint8(bytes.at(index)) : 0;
    }
    static quint16 littleEndian16(const QByteArray &bytes)
    {
        return quint16(byteAt(bytes, 0) | (byteAt(bytes, 1) << 8));
    }
};

#endif // MCOMMANDTEXT_H
