#include "app/StateFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace state_file {

namespace {

std::string SystemError(const std::string& what, const std::string& path)
{
    return what + " \"" + path + "\": " + std::strerror(errno);
}

} // namespace

std::string DefaultPath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home && home[0] ? home : ".") + "/.config";
    }
    return folder + "/KT-4R/standalone.state";
}

ReadResult Read(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return ReadResult::kMissing;
        *error = SystemError("cannot open the state file", path);
        return ReadResult::kFailed;
    }
    bytes->clear();
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof(buffer));
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            *error = SystemError("cannot read the state file", path);
            close(fd);
            return ReadResult::kFailed;
        }
        bytes->insert(bytes->end(), buffer, buffer + got);
    }
    close(fd);
    return ReadResult::kRead;
}

bool WriteAtomically(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error)
{
    const std::filesystem::path target(path);
    std::error_code ec;
    if (target.has_parent_path())
        std::filesystem::create_directories(target.parent_path(), ec);
    const std::string temporary = path + ".tmp-" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        *error = SystemError("cannot write the state file", temporary);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            *error = SystemError("cannot write the state file", temporary);
            close(fd);
            unlink(temporary.c_str());
            return false;
        }
        done += static_cast<size_t>(put);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        *error = SystemError("cannot write the state file", temporary);
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        *error = SystemError("cannot replace the state file", path);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

std::string SetAside(const std::string& path, std::string* error)
{
    for (int n = 1; n < 1000; ++n) {
        std::string aside = path + ".damaged";
        if (n > 1)
            aside += '-' + std::to_string(n);
        // A hard link never replaces an existing file, so an older damaged file is never lost.
        if (link(path.c_str(), aside.c_str()) == 0) {
            unlink(path.c_str());
            return aside;
        }
        if (errno == EEXIST)
            continue;
        // File systems without hard links: rename, after looking that the name is free.
        if ((errno == EPERM || errno == ENOTSUP || errno == EXDEV) && !std::filesystem::exists(aside) &&
            rename(path.c_str(), aside.c_str()) == 0)
            return aside;
        *error = SystemError("cannot move the damaged state file aside to", aside);
        return std::string();
    }
    *error = "cannot move the damaged state file \"" + path + "\" aside: too many damaged files beside it";
    return std::string();
}

} // namespace state_file
