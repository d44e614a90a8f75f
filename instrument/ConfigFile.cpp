#include "instrument/ConfigFile.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "instrument/FileText.h"

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

} // namespace

void ConfigFile::Read(const std::string& path)
{
    mPath = path;
    mValues.clear();
    std::string text;
    if (ReadFileText(path, &text))
        Parse(text);
}

void ConfigFile::Parse(const std::string& text)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line, '\n')) {
        if (line.empty() || line[0] == '#')
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        mValues[Strip(line.substr(0, equals))] = Strip(line.substr(equals + 1));
    }
}

void ConfigFile::StoreExitState(const ConfigExitState& state)
{
    static const char* const kGain[] = {"LOW", "NORMAL", "HIGH"};
    Set("GLOBAL_GAIN", kGain[WholeWithin(state.globalGain, 0, 2, 1)]);
    Set("IMMEDIATE_WRITE", TrueFalse(state.immediateWrite));
    Set("SEND_PARAM_SYSEX", TrueFalse(state.sendParamSysex));
    Set("SEND_PROG_SYSEX", TrueFalse(state.sendProgramSysex));
    Set("PRESETDIR", state.presetDir);
    Set("DEFAULT_NUM_VOICES", std::to_string(2 * WholeWithin(state.numberOfVoices, 3, 6, 3)));
    Set("MIDI_THRU", state.midiThru ? "TRUE" : "FALSE");
}

bool ConfigFile::Write()
{
    return Write(mPath);
}

bool ConfigFile::Write(const std::string& path)
{
    if (IsTrue("LOCK"))
        return true;
    return WriteFileText(path, Format());
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
