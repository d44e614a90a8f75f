// The editor's raster: heap pixels, the frame blit and rectangle fill.
#include "framework/graphics/LICE.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace {

constexpr size_t kAlignment = 64;

// Row span: the width rounded up to a multiple of 4 pixels.
int SpanFor(int width) { return (width + 3) & ~3; }

inline int Mul255(int a, int b) { return (a * b + 127) / 255; }

} // namespace

LICE_MemBitmap::LICE_MemBitmap(int width, int height)
{
    Resize(width, height);
}

LICE_MemBitmap::~LICE_MemBitmap()
{
    ::operator delete(mBits, std::align_val_t{kAlignment});
}

bool LICE_MemBitmap::Resize(int width, int height)
{
    if (width == mWidth && height == mHeight && (mBits || width == 0 || height == 0))
        return true;
    ::operator delete(mBits, std::align_val_t{kAlignment});
    mBits = nullptr;
    mWidth = mHeight = mSpan = 0;
    if (width <= 0 || height <= 0 || width > 16384 || height > 65536)
        return width == 0 || height == 0;
    const int span = SpanFor(width);
    size_t bytes = static_cast<size_t>(span) * static_cast<size_t>(height) * sizeof(LICE_pixel);
    bytes = (bytes + kAlignment - 1) / kAlignment * kAlignment;
    // Aligned operator new rather than std::aligned_alloc, which the Windows C runtime lacks.
    mBits = static_cast<LICE_pixel*>(::operator new(bytes, std::align_val_t{kAlignment}, std::nothrow));
    if (!mBits)
        return false;
    std::fill(mBits, mBits + bytes / sizeof(LICE_pixel), LICE_pixel{0});
    mWidth = width;
    mHeight = height;
    mSpan = span;
    return true;
}

void LICE_Blit(LICE_IBitmap& dest, const LICE_IBitmap& src, int x, int y, const IRECT& from, int method,
               float weight)
{
    if (!dest.Bits() || !src.Bits())
        return;
    // Clip the source rectangle to the source, then the placed rectangle to the destination.
    IRECT s = from.Intersect({0, 0, src.Width(), src.Height()});
    if (s.W() <= 0 || s.H() <= 0)
        return;
    x += s.L - from.L;
    y += s.T - from.T;
    const IRECT placed = IRECT{x, y, x + s.W(), y + s.H()}.Intersect({0, 0, dest.Width(), dest.Height()});
    if (placed.W() <= 0 || placed.H() <= 0)
        return;
    const int sx = s.L + (placed.L - x);
    const int sy = s.T + (placed.T - y);
    const int w = placed.W();
    const int wt = std::clamp(static_cast<int>(weight * 256.0f + 0.5f), 0, 256);

    for (int row = 0; row < placed.H(); ++row) {
        const LICE_pixel* in = src.Row(sy + row) + sx;
        LICE_pixel* out = dest.Row(placed.T + row) + placed.L;
        if (method == kBlendCopy && wt == 256) {
            std::copy(in, in + w, out);
            continue;
        }
        for (int i = 0; i < w; ++i) {
            const LICE_pixel p = in[i];
            const int a = (LICE_GETA(p) * wt) >> 8;
            if (a == 0 && method != kBlendCopy)
                continue;
            const LICE_pixel q = out[i];
            int r, g, b, oa;
            if (method == kBlendCopy) {
                r = (LICE_GETR(p) * wt) >> 8;
                g = (LICE_GETG(p) * wt) >> 8;
                b = (LICE_GETB(p) * wt) >> 8;
                oa = LICE_GETA(p);
            } else if (method == kBlendAdd) {
                r = std::min(255, LICE_GETR(q) + Mul255(LICE_GETR(p), a));
                g = std::min(255, LICE_GETG(q) + Mul255(LICE_GETG(p), a));
                b = std::min(255, LICE_GETB(q) + Mul255(LICE_GETB(p), a));
                oa = std::max(LICE_GETA(q), a);
            } else if (method == kBlendMultiply) {
                // The destination darkened by the source, faded in by the source's alpha.
                r = LICE_GETR(q) + Mul255(Mul255(LICE_GETR(q), LICE_GETR(p)) - LICE_GETR(q), a);
                g = LICE_GETG(q) + Mul255(Mul255(LICE_GETG(q), LICE_GETG(p)) - LICE_GETG(q), a);
                b = LICE_GETB(q) + Mul255(Mul255(LICE_GETB(q), LICE_GETB(p)) - LICE_GETB(q), a);
                oa = std::max(LICE_GETA(q), a);
            } else {
                r = LICE_GETR(q) + Mul255(LICE_GETR(p) - LICE_GETR(q), a);
                g = LICE_GETG(q) + Mul255(LICE_GETG(p) - LICE_GETG(q), a);
                b = LICE_GETB(q) + Mul255(LICE_GETB(p) - LICE_GETB(q), a);
                oa = a + Mul255(LICE_GETA(q), 255 - a);
            }
            out[i] = LICE_RGBA(r, g, b, oa);
        }
    }
}

void LICE_FillRect(LICE_IBitmap& dest, const IRECT& rect, LICE_pixel colour)
{
    const IRECT r = rect.Intersect({0, 0, dest.Width(), dest.Height()});
    if (!dest.Bits() || r.W() <= 0)
        return;
    for (int y = r.T; y < r.B; ++y)
        std::fill(dest.Row(y) + r.L, dest.Row(y) + r.R, colour);
}
