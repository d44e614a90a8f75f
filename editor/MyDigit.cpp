#include "editor/MyDigit.h"

#include <cmath>

#include "framework/graphics/IGraphics.h"

MyDigit::MyDigit(IPlugBase* owner, int x, int y, const IBitmapRef& normal, const IBitmapRef& second,
                 const IBitmapRef& third)
    : IControl(owner, IRECT(x, y, x + normal.W, y + normal.FrameHeight())), mBitmaps{normal, second, third}
{
}

int MyDigit::GlyphFor(char c)
{
    if (c >= '0' && c <= '9')
        return 1 + (c - '0');
    if (c >= 'A' && c <= 'Z')
        return 11 + (c - 'A');
    if (c >= 'a' && c <= 'z')
        return 11 + (c - 'a');
    switch (c) {
    case '-': return 37;
    case '+': return 38;
    case '*': return 39;
    case ',':
    case '.': return 40;
    case '/': return 41;
    case '\\': return 42;
    case '[': return 43;
    case ']': return 44;
    case '~': return 45;
    default: return 0;
    }
}

void MyDigit::SetChar(char c)
{
    const double value = GlyphFor(c) / static_cast<double>(kGlyphs - 1);
    if (value == mValue)
        return;
    mValue = value;
    MarkDirty(false);
}

int MyDigit::Glyph() const
{
    return static_cast<int>(std::lround(mValue * (kGlyphs - 1)));
}

void MyDigit::SetColour(int colour)
{
    if (colour < 0 || colour > 2 || colour == mColour)
        return;
    mColour = colour;
    MarkDirty(false);
}

void MyDigit::Paint(IGraphics& graphics)
{
    const IBitmapRef& bitmap = mBitmaps[mColour];
    graphics.DrawBitmap(bitmap, mRect, FrameForValue(bitmap.N, mValue), mBlendMethod, mBlendWeight);
}
