// Folders the Windows editor names: the host program's, the user's desktop and local application data.
// Each ends in a backslash; empty when Windows does not say.
#pragma once

#include <string>

std::string WinHostFolder();
std::string WinDesktopFolder();
std::string WinLocalAppDataFolder();
