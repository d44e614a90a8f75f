#include "framework/x11/X11Text.h"

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>

namespace {

XRenderColor RenderColour(unsigned rgb)
{
    XRenderColor c;
    c.red = static_cast<unsigned short>(((rgb >> 16) & 0xFF) * 257);
    c.green = static_cast<unsigned short>(((rgb >> 8) & 0xFF) * 257);
    c.blue = static_cast<unsigned short>((rgb & 0xFF) * 257);
    c.alpha = 0xFFFF;
    return c;
}

} // namespace

X11Font::X11Font(_XDisplay* display, int screen, int pixelSize) : mDisplay(display)
{
    if (!display)
        return;
    mFont = XftFontOpen(display, screen, XFT_FAMILY, XftTypeString, "DejaVu Sans", XFT_PIXEL_SIZE, XftTypeDouble,
                        static_cast<double>(pixelSize), XFT_ANTIALIAS, XftTypeBool, True, nullptr);
    if (!mFont)
        mFont = XftFontOpen(display, screen, XFT_FAMILY, XftTypeString, "sans", XFT_PIXEL_SIZE, XftTypeDouble,
                            static_cast<double>(pixelSize), nullptr);
}

X11Font::~X11Font()
{
    if (mFont)
        XftFontClose(mDisplay, mFont);
}

int X11Font::Ascent() const { return mFont ? mFont->ascent : 0; }
int X11Font::Height() const { return mFont ? mFont->ascent + mFont->descent : 0; }

int X11Font::TextWidth(const std::string& text) const
{
    if (!mFont || text.empty())
        return 0;
    XGlyphInfo extents;
    XftTextExtentsUtf8(mDisplay, mFont, reinterpret_cast<const FcChar8*>(text.data()), static_cast<int>(text.size()),
                       &extents);
    return extents.xOff;
}

X11Canvas::X11Canvas(_XDisplay* display, unsigned long window) : mDisplay(display)
{
    XWindowAttributes attributes;
    if (display && window && XGetWindowAttributes(display, window, &attributes))
        mDraw = XftDrawCreate(display, window, attributes.visual, attributes.colormap);
}

X11Canvas::~X11Canvas()
{
    if (mDraw)
        XftDrawDestroy(mDraw);
}

void X11Canvas::Fill(int x, int y, int w, int h, unsigned rgb)
{
    if (!mDraw || w <= 0 || h <= 0)
        return;
    XftColor colour;
    const XRenderColor value = RenderColour(rgb);
    if (!XftColorAllocValue(mDisplay, XftDrawVisual(mDraw), XftDrawColormap(mDraw), &value, &colour))
        return;
    XftDrawRect(mDraw, &colour, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XftColorFree(mDisplay, XftDrawVisual(mDraw), XftDrawColormap(mDraw), &colour);
}

void X11Canvas::Text(const X11Font& font, int x, int y, const std::string& text, unsigned rgb)
{
    if (!mDraw || !font.Ok() || text.empty())
        return;
    XftColor colour;
    const XRenderColor value = RenderColour(rgb);
    if (!XftColorAllocValue(mDisplay, XftDrawVisual(mDraw), XftDrawColormap(mDraw), &value, &colour))
        return;
    XftDrawStringUtf8(mDraw, &colour, font.Handle(), x, y, reinterpret_cast<const FcChar8*>(text.data()),
                      static_cast<int>(text.size()));
    XftColorFree(mDisplay, XftDrawVisual(mDraw), XftDrawColormap(mDraw), &colour);
}
