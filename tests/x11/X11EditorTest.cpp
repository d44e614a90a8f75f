// The Linux editor window under a private X server: a host-made parent window, input synthesized with
// XTEST, pixels read back from the server. The editor is driven through its idle call as a host does.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <atomic>
#include <dirent.h>
#include <string>
#include <thread>
#include <vector>

#include "framework/x11/IGraphicsX11.h"
#include "framework/graphics/IPopupMenu.h"
#include "framework/graphics/LICE.h"
#include "framework/x11/X11PopupMenu.h"
#include "tests/x11/X11TestHost.h"

using namespace kt4r_test;

namespace {

// A control that paints itself in one colour and writes down what reaches it.
class ProbeControl : public IControl {
public:
    ProbeControl(const IRECT& rect, LICE_pixel colour) : IControl(nullptr, rect), mColour(colour) {}

    void Paint(IGraphics& graphics) override { LICE_FillRect(graphics.BackBuffer(), mRect, mColour); }
    void MouseDown(int x, int y, const IMouseMod& mods) override
    {
        ++downs;
        downX = x, downY = y;
        downMods = mods;
        if (onDown)
            onDown();
    }
    void MouseUp(int x, int y, const IMouseMod& mods) override { ++ups; }
    void MouseDrag(int x, int y, int dX, int dY, const IMouseMod& mods) override
    {
        ++drags;
        sumDX += dX, sumDY += dY;
        dragRight = mods.R;
    }
    void MouseDoubleClick(int x, int y, const IMouseMod& mods) override { ++doubleClicks; }
    void MouseWheel(int x, int y, const IMouseMod& mods, int delta) override { wheel.push_back(delta); }
    bool KeyDown(int x, int y, int key) override
    {
        keys.push_back(key);
        return true;
    }
    void AcceptTextEntry(const char* text) override { committed.push_back(text); }
    void SetColour(LICE_pixel colour) { mColour = colour; }

    int downs = 0, ups = 0, drags = 0, doubleClicks = 0;
    int downX = -1, downY = -1, sumDX = 0, sumDY = 0;
    bool dragRight = false;
    IMouseMod downMods;
    std::vector<int> wheel;
    std::vector<int> keys;
    std::vector<std::string> committed;
    std::function<void()> onDown;

private:
    LICE_pixel mColour;
};

constexpr LICE_pixel kRed = LICE_RGBA(220, 30, 40, 255);
constexpr LICE_pixel kGreen = LICE_RGBA(20, 200, 60, 255);
constexpr LICE_pixel kGrey = LICE_RGBA(70, 70, 70, 255);

class X11Editor : public ::testing::Test {
protected:
    void SetUp() override
    {
        KT4R_REQUIRE_X();
        host = std::make_unique<X11TestHost>();
        ASSERT_TRUE(host->Ok());
        graphics = std::make_unique<IGraphicsX11>(nullptr, 860, 692, 25);
        graphics->PrepareDraw();
        background = new ProbeControl({0, 0, 860, 692}, kGrey);
        graphics->AttachControl(background);
        button = new ProbeControl({84, 79, 84 + 38, 79 + 28}, kRed);
        graphics->AttachControl(button);
        slider = new ProbeControl({481, 183, 481 + 29, 183 + 121}, kGreen);
        graphics->AttachControl(slider);
    }
    void TearDown() override
    {
        if (graphics)
            graphics->CloseWindow();
    }

    Window Open()
    {
        void* window = graphics->OpenWindow(host->ParentHandle());
        EXPECT_NE(window, nullptr);
        Pump(150);
        return static_cast<Window>(reinterpret_cast<uintptr_t>(window));
    }
    void Pump(int ms, const std::function<bool()>& done = nullptr, int spacingMs = 5)
    {
        PumpFor(ms, [this] { graphics->Idle(); }, done, spacingMs);
    }

    std::unique_ptr<X11TestHost> host;
    std::unique_ptr<IGraphicsX11> graphics;
    ProbeControl* background = nullptr;
    ProbeControl* button = nullptr;
    ProbeControl* slider = nullptr;
};

int HostErrorHandler(Display*, XErrorEvent*) { return 0; }

int OpenDescriptors()
{
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++n;
        closedir(dir);
    }
    return n;
}

} // namespace

TEST_F(X11Editor, OpensAChildOfTheHostsWindowAtTheEditorsSizeAndShowsTheBackBuffer)
{
    const Window window = Open();
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    ASSERT_TRUE(XQueryTree(host->Dpy(), window, &root, &parent, &children, &count));
    if (children)
        XFree(children);
    EXPECT_EQ(parent, host->Parent());
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(host->Dpy(), window, &attributes));
    EXPECT_EQ(attributes.width, 860);
    EXPECT_EQ(attributes.height, 692);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_EQ(host->Pixel(window, 100, 90), 0xDC1E28u);  // the button
    EXPECT_EQ(host->Pixel(window, 490, 250), 0x14C83Cu); // the slider
    EXPECT_EQ(host->Pixel(window, 10, 10), 0x464646u);   // the background

    // A control that changes is drawn again at the next tick.
    slider->SetColour(kRed);
    slider->SetDirtyFlag(true);
    Pump(100);
    EXPECT_EQ(host->Pixel(window, 490, 250), 0xDC1E28u);
    graphics->CloseWindow();
    EXPECT_EQ(graphics->WindowHandle(), nullptr);
}

TEST_F(X11Editor, ClicksDragsWheelsAndDoubleClicksReachTheControlUnderThePointer)
{
    const Window window = Open();
    XInput& input = host->Input();

    input.Click(window, 100, 90);
    Pump(100, [&] { return button->ups == 1; });
    EXPECT_EQ(button->downs, 1);
    EXPECT_EQ(button->ups, 1);
    EXPECT_EQ(button->downX, 100);
    EXPECT_EQ(button->downY, 90);
    EXPECT_TRUE(button->downMods.L);

    // A drag that leaves the slider (and the window) keeps going to it, with the deltas summed up.
    std::this_thread::sleep_for(std::chrono::milliseconds(450)); // not a double click
    input.MoveTo(window, 495, 250);
    input.Button(1, true);
    for (int step = 1; step <= 10; ++step)
        input.MoveTo(window, 495 + 3 * step, 250 - 8 * step);
    input.MoveTo(window, 495 + 30, 250 - 270); // above the window
    input.Button(1, false);
    Pump(150, [&] { return slider->ups == 1; });
    EXPECT_EQ(slider->downs, 1);
    EXPECT_GE(slider->drags, 1);
    EXPECT_EQ(slider->sumDX, 30);
    EXPECT_EQ(slider->sumDY, -270);
    EXPECT_EQ(slider->ups, 1);

    // The right button drags too.
    std::this_thread::sleep_for(std::chrono::milliseconds(450));
    input.MoveTo(window, 495, 250);
    input.Button(3, true);
    input.MoveTo(window, 495, 270);
    input.Button(3, false);
    Pump(100, [&] { return slider->ups == 2; });
    EXPECT_EQ(slider->sumDY, -250);
    EXPECT_TRUE(slider->dragRight);

    input.MoveTo(window, 495, 250);
    input.Button(4, true), input.Button(4, false);
    input.Button(4, true), input.Button(4, false);
    input.Button(5, true), input.Button(5, false);
    Pump(100, [&] { return slider->wheel.size() == 3; });
    EXPECT_EQ(slider->wheel, (std::vector<int>{1, 1, -1}));

    std::this_thread::sleep_for(std::chrono::milliseconds(450));
    input.Click(window, 100, 90);
    input.Click(window, 101, 91);
    Pump(100, [&] { return button->doubleClicks == 1; });
    EXPECT_EQ(button->doubleClicks, 1);
    EXPECT_EQ(button->downs, 2); // the second press of the pair is the double click
}

TEST_F(X11Editor, KeysReachTheKeyCatcherByTheirEditorNumbers)
{
    const Window window = Open();
    graphics->SetKeyCatcher(button);
    host->Input().Click(window, 100, 90); // keys go to the window under the pointer
    Pump(50);
    host->Input().Type("a Z5");
    host->Input().Key(XK_Up);
    host->Input().Key(XK_F5); // not an editor key: passed on to the host
    Pump(150, [&] { return button->keys.size() == 5; });
    EXPECT_EQ(button->keys, (std::vector<int>{15, 0, 40, 10, 1}));
}

TEST_F(X11Editor, AHostWindowDestroyedBeforeCloseNeitherEndsTheProcessNorReplacesTheHostsErrorHandler)
{
    XSetErrorHandler(HostErrorHandler);
    Open();
    host->DestroyParent();
    Pump(100);
    graphics->CloseWindow();
    EXPECT_EQ(XSetErrorHandler(nullptr), &HostErrorHandler);

    // A parent that no longer exists at open: no window, and the handler still the host's.
    XSetErrorHandler(HostErrorHandler);
    Display* d = host->Dpy();
    const Window gone = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(d, gone);
    XSync(d, False);
    EXPECT_EQ(graphics->OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(gone))), nullptr);
    EXPECT_EQ(graphics->WindowHandle(), nullptr);
    graphics->Idle();
    EXPECT_EQ(XSetErrorHandler(nullptr), &HostErrorHandler);
}

TEST_F(X11Editor, OpeningAndClosingAHundredTimesLeavesNoConnectionOrWindowBehind)
{
    Open();
    graphics->CloseWindow();
    const int descriptors = OpenDescriptors();
    for (int i = 0; i < 100; ++i) {
        ASSERT_NE(graphics->OpenWindow(host->ParentHandle()), nullptr) << "open " << i;
        graphics->Idle();
        graphics->CloseWindow();
    }
    EXPECT_EQ(OpenDescriptors(), descriptors);
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(host->Dpy(), host->Parent(), &root, &parent, &children, &count);
    if (children)
        XFree(children);
    EXPECT_EQ(count, 0u);
}

TEST_F(X11Editor, APopupMenuChoosesWithAClickOpensSubmenusOnHoverAndDismissesWithEscape)
{
    const Window window = Open();
    IPopupMenu menu;
    menu.SetPrefix(IPopupMenu::kPrefix2);
    menu.AddItem("Init");
    menu.AddItem("Grayed", IPopupMenu::kGrayed);
    menu.AddSeparator();
    menu.AddItem("Checked", IPopupMenu::kChecked);
    auto sub = std::make_unique<IPopupMenu>();
    sub->AddItem("Alpha");
    sub->AddItem("Beta");
    menu.AddSubmenu("More", std::move(sub));

    IPopupMenu* chosen = nullptr;
    int chosenIndex = -2;
    button->onDown = [&] {
        chosen = graphics->ShowPopupMenu(menu, button->DrawRect());
        chosenIndex = chosen ? chosen->GetChosenItemIdx() : -1;
    };
    using M = X11MenuMetrics;
    // The player, on a thread of its own while the menu holds the editor's thread.
    auto play = [&](const std::function<void(XInput&, int, int)>& act) {
        std::thread player([&] {
            XInput input;
            int mx = 0, my = 0; // the menu's top-left corner: the button's left-bottom corner
            input.ToRoot(window, button->DrawRect().L, button->DrawRect().B, &mx, &my);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            act(input, mx, my);
        });
        host->Input().Click(window, 100, 90);
        Pump(3000, [&] { return chosenIndex != -2; });
        player.join();
    };
    auto itemY = [](int top, int index, int separators) {
        return top + M::kBorder + M::kPadding + (index - separators) * M::kItemHeight +
               separators * M::kSeparatorHeight + M::kItemHeight / 2;
    };

    // A click on a grayed entry does nothing; a click on "04: Checked" chooses it.
    play([&](XInput& input, int mx, int my) {
        input.MoveToRoot(mx + 40, itemY(my, 1, 0));
        input.Button(1, true), input.Button(1, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        input.MoveToRoot(mx + 40, itemY(my, 3, 1));
        input.Button(1, true), input.Button(1, false);
    });
    EXPECT_EQ(chosen, &menu);
    EXPECT_EQ(chosenIndex, 3);
    EXPECT_EQ(button->ups, 1) << "the click that opened the menu is finished";

    // Hovering "05: More" opens its sub-menu beside it; its second entry is chosen.
    chosenIndex = -2;
    play([&](XInput& input, int mx, int my) {
        const int moreY = itemY(my, 4, 1);
        input.MoveToRoot(mx + 40, moreY);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        // Along the row of "More" to the right until the pointer is over another window: the sub-menu,
        // whose first entry is level with "More".
        auto windowUnderPointer = [&] {
            Window root, child = 0;
            int rx, ry, wx, wy;
            unsigned mask;
            XQueryPointer(input.Dpy(), DefaultRootWindow(input.Dpy()), &root, &child, &rx, &ry, &wx, &wy, &mask);
            return child;
        };
        const Window menuWindow = windowUnderPointer();
        int x = mx + 40;
        while (x < mx + 800 && windowUnderPointer() == menuWindow)
            input.MoveToRoot(x += 10, moreY);
        input.MoveToRoot(x + 10, moreY + M::kItemHeight);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        input.Button(1, true), input.Button(1, false);
    });
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen, menu.GetItem(4)->submenu.get());
    EXPECT_EQ(chosenIndex, 1);

    // Escape dismisses.
    chosenIndex = -2;
    play([&](XInput& input, int, int) { input.Key(XK_Escape); });
    EXPECT_EQ(chosen, nullptr);
    EXPECT_EQ(chosenIndex, -1);

    // So does a click outside every menu.
    chosenIndex = -2;
    play([&](XInput& input, int mx, int my) { input.MoveToRoot(mx + 600, my + 300), input.Button(1, true),
                                               input.Button(1, false); });
    EXPECT_EQ(chosen, nullptr);
    EXPECT_EQ(chosenIndex, -1);
}

TEST_F(X11Editor, TheNameEntryReplacesItsSelectedTextAndCommitsOnReturnOrCancelsOnEscape)
{
    const Window window = Open();
    IText style;
    style.size = 13;
    button->onDown = [&] { graphics->OpenTextEntry(button, style, {300, 600, 500, 620}, "Old Name"); };

    host->Input().Click(window, 100, 90);
    Pump(200, [&] { return graphics->TextEntryWindow() != 0; });
    ASSERT_NE(graphics->TextEntryWindow(), 0u);
    Pump(100);
    host->Input().Type("Brass 2");
    host->Input().Key(XK_BackSpace);
    host->Input().Type("3");
    host->Input().Key(XK_Return);
    Pump(300, [&] { return !button->committed.empty(); });
    ASSERT_EQ(button->committed.size(), 1u);
    EXPECT_EQ(button->committed[0], "Brass 3");
    EXPECT_EQ(graphics->TextEntryWindow(), 0u);
    EXPECT_EQ(graphics->TextEntryState(), IGraphics::kEntryIdle);

    host->Input().Click(window, 100, 90);
    Pump(200, [&] { return graphics->TextEntryWindow() != 0; });
    Pump(100);
    host->Input().Type("Lost");
    host->Input().Key(XK_Escape);
    Pump(300, [&] { return graphics->TextEntryWindow() == 0; });
    EXPECT_EQ(graphics->TextEntryWindow(), 0u);
    EXPECT_EQ(button->committed.size(), 1u);
}

TEST_F(X11Editor, OnlyTheNameEntryTakesTheKeyboardFocusAndItGoesBackToTheHostAfterward)
{
    const Window window = Open();
    Display* d = host->Dpy();
    auto focus = [d] {
        Window w = None;
        int revert = 0;
        XGetInputFocus(d, &w, &revert);
        return w;
    };
    XSetInputFocus(d, host->Parent(), RevertToParent, CurrentTime);
    XSync(d, False);
    graphics->SetKeyCatcher(background);

    host->Input().Click(window, 600, 400); // the panel's background
    host->Input().Click(window, 495, 250); // a control
    Pump(150, [&] { return slider->ups == 1; });
    EXPECT_EQ(focus(), host->Parent()) << "a click leaves the host its shortcuts";
    host->Input().Type("q");
    Pump(150, [&] { return !background->keys.empty(); });
    EXPECT_EQ(background->keys, (std::vector<int>{31})) << "keys still reach the panel under the pointer";

    IText style;
    button->onDown = [&] { graphics->OpenTextEntry(button, style, {300, 600, 500, 620}, "Old Name"); };
    for (const KeySym ending : {XK_Return, XK_Escape}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(450));
        host->Input().Click(window, 100, 90);
        Pump(200, [&] { return graphics->TextEntryWindow() != 0; });
        ASSERT_NE(graphics->TextEntryWindow(), 0u);
        Pump(100);
        EXPECT_EQ(focus(), graphics->TextEntryWindow()) << "the entry has the keyboard";
        host->Input().Key(ending);
        Pump(300, [&] { return graphics->TextEntryWindow() == 0; });
        EXPECT_EQ(graphics->TextEntryWindow(), 0u);
        EXPECT_EQ(focus(), host->Parent()) << "the host has it back after " << (ending == XK_Return ? "Enter" : "Escape");
    }
    EXPECT_EQ(button->committed, (std::vector<std::string>{"Old Name"}));
}

TEST_F(X11Editor, ATooltipShowsAfterThePointerRestsAndHidesOnAClick)
{
    const Window window = Open();
    graphics->HandleMouseOver(true);
    graphics->EnableTooltips(true);
    slider->SetTooltip("VCF cutoff frequency");
    host->Input().MoveTo(window, 300, 300);
    host->Input().MoveTo(window, 490, 250);
    Pump(200);
    EXPECT_FALSE(graphics->TooltipShown()) << "not before the pointer has rested";
    Pump(800, [&] { return graphics->TooltipShown(); });
    EXPECT_TRUE(graphics->TooltipShown());
    host->Input().Button(1, true), host->Input().Button(1, false);
    Pump(100);
    EXPECT_FALSE(graphics->TooltipShown());
}
