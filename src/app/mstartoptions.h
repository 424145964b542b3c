#ifndef MSTARTOPTIONS_H
#define MSTARTOPTIONS_H

#include <QString>
#include <QStringList>

// What the command line asks for. The program needs none of it; the options
// make it easy to try on the built-in emulator and to picture its pages.
struct MStartOptions
{
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    QString port;           // --port NAME
    bool emulator = false;  // --emulator
    QString screenshotsDir; // --screenshots DIR
    QString message;        // the text to print for Help, Version and Error
    QString warning;        // for options passed over

    static MStartOptions parse(const QStringList &arguments);
};

#endif // MSTARTOPTIONS_H
