#include "framework/x11/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

std::string FindOnPath(const std::string& name)
{
    if (name.empty())
        return std::string();
    if (name.find('/') != std::string::npos)
        return access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        // An empty entry means the current folder.
        const std::string dir = end > start ? dirs.substr(start, end - start) : std::string(1, '.');
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::string();
}

ChildProcess::~ChildProcess() { Terminate(); }

bool ChildProcess::Start(const std::vector<std::string>& argv)
{
    Terminate();
    mOutput.clear();
    mExitCode = -1;
    if (argv.empty())
        return false;
    const std::string program = FindOnPath(argv[0]);
    if (program.empty())
        return false;

    int fds[2];
    // Close-on-exec, so no other child the host starts keeps our pipe open.
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        return false;
    }
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    mPid = pid;
    mPipe = fds[0];
    return true;
}

void ChildProcess::ReadAvailable()
{
    char buffer[512];
    while (mPipe >= 0) {
        const ssize_t n = read(mPipe, buffer, sizeof buffer);
        if (n > 0) {
            // A chooser prints one path; a runaway child cannot make us hold more than this.
            if (mOutput.size() < 65536)
                mOutput.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n == 0)
            ClosePipe(); // the child closed its end
        else if (errno != EINTR)
            break; // EAGAIN: nothing more for now
    }
}

void ChildProcess::ClosePipe()
{
    if (mPipe >= 0)
        close(mPipe);
    mPipe = -1;
}

bool ChildProcess::Poll()
{
    if (mPid <= 0)
        return true;
    ReadAvailable();
    int status = 0;
    const pid_t done = waitpid(mPid, &status, WNOHANG);
    if (done == 0)
        return false;
    if (done == mPid)
        mExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    // The child has ended: whatever it wrote is in the pipe already.
    ReadAvailable();
    ClosePipe();
    mPid = -1;
    return true;
}

void ChildProcess::Terminate()
{
    if (mPid > 0) {
        kill(mPid, SIGTERM);
        int status = 0;
        // A child that ignores SIGTERM gets a fifth of a second, then SIGKILL.
        bool ended = false;
        for (int i = 0; i < 20 && !ended; ++i) {
            ended = waitpid(mPid, &status, WNOHANG) != 0;
            if (!ended)
                usleep(10000);
        }
        if (!ended) {
            kill(mPid, SIGKILL);
            while (waitpid(mPid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        mPid = -1;
    }
    ClosePipe();
}
