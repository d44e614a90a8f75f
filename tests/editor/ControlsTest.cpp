// The panel's control classes on their own: the glyph table, button-group decoding, contact buttons,
// knobs without a default, and the pixels a knob and a slider draw for their values.
#include <gtest/gtest.h>

#include <cstring>

#include "editor/KT4RPanel.h"
#include "editor/MyButtonGroup.h"
#include "editor/MyButtons.h"
#include "editor/MyDigit.h"
#include "editor/MyKnob.h"
#include "editor/MyReadout.h"
#include "editor/MyVSlider.h"
#include "framework/graphics/IGraphicsHeadless.h"
#include "support/InstrumentRig.h"

namespace kt4rtest {
namespace {

TEST(MyDigitGlyphs, FollowTheDisplayFont)
{
    const struct {
        char c;
        int glyph;
    } cases[] = {{' ', 0},  {'?', 0},  {'0', 1},  {'9', 10}, {'A', 11}, {'a', 11}, {'Z', 36}, {'z', 36},
                 {'-', 37}, {'+', 38}, {'*', 39}, {',', 40}, {'.', 40}, {'/', 41}, {'\\', 42}, {'[', 43},
                 {']', 44}, {'~', 45}, {'\0', 0}, {'\x80', 0}};
    for (const auto& c : cases)
        EXPECT_EQ(MyDigit::GlyphFor(c.c), c.glyph) << "character " << static_cast<int>(c.c);
}

// The first row of a bitmap's first frame that is not wholly transparent.
int FirstOpaqueRow(const IBitmapRef& bitmap)
{
    for (int y = 0; y < bitmap.FrameHeight(); ++y) {
        for (int x = 0; x < bitmap.W; ++x) {
            if (LICE_GETA(bitmap.image->Row(y)[x]) != 0)
                return y;
        }
    }
    return -1;
}

class Controls : public InstrumentRig {
protected:
    void SetUp() override
    {
        InstrumentRig::SetUp();
        Create(std::string(), true);
        Tick();
    }
    // The pixels of rect in the back buffer.
    std::vector<LICE_pixel> Pixels(const IRECT& rect)
    {
        const LICE_SysBitmap& b = Editor().BackBuffer();
        std::vector<LICE_pixel> out;
        for (int y = rect.T; y < rect.B; ++y)
            out.insert(out.end(), b.Row(y) + rect.L, b.Row(y) + rect.R);
        return out;
    }
    // The panel redrawn with control hidden: what lies under it.
    std::vector<LICE_pixel> Beneath(IControl& control)
    {
        control.SetHidden(true);
        Editor().Draw(control.DrawRect());
        std::vector<LICE_pixel> under = Pixels(control.DrawRect());
        control.SetHidden(false);
        return under;
    }
    void Restore(const IRECT& rect, const std::vector<LICE_pixel>& pixels)
    {
        LICE_SysBitmap& b = Editor().BackBuffer();
        size_t i = 0;
        for (int y = rect.T; y < rect.B; ++y)
            for (int x = rect.L; x < rect.R; ++x)
                b.Row(y)[x] = pixels[i++];
    }
};

TEST_F(Controls, ReadoutShowsTextInItsCellsAndBlanksTheRest)
{
    MyReadout& name = Panel().ProgramName();
    name.SetText("Ab?9");
    EXPECT_EQ(name.Cell(0)->Glyph(), 11);
    EXPECT_EQ(name.Cell(1)->Glyph(), 12);
    EXPECT_EQ(name.Cell(2)->Glyph(), 0);
    EXPECT_EQ(name.Cell(3)->Glyph(), 10);
    for (int i = 4; i < name.NCells(); ++i)
        EXPECT_EQ(name.Cell(i)->Glyph(), 0);
    // A text longer than the cells is cut, never written past them.
    name.SetText(std::string(100, 'X'));
    EXPECT_EQ(name.Text().size(), static_cast<size_t>(name.NCells()));
}

TEST_F(Controls, KeyAssignGroupDecodesTheSixModes)
{
    MyButtonGroup& group = Panel().KeyAssignGroup();
    const struct {
        double value;
        int member, state;
    } cases[] = {{0.0, 0, 1}, {0.2, 0, 2}, {0.4, 1, 1}, {0.6, 1, 2}, {0.8, 2, 1}, {1.0, 2, 2}};
    for (const auto& c : cases) {
        group.AcceptPlugValue(c.value);
        for (int m = 0; m < group.NMembers(); ++m)
            EXPECT_EQ(group.State(m), m == c.member ? c.state : 0) << c.value;
        EXPECT_NEAR(group.ValueFor(c.member, c.state), c.value, 1e-12);
    }
}

TEST_F(Controls, ADoubleClickWithoutADefaultChangesNothing)
{
    auto* knob = new MyKnob(*mPlug, 10, 10, 20, nullptr, IBitmapRef(), IBitmapRef());
    std::unique_ptr<MyKnob> owned(knob);
    const double before = mPlug->Param(20)->ToNormalized();
    knob->SetValue(0.9);
    knob->MouseDoubleClick(12, 12, IMouseMod());
    EXPECT_DOUBLE_EQ(knob->Value(), 0.9);
    EXPECT_DOUBLE_EQ(mPlug->Param(20)->ToNormalized(), before);
    // The first value from the plug-in becomes its default.
    knob->AcceptPlugValue(0.25);
    knob->SetValue(0.9);
    knob->MouseDoubleClick(12, 12, IMouseMod());
    EXPECT_DOUBLE_EQ(knob->Value(), 0.25);
    EXPECT_NEAR(mPlug->Param(20)->ToNormalized(), 0.25, 1e-9);
}

TEST_F(Controls, AKnobDrawsTheFrameOfItsValue)
{
    IControl& knob = *Panel().ControlFor(2);
    const IBitmapRef strip = Editor().LoadBitmap(107, "resources/img/qm5v-knob-anim-small.png", 100);
    ASSERT_FALSE(strip.Empty());
    for (double v : {0.0, 0.37, 1.0}) {
        mEffect->setParameter(mEffect, 2, static_cast<float>(v));
        Tick();
        Editor().Draw(knob.DrawRect());
        const std::vector<LICE_pixel> drawn = Pixels(knob.DrawRect());
        const std::vector<LICE_pixel> under = Beneath(knob);
        // The frame the value names, drawn over what lies beneath, gives the same pixels; its
        // neighbours do not.
        const int frame = FrameForValue(100, v);
        for (int f : {frame - 1, frame, frame + 1}) {
            if (f < 1 || f > 100)
                continue;
            Restore(knob.DrawRect(), under);
            Editor().DrawBitmap(strip, knob.DrawRect(), f, 0, 1.0f);
            EXPECT_EQ(Pixels(knob.DrawRect()) == drawn, f == frame) << "value " << v << " frame " << f;
        }
    }
}

TEST_F(Controls, ASliderHandleStandsAtTheHeightOfItsValue)
{
    auto& slider = static_cast<MyVSlider&>(*Panel().ControlFor(20)); // 121-pixel track
    const IRECT r = slider.DrawRect();
    const struct {
        double value;
        int top; // handle top below the track's top: 2 + truncate(82 * (1 - value))
    } cases[] = {{1.0, 2}, {0.5, 43}, {0.0, 84}};
    for (const auto& c : cases) {
        mEffect->setParameter(mEffect, 20, static_cast<float>(c.value));
        Tick();
        Editor().Draw(r);
        const std::vector<LICE_pixel> drawn = Pixels(r);
        // The rows where the handle covers the track are the rows that differ from the empty track.
        std::vector<LICE_pixel> track = Beneath(slider);
        Restore(r, track);
        Editor().DrawBitmap(Editor().LoadBitmap(101, "resources/img/qm-slider-base.png"), r, 1, 0, 1.0f);
        track = Pixels(r);
        int first = -1;
        for (int row = 0; row < r.H() && first < 0; ++row) {
            if (std::memcmp(&drawn[static_cast<size_t>(row * r.W())], &track[static_cast<size_t>(row * r.W())],
                            sizeof(LICE_pixel) * static_cast<size_t>(r.W())) != 0)
                first = row;
        }
        EXPECT_EQ(first, c.top + FirstOpaqueRow(slider.HandleBitmap())) << c.value;
        EXPECT_EQ(slider.HandleTop() - r.T, c.top);
    }
}

} // namespace
} // namespace kt4rtest
