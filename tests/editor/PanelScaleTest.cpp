// The panel at 1.5x and 2x: the same controls at the scaled coordinates, a picture that is the 1x
// picture drawn larger, and the mouse changing the same parameters by the same amounts as at 1x.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "editor/PanelScaleChooser.h"
#include "framework/graphics/IGraphicsHeadless.h"
#include "framework/graphics/LICE.h"
#include "support/InstrumentRig.h"
#include "support/PluginTestSupport.h"
#include "support/TempFolder.h"
#include "tools/kt4r-render/EditorActions.h"

namespace kt4r_test {
namespace {

std::unique_ptr<LICE_MemBitmap> PictureAt(PluginHost& host, double scale)
{
    std::string error;
    if (!SetEditorScale(host, scale, &error))
        return nullptr;
    const TempFolder folder("kt4r-panel-scale");
    const std::string path = folder.PathOf("panel.png");
    if (folder.Path().empty() || !WriteEditorPicture(host, path, &error))
        return nullptr;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return LICE_LoadPNGFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void Gesture(PluginHost& host, const std::string& option, int x, int y, int a = 0, int b = 0)
{
    std::string value = std::to_string(x) + "," + std::to_string(y);
    if (option == "--drag")
        value += "," + std::to_string(a) + "," + std::to_string(b);
    else if (option == "--wheel")
        value += "," + std::to_string(a);
    std::vector<EditorGesture> gestures;
    std::string error;
    ASSERT_TRUE(ParseEditorAction(option, value, &gestures, &error)) << error;
    ASSERT_TRUE(RunEditorGestures(host, gestures, &error)) << error;
}

TEST(PanelScale, TheHostIsToldTheScaledSizeAndThePictureHasIt)
{
    LoadedPlugin plugin = LoadPlugin();
    const struct {
        double scale;
        int w, h;
    } sizes[] = {{2.0, 1720, 1384}, {1.5, 1290, 1038}, {1.0, 860, 692}};
    for (const auto& s : sizes) {
        auto picture = PictureAt(*plugin.host, s.scale);
        ASSERT_TRUE(picture) << s.scale;
        EXPECT_EQ(picture->Width(), s.w);
        EXPECT_EQ(picture->Height(), s.h);
        vst::Rect* rect = nullptr;
        ASSERT_EQ(plugin->Dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, s.w);
        EXPECT_EQ(rect->bottom - rect->top, s.h);
    }
}

TEST(PanelScale, The2xPictureShrunkToHalfIsThe1xPicture)
{
    LoadedPlugin plugin = LoadPlugin();
    plugin->SetParameter(20, 0.3f); // a slider and a knob away from their ends
    plugin->SetParameter(2, 0.7f);
    auto one = PictureAt(*plugin.host, 1.0);
    auto two = PictureAt(*plugin.host, 2.0);
    ASSERT_TRUE(one && two);
    ASSERT_EQ(two->Width(), 2 * one->Width());
    // Each 2x2 block averaged: the same picture up to the antialiasing of edges and text drawn at the
    // larger size. A control in another place or frame would differ over hundreds of pixels.
    long total = 0;
    int far = 0;
    for (int y = 0; y < one->Height(); ++y) {
        for (int x = 0; x < one->Width(); ++x) {
            int worst = 0;
            for (int shift : {0, 8, 16}) {
                int sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += static_cast<int>((two->Row(2 * y + k / 2)[2 * x + k % 2] >> shift) & 0xFF);
                worst = std::max(worst, std::abs((sum + 2) / 4 - static_cast<int>((one->Row(y)[x] >> shift) & 0xFF)));
            }
            total += worst;
            far += worst > 48;
        }
    }
    const double pixels = static_cast<double>(one->Width()) * one->Height();
    EXPECT_LT(total / pixels, 3.0);
    EXPECT_LT(far, static_cast<int>(pixels / 100));
}

// The same gestures in panel units, given in window pixels of each scale: the parameters end equal.
TEST(PanelScale, ClicksDragsAndTheWheelEditAlikeAtEveryScale)
{
    float results[3][5] = {};
    const double scales[] = {1.0, 1.5, 2.0};
    for (int i = 0; i < 3; ++i) {
        LoadedPlugin plugin = LoadPlugin();
        std::string error;
        ASSERT_TRUE(SetEditorScale(*plugin.host, scales[i], &error)) << error;
        const auto px = [&](int units) { return static_cast<int>(units * scales[i]); };
        Gesture(*plugin.host, "--click", px(100), px(100)); // UNISON
        results[i][0] = plugin->GetParameter(51);
        plugin->SetParameter(20, 0.5f);
        Gesture(*plugin.host, "--drag", px(496), px(250), 0, px(-30)); // VCF FREQ, 30 units up
        results[i][1] = plugin->GetParameter(20);
        Gesture(*plugin.host, "--wheel", px(496), px(250), -3);
        results[i][2] = plugin->GetParameter(20);
        plugin->SetParameter(2, 0.5f);
        Gesture(*plugin.host, "--drag", px(74), px(276), 0, px(14)); // DCO1 knob, half its height down
        results[i][3] = plugin->GetParameter(2);
        Gesture(*plugin.host, "--click", px(806), px(637)); // the Settings page button
        results[i][4] = plugin->GetParameter(71);
    }
    EXPECT_NEAR(results[0][0], 0.4f, 1e-6f);
    EXPECT_GT(results[0][1], 0.6f);
    EXPECT_LT(results[0][3], 0.45f);
    for (int i = 1; i < 3; ++i) {
        for (int k = 0; k < 5; ++k)
            EXPECT_FLOAT_EQ(results[i][k], results[0][k]) << "scale " << scales[i] << " gesture " << k;
    }
}

TEST(PanelScale, TheConfiguredScaleSizesTheEditorAndTheSettingsChoiceIsKeptForTheNextRun)
{
    const struct {
        const char* word;
        int width;
    } configured[] = {{"1", 860}, {"1.5", 1290}, {"2", 1720}};
    for (const auto& c : configured) {
        LoadedPlugin plugin = LoadPlugin(std::string("UI_SCALE = ") + c.word + "\n");
        vst::Rect* rect = nullptr;
        ASSERT_EQ(plugin->Dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
        EXPECT_EQ(rect->right - rect->left, c.width) << c.word;
    }

    LoadedPlugin plugin = LoadPlugin("UI_SCALE = 2\n");
    vst::Rect* rect = nullptr;
    ASSERT_EQ(plugin->Dispatch(vst::effEditGetRect, 0, 0, &rect), 1); // the host sizes its window: 2x
    Gesture(*plugin.host, "--click", 1612, 1274); // the Settings page
    Gesture(*plugin.host, "--click", 1604, 812);  // the panel size: 2X steps on to AUTO
    Gesture(*plugin.host, "--click", 1604, 812);  // and to 1X
    // The open editor keeps its size until it opens again.
    auto picture = PictureAt(*plugin.host, 2.0);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 1720);
    const std::filesystem::path ini = std::filesystem::path(plugin.copy->Path()).parent_path() / "KT-4R.ini";
    plugin.host.reset();
    std::ifstream in(ini);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("UI_SCALE = 1\n"), std::string::npos) << text;
}

} // namespace
} // namespace kt4r_test

namespace kt4rtest {
namespace {

class PanelScaleRig : public InstrumentRig {
protected:
    void SetUp() override
    {
        InstrumentRig::SetUp();
        Create(std::string(), true);
        Tick();
    }
};

// Every control redraws exactly the pixels of its rectangle times the scale.
TEST_F(PanelScaleRig, EachControlDrawsAtTwiceItsCoordinates)
{
    IGraphicsHeadless& editor = Editor();
    editor.SetScale(2.0);
    editor.OnTimer();
    EXPECT_EQ(editor.TakeInvalidated(), IRECT(0, 0, 1720, 1384));
    int checked = 0;
    for (int i = 1; i < editor.NControls(); ++i) {
        IControl* control = editor.GetControl(i);
        const IRECT r = control->DrawRect().Intersect({0, 0, editor.Width(), editor.Height()});
        if (control->IsHidden() || r.Empty())
            continue;
        control->SetDirtyFlag(true);
        ASSERT_TRUE(editor.OnTimer());
        EXPECT_EQ(editor.TakeInvalidated(), IRECT(2 * r.L, 2 * r.T, 2 * r.R, 2 * r.B)) << "control " << i;
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

TEST_F(PanelScaleRig, TheNameEntryAndMenusOpenAtScaledPlaces)
{
    IGraphicsHeadless& editor = Editor();
    editor.SetScale(1.0);
    Click(600, 70); // the program name readout opens the name entry
    ASSERT_TRUE(editor.EntryOpen());
    const IRECT one = editor.EntryRect();
    editor.RequestCancelEntry();
    Tick();
    editor.SetScale(2.0);
    Click(1200, 140);
    ASSERT_TRUE(editor.EntryOpen());
    EXPECT_EQ(editor.EntryRect(), IRECT(2 * one.L, 2 * one.T, 2 * one.R, 2 * one.B));
}

TEST(PanelScaleWords, TheConfigurationWordsAndWhatTheyChoose)
{
    const struct {
        const char* text;
        double scale;
    } words[] = {{"1", 1.0}, {"1.5", 1.5}, {"2", 2.0}, {"AUTO", IGraphics::kAutoScale},
                 {"", IGraphics::kAutoScale}, {"2.0", IGraphics::kAutoScale}, {"3", IGraphics::kAutoScale},
                 {"auto", IGraphics::kAutoScale}};
    for (const auto& w : words) {
        EXPECT_EQ(PanelScaleFromText(w.text), w.scale) << w.text;
        if (w.scale != IGraphics::kAutoScale || std::string(w.text) == "AUTO") {
            EXPECT_STREQ(PanelScaleWord(w.scale), w.text);
        }
    }
    // The desktop's factor to the nearest scale the artwork is drawn at.
    const double dpis[][2] = {{96, 1.0}, {110, 1.0}, {120, 1.5}, {144, 1.5}, {168, 2.0}, {192, 2.0}, {288, 2.0}, {0, 1.0}};
    for (const auto& d : dpis)
        EXPECT_EQ(NearestPanelScale(d[0] / 96.0), d[1]) << d[0];
}

} // namespace
} // namespace kt4rtest
