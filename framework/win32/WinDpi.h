// The resolution of the monitor a window is on, and windows made aware of it, for Windows versions
// that have the calls (looked up at run time: older systems and Wine answer the system's resolution).
#pragma once

// Editor thread. The dots per inch of the monitor that holds window (a HWND; the primary monitor for
// nullptr): the monitor's own (8.1 and later), else the screen's; 96 when nothing answers.
int MonitorDpiOf(void* window);

// While one lives, windows the thread creates follow the DPI of their monitor themselves (Windows 10
// 1607 and later): Windows does not stretch them. The thread's previous awareness comes back after.
class PerMonitorDpiScope {
public:
    PerMonitorDpiScope();
    ~PerMonitorDpiScope();
    PerMonitorDpiScope(const PerMonitorDpiScope&) = delete;
    PerMonitorDpiScope& operator=(const PerMonitorDpiScope&) = delete;

private:
    void* mPrevious = nullptr;
};
