// The editor's open and save dialogs on Windows, and the filter rules they use.
#pragma once

#include <string>

// The dialog's filter for a space-separated extension list: each extension "ext" becomes "*.ext", joined
// with ";" ("*.fxp;*.fxb"), used both as the filter's name and as its pattern; the first extension is
// the default one. Empty patterns for an empty list (every file shown).
struct WinFileFilter {
    std::string patterns;
    std::string defaultExtension;
};
WinFileFilter MakeWinFileFilter(const std::string& extensions);

// The drive and folder of a path ("C:\dir\file.fxp" gives "C:\dir\"); empty for a bare file name.
std::string WinFolderOfPath(const std::string& path);

// Editor thread; modal. Action 1 saves (the player confirms replacing a file, the folder must exist),
// any other opens (the file must exist). folder is where the dialog starts. Answers the chosen path, or
// empty when cancelled.
std::string RunWinFileDialog(void* owner, int action, const std::string& folder, const std::string& extensions);
