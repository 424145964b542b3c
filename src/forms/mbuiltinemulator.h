#ifndef MBUILTINEMULATOR_H
#define MBUILTINEMULATOR_H

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>

namespace kelo::emu {
class EmulatorEngine;
}

// The register stand-in offered in the port box, so that every operation can
// be tried without hardware. It runs in a thread of this process on a
// pseudo-terminal and keeps its register (FN archive included) in a state file,
// so what was done survives a restart. The first start is a registered
// register with one closed shift.
class MBuiltinEmulator
{
    Q_DECLARE_TR_FUNCTIONS(MBuiltinEmulator)

public:
    explicit MBuiltinEmulator(const QString &statePath = QString());
    ~MBuiltinEmulator();
    MBuiltinEmulator(const MBuiltinEmulator &) = delete;
    MBuiltinEmulator &operator=(const MBuiltinEmulator &) = delete;

    // Only systems with pseudo-terminals can host it.
    static bool isAvailable();
    // Its entry in the port box.
    static QString entryText();
    // Data/emulator.json in the program directory.
    static QString defaultStatePath();

    // Starts serving unless it already does; false with errorString().
    bool start();
    void stop();
    bool isRunning() const;
    // The terminal the window opens as its serial port.
    QString portPath() const;
    QString statePath() const { return m_statePath; }
    QString errorString() const { return m_error; }
    // What the emulated register has printed lately, oldest first.
    QStringList tape() const;

private:
    QString m_statePath;
    QString m_error;
    std::unique_ptr<kelo::emu::EmulatorEngine> m_engine;
};

#endif // MBUILTINEMULATOR_H
