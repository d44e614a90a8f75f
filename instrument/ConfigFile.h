// The plain-text key-value file "KT-4R.ini" beside the plug-in library: the player's preferences.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "instrument/SharedFile.h"

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

    // Remembers the folders, empties the map and reads the file (beside the library, else in the user
    // folder); an absent or unreadable file leaves the map empty. Write compares with what was read
    // here to find what this instance changed.
    void Read(const SharedFolders& folders);
    // Parses text as the file's content (Read uses it; tests feed it directly).
    // Lines: "#" comments and lines without "=" are skipped; key and value are the text before and
    // after the first "=", stripped of white space at both ends; a later key replaces an earlier one.
    void Parse(const std::string& text);

    int Count(const std::string& key) const { return mValues.count(key) ? 1 : 0; }
    // The value; a key that is not present is added with an empty value.
    const std::string& Get(const std::string& key) { return mValues[key]; }
    bool IsTrue(const std::string& key) { return Get(key) == "TRUE"; }
    void Set(const std::string& key, const std::string& value) { mValues[key] = value; }

    // The state the instrument starts with from these values: the words it understands, and its
    // defaults for keys that are absent or hold anything else.
    ConfigExitState StartState() const;
    // Sets the keys the instrument owns from its state at exit: "GLOBAL_GAIN", "IMMEDIATE_WRITE",
    // "SEND_PARAM_SYSEX", "SEND_PROG_SYSEX", "PRESETDIR", "DEFAULT_NUM_VOICES", "MIDI_THRU". Every
    // other key keeps its value as read.
    void StoreExitState(const ConfigExitState& state);

    // Writes back only the keys this instance changed since Read (a key whose value reads as the one the
    // instrument started with, or an absent key now empty, is unchanged), merged into the file as it is
    // now (see Merge); other instances' changes stay. With no file in either folder, the whole map is
    // written as Format gives it, beside the library or else in the user folder. Nothing is written when
    // "LOCK" is "TRUE" as read or in the file now, nor when nothing changed. True when the file holds
    // the changes, needs none or is locked; a file that cannot be written is left as it was.
    bool Write();
    // text (the file's current content) with each changed key's last line replaced by "key = value"
    // (keeping its line ending) and changed keys it lacks added at the end; every other line stays
    // byte for byte. Empty when text says "LOCK = TRUE".
    std::optional<std::string> Merge(const std::string& text) const;
    // The file's text: a comment line, a blank line, then "key = value" per key in byte-wise key
    // order. A line that would not read back as written (a key with "=" or a line feed or starting
    // with "#", a value with a line feed) is left out.
    std::string Format() const;

    const SharedFolders& Folders() const { return mFolders; }
    const std::map<std::string, std::string>& Values() const { return mValues; }

private:
    std::vector<std::string> ChangedKeys() const;

    SharedFolders mFolders;
    bool mWasRead = false;
    std::map<std::string, std::string> mValues; // byte-wise key order
    // The values as read, the instrument's own keys as it starts with them: what Write compares with.
    std::map<std::string, std::string> mStart;
};
