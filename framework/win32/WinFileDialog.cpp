#include "framework/win32/WinFileDialog.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

WinFileFilter MakeWinFileFilter(const std::string& extensions)
{
    WinFileFilter filter;
    size_t at = 0;
    while (at < extensions.size()) {
        const size_t begin = extensions.find_first_not_of(' ', at);
        if (begin == std::string::npos)
            break;
        const size_t end = std::min(extensions.find(' ', begin), extensions.size());
        const std::string extension = extensions.substr(begin, end - begin);
        if (filter.defaultExtension.empty())
            filter.defaultExtension = extension;
        if (!filter.patterns.empty())
            filter.patterns += ';';
        filter.patterns += "*." + extension;
        at = end;
    }
    return filter;
}

std::string WinFolderOfPath(const std::string& path)
{
    const size_t slash = path.find_last_of("\\/");
    if (slash != std::string::npos)
        return path.substr(0, slash + 1);
    // "C:file" is relative to drive C's current folder: the drive is all there is.
    return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : std::string();
}

std::string RunWinFileDialog(void* owner, int action, const std::string& folder, const std::string& extensions)
{
    const WinFileFilter filter = MakeWinFileFilter(extensions);
    // Name and pattern, each ending in a zero, and a zero after the last pair.
    std::string filterText;
    if (!filter.patterns.empty()) {
        filterText = filter.patterns + '\0' + filter.patterns + '\0';
    }
    filterText += '\0';
    std::vector<char> path(MAX_PATH * 4, '\0');

    OPENFILENAMEA request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = static_cast<HWND>(owner);
    request.lpstrFilter = filter.patterns.empty() ? nullptr : filterText.c_str();
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    request.lpstrDefExt = filter.defaultExtension.empty() ? nullptr : filter.defaultExtension.c_str();
    // The host's current folder stays what it was.
    request.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
                    (action == 1 ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = action == 1 ? GetSaveFileNameA(&request) : GetOpenFileNameA(&request);
    return chosen ? std::string(path.data()) : std::string();
}
