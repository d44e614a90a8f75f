// The plain-text key-value file "KT-4R.ini" beside the plug-in library: the player's preferences.
#pragma once

#include <map>
#include <string>

// The instrument's state that the file keeps at exit, filled by the caller from its parameters.
struct ConfigExitState {
    double numberOfVoices = 3.0;   // "Number of Voices" (id 67): voice pairs, 3-6
    bool midiThru = false;         // MIDI thru as configured
    double immediateWrite = 0.0;   // "Immediate Write" (id 92)
    double sendParamSysex = 0.0;   // "Send Sysex Param" (id 90)
    double sendProgramSysex = 0.0; // "Send Sysex Prg" (id 91)
    double globalGain = 1.0;       // "Global Gain" (id 78): 0 low, 1 normal, 2 high
    std::string presetDir;         // start folder of the file dialogs
};

class ConfigFile {
public:
    static constexpr const char* kFileName = "KT-4R.ini";

    // Remembers the path, empties the map and reads the file; an unreadable file leaves the map empty.
    // Lines: "#" comments and lines without "=" are skipped; key and value are the text before and
    // after the first "=", stripped of white space at both ends; a later key replaces an earlier one.
    void Read(const std::string& path);
    // Parses text as the file's content (Read uses it; tests feed it directly).
    void Parse(const std::string& text);

    int Count(const std::string& key) const { return mValues.count(key) ? 1 : 0; }
    // The value; a key that is not present is added with an empty value.
    const std::string& Get(const std::string& key) { return mValues[key]; }
    bool IsTrue(const std::string& key) { return Get(key) == "TRUE"; }
    void Set(const std::string& key, const std::string& value) { mValues[key] = value; }

    // Sets the keys the instrument owns from its state at exit: "GLOBAL_GAIN", "IMMEDIATE_WRITE",
    // "SEND_PARAM_SYSEX", "SEND_PROG_SYSEX", "PRESETDIR", "DEFAULT_NUM_VOICES", "MIDI_THRU". Every
    // other key keeps its value as read.
    void StoreExitState(const ConfigExitState& state);
    // Writes the file back to the path read from (or to path); nothing is written when "LOCK" is
    // "TRUE" (the key is added empty when absent). True when the file was written or is locked; a
    // file that cannot be written is left as it was.
    bool Write();
    bool Write(const std::string& path);
    // The file's text: a comment line, a blank line, then "key = value" per key in byte-wise key
    // order. A line that would not read back as written (a key with "=" or a line feed or starting
    // with "#", a value with a line feed) is left out.
    std::string Format() const;

    const std::string& Path() const { return mPath; }
    const std::map<std::string, std::string>& Values() const { return mValues; }

private:
    std::string mPath;
    std::map<std::string, std::string> mValues; // byte-wise key order
};
