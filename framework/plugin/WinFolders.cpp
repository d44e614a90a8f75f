#include "framework/plugin/WinFolders.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shlobj.h>

namespace {

// The plug-in opens files through narrow paths (the C runtime's ANSI code page).
std::string FolderText(const wchar_t* wide, size_t length)
{
    if (length == 0)
        return {};
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    std::string folder(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(length), folder.data(), bytes, nullptr, nullptr);
    if (folder.back() != '\\' && folder.back() != '/')
        folder += '\\';
    return folder;
}

std::string ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return FolderText(path, wcslen(path));
}

} // namespace

std::string WinHostFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) // the longest path Windows has
            return {};
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::string(".\\") : FolderText(path.c_str(), slash + 1);
}

std::string WinDesktopFolder() { return ShellFolder(CSIDL_DESKTOPDIRECTORY); }
std::string WinLocalAppDataFolder() { return ShellFolder(CSIDL_LOCAL_APPDATA); }
std::string WinAppDataFolder() { return ShellFolder(CSIDL_APPDATA); }
