#include "instrument/ConfigFile.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

std::string Strip(const std::string& s)
{
    static const char* const kSpace = " \f\n\r\t\v";
    const size_t first = s.find_first_not_of(kSpace);
    if (first == std::string::npos)
        return std::string();
    const size_t last = s.find_last_not_of(kSpace);
    return s.substr(first, last - first + 1);
}

const char* TrueFalse(double value)
{
    return value >= 0.5 ? "TRUE" : "FALSE";
}

// The nearest whole value within lo..hi; fallback when the value is not finite.
int WholeWithin(double value, int lo, int hi, int fallback)
{
    if (!std::isfinite(value))
        return fallback;
    return static_cast<int>(std::lround(std::clamp(value, static_cast<double>(lo), static_cast<double>(hi))));
}

bool ReadsBackAsWritten(const std::string& key, const std::string& value)
{
    return (key.empty() || key[0] != '#') && key.find_first_of("=\n") == std::string::npos &&
           value.find('\n') == std::string::npos;
}

// The key a line sets, or nothing for a comment or a line without "=" (the rule Parse reads by).
std::optional<std::string> KeyOfLine(const std::string& line)
{
    if (line.empty() || line[0] == '#')
        return std::nullopt;
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
        return std::nullopt;
    return Strip(line.substr(0, equals));
}

const std::string& ValueOr(const std::map<std::string, std::string>& values, const std::string& key)
{
    static const std::string kEmpty;
    const auto it = values.find(key);
    return it == values.end() ? kEmpty : it->second;
}

void PutExitState(std::map<std::string, std::string>& values, const ConfigExitState& state)
{
    static const char* const kGain[] = {"LOW", "NORMAL", "HIGH"};
    values["GLOBAL_GAIN"] = kGain[WholeWithin(state.globalGain, 0, 2, 1)];
    values["IMMEDIATE_WRITE"] = TrueFalse(state.immediateWrite);
    values["SEND_PARAM_SYSEX"] = TrueFalse(state.sendParamSysex);
    values["SEND_PROG_SYSEX"] = TrueFalse(state.sendProgramSysex);
    values["PRESETDIR"] = state.presetDir;
    values["DEFAULT_NUM_VOICES"] = std::to_string(2 * WholeWithin(state.numberOfVoices, 3, 6, 3));
    values["MIDI_THRU"] = state.midiThru ? "TRUE" : "FALSE";
}

bool Locked(const std::map<std::string, std::string>& values)
{
    return ValueOr(values, "LOCK") == "TRUE";
}

} // namespace

void ConfigFile::Read(const SharedFolders& folders)
{
    mFolders = folders;
    mWasRead = true;
    mValues.clear();
    std::string text;
    if (ReadSharedFile(folders, {kFileName}, &text) == SharedRead::kRead)
        Parse(text);
    mStart = mValues;
    PutExitState(mStart, StartState());
}

void ConfigFile::Parse(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line, '\n')) {
        if (const auto key = KeyOfLine(line))
            mValues[*key] = Strip(line.substr(line.find('=') + 1));
    }
}

ConfigExitState ConfigFile::StartState() const
{
    auto isTrue = [this](const char* key) { return ValueOr(mValues, key) == "TRUE"; };
    ConfigExitState state;
    const std::string& voices = ValueOr(mValues, "DEFAULT_NUM_VOICES");
    state.numberOfVoices = voices == "8" ? 4.0 : voices == "10" ? 5.0 : voices == "12" ? 6.0 : 3.0;
    state.midiThru = isTrue("MIDI_THRU");
    state.immediateWrite = isTrue("IMMEDIATE_WRITE") ? 1.0 : 0.0;
    state.sendParamSysex = isTrue("SEND_PARAM_SYSEX") ? 1.0 : 0.0;
    state.sendProgramSysex = isTrue("SEND_PROG_SYSEX") ? 1.0 : 0.0;
    const std::string& gain = ValueOr(mValues, "GLOBAL_GAIN");
    state.globalGain = gain == "HIGH" ? 2.0 : gain == "LOW" ? 0.0 : 1.0;
    state.presetDir = ValueOr(mValues, "PRESETDIR");
    return state;
}

void ConfigFile::StoreExitState(const ConfigExitState& state)
{
    PutExitState(mValues, state);
}

std::vector<std::string> ConfigFile::ChangedKeys() const
{
    std::vector<std::string> changed;
    for (const auto& [key, value] : mValues) {
        if (value != ValueOr(mStart, key) && ReadsBackAsWritten(key, value))
            changed.push_back(key);
    }
    return changed;
}

bool ConfigFile::Write()
{
    if (!mWasRead)
        return false;
    if (Locked(mStart))
        return true;
    const bool written = UpdateSharedFile(mFolders, {kFileName}, [this](const std::string* current) {
        if (current)
            return Merge(*current);
        // A first file lists every key the instrument keeps, with "LOCK" for the player to set.
        mValues.try_emplace("LOCK");
        return std::optional<std::string>(Format());
    });
    if (written)
        mStart = mValues;
    return written;
}

std::optional<std::string> ConfigFile::Merge(const std::string& text) const
{
    const std::vector<std::string> changed = ChangedKeys();
    ConfigFile now;
    now.Parse(text);
    if (changed.empty() || Locked(now.mValues))
        return std::nullopt;
    // The lines with their endings, and the last line of each key (the one that counts when read).
    std::vector<std::string> lines;
    std::map<std::string, size_t> lastLineOf;
    for (size_t at = 0; at < text.size();) {
        const size_t end = std::min(text.find('\n', at), text.size() - 1);
        lines.push_back(text.substr(at, end + 1 - at));
        at = end + 1;
        std::string content = lines.back();
        if (!content.empty() && content.back() == '\n')
            content.pop_back();
        if (const auto key = KeyOfLine(content))
            lastLineOf[*key] = lines.size() - 1;
    }

    std::string appended;
    for (const std::string& key : changed) {
        const std::string line = key + " = " + mValues.at(key);
        const auto it = lastLineOf.find(key);
        if (it == lastLineOf.end()) {
            appended += line + "\n";
            continue;
        }
        std::string& old = lines[it->second];
        const bool crlf = old.size() >= 2 && old.compare(old.size() - 2, 2, "\r\n") == 0;
        old = line + (crlf ? "\r\n" : "\n");
    }
    std::string merged;
    for (const std::string& line : lines)
        merged += line;
    if (!appended.empty() && !merged.empty() && merged.back() != '\n')
        merged += '\n';
    return merged + appended;
}

std::string ConfigFile::Format() const
{
    std::string text = "#KT4R configuration file\n\n";
    for (const auto& [key, value] : mValues) {
        if (ReadsBackAsWritten(key, value))
            text += key + " = " + value + "\n";
    }
    return text;
}
