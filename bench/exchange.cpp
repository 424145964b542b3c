// How close the driver works to the line's own speed, against the in-process
// register emulator paced at 115200 baud. Each timing is printed as the ratio
// of the measured time to the wire time of the bytes actually exchanged (10
// bits a byte); the waiting cost as the driver thread's processor time over
// the wall time of a command whose reply comes 3 s late.

#include "benchsetup.h"
#include "emulatorlink.h"
#include "razbcmd.h"
#include "testfp.h"

#include <kelodefaults.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int kBaud = 115200;

double wireSeconds(quint64 bytes)
{
    return double(bytes) * 10.0 / kBaud;
}

quint64 lineBytes(kelo::emu::EmulatorEngine &engine)
{
    const auto stats = engine.stats();
    return stats.bytesIn + stats.bytesOut;
}

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Timed
{
    double seconds = 0;
    quint64 bytes = 0;
};

// Runs one text command and measures its wall time and the bytes it moved.
bool timedCommand(EmulatorLink &emu, const QString &command, Timed &out)
{
    TestFp exec;
    const quint64 before = lineBytes(emu.engine());
    QElapsedTimer timer;
    timer.start();
    const bool ok = exec.execCommand(command);
    out.seconds = double(timer.nsecsElapsed()) / 1e9;
    // The last ACK may still be on its way into the emulator's counters.
    QElapsedTimer settle;
    settle.start();
    quint64 after = lineBytes(emu.engine());
    while (settle.elapsed() < 50 && after == before) {
        delayMs(1);
        after = lineBytes(emu.engine());
    }
    out.bytes = after - before;
    if (!ok)
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(command), qPrintable(lastErrText));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!benchDriverReady())
        return 1;
    const QString pw = QString::number(kelo::kDefaultSysAdminPassword);

    kelo::emu::EmulatorConfig config;
    config.baud = kBaud;
    config.preset = kelo::emu::Preset::Registered;
    config.dumpBlocks = 256;
    EmulatorLink emu(config);
    if (!emu.connect()) {
        std::fprintf(stderr, "cannot reach the emulator: %s\n", qPrintable(emu.engine().errorString()));
        return 1;
    }

    // Command 11: the median of 200 ratios.
    std::vector<double> ratios;
    Timed t;
    for (int i = 0; i < 200; ++i) {
        if (!timedCommand(emu, QStringLiteral("11,") + pw, t))
            return 1;
        ratios.push_back(t.seconds / wireSeconds(t.bytes));
    }
    std::sort(ratios.begin(), ratios.end());
    const double cmd11 = (ratios[99] + ratios[100]) / 2;
    std::printf("command 11: %zu runs, %llu bytes each, median %.3f x wire time (min %.3f, max %.3f)\n",
                ratios.size(), static_cast<unsigned long long>(t.bytes), cmd11, ratios.front(),
                ratios.back());

    // A 256-block dump: 03, 01 with unit 6, the blocks, 03.
    Timed total, one;
    bool ok = timedCommand(emu, QStringLiteral("03,") + pw, one);
    ok = ok && timedCommand(emu, QStringLiteral("01,%1,06").arg(pw), one);
    total.seconds += one.seconds;
    total.bytes += one.bytes;
    const int blocks = ok ? QString::fromUtf8(rplItems.at(2).dftval).toInt() : 0;
    for (int i = 0; ok && i < blocks; ++i) {
        ok = timedCommand(emu, QStringLiteral("02,") + pw, one);
        total.seconds += one.seconds;
        total.bytes += one.bytes;
    }
    ok = ok && timedCommand(emu, QStringLiteral("03,") + pw, one);
    if (!ok || blocks != 256) {
        std::fprintf(stderr, "dump failed after %d blocks\n", blocks);
        return 1;
    }
    const double dump = total.seconds / wireSeconds(total.bytes);
    std::printf("dump of %d blocks: %.3f s for %llu bytes (wire %.3f s), %.3f x wire time\n", blocks,
                total.seconds, static_cast<unsigned long long>(total.bytes), wireSeconds(total.bytes), dump);

    // Waiting: the register takes 3 s before its reply.
    emu.engine().setReplyDelayMs(3000);
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    if (!timedCommand(emu, QStringLiteral("11,") + pw, t))
        return 1;
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpuShare = (threadCpuSeconds() - cpuBefore) / wallSeconds;
    std::printf("3 s reply delay: %.3f s wall, driver thread busy %.4f of it\n", wallSeconds, cpuShare);

    std::printf("ratio_cmd11 %.3f\n", cmd11);
    std::printf("ratio_dump256 %.3f\n", dump);
    std::printf("cpu_share_wait %.4f\n", cpuShare);
    return 0;
}
