// The editor core without a window: raster and PNG, the frame blit, routing of the mouse to the
// control under it, staged values, dirty rectangles and the text-entry state machine.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "framework/graphics/IGraphicsHeadless.h"
#include "support/TempFolder.h"

namespace {

// A control that records what reaches it.
struct Probe : IControl {
    Probe(const IRECT& r, int param) : IControl(nullptr, r, param) {}
    void Paint(IGraphics&) override { ++paints; }
    void MouseDown(int x, int y, const IMouseMod& m) override { log.push_back(m.R ? "rdown" : "down"); }
    void MouseUp(int, int, const IMouseMod&) override { log.push_back("up"); }
    void MouseDrag(int, int, int dX, int dY, const IMouseMod&) override { drags.push_back({dX, dY}); }
    void MouseEnter(int, int, const IMouseMod&) override { ++enters; }
    void MouseLeave() override { log.push_back("leave"); }
    void AcceptTextEntry(const char* text) override { entered = text; }
    std::vector<std::string> log;
    std::vector<std::pair<int, int>> drags;
    int paints = 0;
    int enters = 0;
    std::string entered = "(none)";
};

struct Editor : ::testing::Test {
    IGraphicsHeadless gui{nullptr, 200, 100};
    Probe* a = new Probe({10, 10, 50, 50}, -1);
    Probe* b = new Probe({40, 10, 90, 50}, -1); // overlaps a; later in the list, so on top
    void SetUp() override
    {
        gui.AttachControl(a);
        gui.AttachControl(b);
        gui.PrepareDraw();
    }
};

TEST(Raster, MemoryBitmapsAlignTheirPixelsAndRoundRowsToFourPixels)
{
    for (int width : {1, 4, 5, 13, 860}) {
        LICE_MemBitmap bitmap(width, 3);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(bitmap.Bits()) % 64, 0u);
        EXPECT_EQ(bitmap.RowSpan() % 4, 0);
        EXPECT_GE(bitmap.RowSpan(), width);
        EXPECT_LT(bitmap.RowSpan(), width + 4);
    }
}

TEST(Raster, PngWrittenAndDecodedGivesThePixelsBackAndBadBytesGiveNothing)
{
    kt4r_test::TempFolder folder("kt4r-png");
    LICE_MemBitmap image(7, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            image.Row(y)[x] = LICE_RGBA(x * 30, y * 80, 200, x == 0 ? 0 : 255);
    const std::string path = folder.PathOf("image.png");
    ASSERT_TRUE(LICE_WritePNG(path, image));
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto decoded = LICE_LoadPNGFromMemory(bytes.data(), bytes.size());
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->Width(), 7);
    ASSERT_EQ(decoded->Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x)
            EXPECT_EQ(decoded->Row(y)[x], image.Row(y)[x]) << x << "," << y;

    EXPECT_FALSE(LICE_LoadPNGFromMemory(bytes.data(), 7));                 // fewer than 8 bytes
    EXPECT_FALSE(LICE_LoadPNGFromMemory(bytes.data(), bytes.size() / 2)); // cut short
    std::vector<uint8_t> wrong = bytes;
    wrong[1] = 'Q';                                                        // not a PNG signature
    EXPECT_FALSE(LICE_LoadPNGFromMemory(wrong.data(), wrong.size()));
}

TEST(Raster, FrameBlitComposesByAlphaAndWeightAndStaysInsideTheDestination)
{
    LICE_MemBitmap dest(4, 4);
    LICE_FillRect(dest, {0, 0, 4, 4}, LICE_RGBA(0, 0, 0, 255));
    LICE_MemBitmap src(2, 2);
    LICE_FillRect(src, {0, 0, 2, 2}, LICE_RGBA(200, 100, 0, 255));
    LICE_Blit(dest, src, 3, 3, {0, 0, 2, 2}, kBlendAlpha, 1.0f); // one pixel lands, the rest is clipped
    EXPECT_EQ(LICE_GETR(dest.Row(3)[3]), 200);
    EXPECT_EQ(LICE_GETR(dest.Row(2)[2]), 0);
    LICE_Blit(dest, src, 0, 0, {0, 0, 2, 2}, kBlendAlpha, 0.25f); // a grayed control: a quarter of it
    EXPECT_NEAR(LICE_GETR(dest.Row(0)[0]), 50, 1);
    LICE_Blit(dest, src, -5, -5, {0, 0, 2, 2}, kBlendAlpha, 1.0f); // wholly outside: nothing
    EXPECT_NEAR(LICE_GETR(dest.Row(0)[0]), 50, 1);
}

TEST_F(Editor, TheTopmostControlUnderTheMouseIsCapturedAndGetsTheDrag)
{
    gui.OnMouseDown(45, 20, {true});
    EXPECT_EQ(b->log, std::vector<std::string>{"down"});
    gui.OnMouseDrag(45, 20, {true});     // no movement: dropped
    gui.OnMouseDrag(120, 5, {true});     // far outside b: still b's
    gui.OnMouseUp(120, 5, {true});
    EXPECT_TRUE(a->log.empty());
    EXPECT_EQ(b->drags, (std::vector<std::pair<int, int>>{{75, -15}}));
    EXPECT_EQ(b->log.back(), "up");
    EXPECT_EQ(gui.CapturedControl(), -1);

    // The right button captures and drags the same way.
    gui.OnMouseDown(20, 20, {false, true});
    gui.OnMouseDrag(20, 30, {false, true});
    EXPECT_EQ(a->log.front(), "rdown");
    EXPECT_EQ(a->drags, (std::vector<std::pair<int, int>>{{0, 10}}));
}

TEST_F(Editor, HiddenAndGrayedControlsAreSkippedAndAWheelOverNothingDoesNothing)
{
    b->SetHidden(true);
    EXPECT_EQ(gui.GetMouseControlIdx(45, 20), 0);
    a->SetGrayed(true);
    EXPECT_EQ(gui.GetMouseControlIdx(45, 20), -1);
    gui.OnMouseWheel(150, 80, {}, 3);
    EXPECT_EQ(a->Value(), 0.0);
    EXPECT_EQ(b->Value(), 0.0);
}

TEST_F(Editor, MouseOverEntersEveryMoveAndLeavesOnChange)
{
    gui.HandleMouseOver(true);
    gui.OnMouseOver(20, 20, {});
    gui.OnMouseOver(21, 20, {});
    EXPECT_EQ(a->enters, 2);
    gui.OnMouseOver(150, 80, {});
    EXPECT_EQ(a->log, std::vector<std::string>{"leave"});
    EXPECT_EQ(gui.MouseOverControl(), -1);
}

TEST_F(Editor, ValuesFromAnyThreadReachTheControlsAtTheNextTickAndFirstBecomeTheDefault)
{
    auto* bound = new Probe({0, 60, 10, 70}, 5);
    gui.AttachControl(bound);
    gui.PushParamToControls(5, 0.25, true);
    gui.PushParamToControls(500, 0.5, true); // beyond the staging area: dropped
    EXPECT_EQ(bound->Value(), 0.0);
    gui.OnTimer();
    EXPECT_EQ(bound->Value(), 0.25);
    EXPECT_EQ(bound->DefaultValue(), 0.25);
    bound->SetValue(0.9);
    bound->MouseDoubleClick(0, 0, {});
    EXPECT_EQ(bound->Value(), 0.25);
}

TEST_F(Editor, OnlyTheDirtyUnionIsDrawnAndHandedToTheWindow)
{
    gui.OnTimer(); // everything starts dirty
    EXPECT_EQ(gui.TakeInvalidated(), (IRECT{10, 10, 90, 50}));
    EXPECT_FALSE(gui.OnTimer());
    a->MarkDirty(false);
    const int bPaints = b->paints;
    EXPECT_TRUE(gui.OnTimer());
    EXPECT_EQ(gui.TakeInvalidated(), (IRECT{10, 10, 50, 50}));
    EXPECT_EQ(b->paints, bPaints + 1); // it overlaps the dirty area, so it is drawn again on top
}

TEST_F(Editor, TextEntryCommitsAtTheNextTickAndAWheelOrAClickCancels)
{
    gui.OpenTextEntry(a, IText{}, {10, 10, 50, 30}, "old");
    EXPECT_EQ(gui.EntryRect(), (IRECT{9, 9, 51, 31}));
    EXPECT_EQ(gui.EntryText(), "old");
    gui.TypeText(std::string(40, 'x'));
    gui.RequestCommitEntry();
    EXPECT_EQ(a->entered, "(none)");
    gui.OnTimer();
    EXPECT_EQ(a->entered, std::string(31, 'x'));
    EXPECT_EQ(gui.TextEntryState(), IGraphics::kEntryIdle);

    a->entered = "(none)";
    gui.OpenTextEntry(a, IText{}, {10, 10, 50, 30}, "old");
    gui.OnMouseWheel(20, 20, {}, 1);
    EXPECT_FALSE(gui.EntryOpen());
    gui.OpenTextEntry(a, IText{}, {10, 10, 50, 30}, "old");
    gui.OnMouseDown(150, 80, {true});
    gui.OnTimer();
    EXPECT_FALSE(gui.EntryOpen());
    EXPECT_EQ(a->entered, "(none)");
}

TEST(PopupMenu, CommandsRunThroughSubmenusAndPrefixesNumberTheEntries)
{
    IPopupMenu menu;
    menu.SetPrefix(IPopupMenu::kPrefix2);
    menu.AddItem("first");
    auto sub = std::make_unique<IPopupMenu>();
    sub->AddItem("inner a");
    sub->AddSeparator();
    sub->AddItem("inner b", IPopupMenu::kGrayed);
    IPopupMenu* inner = sub.get();
    menu.AddSubmenu("more", std::move(sub));
    menu.AddItem("last", IPopupMenu::kChecked);

    EXPECT_EQ(menu.DisplayText(0), "01: first");
    EXPECT_EQ(menu.DisplayText(2), "03: last");
    EXPECT_EQ(menu.CommandFor(&menu, 0), 1);
    EXPECT_EQ(menu.CommandFor(inner, 0), 2);
    EXPECT_EQ(menu.CommandFor(inner, 2), 4);
    EXPECT_EQ(menu.CommandFor(&menu, 2), 5);
    IPopupMenu* chosen = nullptr;
    int index = -1;
    ASSERT_TRUE(menu.ResolveCommand(4, &chosen, &index));
    EXPECT_EQ(chosen, inner);
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(menu.ResolveCommand(6, &chosen, &index));

    IGraphicsHeadless gui(nullptr, 10, 10);
    gui.QueueMenuChoice(4); // grayed: not a choice
    EXPECT_EQ(gui.ShowPopupMenu(menu, {}), nullptr);
    gui.QueueMenuChoice(2);
    EXPECT_EQ(gui.ShowPopupMenu(menu, {}), inner);
    EXPECT_EQ(inner->GetChosenItemIdx(), 0);
    EXPECT_EQ(gui.ShowPopupMenu(menu, {}), nullptr); // dismissed
}

} // namespace
