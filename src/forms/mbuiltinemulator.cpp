#include "mbuiltinemulator.h"

#include "emulatorengine.h"

#include <mpathworks.h>

MBuiltinEmulator::MBuiltinEmulator(const QString &statePath)
    : m_statePath(statePath.isEmpty() ? defaultStatePath() : statePath)
{}

MBuiltinEmulator::~MBuiltinEmulator()
{
    stop();
}

bool MBuiltinEmulator::isAvailable()
{
#ifdef Q_OS_UNIX
    return true;
#else
    return false;
#endif
}

QString MBuiltinEmulator::entryText()
{
    return tr("Эмулятор ККТ");
}

QString MBuiltinEmulator::defaultStatePath()
{
    return MPathWorks::dataDir().absoluteFilePath(QStringLiteral("emulator.json"));
}

bool MBuiltinEmulator::start()
{
    if (isRunning())
        return true;
    if (!isAvailable()) {
        m_error = tr("Эмулятор ККТ недоступен в этой системе.");
        return false;
    }
    kelo::emu::EmulatorConfig config;
    config.preset = kelo::emu::Preset::Registered; // used only while there is no state file
    config.statePath = m_statePath;
    config.timing = kelo::emu::Timing::Real; // as slow as a register in service
    m_engine = std::make_unique<kelo::emu::EmulatorEngine>(config);
    if (m_engine->start())
        return true;
    m_error = m_engine->errorString();
    m_engine.reset();
    return false;
}

void MBuiltinEmulator::stop()
{
    if (m_engine)
        m_engine->stop();
    m_engine.reset();
}

bool MBuiltinEmulator::isRunning() const
{
    return m_engine && m_engine->isRunning();
}

QString MBuiltinEmulator::portPath() const
{
    return m_engine ? m_engine->slavePath() : QString();
}

QStringList MBuiltinEmulator::tape() const
{
    QStringList lines;
    if (m_engine && m_engine->isRunning())
        m_engine->inspect([&lines](const kelo::emu::RegisterModel &m) { lines = m.state().printed; });
    return lines;
}
