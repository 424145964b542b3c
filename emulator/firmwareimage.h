#pragma once

#include <QByteArray>

namespace kelo::emu {

// The register's firmware as the dump commands hand it out: a fixed header and
// a fixed pseudo-random body, the same for every run with the same size, so a
// dump's checksum can be known in advance.
class FirmwareImage
{
public:
    static constexpr int kBlockSize = 32;

    static QByteArray build(int blocks);
    static QByteArray md5Hex(int blocks);
};

} // namespace kelo::emu
