#include "firmwareimage.h"

#include <QCryptographicHash>

namespace kelo::emu {

QByteArray FirmwareImage::build(int blocks)
{
    const int size = qMax(0, blocks) * kBlockSize;
    QByteArray image("KELO-VINT-F FIRMWARE 4.3 BUILD 12");
    image.append(QByteArray(qMax(0, 64 - static_cast<int>(image.size())), '\0'));
    quint32 x = 0x4B454C4Fu; // xorshift32
    while (image.size() < size) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image.append(static_cast<char>(x & 0xFF));
    }
    image.truncate(size);
    return image;
}

QByteArray FirmwareImage::md5Hex(int blocks)
{
    return QCryptographicHash::hash(build(blocks), QCryptographicHash::Md5).toHex();
}

} // namespace kelo::emu
