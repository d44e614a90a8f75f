// The SysEx receiver (which also reads .syx files) on arbitrary bytes.
#include "instrument/SysExCodec.h"

#include <cstdlib>

namespace {

// Checks every decoded change before dropping it: a patch id and a normalised value.
class CheckingSink final : public kt4r::ISysExSink {
public:
    void Apply(const kt4r::SysExReceived& received) override
    {
        if (received.changeCount < 0 || received.changeCount > kt4r::SysExReceived::kMaxChanges) {
            std::abort();
        }
        for (const kt4r::SysExChange& change : received.Changes()) {
            if (!IsPatchParamIndex(change.id) || !(change.value >= 0.0 && change.value <= 1.0)) {
                std::abort();
            }
        }
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    kt4r::SysExCodec codec;
    CheckingSink sink;
    codec.Receive(bytes, sink);
    return 0;
}
