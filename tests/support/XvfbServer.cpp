#include "tests/support/XvfbServer.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kt4r_test {

namespace {

std::string FindXvfb()
{
    for (const char* path : {"/usr/bin/Xvfb", "/usr/local/bin/Xvfb"})
        if (access(path, X_OK) == 0)
            return path;
    return std::string();
}

} // namespace

XvfbServer::XvfbServer(int dpi, const char* screen)
{
    const std::string binary = FindXvfb();
    if (binary.empty())
        return;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return;
    const std::string fdText = std::to_string(fds[1]);
    std::vector<std::string> args = {binary, "-displayfd", fdText, "-screen", "0", screen, "-nolisten", "tcp",
                                     "-noreset"};
    if (dpi > 0) {
        args.push_back("-dpi");
        args.push_back(std::to_string(dpi));
    }
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The write end must survive exec under its own number; dup2 onto itself clears close-on-exec.
    posix_spawn_file_actions_adddup2(&actions, fds[1], fds[1]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return;
    }
    std::string number;
    for (int waited = 0; waited < 10000;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) {
            waited += 100;
            continue;
        }
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return;
    }
    mPid = pid;
    mDisplay = ":" + number;
    if (const char* old = std::getenv("DISPLAY")) {
        mHadDisplay = true;
        mOldDisplay = old;
    }
    setenv("DISPLAY", mDisplay.c_str(), 1);
}

XvfbServer::~XvfbServer()
{
    if (mPid <= 0)
        return;
    kill(mPid, SIGTERM);
    waitpid(mPid, nullptr, 0);
    if (mHadDisplay)
        setenv("DISPLAY", mOldDisplay.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

XvfbServer* SharedXvfb()
{
    static std::unique_ptr<XvfbServer> server = std::make_unique<XvfbServer>();
    return server->Running() ? server.get() : nullptr;
}

} // namespace kt4r_test
