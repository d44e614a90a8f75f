// A scope in which X protocol errors on the editor's own display connections are recorded instead of
// ending the process; the host's error handler is back in place when the scope ends.
#pragma once

struct _XDisplay;

class X11ErrorTrap {
public:
    // Editor thread. Installs the editor's handler (remembering the one in place). Errors from displays
    // the editor did not open go on to the handler that was in place.
    explicit X11ErrorTrap(_XDisplay* display);
    // Puts the previous handler back. Errors the server sends later are read by the editor's next call
    // on this connection, which runs in a trap again (and closing the display syncs inside one).
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits for the server's answers to every request so far; true when any error was trapped on this
    // display since the scope began (or the last Sync).
    bool Sync();
    bool Failed() const;

    // The editor's display connections: only errors on these are trapped.
    static void RegisterDisplay(_XDisplay* display);
    static void UnregisterDisplay(_XDisplay* display);

private:
    _XDisplay* mDisplay;
    void* mPrevious; // the handler in place before this scope
    int mErrorsBefore;
};
