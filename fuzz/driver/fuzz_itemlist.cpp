// Item lists of "Command.ini": parse arbitrary bytes as a command and as a
// reply list, then push arbitrary texts and bytes through every item.
//
// Input layout: one flags byte, then the list up to the first newline, then
// the bytes used as item texts and reply values.

#include "fuzzsetup.h"
#include "razbcmd.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (!fuzzDriverReady() || size < 1)
        return 0;

    const QByteArray input(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const bool isCmdList = data[0] & 1;
    const int newline = int(input.indexOf('\n'));
    const QByteArray list = newline < 0 ? input : input.left(newline);
    const QByteArray payload = newline < 0 ? QByteArray() : input.mid(newline + 1);

    RazbCmd parser;
    quint32 width = 0;
    if (!parser.razbItems(list, isCmdList, width))
        return 0;
    ItemTable &items = isCmdList ? cmdItems : rplItems;

    // Command side: each item gets a slice of the payload as its text.
    int offset = 0;
    for (int i = 0; i < items.count(); ++i) {
        const int take = payload.isEmpty() ? 0 : int(quint8(payload[offset % payload.size()])) % 24;
        items[i].dftval = payload.mid(offset, take);
        offset += take;
        convItemToValue(items[i]);
    }
    // Reply side: the payload as a reply, each item taking its bytes.
    for (int i = 0; i < items.count(); ++i) {
        CmdItem &item = items[i];
        const int len = item.len ? int(item.len) : int(payload.size()) - int(item.rel);
        item.value = payload.mid(int(item.rel), qMax(len, 0));
        convItemToText(item);
        if (item.dftval.size() >= kItemDftvalCap)
            __builtin_trap();
    }
    return 0;
}
