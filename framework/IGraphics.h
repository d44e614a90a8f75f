// The editor as the plug-in base sees it. The window, controls and drawing arrive with the editor;
// until then no editor is bound and the host sees no editor flag.
#pragma once

class IGraphics {
public:
    // The plug-in base's destructor (host UI thread, close opcode), outside the plug-in lock.
    // Frees the editor's memory.
    virtual ~IGraphics() = default;

    // Host UI or editor thread, under the plug-in lock (editor binding, rectangle queries).
    // Allocates nothing.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Any thread that changed a parameter, the host's audio thread included, under the plug-in lock;
    // must not allocate. Gives a parameter's value to every control bound to it (plain or normalised as flagged).
    virtual void PushParamToControls(int index, double value, bool isNormalized) = 0;
    // The plug-in base at binding (plug-in constructor or host UI thread), under the plug-in lock; may
    // allocate. The normalised value to the controls bound to index and to those listing it as auxiliary.
    virtual void AcceptParamOnBind(int index, double normalized) = 0;
    // The plug-in base at binding, after every AcceptParamOnBind, under the plug-in lock.
    // May allocate.
    virtual void PrepareDraw() = 0;
    // Host UI thread (effEditOpen), under the plug-in lock; may allocate.
    // Opens the editor inside the host's parent window; answers the editor window or nullptr.
    virtual void* OpenWindow(void* parent) = 0;
    // Host UI thread (effEditClose), under the plug-in lock, after EditorClosed.
    // May free memory.
    virtual void CloseWindow() = 0;
};
