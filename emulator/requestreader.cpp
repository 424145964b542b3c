#include "requestreader.h"

#include "wireformat.h"

namespace kelo::emu {

RequestReader::RequestReader(const QByteArray &request, int start) : request_(request), pos_(start) {}

quint64 RequestReader::number(int width)
{
    if (pos_ + width > request_.size()) {
        ok_ = false;
        pos_ = static_cast<int>(request_.size());
        return 0;
    }
    const quint64 value = wire::readLE(request_, pos_, width);
    pos_ += width;
    return value;
}

QByteArray RequestReader::bytes(int width)
{
    if (pos_ + width > request_.size()) {
        ok_ = false;
        pos_ = static_cast<int>(request_.size());
        return QByteArray(width, '\0');
    }
    const QByteArray out = request_.mid(pos_, width);
    pos_ += width;
    return out;
}

QByteArray RequestReader::rest()
{
    const QByteArray out = request_.mid(pos_);
    pos_ = static_cast<int>(request_.size());
    return out;
}

QString RequestReader::text1251(int width)
{
    return wire::fromCp1251(bytes(width));
}

} // namespace kelo::emu
