// Text commands as the window or a script would write them: split, matched to
// a description, their parameters converted and the request built. The link
// is not connected, so the run ends before anything would be sent.

#include "fuzzsetup.h"
#include "razbcmd.h"
#include "testfp.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!fuzzDriverReady())
        return 0;
    const QString command = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    TestFp exec;
    if (exec.splitCommand(command) && exec.fields().size() > kMaxCommandFields)
        __builtin_trap();
    mpLinkSettings().connected = false;
    if (exec.execCommand(command))
        __builtin_trap(); // nothing can succeed without a link
    if (lastErrCode != -1)
        __builtin_trap();
    for (int i = 0; i < cmdItems.count(); ++i) {
        if (cmdItems.at(i).dftval.size() >= kItemDftvalCap || cmdItems.at(i).value.size() > 512)
            __builtin_trap();
    }
    return 0;
}
