#pragma once

#include <QString>

namespace kelo::emu {

// A pseudo-terminal pair: the emulator works the master side, the program
// under test opens the slave side as its serial port. The slave is kept open
// here as well, so the master sees no hang-up while the PC closes and reopens
// its port, and the line stays raw (8 bits, no echo, no translation).
class PtyChannel
{
public:
    PtyChannel() = default;
    ~PtyChannel();
    PtyChannel(const PtyChannel &) = delete;
    PtyChannel &operator=(const PtyChannel &) = delete;

    bool open(QString *error);
    void close();
    bool isOpen() const { return master_ >= 0; }
    int masterFd() const { return master_; }
    QString slavePath() const { return slavePath_; }
    // The line speed the PC side has set on its end, in bits per second;
    // -1 for a speed without a standard number, 0 when it cannot be told.
    int lineBaud() const;

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};

} // namespace kelo::emu
