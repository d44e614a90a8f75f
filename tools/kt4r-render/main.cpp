// kt4r-render: a command-line VST2 host. Loads a plug-in binary through its entry point, plays a
// Standard MIDI File or a note list into it and writes the result as a WAV file; loads and saves its
// chunks, program and bank files, and plays SysEx files into it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "instrument/PatchFile.h"
#include "tools/kt4r-render/EditorActions.h"
#include "tools/kt4r-render/HostFiles.h"
#include "tools/kt4r-render/MidiFile.h"
#include "tools/kt4r-render/PluginHost.h"
#include "tools/kt4r-render/WavFile.h"

namespace {

// How long the silent blocks after a program change last at least: the engine's glide to the new values.
constexpr double kProgramSettleSeconds = 0.3;

#ifdef _WIN32
#define KT4R_DEFAULT_PLUGIN "build-win/KT-4R.dll"
#else
#define KT4R_DEFAULT_PLUGIN "build/KT-4R.so"
#endif

const char* const kUsage = R"(usage: kt4r-render [options]
  --plugin PATH         plug-in binary to load (default: )" KT4R_DEFAULT_PLUGIN R"()
  --midi FILE           Standard MIDI File to play (type 0 or 1)
  --notes LIST          notes instead of a file: "start:note:velocity:duration[:channel],..."
                        (seconds; channel 1..16, default 1)
  --out FILE            WAV file to write
  --format float|24     WAV sample format (default float)
  --rate HZ             sample rate (default 48000)
  --block N             block size announced to the plug-in and used to render (default 512)
  --double              render through the double-precision process entry
  --param INDEX=VALUE   set a parameter (normalised 0..1) before playing; repeatable
  --program N           send MIDI program change N (0..127) on channel 1 before the silent blocks
                        of --preroll, which then last at least 0.3 s
  --tempo BPM           tempo of the host time record (default: the MIDI file's tempo map, else 120)
  --tail SECONDS        time rendered after the last event (default 2)
  --preroll BLOCKS      silent blocks processed after resume and before the first event, not
                        written (default 1, as a host runs the plug-in before playback starts)
  --length SECONDS      render exactly this long
  --load-chunk FILE     hand FILE to the plug-in as its state chunk before playing
  --save-chunk FILE     store the plug-in's state chunk in FILE after playing
  --chunk bank|program  which chunk --load-chunk / --save-chunk use (default bank)
  --load-bank FILE      load a .KT4Rbank file (its chunk goes to the bank chunk entry)
  --load-preset FILE    load a .KT4Rpreset file (chunk or plain parameters, and its name); after
                        --load-bank when both are given
  --save-bank FILE      write the plug-in's bank chunk as a .KT4Rbank file after playing
  --save-preset FILE    write the plug-in's program chunk and name as a .KT4Rpreset file after playing
  --syx FILE            send each F0..F7 message of FILE as a SysEx event before the first block
  --list-params         print every parameter: index, name, value text, label, normalised value
  --list-programs       print the current program's number and every program's name
  --print-out           print the MIDI and SysEx messages the plug-in sends
  --info                print the plug-in's identity
  --editor-png FILE     draw the plug-in's panel, as the state shows it after everything else, into
                        FILE (PNG, 860x692 at scale 1); no window is opened
  --scale S             draw the panel at scale 1, 1.5 or 2 (default 1); --click and the other mouse
                        actions then take window pixels of that scale
  --click X,Y           a left click on the panel at window pixel X,Y (after the --param settings,
                        before playing); --rclick X,Y right click, --dblclick X,Y double click,
                        --hover X,Y the pointer moved there, --drag X,Y,DX,DY a left-button drag
                        by DX,DY (up is negative DY), --wheel X,Y,N N wheel notches (up positive);
                        each repeatable, run in the order given
)";

struct Options {
    std::string plugin = KT4R_DEFAULT_PLUGIN;
    std::string midiFile;
    std::string notes;
    std::string out;
    WavFormat format = WavFormat::kFloat32;
    double rate = 48000.0;
    int block = 512;
    bool useDouble = false;
    std::vector<std::pair<int, float>> params;
    int program = -1;
    double tempo = 0.0;
    double tail = 2.0;
    int preroll = 1;
    double length = -1.0;
    std::string loadChunk;
    std::string saveChunk;
    bool programChunk = false;
    std::string loadBank;
    std::string loadPreset;
    std::string saveBank;
    std::string savePreset;
    std::string syx;
    bool listParams = false;
    bool listPrograms = false;
    bool printOut = false;
    bool info = false;
    std::string editorPng;
    std::vector<EditorGesture> editorGestures;
    double editorScale = 1.0;
};

// Options whose value is kept as given.
const std::pair<const char*, std::string Options::*> kTextOptions[] = {
    {"--plugin", &Options::plugin},
    {"--midi", &Options::midiFile},
    {"--notes", &Options::notes},
    {"--out", &Options::out},
    {"--load-chunk", &Options::loadChunk},
    {"--save-chunk", &Options::saveChunk},
    {"--load-bank", &Options::loadBank},
    {"--load-preset", &Options::loadPreset},
    {"--save-bank", &Options::saveBank},
    {"--save-preset", &Options::savePreset},
    {"--syx", &Options::syx},
    {"--editor-png", &Options::editorPng},
};

std::string Options::*TextOption(const std::string& arg)
{
    for (const auto& [name, field] : kTextOptions) {
        if (arg == name)
            return field;
    }
    return nullptr;
}

bool ParseArgs(int argc, char** argv, Options* o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char** v) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kt4r-render: %s needs a value\n", arg.c_str());
                return false;
            }
            *v = argv[++i];
            return true;
        };
        const char* v = nullptr;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (std::string Options::*field = TextOption(arg)) {
            if (!value(&v))
                return false;
            o->*field = v;
        } else if (arg == "--format") {
            if (!value(&v))
                return false;
            if (std::strcmp(v, "float") == 0) {
                o->format = WavFormat::kFloat32;
            } else if (std::strcmp(v, "24") == 0) {
                o->format = WavFormat::kPcm24;
            } else {
                std::fprintf(stderr, "kt4r-render: --format is float or 24\n");
                return false;
            }
        } else if (arg == "--rate") {
            if (!value(&v))
                return false;
            o->rate = std::atof(v);
        } else if (arg == "--block") {
            if (!value(&v))
                return false;
            o->block = std::atoi(v);
        } else if (arg == "--double") {
            o->useDouble = true;
        } else if (arg == "--param") {
            if (!value(&v))
                return false;
            int index = 0;
            float normalized = 0.0f;
            if (std::sscanf(v, "%d=%f", &index, &normalized) != 2) {
                std::fprintf(stderr, "kt4r-render: --param wants INDEX=VALUE, got \"%s\"\n", v);
                return false;
            }
            o->params.emplace_back(index, normalized);
        } else if (arg == "--program") {
            if (!value(&v))
                return false;
            o->program = std::atoi(v);
        } else if (arg == "--tempo") {
            if (!value(&v))
                return false;
            o->tempo = std::atof(v);
        } else if (arg == "--tail") {
            if (!value(&v))
                return false;
            o->tail = std::atof(v);
        } else if (arg == "--preroll") {
            if (!value(&v))
                return false;
            o->preroll = std::max(0, std::atoi(v));
        } else if (arg == "--length") {
            if (!value(&v))
                return false;
            o->length = std::atof(v);
        } else if (arg == "--scale") {
            if (!value(&v))
                return false;
            o->editorScale = std::atof(v);
            if (o->editorScale != 1.0 && o->editorScale != 1.5 && o->editorScale != 2.0) {
                std::fprintf(stderr, "kt4r-render: --scale is 1, 1.5 or 2\n");
                return false;
            }
        } else if (arg == "--chunk") {
            if (!value(&v))
                return false;
            o->programChunk = std::strcmp(v, "program") == 0;
        } else if (arg == "--list-params") {
            o->listParams = true;
        } else if (arg == "--list-programs") {
            o->listPrograms = true;
        } else if (arg == "--print-out") {
            o->printOut = true;
        } else if (arg == "--info") {
            o->info = true;
        } else if (IsEditorAction(arg)) {
            std::string error;
            if (!value(&v))
                return false;
            if (!ParseEditorAction(arg, v, &o->editorGestures, &error)) {
                std::fprintf(stderr, "kt4r-render: %s\n", error.c_str());
                return false;
            }
        } else {
            std::fprintf(stderr, "kt4r-render: unknown option %s\n%s", arg.c_str(), kUsage);
            return false;
        }
    }
    if (!(o->rate > 0.0) || o->rate > 1e6) {
        std::fprintf(stderr, "kt4r-render: bad sample rate\n");
        return false;
    }
    if (o->block <= 0 || o->block > 65536) {
        std::fprintf(stderr, "kt4r-render: block size must be 1..65536\n");
        return false;
    }
    if (o->program > 127) {
        std::fprintf(stderr, "kt4r-render: program change is 0..127\n");
        return false;
    }
    return true;
}

void PrintSent(const std::vector<PluginHost::SentEvent>& sent)
{
    for (const auto& event : sent) {
        std::printf("out %lld %s", static_cast<long long>(event.frame), event.sysex ? "sysex" : "midi ");
        for (uint8_t b : event.bytes)
            std::printf(" %02X", b);
        std::printf("\n");
    }
}

int Pad(const std::string& text, int width)
{
    return std::max(0, width - static_cast<int>(text.size()));
}

void ListParams(PluginHost& host)
{
    const int count = host.Effect()->numParams;
    std::printf("index  name              value         label             normalised\n");
    for (int i = 0; i < count; ++i) {
        const std::string name = host.ParamName(i);
        const std::string display = host.ParamDisplay(i);
        const std::string label = host.ParamLabel(i);
        std::printf("%5d  \"%s\"%*s  \"%s\"%*s  \"%s\"%*s  %.6f\n", i, name.c_str(), Pad(name, 14), "", display.c_str(),
                    Pad(display, 10), "", label.c_str(), Pad(label, 14), "", host.GetParameter(i));
    }
}

void ListPrograms(PluginHost& host)
{
    std::printf("current program %d\n", static_cast<int>(host.Dispatch(vst::effGetProgram)));
    for (int i = 0; i < host.Effect()->numPrograms; ++i) {
        char name[256] = {};
        host.Dispatch(vst::effGetProgramNameIndexed, i, -1, name);
        std::printf("%5d  \"%s\"\n", i, name);
    }
}

bool LoadChunk(PluginHost& host, const Options& o)
{
    std::vector<uint8_t> data;
    if (!kt4r::ReadWholeFile(o.loadChunk, &data)) {
        std::fprintf(stderr, "kt4r-render: cannot read %s\n", o.loadChunk.c_str());
        return false;
    }
    if (!SetPluginChunk(host, o.programChunk, data)) {
        std::fprintf(stderr, "kt4r-render: the plug-in rejected the chunk in %s\n", o.loadChunk.c_str());
        return false;
    }
    return true;
}

bool SaveChunk(PluginHost& host, const Options& o)
{
    const std::vector<uint8_t> data = GetPluginChunk(host, o.programChunk);
    if (data.empty()) {
        std::fprintf(stderr, "kt4r-render: the plug-in gave no chunk\n");
        return false;
    }
    if (!kt4r::WriteWholeFile(o.saveChunk, data)) {
        std::fprintf(stderr, "kt4r-render: cannot write %s\n", o.saveChunk.c_str());
        return false;
    }
    return true;
}

// Runs one file operation; false after printing its message.
bool Report(bool ok, const std::string& error)
{
    if (!ok)
        std::fprintf(stderr, "kt4r-render: %s\n", error.c_str());
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!ParseArgs(argc, argv, &o))
        return 2;

    MidiSequence sequence;
    std::string error;
    if (!o.midiFile.empty() && !ReadMidiFile(o.midiFile, &sequence, &error)) {
        std::fprintf(stderr, "kt4r-render: %s: %s\n", o.midiFile.c_str(), error.c_str());
        return 1;
    }
    if (!o.notes.empty() && !ParseNoteList(o.notes, &sequence, &error)) {
        std::fprintf(stderr, "kt4r-render: %s\n", error.c_str());
        return 1;
    }

    PluginHost host;
    if (!host.Load(o.plugin, &error)) {
        std::fprintf(stderr, "kt4r-render: %s\n", error.c_str());
        return 1;
    }
    host.Open(o.rate, o.block);
    if (o.info) {
        char name[256] = {}, vendor[256] = {}, product[256] = {};
        host.Dispatch(vst::effGetEffectName, 0, 0, name);
        host.Dispatch(vst::effGetVendorString, 0, 0, vendor);
        host.Dispatch(vst::effGetProductString, 0, 0, product);
        const vst::EffectRecord* e = host.Effect();
        const auto id = static_cast<uint32_t>(e->uniqueID);
        std::printf("effect \"%s\" vendor \"%s\" product \"%s\"\n", name, vendor, product);
        std::printf("unique id '%c%c%c%c' version %d flags 0x%X params %d programs %d inputs %d outputs %d\n",
                    static_cast<char>(id >> 24), static_cast<char>(id >> 16), static_cast<char>(id >> 8),
                    static_cast<char>(id), e->version, e->flags, e->numParams, e->numPrograms, e->numInputs,
                    e->numOutputs);
        // The plug-in's own query for the build of its processing code; other plug-ins decline it.
        char variant[256] = {};
        if (host.Dispatch(vst::effVendorSpecific, vst::kVendorBuildVariant, 0, variant) == 1)
            std::printf("processing code \"%s\"\n", variant);
    }
    if (!o.loadChunk.empty() && !LoadChunk(host, o))
        return 1;
    if (!o.loadBank.empty() && !Report(LoadBankFile(host, o.loadBank, &error), error))
        return 1;
    if (!o.loadPreset.empty() && !Report(LoadPresetFile(host, o.loadPreset, &error), error))
        return 1;
    for (const auto& [index, normalized] : o.params)
        host.SetParameter(index, normalized);
    if (o.editorScale != 1.0 && !Report(SetEditorScale(host, o.editorScale, &error), error))
        return 1;
    if (!o.editorGestures.empty() && !Report(RunEditorGestures(host, o.editorGestures, &error), error))
        return 1;
    if (o.listParams)
        ListParams(host);
    if (o.listPrograms)
        ListPrograms(host);

    const bool play = !o.out.empty() || !o.midiFile.empty() || !o.notes.empty();
    const bool sendSysEx = !o.syx.empty();
    if (play || sendSysEx)
        host.Resume();
    if (sendSysEx) {
        if (!Report(QueueSysExFile(host, o.syx, &error), error))
            return 1;
        // The plug-in takes SysEx as it arrives; a block follows, as it would in a host.
        host.SendEvents();
        if (!play) {
            std::vector<float> scratchL(static_cast<size_t>(o.block)), scratchR(static_cast<size_t>(o.block));
            float* outs[2] = {scratchL.data(), scratchR.data()};
            host.ProcessFloat(nullptr, outs, o.block);
            host.Suspend();
        }
    }
    if (play) {
        double seconds = o.length >= 0.0 ? o.length : sequence.endSeconds + std::max(0.0, o.tail);
        const auto totalFrames = static_cast<int64_t>(std::ceil(seconds * o.rate));
        std::vector<float> left, right;
        left.reserve(static_cast<size_t>(totalFrames));
        right.reserve(static_cast<size_t>(totalFrames));
        std::vector<float> blockL(static_cast<size_t>(o.block)), blockR(static_cast<size_t>(o.block));
        std::vector<double> blockLd(static_cast<size_t>(o.block)), blockRd(static_cast<size_t>(o.block));
        // A program change goes in before the silent blocks, and they last long enough for the engine to
        // glide to the new program's values (a tenth of a second or so), so that the first note already
        // sounds as the program does.
        int preroll = o.preroll;
        if (o.program >= 0) {
            host.QueueMidi(0, 0xC0, static_cast<uint8_t>(o.program), 0);
            host.SendEvents();
            preroll = std::max(preroll, static_cast<int>(std::ceil(kProgramSettleSeconds * o.rate / o.block)));
        }
        for (int i = 0; i < preroll; ++i) {
            host.SetTempo(o.tempo > 0.0 ? o.tempo : sequence.TempoAt(0.0));
            if (o.useDouble) {
                double* outs[2] = {blockLd.data(), blockRd.data()};
                host.ProcessDouble(nullptr, outs, o.block);
            } else {
                float* outs[2] = {blockL.data(), blockR.data()};
                host.ProcessFloat(nullptr, outs, o.block);
            }
        }
        size_t next = 0;
        for (int64_t pos = 0; pos < totalFrames; pos += o.block) {
            const int n = static_cast<int>(std::min<int64_t>(o.block, totalFrames - pos));
            host.SetBlockStart(pos);
            host.SetTempo(o.tempo > 0.0 ? o.tempo : sequence.TempoAt(static_cast<double>(pos) / o.rate));
            for (; next < sequence.messages.size(); ++next) {
                const TimedMessage& m = sequence.messages[next];
                const auto frame = static_cast<int64_t>(std::llround(m.seconds * o.rate));
                if (frame >= pos + n)
                    break;
                const int delta = static_cast<int>(std::max<int64_t>(0, frame - pos));
                if (m.bytes.empty())
                    continue;
                if (m.bytes[0] == 0xF0) {
                    host.QueueSysEx(delta, m.bytes);
                } else {
                    host.QueueMidi(delta, m.bytes[0], m.bytes.size() > 1 ? m.bytes[1] : 0,
                                   m.bytes.size() > 2 ? m.bytes[2] : 0);
                }
            }
            host.SendEvents();
            if (o.useDouble) {
                double* outs[2] = {blockLd.data(), blockRd.data()};
                host.ProcessDouble(nullptr, outs, n);
                for (int i = 0; i < n; ++i) {
                    left.push_back(static_cast<float>(blockLd[static_cast<size_t>(i)]));
                    right.push_back(static_cast<float>(blockRd[static_cast<size_t>(i)]));
                }
            } else {
                float* outs[2] = {blockL.data(), blockR.data()};
                host.ProcessFloat(nullptr, outs, n);
                left.insert(left.end(), blockL.begin(), blockL.begin() + n);
                right.insert(right.end(), blockR.begin(), blockR.begin() + n);
            }
            if (o.printOut)
                PrintSent(host.TakeSentEvents());
        }
        host.Suspend();
        if (!o.out.empty()) {
            if (!WriteWav(o.out, left, right, static_cast<int>(std::lround(o.rate)), o.format, &error)) {
                std::fprintf(stderr, "kt4r-render: %s\n", error.c_str());
                return 1;
            }
            float peak = 0.0f;
            for (size_t i = 0; i < left.size(); ++i)
                peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
            std::fprintf(stderr, "kt4r-render: wrote %s: %.2f s, %zu events, peak %.3f\n", o.out.c_str(),
                         static_cast<double>(left.size()) / o.rate, sequence.messages.size(), peak);
        }
    }
    if (o.printOut)
        PrintSent(host.TakeSentEvents());
    if (!o.saveChunk.empty() && !SaveChunk(host, o))
        return 1;
    if (!o.saveBank.empty() && !Report(SaveBankFile(host, o.saveBank, &error), error))
        return 1;
    if (!o.savePreset.empty() && !Report(SavePresetFile(host, o.savePreset, &error), error))
        return 1;
    if (!o.editorPng.empty() && !Report(WriteEditorPicture(host, o.editorPng, &error), error))
        return 1;
    return 0;
}
