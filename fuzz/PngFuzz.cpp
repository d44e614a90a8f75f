// The editor's PNG decoder on arbitrary bytes: no crash, no read outside the input, and a decoded
// image of the size it claims.
#include <cstddef>
#include <cstdint>

#include "framework/graphics/LICE.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (auto image = LICE_LoadPNGFromMemory(data, size)) {
        volatile LICE_pixel sink = 0;
        for (int y = 0; y < image->Height(); ++y)
            sink = sink ^ image->Row(y)[image->Width() - 1];
    }
    return 0;
}
