// The editor as the plug-in base sees it. The window, controls and drawing arrive with the editor;
// until then no editor is bound and the host sees no editor flag.
#pragma once

class IGraphics {
public:
    virtual ~IGraphics() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Gives a parameter's value to every control bound to it (plain or normalised as flagged).
    virtual void PushParamToControls(int index, double value, bool isNormalized) = 0;
    // At binding: the normalised value to the controls bound to index and to those listing it as auxiliary.
    virtual void AcceptParamOnBind(int index, double normalized) = 0;
    virtual void PrepareDraw() = 0;
    // Opens the editor inside the host's parent window; answers the editor window or nullptr.
    virtual void* OpenWindow(void* parent) = 0;
    virtual void CloseWindow() = 0;
};
