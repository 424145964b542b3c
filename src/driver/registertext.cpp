#include "registertext.h"

#include <QTextCodec>

namespace {

QTextCodec *registerCodec()
{
    static QTextCodec *const codec = QTextCodec::codecForName("Windows-1251");
    return codec;
}

} // namespace

QByteArray toRegisterText(const QString &text)
{
    QTextCodec *codec = registerCodec();
    return codec ? codec->fromUnicode(text) : text.toLatin1();
}

QString fromRegisterText(const QByteArray &bytes)
{
    QTextCodec *codec = registerCodec();
    return codec ? codec->toUnicode(bytes) : QString::fromLatin1(bytes);
}

QString fromRegisterString(const QByteArray &bytes)
{
    const int nul = int(bytes.indexOf('\0'));
    return fromRegisterText(nul < 0 ? bytes : bytes.left(nul));
}
