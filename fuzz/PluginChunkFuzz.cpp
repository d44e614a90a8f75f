// Feeds arbitrary bytes to the instrument as host state (bank or single program), then plays a note:
// a state it cannot fully read must neither crash it nor let a non-finite sample out.
#include "FuzzHost.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    kt4rfuzz::FuzzHost& host = kt4rfuzz::FuzzHost::Shared();
    std::vector<uint8_t> chunk(data + 1, data + size);
    host.Dispatch(vst::effSetChunk, data[0] & 1, static_cast<intptr_t>(chunk.size()), chunk.data());
    void* out = nullptr;
    host.Dispatch(vst::effGetChunk, data[0] & 1, 0, &out);
    host.SendMidi(0, 0x90, 60, 100);
    host.Render(kt4rfuzz::FuzzHost::kBlock);
    host.Render(kt4rfuzz::FuzzHost::kBlock);
    return 0;
}
