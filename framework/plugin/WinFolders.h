// Folders the Windows editor names: the host program's, the user's desktop and local application data;
// and the user's roaming application data, where the plug-in keeps settings it cannot keep beside itself.
// Each ends in a backslash; empty when Windows does not say.
#pragma once

#include <string>

std::string WinHostFolder();
std::string WinDesktopFolder();
std::string WinLocalAppDataFolder();
std::string WinAppDataFolder();
