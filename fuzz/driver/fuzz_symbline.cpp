// One line of "Symbol.ini" or "Default.ini", and whole files of such lines.

#include "convert.h"
#include "fuzzsetup.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzDriverReady(); // for the quiet debug log
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    SymbRecord record;
    if (parseSymbLine(input.trimmed(), record)) {
        if (record.name.size() >= kSymbNameCap || record.value.size() > kSymbValueCap)
            __builtin_trap();
    }

    // The same bytes as a whole file into both tables.
    resetDescriptionTables();
    QBuffer buffer;
    buffer.setData(input);
    buffer.open(QIODevice::ReadOnly);
    convSymbText(buffer, false);
    buffer.seek(0);
    convSymbText(buffer, true);
    if (symbTable.count() > SymbTable::capacity || dfltTable.count() > DfltTable::capacity)
        __builtin_trap();
    return 0;
}
