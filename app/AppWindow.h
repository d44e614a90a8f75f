// The panel in a top-level window of its own, titled "KT-4R": the application makes the window and
// hands it to the plug-in's editor as a host hands it its editor frame, then drives the editor from
// its own idle loop. Closing the window (the window manager's close) asks the application to quit.
#pragma once

#include <string>

class PluginHost;

class AppWindow {
public:
    explicit AppWindow(PluginHost& host) : mHost(host) {}
    ~AppWindow(); // closes the editor, then the window
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;

    // Main thread: connects to the X display, makes and shows the window at the editor's size and
    // opens the editor in it. False with a message (no display, no editor).
    bool Open(std::string* error);
    // Main thread, from the idle loop: the editor's idle (its input and its redraw), then the window's
    // own events. False once the player closed the window.
    bool Idle();
    void Close();
    // Main thread, before Open: what to do when the X display goes away under the window (the server
    // ended, the connection broke). Xlib cannot go on after that: the process ends right after it, with
    // status 1, without running destructors that would talk to the dead connection.
    void OnDisplayLost(void (*handler)(void*), void* context);

private:
    void FitToEditor();

    PluginHost& mHost;
    void* mDisplay = nullptr; // Display
    unsigned long mWindow = 0;
    unsigned long mDeleteAtom = 0;
    int mWidth = 0;
    int mHeight = 0;
    bool mEditorOpen = false;
};
