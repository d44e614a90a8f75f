// What the plug-in's LV2 UI binary asks of an instance it was given through the instance-access
// feature: the editor's size, window and idle time, and the parameters' values for the host's
// controls. Virtual, so that the UI binary runs the instance's own code (in the DSP binary) and
// carries none of it.
#pragma once

class ILv2EditorAccess {
public:
    // Host UI thread; takes the plug-in lock. The window's size in pixels at the panel scale the window
    // will open at (the configured one, or the desktop's). False without an editor.
    virtual bool EditorSize(int* width, int* height) = 0;
    // Host UI thread; takes the plug-in lock; allocates. Opens the editor in parent (an X11 window) and
    // answers its window, or nullptr when there is no editor or it cannot open.
    virtual void* OpenEditor(void* parent) = 0;
    // Host UI thread; takes the plug-in lock. Closes the editor's window (nothing when it is closed).
    virtual void CloseEditor() = 0;
    // Host UI thread, outside the plug-in lock (which every editor action that changes state takes
    // itself): the window's events and redraws.
    virtual void IdleEditor() = 0;
    // Host UI thread; takes the plug-in lock; allocates nothing. The control ports' count and the
    // value control port index stands for now (the parameter's plain value).
    virtual int ControlCount() = 0;
    virtual float ControlValue(int index) = 0;

protected:
    ~ILv2EditorAccess() = default;
};
