// The folders the editor offers on Linux, and the user's settings folder, each with a trailing '/'.
#pragma once

#include <string>

// $HOME, else the password database's home; empty when neither is known.
std::string HomeFolder();
// $XDG_DESKTOP_DIR, else ~/Desktop when it exists, else the home folder.
std::string LinuxDesktopFolder();
// $XDG_DATA_HOME, else ~/.local/share.
std::string LinuxLocalAppDataFolder();
// $XDG_CONFIG_HOME, else ~/.config: where programs keep a user's settings.
std::string LinuxConfigFolder();
// The folder of the running executable (/proc/self/exe).
std::string LinuxHostFolder();
