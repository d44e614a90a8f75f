#include "lv2bundle/TtlText.h"

#include <cctype>
#include <cstdio>
#include <set>

#include "instrument/ParamTable.h"

namespace kt4r_lv2 {

std::string Trimmed(const std::string& text)
{
    const size_t begin = text.find_first_not_of(' ');
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out + "\"";
}

std::string Number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    std::string s = text;
    if (s.find_first_of(".eEn") == std::string::npos)
        s += ".0";
    return s;
}

namespace {

std::string SymbolOf(const kt4r::ParamDef& def, std::set<std::string>* used)
{
    std::string symbol;
    for (char c : Trimmed(def.name)) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            symbol += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!symbol.empty() && symbol.back() != '_')
            symbol += '_';
    }
    while (!symbol.empty() && symbol.back() == '_')
        symbol.pop_back();
    if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol[0])))
        symbol.insert(0, 1, 'p');
    if (!used->insert(symbol).second) {
        symbol.push_back('_');
        symbol.append(std::to_string(def.id));
        used->insert(symbol);
    }
    return symbol;
}

} // namespace

const std::array<std::string, kPatchParamCount>& PortSymbols()
{
    static const std::array<std::string, kPatchParamCount> symbols = [] {
        std::array<std::string, kPatchParamCount> made;
        // The other ports' symbols are taken first.
        std::set<std::string> used = {"out_l", "out_r", "events_in", "events_out"};
        for (const kt4r::ParamDef& def : kt4r::kPatchParams)
            made[static_cast<size_t>(def.id)] = SymbolOf(def, &used);
        return made;
    }();
    return symbols;
}

} // namespace kt4r_lv2
