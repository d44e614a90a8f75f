// Anti-aliased text and filled rectangles in the editor's own X11 windows (menus, the name entry,
// tooltips), through Xft with a fontconfig sans font.
#pragma once

#include <string>

struct _XDisplay;
struct _XftFont;
struct _XftDraw;

// What the editor's helper windows need of its display connection. Editor thread only.
struct X11Session {
    _XDisplay* display = nullptr;
    int screen = 0;
    unsigned long root = 0;
    unsigned long editorWindow = 0;
    class X11Font* font = nullptr;
    int scaleHalves = 2; // the editor's scale in half steps: menus and tooltips grow with it
};

class X11Font {
public:
    // A sans font of pixelSize pixels; Ok() is false when fontconfig finds none.
    X11Font(_XDisplay* display, int screen, int pixelSize);
    ~X11Font();
    X11Font(const X11Font&) = delete;
    X11Font& operator=(const X11Font&) = delete;

    bool Ok() const { return mFont != nullptr; }
    int Ascent() const;
    int Height() const;
    // Advance width of UTF-8 text in pixels (0 without a font).
    int TextWidth(const std::string& text) const;
    _XftFont* Handle() const { return mFont; }

private:
    _XDisplay* mDisplay;
    _XftFont* mFont = nullptr;
};

// Drawing into one window made with the screen's default visual and colormap (or the same visual as
// its parent, for windows inside the editor).
class X11Canvas {
public:
    X11Canvas(_XDisplay* display, unsigned long window);
    ~X11Canvas();
    X11Canvas(const X11Canvas&) = delete;
    X11Canvas& operator=(const X11Canvas&) = delete;

    void Fill(int x, int y, int w, int h, unsigned rgb);
    // Text with its baseline at y.
    void Text(const X11Font& font, int x, int y, const std::string& text, unsigned rgb);

private:
    _XDisplay* mDisplay;
    _XftDraw* mDraw = nullptr;
};
