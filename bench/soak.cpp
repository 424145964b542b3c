// Fault soak: thousands of text commands of mixed kinds against the register
// emulator while it damages the line at random (fixed seed). Every reply value
// that the emulator's own state can vouch for is checked, and every sale item
// carries a name of its own so that a frame executed twice shows as a second
// line of that name in the receipt. A share of the commands is slow: the
// register works on them longer than the link waits for the ACK of a frame,
// as it does on receipts and reports, and the faults fall on those too.
//
//   soak [commands] [fault rate] [seed] [slow share] [tcp]   defaults: 5000 0.05 1 0
//
// With "tcp" the register is reached over a TCP connection on the loopback
// address instead of a pseudo-terminal.

#include "benchsetup.h"
#include "emulatorlink.h"
#include "razbcmd.h"
#include "testfp.h"

#include <kelodefaults.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextCodec>

#include <cstdio>
#include <random>

namespace {

using kelo::emu::RegisterModel;

struct Tally
{
    int commands = 0;
    int ok = 0;
    int driverErrors = 0;
    int refusals = 0;
    int wrong = 0;
    int repeated = 0;
    int slow = 0;
    int resent = 0; // requests the register saw twice and answered from its held reply
};

// Processing time of a slow command: beyond the one-second wait for the ACK.
constexpr int kSlowMinMs = 1100;
constexpr int kSlowSpanMs = 500;

QString text(int index)
{
    return index < rplItems.count() ? QString::fromUtf8(rplItems.at(index).dftval) : QString();
}

class Soak
{
public:
    Soak(EmulatorLink &emu, quint64 seed, double slowShare)
        : m_emu(emu), m_rng(seed), m_slowRng(seed ^ 0x5157), m_slowShare(slowShare)
    {}

    void run(int commands)
    {
        while (m_tally.commands < commands)
            step();
        // A receipt left open ends the run cleanly.
        if (m_receiptOpen)
            exec(QStringLiteral("88,%1").arg(m_pw));
    }

    const Tally &tally() const { return m_tally; }

private:
    void wrongResult(const QString &what)
    {
        ++m_tally.wrong;
        std::fprintf(stderr, "wrong result #%d: %s\n", m_tally.commands, qPrintable(what));
    }

    bool exec(const QString &command)
    {
        TestFp fp;
        ++m_tally.commands;
        // Drawn from a stream of its own, so the commands are the same
        // whatever the share.
        const bool slow = std::uniform_real_distribution<double>(0.0, 1.0)(m_slowRng) < m_slowShare;
        const int slowMs = kSlowMinMs + int(m_slowRng() % kSlowSpanMs);
        m_emu.engine().setReplyDelayMs(slow ? slowMs : 0);
        m_tally.slow += slow ? 1 : 0;
        const auto before = m_emu.engine().stats().link;
        const bool ok = fp.execCommand(command);
        const auto after = m_emu.engine().stats().link;
        if (after.framesExecuted - before.framesExecuted > 1) {
            ++m_tally.repeated;
            std::fprintf(stderr, "repeated #%d: %s ran %d times\n", m_tally.commands, qPrintable(command),
                         int(after.framesExecuted - before.framesExecuted));
        }
        m_tally.resent += int(after.duplicateFrames - before.duplicateFrames);
        if (ok)
            ++m_tally.ok;
        else if (lastErrCode == -1)
            ++m_tally.driverErrors;
        else
            ++m_tally.refusals;
        return ok;
    }

    template<typename F> void inspect(F f) { m_emu.engine().inspect(f); }

    void checkState()
    {
        if (!exec(QStringLiteral("11,%1").arg(m_pw)))
            return;
        quint64 serial = 0;
        int mode = 0;
        inspect([&](const RegisterModel &m) {
            serial = m.state().serialNumber;
            mode = m.modeByte();
        });
        if (rplItems.count() != 24 || text(18).toULongLong() != serial
            || quint8(rplItems.at(9).value.at(0)) != quint8(mode))
            wrongResult(QStringLiteral("11: serial %1 mode %2")
                            .arg(text(18))
                            .arg(rplItems.count() > 9 ? text(9) : ""));
    }

    void checkIdentity()
    {
        if (!exec(QStringLiteral("FC")))
            return;
        const QString name = QTextCodec::codecForName("Windows-1251")->toUnicode(rplItems.at(8).value);
        if (rplItems.count() != 9 || quint8(rplItems.at(6).value.at(0)) != RegisterModel::kModel
            || name != QStringLiteral("Kelo-Vint-Ф"))
            wrongResult(QStringLiteral("FC: ") + name);
    }

    void checkFn()
    {
        if (!exec(QStringLiteral("FF01,%1").arg(m_pw)))
            return;
        QString number;
        quint32 last = 0;
        inspect([&](const RegisterModel &m) {
            number = m.fiscalStorage().number;
            last = m.fiscalStorage().lastNumber();
        });
        if (rplItems.count() != 11 || text(9) != number || text(10).toUInt() != last)
            wrongResult(QStringLiteral("FF01: %1 %2").arg(text(9), text(10)));
    }

    void checkTable()
    {
        const int field = int(m_rng() % 4) + 1;
        if (!exec(QStringLiteral("1F,%1,18,1,%2").arg(m_pw).arg(field)))
            return;
        QByteArray stored;
        inspect([&](const RegisterModel &m) { m.tables().read(18, 1, field, &stored); });
        if (rplItems.count() != 3 || rplItems.at(2).value != stored)
            wrongResult(QStringLiteral("1F 18/1/%1").arg(field));
    }

    int linesNamed(const QString &name)
    {
        int lines = 0;
        inspect([&](const RegisterModel &m) {
            for (const auto &line : m.state().receipt.lines)
                lines += line.name == name ? 1 : 0;
        });
        return lines;
    }

    void sale()
    {
        if (!m_receiptOpen) {
            exec(QStringLiteral("8D,%1,0").arg(m_pw));
            inspect([&](const RegisterModel &m) { m_receiptOpen = m.state().receipt.open; });
            return;
        }
        const QString name = QStringLiteral("Товар %1").arg(++m_itemNo);
        const bool ok = exec(QStringLiteral("80,%1,1.000,1.00,0,1,0,0,0,'%2'").arg(m_pw, name));
        const int lines = linesNamed(name);
        if (lines > 1 || (ok && lines != 1))
            wrongResult(QStringLiteral("80: %1 booked %2 times").arg(name).arg(lines));
        if (m_itemNo % 8 == 0)
            closeReceipt();
    }

    void closeReceipt()
    {
        const bool ok = exec(QStringLiteral("85,%1,1000.00,0.00,0.00,0.00,0,1,0,0,0,''").arg(m_pw));
        bool open = true;
        inspect([&](const RegisterModel &m) { open = m.state().receipt.open; });
        if (ok && open)
            wrongResult(QStringLiteral("85 succeeded but the receipt stays open"));
        m_receiptOpen = open;
    }

    void step()
    {
        switch (m_rng() % 6) {
        case 0:
            checkState();
            break;
        case 1:
            checkIdentity();
            break;
        case 2:
            checkFn();
            break;
        case 3:
            checkTable();
            break;
        default:
            sale();
            break;
        }
    }

    EmulatorLink &m_emu;
    std::mt19937_64 m_rng;
    std::mt19937_64 m_slowRng;
    double m_slowShare = 0.0;
    Tally m_tally;
    const QString m_pw = QString::number(kelo::kDefaultSysAdminPassword);
    bool m_receiptOpen = false;
    int m_itemNo = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int commands = args.size() > 1 ? args.at(1).toInt() : 5000;
    const double rate = args.size() > 2 ? args.at(2).toDouble() : 0.05;
    const quint64 seed = args.size() > 3 ? args.at(3).toULongLong() : 1;
    const double slowShare = args.size() > 4 ? args.at(4).toDouble() : 0.0;
    const bool overTcp = args.size() > 5 && args.at(5) == QLatin1String("tcp");

    if (!benchDriverReady())
        return 1;

    kelo::emu::EmulatorConfig config;
    config.preset = kelo::emu::Preset::Registered;
    config.seed = seed;
    if (overTcp) {
        config.pty = false;
        config.tcpAddress = QStringLiteral("127.0.0.1:0");
    }
    EmulatorLink emu(config);
    if (!emu.connect()) {
        std::fprintf(stderr, "cannot reach the emulator: %s\n", qPrintable(emu.engine().errorString()));
        return 1;
    }
    TestFp fp;
    fp.execCommand(QStringLiteral("E0,%1").arg(kelo::kDefaultSysAdminPassword)); // the shift for the sales
    emu.engine().faults().setRandomRate(rate);

    QElapsedTimer timer;
    timer.start();
    Soak soak(emu, seed, slowShare);
    soak.run(commands);
    emu.engine().faults().setRandomRate(0);
    const Tally &t = soak.tally();
    const int faults = emu.engine().faults().injectedTotal();

    std::printf("%d commands in %.1f s at a fault rate of %.3f (seed %llu), %d slow (share %.2f), over %s\n",
                t.commands, timer.elapsed() / 1000.0, rate, static_cast<unsigned long long>(seed), t.slow,
                slowShare, overTcp ? "TCP" : "a pseudo-terminal");
    std::printf("faults injected:        %d\n", faults);
    std::printf("succeeded:              %d (%.2f %%)\n", t.ok, 100.0 * t.ok / qMax(1, t.commands));
    std::printf("failed, driver error:   %d\n", t.driverErrors);
    std::printf("refused by the register: %d\n", t.refusals);
    std::printf("wrong results:          %d\n", t.wrong);
    std::printf("repeated executions:    %d\n", t.repeated);
    std::printf("requests sent again:    %d (answered from the held reply)\n", t.resent);
    std::printf("soak_commands %d\n", t.commands);
    std::printf("soak_faults %d\n", faults);
    std::printf("soak_ok %d\n", t.ok);
    std::printf("soak_driver_errors %d\n", t.driverErrors);
    std::printf("soak_wrong %d\n", t.wrong);
    std::printf("soak_repeated %d\n", t.repeated);
    std::printf("soak_slow %d\n", t.slow);
    std::printf("soak_resent %d\n", t.resent);
    return t.wrong == 0 && t.repeated == 0 ? 0 : 1;
}
