// The audio thread allocates nothing: this binary replaces operator new with a counting one, exports
// it to the plug-in it loads, and counts while a host's audio thread would be calling in. A Windows DLL
// keeps its own operator new, so there the plug-in's imports of the C runtime's heap functions (which
// its operator new comes down to) are pointed at counting ones instead.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "support/Signal.h"
#include "tests/support/AllocationCounter.h"
#include "tests/support/PluginTestSupport.h"
#include "signal/ParamId.h"

namespace {

using namespace kt4r_test::allocations;

#ifdef _WIN32
void* __cdecl CountingMalloc(size_t n)
{
    CountIfCounting();
    return std::malloc(n);
}
void* __cdecl CountingCalloc(size_t n, size_t size)
{
    CountIfCounting();
    return std::calloc(n, size);
}
void* __cdecl CountingRealloc(void* p, size_t n)
{
    CountIfCounting();
    return std::realloc(p, n);
}
void* __cdecl CountingAlignedMalloc(size_t n, size_t alignment)
{
    CountIfCounting();
    return _aligned_malloc(n, alignment);
}
char* __cdecl CountingStrdup(const char* text)
{
    CountIfCounting();
    return _strdup(text);
}

// Points the module's imports of the C runtime's allocating functions at the counting ones; answers
// how many import slots it changed.
int CountHeapCallsOf(HMODULE module)
{
    const struct {
        const char* name;
        void* replacement;
    } kReplacements[] = {
        {"malloc", reinterpret_cast<void*>(&CountingMalloc)},
        {"calloc", reinterpret_cast<void*>(&CountingCalloc)},
        {"realloc", reinterpret_cast<void*>(&CountingRealloc)},
        {"_aligned_malloc", reinterpret_cast<void*>(&CountingAlignedMalloc)},
        {"_strdup", reinterpret_cast<void*>(&CountingStrdup)},
    };
    auto* base = reinterpret_cast<uint8_t*>(module);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int patched = 0;
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name;
         ++dll) {
        if (_stricmp(reinterpret_cast<const char*>(base + dll->Name), "msvcrt.dll") != 0)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + dll->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char* name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
            for (const auto& r : kReplacements) {
                if (std::strcmp(name, r.name) != 0)
                    continue;
                DWORD protection = 0;
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(r.replacement);
                VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
                ++patched;
            }
        }
    }
    return patched;
}
#endif

} // namespace

namespace kt4r_test {
namespace {

constexpr int kBlock = 256;

using allocations::Count;
using allocations::Counting;
using allocations::ResetCount;

// One host block: the events, automation of a few parameters and the render, as an audio thread does.
void PlayBlock(PluginHost& host, int block, float** outputs, int frames, bool counted)
{
    const int base = 48 + (block % 4) * 7;
    host.QueueMidi(3, 0x90, static_cast<uint8_t>(base), 100);
    host.QueueMidi(40, 0x90, static_cast<uint8_t>(base + 4), 90);
    host.QueueMidi(77, 0xE0, 0, static_cast<uint8_t>(64 + block % 8));  // pitch bend
    host.QueueMidi(90, 0xB0, 1, static_cast<uint8_t>(block * 5 % 128)); // modulation wheel
    host.QueueMidi(120, 0xD0, 60, 0);                                   // channel pressure
    host.QueueMidi(150, 0xA0, static_cast<uint8_t>(base), 30);          // key pressure
    host.QueueMidi(frames - 1, 0x80, static_cast<uint8_t>(base - 7), 0);
    if (block % 3 == 0)
        host.QueueMidi(frames / 2, 0xC0, static_cast<uint8_t>(block % 128), 0); // program change
    // The hardware moving "VCF FREQ": a parameter message taken as an edit.
    host.QueueSysEx(5, {0xF0, 0x41, 0x36, 0x00, 0x21, 0x20, 0x01, 0x22, static_cast<uint8_t>(block % 128), 0xF7});
    host.QueueMidi(frames + 300, 0x80, static_cast<uint8_t>(base + 4 - 7), 0); // past the block's end
    const Counting counting(counted);
    host.SendEvents();
    host.SetParameter(Index(ParamId::kVcfFreq), 0.3f + 0.05f * static_cast<float>(block % 10));
    host.SetParameter(Index(ParamId::kDco2Xmod), (block % 4) / 3.0f);
    host.SetParameter(Index(ParamId::kChorus), 1.0f);
    host.ProcessFloat(nullptr, outputs, frames);
}

TEST(RealTime, RenderingWithMidiSysExProgramChangesAndAutomationAllocatesNothing)
{
    LoadedPlugin plugin = LoadPlugin(std::string(), 48000.0, kBlock);
#ifdef _WIN32
    HMODULE module = nullptr;
    ASSERT_TRUE(
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(plugin->Effect()->dispatcher), &module));
    ASSERT_GE(CountHeapCallsOf(module), 4); // malloc, calloc, realloc and _aligned_malloc at least
#endif
    // Host blocks longer than the announced size are split into sub-blocks: that path is counted too.
    std::vector<float> left(4 * kBlock), right(4 * kBlock);
    float* outputs[] = {left.data(), right.data()};
    const int lengths[] = {kBlock, 65, kBlock, 3 * kBlock + 17};
    // A first round lets the host side of this test reach its own steady state.
    for (int block = 0; block < 8; ++block)
        PlayBlock(*plugin.host, block, outputs, lengths[block % 4], false);

    ResetCount();
    for (int block = 8; block < 200; ++block)
        PlayBlock(*plugin.host, block, outputs, lengths[block % 4], true);

    EXPECT_EQ(Count(), 0);
    EXPECT_GT(kt4rtest::Rms(kt4rtest::ToDouble(left)), 1e-4); // the notes sounded

    // The counter does see the plug-in's allocations: its state is built on the heap when taken.
    {
        const Counting counting(true);
        void* data = nullptr;
        plugin->Dispatch(vst::effGetChunk, 0, 0, &data);
    }
    EXPECT_GT(Count(), 0);
}

// The hardware's write request: the edit buffer into program index + 1.
std::vector<uint8_t> WriteRequest(uint8_t index)
{
    return {0xF0, 0x41, 0x34, 0x00, 0x21, 0x20, 0x01, 0x00, index, 0x02, 0xF7};
}

// The first program write of an instance, a SysEx write request handled on the audio thread, allocates
// nothing either: the room a write builds its program in is made with the instrument.
TEST(RealTime, TheFirstProgramWriteOfAnInstanceAllocatesNothing)
{
    LoadedPlugin plugin = LoadPlugin(std::string(), 48000.0, kBlock);
    PluginHost& host = *plugin.host;
    // The host's event list reaches its size with SysEx that is not the hardware's.
    host.QueueSysEx(0, {0xF0, 0x7E, 0x00, 0x06, 0x01, 0xF7});
    host.SendEvents();
    host.QueueSysEx(0, WriteRequest(3));
    ResetCount();
    {
        const Counting counting(true);
        host.SendEvents();
    }
    EXPECT_EQ(Count(), 0);
    char name[vst::kMaxProgNameLen] = {};
    host.Dispatch(vst::effGetProgramNameIndexed, 4, 0, name);
    EXPECT_STREQ(name, " INIT "); // written (the edit buffer's name), and the check above is not vacuous
}

// An extended dump carrying a name of the full 25 characters and an open filter.
std::vector<uint8_t> ExtendedDump(uint8_t vcf)
{
    std::vector<uint8_t> bytes(94, 0);
    bytes[0] = 0xF0;
    bytes[1] = 0x41;
    bytes[2] = 0x35;
    bytes[4] = 0x21;
    bytes[5] = 0x40;
    bytes[93] = 0xF7;
    std::memcpy(bytes.data() + 7, "A patch name of 25 chars!", 25);
    bytes[28 + 34] = vcf;
    return bytes;
}

// Every path that reaches the engine from the audio thread with more than a parameter's value: program
// changes between programs stored with other voice counts, automation of "Number of Voices", a
// controller learned to it, long-named and bulk dumps, and SysEx that is not the hardware's at all.
TEST(RealTime, ProgramChangesAcrossVoiceCountsDumpsAndLearnedControllersAllocateNothing)
{
    constexpr int kVoices = 67;
    // Controller 20 is learned to "Number of Voices" in the default map.
    LoadedPlugin plugin = LoadPlugin(std::string(), 48000.0, kBlock, true, "   67   20 0 1\n");
    PluginHost& host = *plugin.host;
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[] = {left.data(), right.data()};
    // Programs 10 and 11 stored with twelve and with six voices, through the hardware's write requests.
    host.SetParameter(kVoices, 1.0f);
    host.QueueSysEx(0, WriteRequest(9));
    host.SendEvents();
    host.ProcessFloat(nullptr, outputs, kBlock);
    host.SetParameter(kVoices, 0.0f);
    host.QueueSysEx(0, WriteRequest(10));
    host.SendEvents();
    host.ProcessFloat(nullptr, outputs, kBlock);

    std::vector<uint8_t> bulk;
    for (int k = 0; k < 40; ++k) {
        const std::vector<uint8_t> dump = ExtendedDump(static_cast<uint8_t>(k * 3));
        bulk.insert(bulk.end(), dump.begin(), dump.end());
    }
    const std::vector<uint8_t> hostile = {0xF0, 0x41, 0x35, 0x00, 0x21, 0x40, 0x90, 0x3C, 0x7F, 0xF7, 0xF0, 0xF0, 0x41};

    // The first round, not counted, lets the host's own event lists reach their size.
    for (int block = -8; block < 64; ++block) {
        if (block == 0)
            ResetCount();
        host.QueueMidi(0, 0x90, static_cast<uint8_t>(48 + block % 12), 100);
        host.QueueMidi(10, 0xC0, static_cast<uint8_t>(9 + block % 2), 0);
        host.QueueMidi(20, 0xB0, 20, static_cast<uint8_t>(block * 37 % 128));
        host.QueueMidi(kBlock - 1, 0x80, static_cast<uint8_t>(48 + block % 12), 0);
        host.QueueSysEx(30, block % 8 == 0 ? bulk : ExtendedDump(static_cast<uint8_t>(block)));
        host.QueueSysEx(40, hostile);
        const Counting counting(block >= 0);
        host.SendEvents();
        host.SetParameter(kVoices, static_cast<float>(block % 4) / 3.0f);
        host.ProcessFloat(nullptr, outputs, kBlock);
    }
    EXPECT_EQ(Count(), 0);
    EXPECT_TRUE(AllFinite(left));
}

} // namespace
} // namespace kt4r_test
