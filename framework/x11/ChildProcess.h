// A desktop helper program (file chooser, dialog, URL opener) run in its own process, its standard
// output collected through a pipe, so the editor thread can poll it without blocking.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// The full path of an executable program found on $PATH; empty when there is none.
std::string FindOnPath(const std::string& name);

class ChildProcess {
public:
    ChildProcess() = default;
    // Ends a child still running (SIGTERM) and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (searched on $PATH) with the caller's environment; stdin and stderr go to
    // /dev/null, stdout to a pipe. False (nothing running) when it cannot be started.
    bool Start(const std::vector<std::string>& argv);
    bool Running() const { return mPid > 0; }
    // Never blocks: reads what the child wrote so far and reaps it when it has ended. True once it has
    // ended (then ExitCode and Output are final).
    bool Poll();
    // Ends the child now (SIGTERM, then reaped).
    void Terminate();
    const std::string& Output() const { return mOutput; }
    int ExitCode() const { return mExitCode; }

private:
    void ReadAvailable();
    void ClosePipe();

    pid_t mPid = -1;
    int mPipe = -1;
    std::string mOutput;
    int mExitCode = -1;
};
