#include "commandtiming.h"

#include <QStringList>

#include <array>

namespace kelo::emu {

namespace {

struct Kind
{
    const char *what;
    int ms;
    std::array<quint16, 20> codes; // one-byte codes as is, two-byte ones as FFxx; 0 ends
};

// Printing and the fiscal storage make a register slow: a query answers from
// memory, a sale line is printed, closing a receipt writes a fiscal document,
// and reports and registrations print pages and write the FN at length.
constexpr std::array<Kind, 7> kKinds = {{
    {"firmware dump blocks", 5, {0x02, 0x03}},
    {"queries and table reads",
     30,
     {0x10, 0x11, 0xFC, 0x1F, 0x2D, 0x2E, 0x26, 0x15, 0x01, 0xFF01, 0xFF02, 0xFF03, 0xFF04, 0xFF3A, 0xFF3B,
      0xFF3C}},
    {"other queries, settings and the start of a document",
     60,
     {0xFF39, 0xFF3F, 0xFF40, 0xFF09, 0xFF0A, 0x1E,   0x21,   0x22, 0x23, 0x14,
      0x8D,   0xFF05, 0xFF3D, 0xFF37, 0xFF35, 0xFF08, 0xFF0C, 0x2B, 0xFE, 0x0E}},
    {"sale lines, storno, discounts, printed lines",
     300,
     {0x80, 0x81, 0x82, 0x83, 0x84, 0x86, 0x87, 0x8A, 0x8B, 0xFF0D, 0x17, 0x19}},
    {"closing or cancelling a receipt", 1000, {0x85, 0x88, 0xFF36}},
    {"shift opening, reports", 2500, {0xE0, 0x40, 0x2C, 0xFF38, 0x27}},
    {"shift closing, registration, closing the fiscal mode, resets",
     4000,
     {0x41, 0xFF06, 0xFF34, 0xFF3E, 0x16, 0xFF07, 0x24}},
}};

constexpr int kOtherMs = 60;

quint16 codeOf(const QByteArray &request)
{
    if (request.isEmpty())
        return 0;
    const auto first = static_cast<quint8>(request.at(0));
    if (first != 0xFF || request.size() < 2)
        return first;
    return static_cast<quint16>(0xFF00 | static_cast<quint8>(request.at(1)));
}

} // namespace

bool timingFromName(const QString &name, Timing *timing)
{
    if (name == QLatin1String("none"))
        *timing = Timing::None;
    else if (name == QLatin1String("real"))
        *timing = Timing::Real;
    else
        return false;
    return true;
}

int realProcessingMs(const QByteArray &request)
{
    const quint16 code = codeOf(request);
    for (const Kind &kind : kKinds) {
        for (quint16 c : kind.codes) {
            if (c != 0 && c == code)
                return kind.ms;
        }
    }
    return kOtherMs;
}

QString realTimingTable()
{
    QStringList lines;
    for (const Kind &kind : kKinds) {
        QStringList codes;
        for (quint16 c : kind.codes) {
            if (c != 0)
                codes << QStringLiteral("%1").arg(c, 2, 16, QLatin1Char('0')).toUpper();
        }
        lines << QStringLiteral("%1 ms: %2 (%3)")
                     .arg(kind.ms)
                     .arg(QLatin1String(kind.what), codes.join(QLatin1Char(' ')));
    }
    lines << QStringLiteral("%1 ms: any other command").arg(kOtherMs);
    return lines.join(QLatin1Char('\n'));
}

} // namespace kelo::emu
