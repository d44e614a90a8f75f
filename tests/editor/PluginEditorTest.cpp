// The built plug-in's editor, driven and photographed through its vendor opcodes as the command-line
// host does: no window, the same panel a host would show.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "framework/graphics/LICE.h"
#include "support/PluginTestSupport.h"
#include "support/TempFolder.h"
#include "tools/kt4r-render/EditorActions.h"

namespace kt4r_test {
namespace {

std::unique_ptr<LICE_MemBitmap> ReadPng(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return LICE_LoadPNGFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

std::unique_ptr<LICE_MemBitmap> Picture(PluginHost& host)
{
    const TempFolder folder("kt4r-panel");
    const std::string path = folder.PathOf("panel.png");
    std::string error;
    if (folder.Path().empty() || !WriteEditorPicture(host, path, &error))
        return nullptr;
    return ReadPng(path);
}

// Pixels whose colour differs by more than `tolerance` in any channel, inside or outside rect.
struct Difference {
    int inside = 0;
    int outside = 0;
};
Difference Compare(const LICE_IBitmap& a, const LICE_IBitmap& b, const IRECT& rect, int tolerance)
{
    Difference d;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const LICE_pixel p = a.Row(y)[x], q = b.Row(y)[x];
            const bool differs = std::abs(LICE_GETR(p) - LICE_GETR(q)) > tolerance ||
                                 std::abs(LICE_GETG(p) - LICE_GETG(q)) > tolerance ||
                                 std::abs(LICE_GETB(p) - LICE_GETB(q)) > tolerance;
            if (differs)
                ++(rect.Contains(x, y) ? d.inside : d.outside);
        }
    }
    return d;
}

void Gesture(PluginHost& host, const char* option, const char* value)
{
    std::vector<EditorGesture> gestures;
    std::string error;
    ASSERT_TRUE(ParseEditorAction(option, value, &gestures, &error)) << error;
    ASSERT_TRUE(RunEditorGestures(host, gestures, &error)) << error;
}

TEST(PluginEditor, ThePanelAtDefaultsMatchesTheReferencePicture)
{
    LoadedPlugin plugin = LoadPlugin();
    auto drawn = Picture(*plugin.host);
    auto reference = ReadPng(KT4R_EDITOR_DATA "/panel-default.png");
    ASSERT_TRUE(drawn && reference);
    ASSERT_EQ(drawn->Width(), 860);
    ASSERT_EQ(drawn->Height(), 692);
    ASSERT_EQ(reference->Width(), 860);
    ASSERT_EQ(reference->Height(), 692);
    // Small differences of blending are allowed; a control in the wrong place or frame is not.
    const Difference d = Compare(*drawn, *reference, IRECT(), 3);
    EXPECT_LE(d.outside, 860 * 692 / 1000);
}

TEST(PluginEditor, HostAutomationMovesOnlyItsSlider)
{
    LoadedPlugin plugin = LoadPlugin();
    auto before = Picture(*plugin.host);
    plugin->SetParameter(20, 0.0f); // VCF FREQ from the top to the bottom
    auto after = Picture(*plugin.host);
    ASSERT_TRUE(before && after);
    const Difference d = Compare(*before, *after, IRECT(481, 183, 511, 304), 0);
    EXPECT_GT(d.inside, 100);
    EXPECT_EQ(d.outside, 0);
}

TEST(PluginEditor, MouseActionsEditTheInstrument)
{
    LoadedPlugin plugin = LoadPlugin();
    Gesture(*plugin.host, "--click", "100,100"); // UNISON
    EXPECT_NEAR(plugin->GetParameter(51), 0.4f, 1e-6f);
    Gesture(*plugin.host, "--drag", "496,250,0,-121"); // VCF FREQ dragged a whole track up
    EXPECT_NEAR(plugin->GetParameter(20), 1.0f, 1e-6f);
    Gesture(*plugin.host, "--wheel", "496,250,-10");
    EXPECT_NEAR(plugin->GetParameter(20), 0.9f, 1e-5f);
    // A program chosen with the wheel is one the host can see.
    Gesture(*plugin.host, "--wheel", "490,70,-1");
    char name[64] = {};
    plugin->Dispatch(vst::effGetProgramName, 0, 0, name);
    EXPECT_STREQ(name, " INIT ");

    vst::EditorMouseAction unknown{99, 10, 10, 0, 0};
    EXPECT_EQ(plugin->Dispatch(vst::effVendorSpecific, vst::kVendorEditorMouse, 0, &unknown), 0);
    EXPECT_EQ(plugin->Dispatch(vst::effVendorSpecific, vst::kVendorEditorMouse, 0, nullptr), 0);
    EXPECT_EQ(plugin->Dispatch(vst::effVendorSpecific, vst::kVendorEditorPng, 0, nullptr), 0);
    char unwritable[] = "/nonexistent-folder/panel.png";
    EXPECT_EQ(plugin->Dispatch(vst::effVendorSpecific, vst::kVendorEditorPng, 0, unwritable), 0);
}

} // namespace
} // namespace kt4r_test
