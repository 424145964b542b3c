#include "mtlvdata.h"

#include <QMetaEnum>

MTLVData::MTLVData(QObject *parent) : QObject(parent) {}

MTLVData::MTLVData(int tag, const QString &name, int type, QObject *parent)
    : QObject(parent), tag(tag), name(name), type(type)
{}

MTLVData::MTLVData(const MTLVData &other)
    : QObject(nullptr)
    , tag(other.tag)
    , name(other.name)
    , type(other.type)
    , officialName(other.officialName)
    , altType(other.altType)
    , versions(other.versions)
{}

MTLVData &MTLVData::operator=(const MTLVData &other)
{
    tag = other.tag;
    name = other.name;
    type = other.type;
    officialName = other.officialName;
    altType = other.altType;
    versions = other.versions;
    return *this;
}

MTLVData::~MTLVData() = default;

QString MTLVData::typeName(int type)
{
    if (type == NoType)
        return QString();
    return QString::fromLatin1(QMetaEnum::fromType<Type>().valueToKey(type));
}

bool MTLVData::acceptsLength(int type, qsizetype length)
{
    switch (type) {
    case Byte:
        return length == 1;
    case UInt16:
        return length == 2;
    case UInt32:
    case UnixTime:
        return length == 4;
    case VLN:
        return length >= 1 && length <= 8;
    case FVLN:
        return length >= 2 && length <= 5;
    case STLV:
    case String:
    case Bytes:
        return true;
    default:
        return false;
    }
}
