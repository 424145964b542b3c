#pragma once

// A firmware dump being put together from the blocks the register sends in
// reply to "02": every block is checked (it comes from the program memory, it
// is the next one, it carries its 32 bytes) before it is taken, so a lost,
// repeated or foreign block ends the dump instead of leaving a hole in it.
//
//     DumpImage image(blockCount);              // from the reply of "01,<pw>,06"
//     for (...) {
//         if (!exec("02,<pw>")) ...;            // the register's or the link's error
//         if (image.addReplyBlock() != DumpImage::Ok) -> image.checkText(...)
//     }
//     image.isComplete() -> write image.bytes()

#include <QByteArray>
#include <QString>

class DumpImage
{
public:
    static constexpr int kProgramMemoryUnit = 6;
    static constexpr int kBlockSize = 32;
    // The block count travels in two bytes.
    static constexpr int kMaxBlocks = 0xFFFF;

    enum BlockCheck {
        Ok,
        NoData,      // the reply lacks the block's values or its 32 bytes
        WrongUnit,   // the block is from another memory
        WrongNumber, // not the block that follows the previous one
        TooMany,     // more blocks than the register announced
    };

    explicit DumpImage(int blockCount = 0);

    // Starts over for a dump of blockCount blocks (0 .. kMaxBlocks).
    void reset(int blockCount);

    // Takes one block. The first block's number sets the start; each later one
    // must follow the one before (16-bit numbers). A rejected block changes nothing.
    BlockCheck addBlock(int unit, int number, const QByteArray &data);
    // The block of the last "02" reply, from the reply values (unit, number, data).
    BlockCheck addReplyBlock();

    int blockCount() const { return m_blockCount; }
    int blocksTaken() const { return m_taken; }
    bool isComplete() const { return m_taken == m_blockCount; }
    const QByteArray &bytes() const { return m_bytes; }

    // The operator's text for a rejected block, naming the block (1-based) in
    // the order it was read.
    QString checkText(BlockCheck check) const;

    // The block count of the last "01" reply; -1 when the reply lacks it.
    static int replyBlockCount();

private:
    int m_blockCount = 0;
    int m_taken = 0;
    int m_nextNumber = -1;
    int m_lastUnit = 0;
    int m_lastNumber = 0;
    QByteArray m_bytes;
};
