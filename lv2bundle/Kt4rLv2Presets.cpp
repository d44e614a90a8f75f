// Exports the 128 programs of a bank file as LV2 presets, so hosts list them in their preset menus:
// a bundle <output folder>/KT-4R-<bank name>.lv2/ with a manifest and one .ttl of presets, each the
// program's name and its 70 port values. The bank is read by the instrument itself (in a folder of
// its own, without a panel), so the values are what the plug-in would play.
// Usage: kt4r-lv2-presets <bank file> <output folder>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

#include "instrument/KT4R.h"
#include "lv2bundle/Kt4rLv2.h"
#include "lv2bundle/TtlText.h"

using namespace kt4r_lv2;

namespace {

constexpr int kPrograms = 128;

// Letters, digits, '-' and '_' of the bank's file name: the bundle's and the presets' names.
std::string Slug(const std::string& text)
{
    std::string slug;
    for (char c : text)
        slug += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
    return slug.empty() ? std::string("bank") : slug;
}

std::string PresetUri(const std::string& bank, int program)
{
    char number[8];
    std::snprintf(number, sizeof number, "%03d", program);
    return std::string(kPluginUri) + ":preset:" + bank + ":" + number;
}

bool WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    return static_cast<bool>(file);
}

// Every program of the bank at path as a preset; false when the instrument cannot read the bank.
bool PresetsOfBank(const std::string& path, const std::string& bank, std::string* presets, std::string* manifest)
{
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("kt4r-lv2-presets-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    bool read = false;
    {
        auto plug = std::make_unique<KT4R>(scratch.string() + "/");
        read = plug->LoadBankFile(path);
        std::ostringstream out;
        std::ostringstream list;
        const char* prefixes = "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                               "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                               "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n\n";
        out << prefixes;
        list << prefixes;
        for (int program = 1; read && program <= kPrograms; ++program) {
            plug->SelectProgram(program);
            const std::string uri = PresetUri(bank, program);
            char label[16];
            std::snprintf(label, sizeof label, "%03d ", program);
            list << "<" << uri << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri << "> ;\n"
                 << "    rdfs:seeAlso <presets.ttl> .\n\n";
            out << "<" << uri << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri << "> ;\n"
                << "    rdfs:label " << Quoted(label + Trimmed(plug->ProgramName(program))) << " ;\n    lv2:port";
            for (int i = 0; i < kPatchParamCount; ++i) {
                out << (i ? " ,\n" : "\n") << "        [ lv2:symbol " << Quoted(PortSymbols()[static_cast<size_t>(i)])
                    << " ; pset:value " << Number(plug->GetParam(i)->Value()) << " ]";
            }
            out << " .\n\n";
        }
        *presets = out.str();
        *manifest = list.str();
    }
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return read;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <bank file> <output folder>\n", argv[0]);
        return 2;
    }
    const std::string bank = Slug(std::filesystem::path(argv[1]).stem().string());
    std::string presets;
    std::string manifest;
    if (!PresetsOfBank(argv[1], bank, &presets, &manifest)) {
        std::fprintf(stderr, "%s: %s is not a bank file the instrument can read\n", argv[0], argv[1]);
        return 1;
    }
    const std::string folder = std::string(argv[2]) + "/KT-4R-" + bank + ".lv2";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !WriteFile(folder + "/manifest.ttl", manifest) || !WriteFile(folder + "/presets.ttl", presets)) {
        std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], folder.c_str());
        return 1;
    }
    std::printf("%s\n", folder.c_str());
    return 0;
}
