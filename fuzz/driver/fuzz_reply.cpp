// Replies from the register turned into reply values: the first byte picks a
// command of "Command.ini", the rest is its reply as it came off the line.

#include "cmdexec.h"
#include "convert.h"
#include "fuzzsetup.h"
#include "razbcmd.h"
#include "testfp.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!fuzzDriverReady() || size < 1)
        return 0;
    QVector<int> described;
    for (int i = 0; i < cmdTable.count(); ++i) {
        if (cmdTable.at(i).code >= 0)
            described.append(i);
    }
    curCmd = described.at(data[0] % described.size());
    if (!ceRazbCmdRpl())
        __builtin_trap(); // every shipped description parses
    const QByteArray reply(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    TestFp exec;
    exec.fillReplyValues(reply);
    quint32 end = 0;
    for (int i = 0; i < rplItems.count(); ++i) {
        const CmdItem &item = rplItems.at(i);
        if (item.rel != end || item.rel + item.len > quint32(reply.size())
            || item.value.size() != int(item.len) || item.dftval.size() >= kItemDftvalCap)
            __builtin_trap();
        end = item.rel + item.len;
    }
    return 0;
}
