// Drives the host's program entries in any order, interleaved with MIDI and processing: choosing a
// program (in or out of range, inside or outside a begin/end pair), reading the number and the names,
// renaming with texts of any length, reading the bank and the program state and giving them back,
// handing over state bytes of the input. Every name read must end within the interface's 24 bytes
// (the buffers are exactly that long), and giving back the bank just read must read back the same.
#include "FuzzHost.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Opcodes hosts send around a program change; the instrument need not answer them.
constexpr int32_t kBeginSetProgram = 67;
constexpr int32_t kEndSetProgram = 68;

class Input {
public:
    Input(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
    bool More() const { return mPos < mSize; }
    uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }
    // A program index around the valid range: -2 .. 130.
    int32_t ProgramIndex() { return static_cast<int32_t>(Byte() % 133) - 2; }
    std::vector<uint8_t> Bytes(size_t most)
    {
        const size_t n = std::min<size_t>(most, mSize - mPos);
        std::vector<uint8_t> out(mData + mPos, mData + mPos + n);
        mPos += n;
        return out;
    }

private:
    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
};

std::vector<uint8_t> ReadChunk(kt4rfuzz::FuzzHost& host, int32_t index)
{
    void* data = nullptr;
    const intptr_t size = host.Dispatch(vst::effGetChunk, index, 0, &data);
    if (size < 0 || (size > 0 && !data))
        std::abort();
    const auto* bytes = static_cast<const uint8_t*>(data);
    return size > 0 ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

// A name buffer exactly as long as the interface promises, so that a longer write is caught.
void ReadName(kt4rfuzz::FuzzHost& host, int32_t opcode, int32_t index)
{
    auto name = std::make_unique<char[]>(vst::kMaxProgNameLen);
    constexpr char kUnwritten = 0x7F;
    std::memset(name.get(), kUnwritten, vst::kMaxProgNameLen);
    host.Dispatch(opcode, index, 0, name.get());
    const bool written = std::any_of(name.get(), name.get() + vst::kMaxProgNameLen, [](char c) { return c != kUnwritten; });
    if (written && !std::memchr(name.get(), '\0', vst::kMaxProgNameLen))
        std::abort(); // written but not terminated inside the buffer
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kt4rfuzz::FuzzHost& host = kt4rfuzz::FuzzHost::Shared();
    Input in(data, size);
    // A whole bank costs some milliseconds to load: one bank load an input keeps the run fast.
    bool bankLoaded = false;
    int steps = 0;
    while (in.More() && steps++ < 64) {
        switch (in.Byte() % 12) {
        case 0: host.Dispatch(vst::effSetProgram, 0, in.ProgramIndex()); break;
        case 1:
            host.Dispatch(kBeginSetProgram);
            host.Dispatch(vst::effSetProgram, 0, in.ProgramIndex());
            host.Dispatch(kEndSetProgram);
            break;
        case 2: {
            const intptr_t program = host.Dispatch(vst::effGetProgram);
            if (program < 0 || program >= host.mEffect->numPrograms)
                std::abort();
            break;
        }
        case 3: ReadName(host, vst::effGetProgramName, 0); break;
        case 4: ReadName(host, vst::effGetProgramNameIndexed, in.ProgramIndex()); break;
        case 5: {
            // A host's name of up to 40 bytes of anything, terminated.
            std::vector<uint8_t> text = in.Bytes(in.Byte() % 41);
            text.push_back(0);
            host.Dispatch(vst::effSetProgramName, 0, 0, text.data());
            break;
        }
        case 6: {
            // The bank read and given back reads back the same.
            if (std::exchange(bankLoaded, true))
                break;
            const std::vector<uint8_t> bank = ReadChunk(host, 0);
            std::vector<uint8_t> copy = bank;
            host.Dispatch(vst::effSetChunk, 0, static_cast<intptr_t>(copy.size()), copy.data());
            if (ReadChunk(host, 0) != bank)
                std::abort();
            break;
        }
        case 7: {
            std::vector<uint8_t> program = ReadChunk(host, 1);
            host.Dispatch(vst::effSetChunk, 1, static_cast<intptr_t>(program.size()), program.data());
            break;
        }
        case 8: {
            // State bytes from the input, over a chunk just read so that the header is often right.
            const int32_t index = in.Byte() & 1;
            if (index == 0 && std::exchange(bankLoaded, true))
                break;
            std::vector<uint8_t> chunk = ReadChunk(host, index);
            const size_t at = chunk.empty() ? 0 : in.Byte() % chunk.size();
            const std::vector<uint8_t> patch = in.Bytes(in.Byte() % 32);
            for (size_t i = 0; i < patch.size() && at + i < chunk.size(); ++i)
                chunk[at + i] = patch[i];
            chunk.resize(in.Byte() & 1 ? chunk.size() : at);
            host.Dispatch(vst::effSetChunk, index, static_cast<intptr_t>(chunk.size()), chunk.data());
            break;
        }
        case 9: host.SendMidi(0, 0xC0 | (in.Byte() & 0x0F), in.Byte(), 0); break;
        case 10: {
            const int32_t param = in.Byte() % (host.mEffect->numParams + 2);
            if (param < host.mEffect->numParams)
                host.mEffect->setParameter(host.mEffect, param, in.Byte() / 255.0f);
            break;
        }
        default: {
            host.SendMidi(0, 0x90, 48 + in.Byte() % 24, 100);
            host.Render(1 + in.Byte() % 100);
            break;
        }
        }
    }
    host.Render(kt4rfuzz::FuzzHost::kBlock);
    return 0;
}
