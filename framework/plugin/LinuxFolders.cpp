#include "framework/plugin/LinuxFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string WithSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An absolute path from the environment; relative values are ignored as the XDG rules say.
std::string AbsoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

} // namespace

std::string HomeFolder()
{
    std::string home = AbsoluteEnv("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
            home = pw->pw_dir;
    }
    return WithSlash(home);
}

namespace {

// An XDG base folder: the variable's absolute path, else its default under the home folder.
std::string XdgFolder(const char* variable, const char* underHome)
{
    const std::string xdg = AbsoluteEnv(variable);
    if (!xdg.empty())
        return WithSlash(xdg);
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + underHome;
}

} // namespace

std::string LinuxDesktopFolder()
{
    const std::string xdg = AbsoluteEnv("XDG_DESKTOP_DIR");
    if (!xdg.empty())
        return WithSlash(xdg);
    const std::string home = HomeFolder();
    if (!home.empty() && IsFolder(home + "Desktop"))
        return home + "Desktop/";
    return home;
}

std::string LinuxLocalAppDataFolder()
{
    return XdgFolder("XDG_DATA_HOME", ".local/share/");
}

std::string LinuxConfigFolder()
{
    return XdgFolder("XDG_CONFIG_HOME", ".config/");
}

std::string LinuxHostFolder()
{
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return std::string();
    const std::string path(buffer, static_cast<size_t>(n));
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
