// The plain-text key-value file "KT-4R.ini" beside the plug-in library: the player's preferences.
#pragma once

#include <map>
#include <string>

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

    const std::string& Path() const { return mPath; }
    const std::map<std::string, std::string>& Values() const { return mValues; }

private:
    std::string mPath;
    std::map<std::string, std::string> mValues; // byte-wise key order
};
