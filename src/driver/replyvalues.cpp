#include "replyvalues.h"

#include "razbcmd.h"
#include "registertext.h"
#include "valueconv.h"

namespace reply {

int count()
{
    return rplItems.count();
}

bool has(int index)
{
    return index >= 0 && index < rplItems.count();
}

QByteArray bytes(int index)
{
    return has(index) ? rplItems.at(index).value : QByteArray();
}

QString text(int index)
{
    return has(index) ? fromRegisterText(rplItems.at(index).dftval) : QString();
}

QString string(int index)
{
    return fromRegisterString(bytes(index));
}

quint8 byte(int index)
{
    return quint8(littleEndianNumber(bytes(index), 1));
}

quint16 word(int index)
{
    return quint16(littleEndianNumber(bytes(index), 2));
}

quint64 number(int index)
{
    return littleEndianNumber(bytes(index));
}

} // namespace reply
