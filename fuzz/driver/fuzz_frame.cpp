// The link's side of one command fed whatever bytes a faulty register or a
// noisy line might send: the handshake, the frame receiver and the retries run
// over them with every wait set to zero, so each input is a complete command.

#include "fuzzsetup.h"
#include "zirivoro.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_frame";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (!fuzzDriverReady())
        return 0;
    static ZiRivoro link;
    static const bool timed = [] {
        link.setTimings(frlink::Timings{0, 0, 0, 0, 0, 0});
        return true;
    }();
    (void)timed;

    // The bytes arrive in chunks, each announced by one byte of the input.
    size_t pos = 0;
    link.setInputSource([&]() {
        if (pos >= size)
            return QByteArray();
        const size_t chunk = qMin<size_t>(1 + data[pos] % 8, size - pos - 1);
        const QByteArray bytes(reinterpret_cast<const char *>(data + pos + 1), qsizetype(chunk));
        pos += chunk + 1;
        return bytes;
    });
    link.closeComPort(); // drops what the previous input left
    const QByteArray request =
        size > 0 && (data[0] & 1) ? QByteArray::fromHex("ff011e000000") : QByteArray("\xFC");
    const TypeAnsCmd answer = link.frCommand(request, 0);
    const bool known = answer.code == 0 || (answer.code >= 501 && answer.code <= 523);
    if (!known || answer.answer.size() > 255 || (answer.code == 0) == answer.answer.isEmpty())
        __builtin_trap();
    link.setInputSource(nullptr);
    return 0;
}
