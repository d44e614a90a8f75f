// The editor's raster: 32-bit pixels with alpha in memory, the frame blit with blend and weight, PNG
// decoding and writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "framework/graphics/IRect.h"

// One pixel: blue, green, red, alpha in memory order (0xAARRGGBB as a 32-bit little-endian word).
using LICE_pixel = uint32_t;

constexpr LICE_pixel LICE_RGBA(int r, int g, int b, int a)
{
    return static_cast<LICE_pixel>((b & 0xFF) | ((g & 0xFF) << 8) | ((r & 0xFF) << 16) | ((a & 0xFF) << 24));
}
constexpr int LICE_GETR(LICE_pixel p) { return static_cast<int>((p >> 16) & 0xFF); }
constexpr int LICE_GETG(LICE_pixel p) { return static_cast<int>((p >> 8) & 0xFF); }
constexpr int LICE_GETB(LICE_pixel p) { return static_cast<int>(p & 0xFF); }
constexpr int LICE_GETA(LICE_pixel p) { return static_cast<int>((p >> 24) & 0xFF); }

class LICE_IBitmap {
public:
    virtual ~LICE_IBitmap() = default;
    virtual LICE_pixel* Bits() = 0;
    virtual const LICE_pixel* Bits() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Pixels from one row to the next.
    virtual int RowSpan() const = 0;
    // New size; the content is undefined afterwards. False (and empty) when the memory is refused.
    virtual bool Resize(int width, int height) = 0;

    LICE_pixel* Row(int y) { return Bits() + static_cast<size_t>(y) * static_cast<size_t>(RowSpan()); }
    const LICE_pixel* Row(int y) const { return Bits() + static_cast<size_t>(y) * static_cast<size_t>(RowSpan()); }
};

// Heap pixels: the memory starts on a 64-byte boundary and each row holds the width rounded up to a
// multiple of 4 pixels.
class LICE_MemBitmap : public LICE_IBitmap {
public:
    LICE_MemBitmap(int width = 0, int height = 0);
    LICE_MemBitmap(const LICE_MemBitmap&) = delete;
    LICE_MemBitmap& operator=(const LICE_MemBitmap&) = delete;
    ~LICE_MemBitmap() override;

    LICE_pixel* Bits() override { return mBits; }
    const LICE_pixel* Bits() const override { return mBits; }
    int Width() const override { return mWidth; }
    int Height() const override { return mHeight; }
    int RowSpan() const override { return mSpan; }
    bool Resize(int width, int height) override;

private:
    LICE_pixel* mBits = nullptr;
    int mWidth = 0;
    int mHeight = 0;
    int mSpan = 0;
};

// The window-sized back buffer. The platform layer shows its pixels (an XImage on X11, a DIB section on
// Windows); in memory it is a LICE_MemBitmap.
class LICE_SysBitmap : public LICE_MemBitmap {
public:
    using LICE_MemBitmap::LICE_MemBitmap;
};

// Blend methods of the frame blit. Any other value composites like kBlendAlpha.
enum : int {
    kBlendAlpha = 0, // source over destination by the source's alpha
    kBlendCopy = 1,  // plain copy (the opaque background)
    kBlendAdd = 2,   // source added, scaled by its alpha
    kBlendMultiply = 3,
};

// Copies src's rectangle `from` to (x, y) of dest, clipped to both bitmaps, with the blend method and a
// weight 0..1 that scales the source.
void LICE_Blit(LICE_IBitmap& dest, const LICE_IBitmap& src, int x, int y, const IRECT& from, int method,
               float weight);
void LICE_FillRect(LICE_IBitmap& dest, const IRECT& rect, LICE_pixel colour);

// Decodes a PNG held in memory into straight-alpha pixels; nullptr for fewer than 8 bytes, a wrong
// signature or a damaged image. Never reads outside [data, data + size).
std::unique_ptr<LICE_MemBitmap> LICE_LoadPNGFromMemory(const uint8_t* data, size_t size);
// Writes an 8-bit RGBA PNG; false when the file cannot be written.
bool LICE_WritePNG(const std::string& path, const LICE_IBitmap& bitmap);
