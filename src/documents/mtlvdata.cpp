#include "mtlvdata.h"

#include <QMetaEnum>

MTLVData::MTLVData(QObject *parent) : QObject(parent) { }

MTLVData::MTLVData(int tag, const QString &name, int type, QObject *parent)
    : QObject(parent), tag(tag), name(name), type(type)
{ }

MTLVData::MTLVData(const MTLVData &other)
    : QObject(nullptr), tag(other.tag), name(other.name), type(other.type)
{ }

MTLVData &MTLVData::operator=(const MTLVData &other)
{
    tag = other.tag;
    name = other.name;
    type = other.type;
    return *this;
}

MTLVData::~MTLVData() = default;

QString MTLVData::typeName(int type)
{
    if (type == NoType)
        return QString();
    return QString::fromLatin1(QMetaEnum::fromType<Type>().valueToKey(type));
}
