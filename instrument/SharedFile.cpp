#include "instrument/SharedFile.h"

#include <cerrno>
#include <sys/stat.h>

#include "instrument/FileText.h"

#ifdef _WIN32
#include <direct.h>

#include "framework/plugin/WinFolders.h"
#else
#include "framework/plugin/LinuxFolders.h"
#endif

namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';
std::string PlatformSettingsFolder() { return WinAppDataFolder(); }
bool MakeOneFolder(const std::string& path) { return _mkdir(path.c_str()) == 0 || errno == EEXIST; }
#else
constexpr char kSeparator = '/';
std::string PlatformSettingsFolder() { return LinuxConfigFolder(); }
bool MakeOneFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST; }
#endif

bool Exists(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// folder (with its trailing separator) and its parent: the user's settings folder itself may not exist yet.
bool MakeFolder(const std::string& folder)
{
    const std::string bare = folder.substr(0, folder.size() - 1);
    const size_t parentEnd = bare.find_last_of("/\\");
    if (parentEnd != std::string::npos && parentEnd > 0 && !Exists(bare.substr(0, parentEnd)))
        MakeOneFolder(bare.substr(0, parentEnd));
    return MakeOneFolder(bare);
}

struct Found {
    std::string folder; // empty: no folder holds any of the names
    std::string path;
};

// The first name present, beside the library first.
Found Find(const SharedFolders& folders, std::initializer_list<const char*> names)
{
    for (const std::string* folder : {&folders.library, &folders.user}) {
        if (folder->empty())
            continue;
        for (const char* name : names) {
            if (Exists(*folder + name))
                return {*folder, *folder + name};
        }
    }
    return {};
}

SharedRead ReadFound(const Found& found, std::string* text)
{
    text->clear();
    if (found.folder.empty())
        return SharedRead::kAbsent;
    return ReadFileText(found.path, text) ? SharedRead::kRead : SharedRead::kUnreadable;
}

} // namespace

SharedFolders FoldersBeside(const std::string& libraryFolder)
{
    const std::string settings = PlatformSettingsFolder();
    return {libraryFolder, settings.empty() ? std::string() : settings + "KT-4R" + kSeparator};
}

SharedRead ReadSharedFile(const SharedFolders& folders, std::initializer_list<const char*> names, std::string* text,
                          std::string* path)
{
    const Found found = Find(folders, names);
    if (path)
        *path = found.path;
    return ReadFound(found, text);
}

bool UpdateSharedFile(const SharedFolders& folders, std::initializer_list<const char*> names,
                      const std::function<std::optional<std::string>(const std::string* current)>& merge)
{
    const Found found = Find(folders, names);
    std::string current;
    const SharedRead read = ReadFound(found, &current);
    if (read == SharedRead::kUnreadable)
        return false;
    const std::optional<std::string> text = merge(read == SharedRead::kRead ? &current : nullptr);
    if (!text)
        return true;
    const char* name = *names.begin();
    // A file found under an older name is followed by one under the current name in the same folder.
    if (read == SharedRead::kRead)
        return WriteFileText(found.folder + name, *text);
    if (!folders.library.empty() && WriteFileText(folders.library + name, *text))
        return true;
    return !folders.user.empty() && MakeFolder(folders.user) && WriteFileText(folders.user + name, *text);
}
