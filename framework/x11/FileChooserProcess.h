// The desktop's file chooser (zenity or kdialog) in its own process: started by the editor's file
// prompt and polled from the editor's idle calls, so the host's UI thread never waits for the player.
#pragma once

#include <string>
#include <vector>

#include "framework/x11/ChildProcess.h"

// The chooser's command line. tool is "zenity" or "kdialog"; action 1 saves (asking before it
// overwrites), any other opens; directory ends with '/'; extensions are space separated ("syx KT4Rbank").
std::vector<std::string> FileChooserCommand(const std::string& tool, int action, const std::string& directory,
                                            const std::string& extensions);
// The path a chooser printed: its first line; empty when it printed nothing.
std::string ChosenPath(const std::string& output);
// The folder of a path, with its trailing '/'; empty for a bare name.
std::string FolderOf(const std::string& path);

class FileChooserProcess {
public:
    // The first installed chooser ("zenity", then "kdialog"); empty when neither is on $PATH.
    static std::string InstalledTool();

    // Editor thread. False when no chooser could be started.
    bool Start(int action, const std::string& directory, const std::string& extensions);
    bool Running() const { return mChild.Running(); }
    // Editor thread, never blocks. True once the chooser has ended; *path is then the chosen file,
    // empty when the player cancelled.
    bool Poll(std::string* path);
    // Ends a running chooser (the editor closes).
    void Cancel() { mChild.Terminate(); }

private:
    ChildProcess mChild;
};
