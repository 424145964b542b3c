#pragma once

// The driver connected to an in-process register emulator, for tests and
// benchmarks that need a whole register behind the link.

#include "emulatorengine.h"
#include "mainproc.h"
#include "zirivoro.h"

#include <QString>

#include <memory>

class EmulatorLink
{
public:
    explicit EmulatorLink(kelo::emu::EmulatorConfig config = kelo::emu::EmulatorConfig())
        : m_engine(std::make_unique<kelo::emu::EmulatorEngine>(config))
    {}

    ~EmulatorLink() { disconnect(); }

    // Starts the emulator and opens the driver's link to it.
    bool connect()
    {
        if (!m_engine->isRunning() && !m_engine->start())
            return false;
        DriverLinkSettings &settings = mpLinkSettings();
        settings.link = &m_link;
        // Over TCP when the emulator serves nothing else.
        settings.portName = m_engine->slavePath().isEmpty() ? m_engine->tcpAddress() : m_engine->slavePath();
        settings.connected = mpSetComPort(settings.portName, settings.baudRate);
        return settings.connected;
    }

    void disconnect()
    {
        m_link.closeComPort();
        DriverLinkSettings &settings = mpLinkSettings();
        if (settings.link == &m_link) {
            settings.link = nullptr;
            settings.connected = false;
        }
    }

    kelo::emu::EmulatorEngine &engine() { return *m_engine; }
    ZiRivoro &link() { return m_link; }

private:
    std::unique_ptr<kelo::emu::EmulatorEngine> m_engine;
    ZiRivoro m_link;
};
