#include "dumpimage.h"

#include "razbcmd.h"
#include "valueconv.h"

#include <QCoreApplication>

namespace {

// Reply values of "02": command, error, unit, block number, block.
constexpr int kUnitValue = 2;
constexpr int kNumberValue = 3;
constexpr int kBlockValue = 4;

} // namespace

DumpImage::DumpImage(int blockCount)
{
    reset(blockCount);
}

void DumpImage::reset(int blockCount)
{
    m_blockCount = qBound(0, blockCount, kMaxBlocks);
    m_taken = 0;
    m_nextNumber = -1;
    m_lastUnit = 0;
    m_lastNumber = 0;
    m_bytes.clear();
    m_bytes.reserve(qsizetype(m_blockCount) * kBlockSize);
}

DumpImage::BlockCheck DumpImage::addBlock(int unit, int number, const QByteArray &data)
{
    m_lastUnit = unit;
    m_lastNumber = number;
    if (m_taken >= m_blockCount)
        return TooMany;
    if (data.size() != kBlockSize)
        return NoData;
    if (unit != kProgramMemoryUnit)
        return WrongUnit;
    if (m_nextNumber >= 0 && number != m_nextNumber)
        return WrongNumber;
    m_nextNumber = (number + 1) & 0xFFFF;
    m_bytes += data;
    ++m_taken;
    return Ok;
}

DumpImage::BlockCheck DumpImage::addReplyBlock()
{
    if (rplItems.count() <= kBlockValue) {
        m_lastUnit = 0;
        m_lastNumber = 0;
        return m_taken >= m_blockCount ? TooMany : NoData;
    }
    const QByteArray unit = rplItems.at(kUnitValue).value;
    const QByteArray number = rplItems.at(kNumberValue).value;
    if (unit.isEmpty() || number.size() < 2) {
        m_lastUnit = 0;
        m_lastNumber = 0;
        return m_taken >= m_blockCount ? TooMany : NoData;
    }
    return addBlock(quint8(unit[0]), int(littleEndianNumber(number, 2)), rplItems.at(kBlockValue).value);
}

QString DumpImage::checkText(BlockCheck check) const
{
    const int block = m_taken + 1;
    switch (check) {
    case Ok:
        return QString();
    case NoData:
        return QCoreApplication::translate("DumpImage", "Блок %1 дампа получен без данных!").arg(block);
    case WrongUnit:
        return QCoreApplication::translate("DumpImage",
                                           "Блок %1 дампа получен не из памяти программ (устройство %2)!")
            .arg(block)
            .arg(m_lastUnit);
    case WrongNumber:
        return QCoreApplication::translate("DumpImage", "Блок %1 дампа получен с номером %2 вместо %3!")
            .arg(block)
            .arg(m_lastNumber)
            .arg(m_nextNumber);
    case TooMany:
        return QCoreApplication::translate("DumpImage", "Получен лишний блок дампа: всего блоков %1!")
            .arg(m_blockCount);
    }
    return QString();
}

int DumpImage::replyBlockCount()
{
    constexpr int kCountValue = 2;
    if (rplItems.count() <= kCountValue || rplItems.at(kCountValue).value.size() < 2)
        return -1;
    return int(littleEndianNumber(rplItems.at(kCountValue).value, 2));
}
