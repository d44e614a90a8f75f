// The plug-in's own small files (configuration, default MIDI-learn map), shared by every instance: found
// beside the library or in the user's settings folder, and written back by merging into the file as it is
// at that moment.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

// The folders a shared file may live in, each with its trailing separator; an empty one is not used.
struct SharedFolders {
    std::string library; // beside the plug-in library: a file here wins
    std::string user;    // where the files live when the library's folder cannot be written
};

// library with the user's settings folder for the plug-in: $XDG_CONFIG_HOME/KT-4R/ (~/.config/KT-4R/)
// on Linux, %APPDATA%\KT-4R\ on Windows.
SharedFolders FoldersBeside(const std::string& libraryFolder);

enum class SharedRead {
    kAbsent,     // no folder holds any of the names
    kRead,       // text holds the file's bytes
    kUnreadable, // the file is there but could not be read: nothing may replace it
};

// The first of names (the current name, then older ones) beside the library, else in the user folder.
// text is emptied first; path, when given, answers the file's path (empty when absent).
SharedRead ReadSharedFile(const SharedFolders& folders, std::initializer_list<const char*> names, std::string* text,
                          std::string* path = nullptr);

// Gets the new text from merge, which is handed the file's current text (nullptr when there is none)
// and answers nothing to leave the file as it is. The text replaces the file where it was found (under
// names' first), through a temporary file and a rename; a new file goes beside the library, or into the
// user folder (made when missing) when the library's folder cannot be written. A file that is there
// but cannot be read is left alone. True when the file holds the merged text or merge left it alone.
bool UpdateSharedFile(const SharedFolders& folders, std::initializer_list<const char*> names,
                      const std::function<std::optional<std::string>(const std::string* current)>& merge);
