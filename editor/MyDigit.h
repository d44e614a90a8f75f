// One character cell of the panel's displays: a strip of 46 glyphs, drawn in one of three colours.
#pragma once

#include "framework/graphics/IControl.h"

class MyDigit : public IControl {
public:
    static constexpr int kGlyphs = 46;

    // normal, second and third are the same glyph strip in the readout's three colours.
    MyDigit(IPlugBase* owner, int x, int y, const IBitmapRef& normal, const IBitmapRef& second,
            const IBitmapRef& third);

    // The glyph a character shows: 0 blank (space and anything unlisted), 1-10 digits, 11-36 letters
    // (either case), 37 "-", 38 "+", 39 "*", 40 "," and ".", 41 "/", 42 backslash, 43 "[", 44 "]",
    // 45 "~".
    static int GlyphFor(char c);
    // Editor thread. Shows c; marks the cell for drawing when the glyph changed.
    void SetChar(char c);
    int Glyph() const;
    // Editor thread. 0 normal, 1 second, 2 third colour.
    void SetColour(int colour);
    int Colour() const { return mColour; }

    // The glyph's frame of the current colour's strip.
    void Paint(IGraphics& graphics) override;

private:
    IBitmapRef mBitmaps[3];
    int mColour = 0;
};
