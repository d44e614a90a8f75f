// Plays arbitrary MIDI into the instrument: every four bytes are one message (frame offset, status,
// two data bytes), a zero offset byte with the top bit set ends the block, whose length comes from
// the next byte and may exceed the announced maximum.
#include "FuzzHost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kt4rfuzz::FuzzHost& host = kt4rfuzz::FuzzHost::Shared();
    size_t i = 0;
    int blocks = 0;
    while (i + 4 <= size && blocks < 64) {
        const uint8_t offset = data[i], status = data[i + 1], d1 = data[i + 2], d2 = data[i + 3];
        i += 4;
        if (offset == 0x80) {
            host.Render(1 + d1 % 200);
            ++blocks;
            continue;
        }
        host.SendMidi(static_cast<int8_t>(offset), status, d1, d2);
    }
    host.Render(kt4rfuzz::FuzzHost::kBlock);
    return 0;
}
