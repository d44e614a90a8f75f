#include "framework/x11/X11Blit.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "framework/graphics/LICE.h"

namespace {

bool StandardMasks(const Visual* v)
{
    return v->red_mask == 0xFF0000 && v->green_mask == 0xFF00 && v->blue_mask == 0xFF;
}

// How far a mask is shifted and how many bits it holds.
void MaskShape(unsigned long mask, int* shift, int* bits)
{
    *shift = 0;
    *bits = 0;
    if (!mask)
        return;
    while (!(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    while (mask & 1) {
        mask >>= 1;
        ++*bits;
    }
}

unsigned long Channel(int value8, unsigned long mask)
{
    int shift, bits;
    MaskShape(mask, &shift, &bits);
    if (bits == 0)
        return 0;
    const unsigned long v = bits >= 8 ? static_cast<unsigned long>(value8) << (bits - 8)
                                      : static_cast<unsigned long>(value8) >> (8 - bits);
    return (v << shift) & mask;
}

XImage* WrapPixels(Display* d, Visual* visual, int depth, char* data, int width, int height, int bytesPerLine)
{
    return XCreateImage(d, visual, static_cast<unsigned>(depth), ZPixmap, 0, data, static_cast<unsigned>(width),
                        static_cast<unsigned>(height), 32, bytesPerLine);
}

void Release(XImage* image)
{
    image->data = nullptr; // the pixels belong to the caller
    XDestroyImage(image);
}

} // namespace

X11Blitter::X11Blitter(_XDisplay* display, unsigned long window, void* visual, int depth)
    : mDisplay(display), mWindow(window), mVisual(visual), mDepth(depth)
{
    mGC = XCreateGC(display, window, 0, nullptr);
    auto* v = static_cast<Visual*>(visual);
    // The server's pixel layout for this depth, read from an image of one pixel.
    XImage* probe = WrapPixels(display, v, depth, nullptr, 1, 1, 0);
    const bool littleEndianHost = [] {
        const uint32_t one = 1;
        return *reinterpret_cast<const unsigned char*>(&one) == 1;
    }();
    if (probe && v && v->c_class == TrueColor && StandardMasks(v) && probe->bits_per_pixel == 32 &&
        (probe->byte_order == LSBFirst) == littleEndianHost)
        mMode = depth == 24 ? Mode::kDirect : depth == 32 ? Mode::kOpaque32 : Mode::kConvert;
    if (probe)
        Release(probe);
}

X11Blitter::~X11Blitter()
{
    if (mGC)
        XFreeGC(mDisplay, mGC);
}

void X11Blitter::Put(const LICE_IBitmap& source, const IRECT& rect)
{
    const IRECT r = rect.Intersect({0, 0, source.Width(), source.Height()});
    if (r.W() <= 0 || r.H() <= 0 || !mGC)
        return;
    auto* visual = static_cast<Visual*>(mVisual);
    auto* bits = const_cast<LICE_pixel*>(source.Bits());

    if (mMode == Mode::kDirect) {
        XImage* image = WrapPixels(mDisplay, visual, mDepth, reinterpret_cast<char*>(bits), source.Width(),
                                   source.Height(), source.RowSpan() * 4);
        if (!image)
            return;
        XPutImage(mDisplay, mWindow, mGC, image, r.L, r.T, r.L, r.T, static_cast<unsigned>(r.W()),
                  static_cast<unsigned>(r.H()));
        Release(image);
        return;
    }

    // A copy of just the rectangle: opaque on 32-bit visuals (a compositor would otherwise show the
    // panel through), or packed pixel by pixel for other masks and depths.
    mScratch.assign(static_cast<size_t>(r.W()) * static_cast<size_t>(r.H()), 0);
    XImage* image = WrapPixels(mDisplay, visual, mDepth, reinterpret_cast<char*>(mScratch.data()), r.W(), r.H(),
                               mMode == Mode::kOpaque32 ? r.W() * 4 : 0);
    if (!image)
        return;
    if (mMode == Mode::kConvert && static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(r.H()) >
                                       mScratch.size() * 4) {
        Release(image);
        return; // deeper than 32 bits per pixel: not a format this editor draws to
    }
    for (int y = 0; y < r.H(); ++y) {
        const LICE_pixel* row = source.Row(r.T + y) + r.L;
        if (mMode == Mode::kOpaque32) {
            uint32_t* out = mScratch.data() + static_cast<size_t>(y) * static_cast<size_t>(r.W());
            for (int x = 0; x < r.W(); ++x)
                out[x] = row[x] | 0xFF000000u;
            continue;
        }
        for (int x = 0; x < r.W(); ++x) {
            const LICE_pixel p = row[x];
            XPutPixel(image, x, y,
                      Channel(LICE_GETR(p), visual->red_mask) | Channel(LICE_GETG(p), visual->green_mask) |
                          Channel(LICE_GETB(p), visual->blue_mask));
        }
    }
    XPutImage(mDisplay, mWindow, mGC, image, 0, 0, r.L, r.T, static_cast<unsigned>(r.W()),
              static_cast<unsigned>(r.H()));
    Release(image);
}
