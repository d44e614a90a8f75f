#include "tests/soak/SoakSession.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

#include "signal/ParamId.h"
#include "tests/support/PluginTestSupport.h"
#if KT4R_SOAK_COUNTS_ALLOCATIONS
#include "tests/support/AllocationCounter.h"
#endif

namespace kt4r_soak {

namespace {

constexpr int kPatchParams = 70;
constexpr int kVoicesIndex = Index(ParamId::kNumberOfVoices);
constexpr int kLogLines = 40;
// Far louder than any patch plays: a sample beyond it is a fault (or the sentinel left unwritten).
constexpr double kLoudest = 1000.0;
constexpr double kSentinel = 1e9;

// Controllers 20-23 learned to the voice count, VCF FREQ, the key mode and ENV-1 SUSTAIN, so that MIDI
// reaches parameters (and the voices) by that path as well.
const char* const kMap = "   67   20 0 1\n   20   21 0 1\n   51   22 0 1\n   37   23 0 1\n";

// The panel's buttons by their rectangles (860 x 692 panel). LOAD opens a file chooser, or where none
// is installed a message box in a process of its own: the soak leaves it alone. WRITE stores programs.
struct Rect {
    int l, t, r, b;
    bool Contains(int x, int y) const { return x >= l && x < r && y >= t && y < b; }
};
constexpr Rect kLoadButton = {205, 75, 251, 111};
constexpr Rect kWriteButton = {164, 75, 210, 111};
// Around the "Immediate Write" switch of the Settings page: a drag there can switch it on and off again
// within one gesture, and switching it on writes the current program.
constexpr Rect kImmediateWriteSwitch = {775, 235, 850, 390};

const double kRates[] = {8000, 11025, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000, 384000, 768000};
const double kBadRates[] = {0.0, -44100.0, 7999.0, 768001.0, 1e12, std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::quiet_NaN()};
const intptr_t kBlockSizes[] = {1, 2, 7, 32, 64, 65, 128, 256, 333, 512, 1024, 2048, 4096, 8192};
const intptr_t kBadBlockSizes[] = {0, -1, -65536, 65536, 65537, std::numeric_limits<int32_t>::max(),
                                   std::numeric_limits<intptr_t>::min()};

// What a process call wrote: every sample finite, the loudest, all zero.
struct OutputSummary {
    bool finite = true;
    double loudest = 0.0;
    bool silent = true;
};

// Fills both outputs with the sentinel, runs the process call and reads what it wrote.
template <typename Sample, typename Call>
OutputSummary Process(std::array<std::vector<Sample>, 2>& outs, std::vector<Sample>& in, int frames, Call&& call)
{
    const auto n = static_cast<std::ptrdiff_t>(frames);
    for (auto& channel : outs)
        std::fill(channel.begin(), channel.begin() + n, static_cast<Sample>(kSentinel));
    Sample* outputs[] = {outs[0].data(), outs[1].data()};
    Sample* inputs[] = {in.data(), in.data()};
    call(inputs, outputs);
    OutputSummary summary;
    for (const auto& channel : outs) {
        for (auto it = channel.begin(); it != channel.begin() + n; ++it) {
            summary.finite = summary.finite && std::isfinite(*it);
            summary.loudest = std::max(summary.loudest, static_cast<double>(std::fabs(*it)));
            summary.silent = summary.silent && *it == Sample(0);
        }
    }
    return summary;
}

} // namespace

AllocationProbe BuildProbe()
{
    AllocationProbe probe;
#if KT4R_SOAK_COUNTS_ALLOCATIONS
    using namespace kt4r_test::allocations;
    probe.start = [] {
        ResetCount();
        SetCounting(true);
    };
    probe.stop = [] {
        SetCounting(false);
        return Count();
    };
#endif
    return probe;
}

SoakSession::SoakSession(uint64_t seed, AllocationProbe probe)
    : mProbe(probe), mRandom(seed)
{
    mMidi.resize(kMaxEvents);
    mSysEx.resize(kMaxEvents);
    mSysExBytes.resize(kMaxEvents);
    mList.assign(offsetof(vst::Events, events) + kMaxEvents * sizeof(vst::Event*), 0);
    for (auto& channel : mFloatOut)
        channel.assign(kMaxFrames, 0.0f);
    for (auto& channel : mDoubleOut)
        channel.assign(kMaxFrames, 0.0);
    mFloatIn.assign(kMaxFrames, 0.0f);
    mDoubleIn.assign(kMaxFrames, 0.0);

    mCopy = std::make_unique<kt4r_test::PluginCopy>(std::string(), kMap);
    mHost = std::make_unique<PluginHost>();
    mHost->recordSentEvents = false;
    if (mCopy->Path().empty() || !mHost->Load(mCopy->Path(), &mLoadError)) {
        if (mLoadError.empty())
            mLoadError = "no copy of the plug-in";
        mHost.reset();
        return;
    }
    mHost->Open(48000.0, mMaxBlock);
    mHost->Resume();
    std::string failure;
    if (!mPrograms.Start(TakeChunk(0), &failure))
        mLoadError = failure;
}

SoakSession::~SoakSession() = default;

bool SoakSession::Ready(std::string* failure) const
{
    if (mHost && mLoadError.empty())
        return true;
    *failure = mLoadError;
    return false;
}

void SoakSession::Log(std::string line)
{
    mLog.push_back(std::to_string(mCounts.steps) + " " + std::move(line));
    if (mLog.size() > kLogLines)
        mLog.pop_front();
}

std::string SoakSession::RecentSteps() const
{
    std::string text;
    for (const std::string& line : mLog)
        text += line + "\n";
    return text;
}

bool SoakSession::Step(std::string* failure)
{
    ++mCounts.steps;
    Outcome out;
    bool ok = true;
    bool namesToo = mCounts.steps % 64 == 0;
    const int kind = Below(100);
    if (kind < 40) {
        ok = Block(out, failure);
    } else if (kind < 50) {
        ok = Automation(out, failure);
    } else if (kind < 53) {
        VoiceCount(failure, &ok);
    } else if (kind < 59) {
        ok = ProgramEntries(out, failure);
        namesToo = true;
    } else if (kind < 66) {
        ok = Chunks(out, failure);
        namesToo = true;
    } else if (kind < 68) {
        SampleRate();
    } else if (kind < 70) {
        BlockSize();
    } else if (kind < 73) {
        SuspendResume();
    } else {
        EditorGesture(out);
    }
    ok = ok && (!out.rendered || CheckEngine(failure)) && CheckPrograms(out, failure) && CheckParameters(failure) &&
         (!namesToo || CheckProgramEntries(failure));
    if (!ok)
        *failure = "step " + std::to_string(mCounts.steps) + ": " + *failure;
    return ok;
}

// ---- Random inputs ----

float SoakSession::HostileValue()
{
    const float kOdd[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(), -0.5f, 1.5f, 1e30f, -1e30f, 1e-40f, -0.0f,
                          0.49999997f, 0.5f, 0.16666f, 0.83333f};
    const int r = Below(10);
    if (r < 6)
        return static_cast<float>(Unit());
    if (r < 7)
        return static_cast<float>(Below(2));
    return kOdd[Below(static_cast<int>(std::size(kOdd)))];
}

std::vector<uint8_t> SoakSession::RandomSysEx()
{
    auto data = [&] { return static_cast<uint8_t>(Chance(0.02) ? Between(0x80, 0xFF) : Below(0x80)); };
    const uint8_t channel = static_cast<uint8_t>(Chance(0.8) ? 0 : Below(16));
    const uint8_t format = Chance(0.5) ? 0x21 : 0x24;
    std::vector<uint8_t> m;
    switch (Below(8)) {
    case 0: // parameter message, one pair or many
    case 1: {
        m = {0xF0, 0x41, 0x36, channel, format, 0x20, 0x01};
        for (int pairs = Between(1, Chance(0.1) ? 80 : 3); pairs > 0; --pairs) {
            m.push_back(static_cast<uint8_t>(Below(100)));
            m.push_back(data());
        }
        break;
    }
    case 2: // mode message, restore codes included
        m = {0xF0, 0x41, 0x36, channel, 0x21, 0x30, 0x01};
        for (int pairs = Between(1, 4); pairs > 0; --pairs) {
            m.push_back(static_cast<uint8_t>(Below(9)));
            m.push_back(data());
        }
        break;
    case 3: // program dump, numbered dump or extended dump
        switch (Below(3)) {
        case 0: m = {0xF0, 0x41, 0x35, channel, format, 0x20, 0x01}; m.resize(66); break;
        case 1: m = {0xF0, 0x41, 0x37, channel, 0x24, 0x20, 0x01}; m.resize(static_cast<size_t>(Between(60, 72))); break;
        default: m = {0xF0, 0x41, 0x35, channel, format, 0x40, 0x01}; m.resize(93); break;
        }
        for (size_t i = 7; i < m.size(); ++i)
            m[i] = data();
        break;
    case 4: // write request
        m = {0xF0, 0x41, 0x34, channel, format, 0x20, 0x01, 0x00, data(), static_cast<uint8_t>(Chance(0.9) ? 2 : data())};
        break;
    case 5: { // garbage
        m.resize(static_cast<size_t>(Below(200)));
        for (uint8_t& b : m)
            b = static_cast<uint8_t>(Below(256));
        if (!m.empty() && Chance(0.5))
            m[0] = 0xF0;
        break;
    }
    default: { // several of the above in one event, possibly cut short
        for (int n = Between(2, 4); n > 0; --n) {
            std::vector<uint8_t> part = RandomSysEx();
            m.insert(m.end(), part.begin(), part.end());
        }
        if (!m.empty() && Chance(0.3))
            m.resize(static_cast<size_t>(Below(static_cast<int>(m.size()))));
        return m;
    }
    }
    if (Chance(0.9))
        m.push_back(0xF7);
    if (Chance(0.1) && !m.empty())
        m.resize(static_cast<size_t>(Below(static_cast<int>(m.size()))));
    return m;
}

// ---- Steps ----

bool SoakSession::Block(Outcome& out, std::string* failure)
{
    int frames = 0;
    const int r = Below(100);
    if (r < 3)
        frames = 0;
    else if (r < 70)
        frames = Between(1, 512);
    else if (r < 90)
        frames = Between(1, std::clamp(mMaxBlock, 1, kMaxFrames));
    else
        frames = Between(1, kMaxFrames); // often longer than the announced maximum
    const bool sendEvents = !Chance(0.1);
    const bool process = !sendEvents || !Chance(0.1);
    const bool useDouble = Chance(0.3);

    int events = 0;
    int sysexCount = 0;
    std::string logLine = "block " + std::to_string(frames) + (useDouble ? " double" : " float");
    if (sendEvents) {
        const int midiCount = Chance(0.03) ? Between(100, kMaxEvents - 10) : Below(12);
        sysexCount = Chance(0.3) ? Between(1, 3) : 0;
        auto** pointers = reinterpret_cast<vst::Event**>(mList.data() + offsetof(vst::Events, events));
        for (int i = 0; i < midiCount; ++i) {
            vst::MidiEvent& e = mMidi[static_cast<size_t>(i)];
            e = {};
            e.type = vst::kMidiType;
            e.byteSize = sizeof(vst::MidiEvent);
            const int when = Below(20);
            e.deltaFrames = when == 0 ? -Between(1, 100) : when == 1 ? frames + Below(1000)
                            : when == 2 ? std::numeric_limits<int32_t>::max() : Below(std::max(frames, 1));
            static const uint8_t kKinds[] = {0x90, 0x90, 0x90, 0x80, 0x80, 0xB0, 0xB0, 0xC0, 0xE0, 0xD0, 0xA0};
            uint8_t status = static_cast<uint8_t>(kKinds[Below(static_cast<int>(std::size(kKinds)))] |
                                                  (Chance(0.8) ? 0 : Below(16)));
            if (Chance(0.03))
                status = static_cast<uint8_t>(Below(256)); // system messages and running-status data
            uint8_t d1 = static_cast<uint8_t>(Chance(0.02) ? Below(256) : Between(24, 100));
            if ((status & 0xF0) == 0xB0) {
                static const uint8_t kControllers[] = {1, 7, 20, 21, 22, 23, 64, 120, 123, 2, 11};
                d1 = kControllers[Below(static_cast<int>(std::size(kControllers)))];
            }
            e.midiData[0] = static_cast<char>(status);
            e.midiData[1] = static_cast<char>(d1);
            e.midiData[2] = static_cast<char>(Chance(0.02) ? Below(256) : Below(128));
            pointers[events++] = reinterpret_cast<vst::Event*>(&e);
        }
        for (int i = 0; i < sysexCount; ++i) {
            std::vector<uint8_t>& bytes = mSysExBytes[static_cast<size_t>(i)];
            bytes = RandomSysEx();
            if (MayStoreProgram(bytes))
                out.programs = ProgramEffect::kMayChange;
            out.writesIfImmediate = true;
            vst::SysExEvent& e = mSysEx[static_cast<size_t>(i)];
            e = {};
            e.type = vst::kSysExType;
            e.byteSize = sizeof(vst::SysExEvent);
            e.deltaFrames = Below(std::max(frames, 1));
            e.dumpBytes = static_cast<int32_t>(bytes.size());
            e.sysexDump = bytes.empty() ? nullptr : reinterpret_cast<char*>(bytes.data());
            // Among the MIDI, anywhere in the list.
            const int at = Below(events + 1);
            pointers[events] = pointers[at];
            pointers[at] = reinterpret_cast<vst::Event*>(&e);
            ++events;
        }
        logLine += " events " + std::to_string(events - sysexCount) + " midi " + std::to_string(sysexCount) + " sysex";
        for (int i = 0; i < sysexCount; ++i) {
            const std::vector<uint8_t>& bytes = mSysExBytes[static_cast<size_t>(i)];
            logLine += " [";
            for (size_t k = 0; k < std::min<size_t>(bytes.size(), 12); ++k) {
                char hex[4];
                std::snprintf(hex, sizeof hex, "%02X ", bytes[k]);
                logLine += hex;
            }
            logLine += bytes.size() > 12 ? "... " + std::to_string(bytes.size()) + "]" : "]";
        }
    }
    Log(process ? logLine : logLine + " (no process call)");
    if (sendEvents) {
        auto* list = reinterpret_cast<vst::Events*>(mList.data());
        list->numEvents = events;
        if (!CountedCall("effProcessEvents", [&] { mHost->Dispatch(vst::effProcessEvents, 0, 0, list); }, failure))
            return false;
    }
    if (!process)
        return true;

    OutputSummary output;
    const bool ok = useDouble ? CountedCall("processDoubleReplacing", [&] {
        output = Process(mDoubleOut, mDoubleIn, frames, [&](double** in, double** o) { mHost->ProcessDouble(in, o, frames); });
    }, failure)
                              : CountedCall("processReplacing", [&] {
        output = Process(mFloatOut, mFloatIn, frames, [&](float** in, float** o) { mHost->ProcessFloat(in, o, frames); });
    }, failure);
    if (!ok)
        return false;
    const bool finite = output.finite;
    const double loudest = output.loudest;
    const bool silent = output.silent;
    ++mCounts.blocks;
    mCounts.frames += frames;
    if (!finite || loudest > kLoudest) {
        *failure = finite ? "a sample of " + std::to_string(loudest) + " (or one left unwritten)" : "a sample is not finite";
        return false;
    }
    if (!mActive && !silent) {
        *failure = "a block rendered while suspended is not silent";
        return false;
    }
    out.rendered = mActive && frames > 0 && mMaxBlock > 0;
    return true;
}

bool SoakSession::Automation(Outcome& out, std::string* failure)
{
    // Now and then far more changes than the engine's event records between two blocks.
    const int calls = Chance(0.04) ? Between(4100, 6000) : Between(1, 8);
    int first = -1;
    float firstValue = 0.0f;
    // The values are drawn first: only the plug-in's calls are counted.
    mIndices.clear();
    mValues.clear();
    for (int i = 0; i < calls; ++i) {
        mIndices.push_back(Chance(0.03) ? Between(-3, 100) : Below(kPatchParams));
        mValues.push_back(HostileValue());
    }
    first = mIndices[0];
    firstValue = mValues[0];
    Log("automation " + std::to_string(calls) + " calls, first " + std::to_string(first) + " = " +
        std::to_string(firstValue));
    (void)out;
    return CountedCall("setParameter", [&] {
        for (size_t i = 0; i < mIndices.size(); ++i)
            mHost->SetParameter(mIndices[i], mValues[i]);
    }, failure);
}

void SoakSession::VoiceCount(std::string* failure, bool* ok)
{
    const float value = Chance(0.8) ? static_cast<float>(Below(4)) / 3.0f : HostileValue();
    Log("voice count " + std::to_string(value));
    *ok = CountedCall("setParameter (voice count)", [&] { mHost->SetParameter(kVoicesIndex, value); }, failure);
}

bool SoakSession::ProgramEntries(Outcome& out, std::string* failure)
{
    (void)out;
    switch (Below(4)) {
    case 0: {
        const int index = Chance(0.9) ? Between(0, 128) : Between(-3, 140);
        Log("set program " + std::to_string(index));
        mHost->Dispatch(vst::effSetProgram, 0, index);
        return true;
    }
    case 1: {
        std::string name(static_cast<size_t>(Chance(0.1) ? Between(25, 300) : Below(25)), ' ');
        for (char& c : name)
            c = static_cast<char>(Chance(0.9) ? Between(32, 126) : Between(1, 255));
        Log("set program name of " + std::to_string(name.size()) + " characters");
        mHost->Dispatch(vst::effSetProgramName, 0, 0, Chance(0.05) ? nullptr : name.data());
        return true;
    }
    default: {
        // Names read into a host's 24-character buffer: nothing may be written past it.
        const bool indexed = Below(2) == 0;
        const int index = Between(-3, 131);
        Log(indexed ? "program name of entry " + std::to_string(index) : std::string("program name"));
        char text[64];
        std::memset(text, 0x5A, sizeof text);
        if (indexed)
            mHost->Dispatch(vst::effGetProgramNameIndexed, index, 0, text);
        else
            mHost->Dispatch(vst::effGetProgramName, 0, 0, text);
        const bool overrun = std::any_of(text + vst::kMaxProgNameLen, text + sizeof text, [](char c) { return c != 0x5A; });
        if (overrun || std::memchr(text, 0, vst::kMaxProgNameLen) == nullptr) {
            *failure = "a program name overran the host's 24-character buffer";
            return false;
        }
        return true;
    }
    }
}

std::vector<uint8_t> SoakSession::TakeChunk(int index)
{
    return kt4r_test::TakeChunk(*mHost, index);
}

bool SoakSession::Chunks(Outcome& out, std::string* failure)
{
    auto keep = [](std::deque<std::vector<uint8_t>>& kept, std::vector<uint8_t> chunk) {
        kept.push_back(std::move(chunk));
        if (kept.size() > 6)
            kept.pop_front();
    };
    auto pick = [&](std::deque<std::vector<uint8_t>>& kept) -> std::vector<uint8_t> {
        return kept.empty() ? std::vector<uint8_t>() : kept[static_cast<size_t>(Below(static_cast<int>(kept.size())))];
    };
    auto set = [&](int index, const std::vector<uint8_t>& chunk) {
        return mHost->Dispatch(vst::effSetChunk, index, static_cast<intptr_t>(chunk.size()),
                               chunk.empty() ? nullptr : const_cast<uint8_t*>(chunk.data()));
    };
    const int r = Below(100);
    if (r < 20) {
        Log("take the bank chunk");
        keep(mBankChunks, TakeChunk(0));
    } else if (r < 35) {
        Log("take the program chunk");
        keep(mProgramChunks, TakeChunk(1));
    } else if (r < 55 && !mBankChunks.empty()) {
        // A bank this instance gave, whole: it is taken, and its programs become the stored ones.
        out.bankSet = pick(mBankChunks);
        out.programs = ProgramEffect::kBecomes;
        Log("set a bank chunk taken earlier");
        if (set(0, out.bankSet) != 1) {
            *failure = "the plug-in refused a bank chunk it gave";
            return false;
        }
    } else if (r < 65 && !mProgramChunks.empty()) {
        Log("set a program chunk taken earlier");
        if (set(1, pick(mProgramChunks)) != 1) {
            *failure = "the plug-in refused a program chunk it gave";
            return false;
        }
    } else if (r < 75) {
        // The host hands back the plug-in's own buffer, as some hosts do when duplicating a state.
        const int index = Below(2);
        void* data = nullptr;
        const intptr_t size = mHost->Dispatch(vst::effGetChunk, index, 0, &data);
        if (index == 0) {
            const auto* bytes = static_cast<const uint8_t*>(data);
            out.bankSet.assign(bytes, bytes + std::max<intptr_t>(size, 0));
            out.programs = ProgramEffect::kBecomes;
        }
        Log(std::string("set the ") + (index == 0 ? "bank" : "program") + " chunk from the plug-in's own buffer");
        if (size > 0 && mHost->Dispatch(vst::effSetChunk, index, size, data) != 1) {
            *failure = "the plug-in refused its own chunk handed back in its own buffer";
            return false;
        }
    } else {
        // Damaged: bytes changed, cut, extended, emptied, replaced, or sent as the other kind.
        const bool bank = Chance(0.5);
        std::vector<uint8_t> chunk = pick(bank ? mBankChunks : mProgramChunks);
        const char* how = "";
        switch (Below(6)) {
        case 0:
            how = "bytes changed";
            for (int k = Between(1, 8); k > 0 && !chunk.empty(); --k)
                chunk[static_cast<size_t>(Below(static_cast<int>(chunk.size())))] = static_cast<uint8_t>(Below(256));
            break;
        case 1: how = "cut"; chunk.resize(static_cast<size_t>(Below(static_cast<int>(chunk.size()) + 1))); break;
        case 2:
            how = "extended";
            for (int k = Between(1, 64); k > 0; --k)
                chunk.push_back(static_cast<uint8_t>(Below(256)));
            break;
        case 3: how = "empty"; chunk.clear(); break;
        case 4: {
            how = "random bytes after its header";
            const size_t keepHeader = std::min<size_t>(chunk.size(), 8);
            chunk.resize(keepHeader + static_cast<size_t>(Below(4096)));
            for (size_t k = keepHeader; k < chunk.size(); ++k)
                chunk[k] = static_cast<uint8_t>(Below(256));
            break;
        }
        default:
            how = "a count or length made huge";
            if (chunk.size() >= 16) {
                const size_t at = static_cast<size_t>(Below(static_cast<int>(std::min<size_t>(chunk.size(), 64)) - 4));
                const int32_t huge = Chance(0.5) ? std::numeric_limits<int32_t>::max() : -1;
                std::memcpy(chunk.data() + at, &huge, 4);
            }
            break;
        }
        const int index = Chance(0.8) ? (bank ? 0 : 1) : (bank ? 1 : 0);
        if (index == 0)
            out.programs = ProgramEffect::kMayChange;
        Log(std::string("set a damaged ") + (bank ? "bank" : "program") + " chunk (" + how + ") as " +
            (index == 0 ? "bank" : "program"));
        set(index, chunk);
    }
    return true;
}

void SoakSession::SampleRate()
{
    const double rate = Chance(0.85) ? (Chance(0.5) ? kRates[Below(static_cast<int>(std::size(kRates)))]
                                                    : 8000.0 + Unit() * 760000.0)
                                     : kBadRates[Below(static_cast<int>(std::size(kBadRates)))];
    Log("sample rate " + std::to_string(rate));
    mHost->Dispatch(vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
}

void SoakSession::BlockSize()
{
    const intptr_t size = Chance(0.95) ? kBlockSizes[Below(static_cast<int>(std::size(kBlockSizes)))]
                                       : kBadBlockSizes[Below(static_cast<int>(std::size(kBadBlockSizes)))];
    Log("block size " + std::to_string(size));
    mHost->Dispatch(vst::effSetBlockSize, 0, size);
    // The plug-in holds the size to what it supports.
    mMaxBlock = static_cast<int>(std::clamp<intptr_t>(size, 0, 65536));
}

void SoakSession::SuspendResume()
{
    // Suspended spells stay short, so most blocks are rendered and checked; other values than 0 and 1
    // now and then.
    const intptr_t value = Chance(0.1) ? (Chance(0.5) ? -1 : 2) : mActive ? Below(2) : (Chance(0.8) ? 1 : 0);
    Log(value ? "resume" : "suspend");
    mHost->Dispatch(vst::effMainsChanged, 0, value);
    mActive = value != 0;
}

void SoakSession::EditorGesture(Outcome& out)
{
    out.writesIfImmediate = true;
    auto point = [&](int* x, int* y) {
        do {
            *x = Chance(0.02) ? Between(-50, 910) : Below(860);
            *y = Chance(0.02) ? Between(-50, 740) : Below(692);
        } while (kLoadButton.Contains(*x, *y));
        if (kWriteButton.Contains(*x, *y) || kImmediateWriteSwitch.Contains(*x, *y))
            out.programs = ProgramEffect::kMayChange;
    };
    auto send = [&](int kind, int x, int y, int modifiers, int delta = 0) {
        vst::EditorMouseAction action{kind, x, y, modifiers, delta};
        mHost->Dispatch(vst::effVendorSpecific, vst::kVendorEditorMouse, 0, &action);
    };
    int extra = 0;
    if (Chance(0.2))
        extra |= vst::kModShift;
    if (Chance(0.1))
        extra |= vst::kModControl;
    if (Chance(0.05))
        extra |= vst::kModAlt;
    int x = 0, y = 0;
    point(&x, &y);
    const int button = Chance(0.8) ? vst::kModLeft : vst::kModRight;
    std::string line = "editor at " + std::to_string(x) + "," + std::to_string(y) + " mods " +
                       std::to_string(button | extra) + ": ";
    switch (Below(6)) {
    case 0:
    case 1:
        line += "click";
        send(vst::kMouseDown, x, y, button | extra);
        send(vst::kMouseUp, x, y, button | extra);
        break;
    case 2:
        line += "double click";
        send(vst::kMouseDown, x, y, button | extra);
        send(vst::kMouseUp, x, y, button | extra);
        send(vst::kMouseDoubleClick, x, y, button | extra);
        send(vst::kMouseUp, x, y, button | extra);
        break;
    case 3: {
        const int moves = Between(1, 6);
        line += "drag by " + std::to_string(moves) + " moves";
        send(vst::kMouseDown, x, y, button | extra);
        for (int i = 0; i < moves; ++i) {
            y += Between(-60, 60);
            x += Between(-5, 5);
            send(vst::kMouseDrag, x, y, button | extra);
        }
        // Now and then the button is never released, as when a host loses the mouse.
        if (Chance(0.9))
            send(vst::kMouseUp, x, y, button | extra);
        break;
    }
    case 4: {
        const int delta = Chance(0.5) ? Between(-3, -1) : Between(1, 3);
        line += "wheel " + std::to_string(delta);
        send(vst::kMouseWheel, x, y, extra, delta);
        break;
    }
    default:
        line += "move";
        send(vst::kMouseOver, x, y, 0);
        break;
    }
    Log(line);
}

// ---- Checks ----

bool SoakSession::CheckEngine(std::string* failure)
{
    ++mCounts.engineChecks;
    const intptr_t answer = mHost->Dispatch(vst::effVendorSpecific, vst::kVendorEngineInStep, 0, nullptr);
    if (answer == 1)
        return true;
    *failure = answer == 2 ? "after a block the engine plays other values than the parameters hold"
                           : "the engine check was declined";
    return false;
}

bool SoakSession::CheckPrograms(const Outcome& out, std::string* failure)
{
    ++mCounts.bankChecks;
    const bool immediateBefore = mPrograms.Last().immediateWrite;
    const std::vector<uint8_t> bank = TakeChunk(0);
    BankView now;
    const bool immediateAfter = ParseBank(bank.data(), bank.size(), &now) && now.immediateWrite;
    ProgramEffect effect = out.programs;
    // With "Immediate Write" on, every edit from the panel or the hardware stores the current program.
    if (effect == ProgramEffect::kNone && out.writesIfImmediate && (immediateBefore || immediateAfter))
        effect = ProgramEffect::kMayChange;
    return mPrograms.Check(bank, effect, out.bankSet, failure);
}

bool SoakSession::CheckParameters(std::string* failure)
{
    for (int i = 0; i < kPatchParams; ++i) {
        const float v = mHost->GetParameter(i);
        if (!(v >= 0.0f && v <= 1.0f)) {
            *failure = "parameter " + std::to_string(i) + " reads " + std::to_string(v);
            return false;
        }
    }
    return true;
}

bool SoakSession::CheckProgramEntries(std::string* failure)
{
    if (mHost->Dispatch(vst::effGetProgram) != 0) {
        *failure = "the current program entry is not the edit buffer (0)";
        return false;
    }
    const BankView& bank = mPrograms.Last();
    for (int n = 1; n <= 128; ++n) {
        char text[vst::kMaxProgNameLen + 1] = {};
        // A host reads the name as text: up to its first zero byte, at most 23 characters.
        const std::string& stored = bank.names[static_cast<size_t>(n)];
        const std::string expected = stored.substr(0, std::min(stored.find('\0'), size_t{vst::kMaxProgNameLen - 1}));
        if (mHost->Dispatch(vst::effGetProgramNameIndexed, n, 0, text) != 1 || expected != text) {
            *failure = "program " + std::to_string(n) + "'s name reads \"" + text + "\", stored \"" +
                       bank.names[static_cast<size_t>(n)] + "\"";
            return false;
        }
    }
    return true;
}

} // namespace kt4r_soak
