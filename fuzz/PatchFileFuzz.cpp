// The program and bank file readers on arbitrary bytes: whatever they accept must be whole, and a
// chunk they accept must build back into a file that reads the same (a name that fills all 28
// bytes of its field comes back cut to 27).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "instrument/PatchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    kt4r::ProgramFile program;
    if (kt4r::ParseProgramFile(file, &program)) {
        if (program.hasChunk) {
            kt4r::ProgramFile again;
            if (!kt4r::ParseProgramFile(kt4r::BuildProgramFile(program.name, program.chunk), &again) ||
                again.chunk != program.chunk || !program.name.starts_with(again.name))
                std::abort();
        }
        for (const float v : program.values) {
            if (!(v >= 0.0f && v <= 1.0f))
                std::abort();
        }
    }
    std::vector<uint8_t> chunk;
    if (kt4r::ParseBankFile(file, &chunk)) {
        std::vector<uint8_t> again;
        if (chunk.empty() || !kt4r::ParseBankFile(kt4r::BuildBankFile(chunk), &again) || again != chunk)
            std::abort();
    }
    return 0;
}
