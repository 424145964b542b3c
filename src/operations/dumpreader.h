#pragma once

// Reads the register's firmware dump: "03" ends a transfer someone else left
// running, "01" with the program memory unit announces the number of blocks,
// every "02" returns the next 32-byte block, and "03" ends the transfer again.
// Every block is checked (DumpImage) before it is taken; a failure stops the
// transfer and leaves no image.

#include "exec.h"

#include <QByteArray>
#include <QString>

namespace ops {

struct DumpRead
{
    enum Status {
        Done,
        Refused, // "01" failed: the register's or the link's error
        NoSize,  // the "01" reply carries no block count
        Failed,  // a block could not be read, or was rejected
        Stopped, // the caller asked to stop
    };

    Status status = Failed;
    int blocks = 0; // announced by "01"
    QByteArray image;
    int errorCode = 0; // the register's code of a failed command, -1 otherwise
    QString error;
    bool closed = true; // the closing "03" went through
};

class DumpReader
{
public:
    static constexpr int kProgramMemoryUnit = 6;

    DumpReader(Exec exec, const QString &password);
    // Asked with the blocks taken so far, once the size is known and then
    // every `every` blocks.
    void setProgress(Progress progress, int every = 1);

    DumpRead read();

private:
    bool stop();

    Exec m_exec;
    Progress m_progress;
    int m_every = 1;
    QString m_password;
};

} // namespace ops
