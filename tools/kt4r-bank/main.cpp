// kt4r-bank: writes the factory bank from its readable source. Each program of presets/<n>-<group>.txt
// is set up in an instrument object through the panel's own path (INIT, then each named control at the
// value its readout shows), named and written into its slot; the instrument then saves its bank file and
// its SysEx bank files, so every byte comes from the instrument's own writers.
//
// usage: kt4r-bank SOURCE_FOLDER OUT_FOLDER
// Writes "KT-4R Factory.KT4Rbank", "KT-4R Factory.syx" (128 programs) and "KT-4R Factory 1-32.syx" ...
// "KT-4R Factory 97-128.syx" (each program's dump with its write request) into OUT_FOLDER, replacing only
// files whose bytes differ. A malformed source ends it with the file and line and exit status 1.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "instrument/KT4R.h"
#include "instrument/ParamTable.h"
#include "instrument/ReadoutText.h"
#include "tools/kt4r-bank/PanelValue.h"
#include "tools/kt4r-bank/PresetSource.h"

using namespace kt4r_bank;
namespace fs = std::filesystem;

namespace {

constexpr int kGroups = 8;
constexpr int kProgramsPerGroup = 16;
constexpr size_t kLongestName = 16;
constexpr size_t kHardwareNameChars = 10; // what a hardware program dump carries

const char* const kBankName = "KT-4R Factory"; // the SysEx files' names begin with it

struct ResolvedProgram {
    const SourceProgram* source = nullptr;
    std::map<int, double> values; // normalised, by patch id
    std::map<int, std::string> texts;
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "kt4r-bank: %s\n", message.c_str());
    return 1;
}

bool ReadText(const std::string& path, std::string* text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The names: printable, at most 16 characters, and the first 10 (what the hardware shows) whole words
// and distinct.
bool CheckNames(const std::vector<SourceGroup>& groups, std::string* error)
{
    std::map<std::string, std::string> seen; // first 10 characters -> where
    for (const SourceGroup& group : groups) {
        for (const SourceProgram& program : group.programs) {
            if (program.name.size() > kLongestName) {
                *error = program.where + ": the name '" + program.name + "' is longer than 16 characters";
                return false;
            }
            for (char c : program.name) {
                if (c < 0x20 || c > 0x7E) {
                    *error = program.where + ": the name holds a character the display cannot show";
                    return false;
                }
            }
            // The hardware shows the first 10 characters alone: they must end with a word.
            const std::string& name = program.name;
            if (name.size() > kHardwareNameChars && name[kHardwareNameChars] != ' ' &&
                name[kHardwareNameChars - 1] != ' ') {
                *error = program.where + ": the name '" + name + "' is cut inside a word at 10 characters ('" +
                         name.substr(0, kHardwareNameChars) + "'), as the hardware would show it";
                return false;
            }
            std::string prefix = program.name.substr(0, kHardwareNameChars);
            while (!prefix.empty() && prefix.back() == ' ')
                prefix.pop_back();
            const auto [it, added] = seen.emplace(prefix, program.where);
            if (!added) {
                *error = program.where + ": '" + prefix + "' begins another program's name as well (" + it->second +
                         "); the first 10 characters must tell the programs apart";
                return false;
            }
        }
    }
    return true;
}

bool Resolve(const SourceProgram& program, ResolvedProgram* out, std::string* error)
{
    out->source = &program;
    std::map<int, const SourceSetting*> named;
    for (const SourceSetting& setting : program.settings) {
        const std::optional<int> id = PatchIdForPanelName(setting.panelName);
        if (!id) {
            *error = setting.where + ": no patch parameter is named '" + setting.panelName + "' on the panel";
            return false;
        }
        if (!named.emplace(*id, &setting).second) {
            *error = setting.where + ": '" + setting.panelName + "' is set twice in this program";
            return false;
        }
    }
    // "LFO RATE" reads as a note length when "LFO SYNC" is on: the switch is resolved first.
    kt4r::ReadoutContext context;
    const int syncId = Index(ParamId::kLfoSync);
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& [id, setting] : named) {
            if ((id == syncId) != (pass == 0))
                continue;
            const std::optional<double> value = NormalizedForText(id, setting->value, context);
            if (!value) {
                *error = setting->where + ": '" + setting->panelName + "' cannot show '" + setting->value +
                         "'; it shows " + TextsOf(id, context);
                return false;
            }
            out->values[id] = *value;
            out->texts[id] = setting->value;
            if (id == syncId)
                context.lfoSync = *value >= 0.5;
        }
    }
    return true;
}

// The instrument shows what the source says, once the program is set up (a stepped parameter snaps).
bool Check(const KT4R& plug, const ResolvedProgram& program, std::string* error)
{
    const kt4r::ReadoutContext context = plug.CurrentReadoutContext();
    for (const auto& [id, text] : program.texts) {
        const std::optional<double> wanted = NormalizedForText(id, text, context);
        const double shown = plug.Param(id)->ToNormalized();
        if (!wanted || kt4r::ReadoutValueText(id, shown, context) != kt4r::ReadoutValueText(id, *wanted, context)) {
            *error = program.source->where + ": '" + kt4r::ReadoutLabel(id) + "' does not read back as '" + text + "'";
            return false;
        }
    }
    return true;
}

bool SameBytes(const fs::path& a, const fs::path& b)
{
    std::string x, y;
    return ReadText(a.string(), &x) && ReadText(b.string(), &y) && x == y;
}

// Builds the programs in an instrument whose configuration is a locked, empty one in work (so no
// player's settings or default bank reach the bank) and saves the files there.
bool WriteBank(const std::vector<ResolvedProgram>& programs, const fs::path& work, std::vector<std::string>* files,
               std::string* error)
{
    std::ofstream(work / "KT-4R.ini") << "LOCK = TRUE\n";
    std::ofstream(work / "KT-4R.map"); // empty: no default MIDI-learn map from the player's folder
    KT4R plug((work / "").string()); // the folder with its separator
    for (size_t i = 0; i < programs.size(); ++i) {
        const ResolvedProgram& program = programs[i];
        plug.InitPatch();
        for (const auto& [id, value] : program.values)
            plug.SetParamFromEditor(id, value);
        if (!Check(plug, program, error))
            return false;
        plug.SetProgramName(program.source->name);
        plug.WriteProgram(static_cast<int>(i) + 1);
    }
    plug.SelectProgram(1);

    const std::string base = kBankName;
    files->push_back(KT4R::kFactoryBankFile);
    bool ok = plug.SaveBankFile((work / files->back()).string());
    files->push_back(base + ".syx");
    ok = ok && plug.SaveSysExBank((work / files->back()).string(), 1, 128);
    for (int first = 1; first <= 128; first += 32) {
        files->push_back(base + " " + std::to_string(first) + "-" + std::to_string(first + 31) + ".syx");
        ok = ok && plug.SaveSysExBank((work / files->back()).string(), first, 32);
    }
    if (!ok)
        *error = "the instrument could not write its files in " + work.string();
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return Fail("usage: kt4r-bank SOURCE_FOLDER OUT_FOLDER");
    const std::string sourceFolder = argv[1];
    const fs::path outFolder = argv[2];

    std::vector<SourceGroup> groups;
    std::string error;
    for (const std::string& path : GroupFiles(sourceFolder)) {
        std::string text;
        if (!ReadText(path, &text))
            return Fail(path + ": cannot be read");
        SourceGroup group;
        if (!ParseGroup(text, path, &group, &error))
            return Fail(error);
        groups.push_back(std::move(group));
    }
    // Every line first, then the shape of the bank.
    std::vector<ResolvedProgram> programs;
    for (const SourceGroup& group : groups) {
        for (const SourceProgram& program : group.programs) {
            programs.emplace_back();
            if (!Resolve(program, &programs.back(), &error))
                return Fail(error);
        }
    }
    for (const SourceGroup& group : groups) {
        if (group.programs.size() != kProgramsPerGroup)
            return Fail(group.path + ": holds " + std::to_string(group.programs.size()) + " programs, not 16");
    }
    if (groups.size() != kGroups)
        return Fail(sourceFolder + ": holds " + std::to_string(groups.size()) +
                    " group files (<n>-<group>.txt), not 8");
    if (!CheckNames(groups, &error))
        return Fail(error);

    std::error_code fsError;
    const fs::path work = fs::temp_directory_path(fsError) / ("kt4r-bank-" + std::to_string(std::random_device{}()));
    if (!fs::create_directories(work, fsError))
        return Fail("cannot create " + work.string());
    std::vector<std::string> files;
    const bool written = WriteBank(programs, work, &files, &error);
    int replaced = 0;
    if (written) {
        fs::create_directories(outFolder, fsError);
        for (const std::string& name : files) {
            if (SameBytes(work / name, outFolder / name))
                continue;
            fs::copy_file(work / name, outFolder / name, fs::copy_options::overwrite_existing, fsError);
            if (fsError) {
                error = (outFolder / name).string() + ": " + fsError.message();
                break;
            }
            ++replaced;
        }
    }
    fs::remove_all(work, fsError);
    if (!written || !error.empty())
        return Fail(error);
    std::printf("kt4r-bank: %zu programs; %d of %zu files in %s written, the others were up to date\n",
                programs.size(), replaced, files.size(), outFolder.string().c_str());
    return 0;
}
