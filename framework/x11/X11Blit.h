// Puts rectangles of the editor's back buffer (0xAARRGGBB words) on its X11 window, for any TrueColor
// visual: a direct XPutImage over the buffer's memory on the usual 24-bit little-endian visual, a
// converted copy on others.
#pragma once

#include <cstdint>
#include <vector>

#include "framework/graphics/IRect.h"

struct _XDisplay;
struct _XGC;
class LICE_IBitmap;

class X11Blitter {
public:
    // Editor thread, inside an error trap; visual is the window's Visual*.
    X11Blitter(_XDisplay* display, unsigned long window, void* visual, int depth);
    ~X11Blitter();
    X11Blitter(const X11Blitter&) = delete;
    X11Blitter& operator=(const X11Blitter&) = delete;

    // rect of source (window pixels), clipped to the buffer.
    void Put(const LICE_IBitmap& source, const IRECT& rect);
    // Whether pixels go to the server without conversion.
    bool Direct() const { return mMode == Mode::kDirect; }

private:
    enum class Mode { kDirect, kOpaque32, kConvert };

    _XDisplay* mDisplay;
    unsigned long mWindow;
    _XGC* mGC = nullptr;
    void* mVisual;
    int mDepth;
    Mode mMode = Mode::kConvert;
    std::vector<uint32_t> mScratch;
};
