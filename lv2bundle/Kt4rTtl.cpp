// Writes the bundle's manifest.ttl and KT-4R.ttl from the instrument's parameter table, so the ports a
// host sees are the table's 70 patch parameters with their names, ranges and defaults: switch-like
// parameters as toggled or integer ports whose scale points carry the panel's value texts. The build
// runs it; usage: kt4r-lv2-ttl <bundle folder>.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "instrument/ParamTable.h"
#include "instrument/ReadoutText.h"
#include "lv2bundle/Kt4rLv2.h"
#include "lv2bundle/TtlText.h"

using namespace kt4r;
using namespace kt4r_lv2;

namespace {

constexpr const char* kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                                  "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
                                  "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .\n"
                                  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                  "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
                                  "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n\n";

// Stepped in whole numbers over a short range: a choice, shown as an integer port with its values named.
bool IsChoice(const ParamDef& def)
{
    return def.kind == ParamKind::kInt || (def.kind == ParamKind::kDouble && def.step == 1.0);
}

void WriteControlPort(std::ostream& out, const ParamDef& def)
{
    const bool defined = def.kind != ParamKind::kNone;
    const std::string name = defined ? Trimmed(def.name) : std::string("Unused");
    out << "    [\n        a lv2:InputPort, lv2:ControlPort ;\n";
    out << "        lv2:index " << def.id << " ;\n";
    out << "        lv2:symbol " << Quoted(PortSymbols()[static_cast<size_t>(def.id)]) << " ;\n";
    out << "        lv2:name " << Quoted(name.empty() ? "Unused" : name) << " ;\n";
    out << "        lv2:default " << Number(def.defaultValue) << " ;\n";
    out << "        lv2:minimum " << Number(def.min) << " ;\n";
    out << "        lv2:maximum " << Number(def.max);
    if (!defined) {
        out << " ;\n        lv2:portProperty lv2:connectionOptional";
    } else if (def.kind == ParamKind::kBool) {
        out << " ;\n        lv2:portProperty lv2:toggled";
    } else if (IsChoice(def)) {
        out << " ;\n        lv2:portProperty lv2:integer, lv2:enumeration";
        const ReadoutContext context;
        for (double v = def.min; v <= def.max; v += 1.0) {
            const double normalized = def.max > def.min ? (v - def.min) / (def.max - def.min) : 0.0;
            std::string label = Trimmed(ReadoutValueText(def.id, normalized, context));
            if (label.empty())
                label = Number(v);
            out << " ;\n        lv2:scalePoint [ rdfs:label " << Quoted(label) << " ; rdf:value " << Number(v) << " ]";
        }
    }
    out << " ;\n    ]";
}

std::string PluginTtl()
{
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << kt4r_lv2::kPluginUri << ">\n"
        << "    a lv2:Plugin, lv2:InstrumentPlugin, doap:Project ;\n"
        << "    doap:name \"KT-4R\" ;\n"
        << "    doap:maintainer [ foaf:name \"TOLVA\" ] ;\n"
        << "    lv2:minorVersion 0 ;\n    lv2:microVersion 12 ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature opts:options ;\n"
        << "    opts:supportedOption bufsz:maxBlockLength ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    ui:ui <" << kt4r_lv2::kUiUri << "> ;\n"
        << "    lv2:port\n";
    for (const ParamDef& def : kPatchParams) {
        WriteControlPort(out, def);
        out << ",\n";
    }
    const int outL = kPatchParamCount;
    out << "    [\n        a lv2:OutputPort, lv2:AudioPort ;\n        lv2:index " << outL
        << " ;\n        lv2:symbol \"out_l\" ;\n        lv2:name \"Left\" ;\n    ],\n";
    out << "    [\n        a lv2:OutputPort, lv2:AudioPort ;\n        lv2:index " << outL + 1
        << " ;\n        lv2:symbol \"out_r\" ;\n        lv2:name \"Right\" ;\n    ],\n";
    out << "    [\n        a lv2:InputPort, atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent, time:Position ;\n        lv2:designation lv2:control ;\n"
        << "        lv2:index " << outL + 2
        << " ;\n        lv2:symbol \"events_in\" ;\n        lv2:name \"Events In\" ;\n    ],\n";
    out << "    [\n        a lv2:OutputPort, atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent ;\n        rsz:minimumSize " << kt4r_lv2::kEventsOutMinimumSize
        << " ;\n"
        << "        lv2:index " << outL + 3
        << " ;\n        lv2:symbol \"events_out\" ;\n        lv2:name \"Events Out\" ;\n    ] .\n\n";
    // The panel: an X11 UI on the instance, told the parameters' values through port notifications.
    out << "<" << kt4r_lv2::kUiUri << ">\n"
        << "    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:parent, <http://lv2plug.in/ns/ext/instance-access>, ui:idleInterface ;\n"
        << "    lv2:optionalFeature ui:resize ;\n"
        << "    lv2:extensionData ui:idleInterface .\n";
    return out.str();
}

std::string ManifestTtl()
{
    std::ostringstream out;
    out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
        << "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n\n"
        << "<" << kt4r_lv2::kPluginUri << ">\n    a lv2:Plugin ;\n"
        << "    lv2:binary <" << kt4r_lv2::kDspBinary << "> ;\n"
        << "    rdfs:seeAlso <" << kt4r_lv2::kPluginTtl << "> .\n\n"
        << "<" << kt4r_lv2::kUiUri << ">\n    a ui:X11UI ;\n"
        << "    ui:binary <" << kt4r_lv2::kUiBinary << "> ;\n"
        << "    rdfs:seeAlso <" << kt4r_lv2::kPluginTtl << "> .\n";
    return out.str();
}

bool WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <bundle folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";
    if (!WriteFile(folder + "manifest.ttl", ManifestTtl()) || !WriteFile(folder + kt4r_lv2::kPluginTtl, PluginTtl())) {
        std::fprintf(stderr, "%s: cannot write into %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
