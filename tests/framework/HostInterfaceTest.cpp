// The plug-in as a host sees it: loaded with dlopen, driven only through its effect record.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "blocks/Engine.h"
#include "tests/support/PluginTestSupport.h"

namespace kt4r_test {
namespace {

constexpr intptr_t kBeef = 0xBEEF;
constexpr intptr_t kBeefHigh = static_cast<intptr_t>(0xBEEF0000);

TEST(HostInterface, RecordAnnouncesASeventyParameterStereoInstrument)
{
    LoadedPlugin plugin = LoadPlugin();
    const vst::EffectRecord* e = plugin->Effect();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->flags, 0x1139); // editor, replacing, chunks, double, mono-capable, synth
    EXPECT_EQ(e->numParams, 70);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_GE(e->numPrograms, 1);
    EXPECT_EQ(e->uniqueID, 0x4B543452); // 'KT4R'
    EXPECT_EQ(e->version, 20012);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
}

struct TextCase {
    int index;
    const char* name;
    const char* label;
    const char* display;
};

TEST(HostInterface, NamesLabelsAndValueTextsFollowTheParameterTable)
{
    LoadedPlugin plugin = LoadPlugin();
    const TextCase cases[] = {
        {0, "DCO1 RANG", "", "1"},         {1, "DCO1 WAVE", "", "3"},        {2, "DCO1 TUNE", "", "0.50"},
        {3, "DCO1 LFO ", "", "0.00"},      {20, "VCF FREQ", "", "99.00"},    {33, "LFO RATE", "", "0.80"},
        {45, "AT Vibrato   ", "", "0.00"}, {49, "PORTAMENTO", "", "0.00"}, // the portamento time
        {50, "PORTAMENTO", "", "off"}, // the portamento switch: a display text hides the label
        {51, "POLYMODE", "", "0"},         {52, "UNISONDETUNE", "", "0.20"}, {57, "MONO RETRGGER", "", "off"},
        {58, "Reserved", "", "off"},       {65, "LFO SYNC", "", "off"},      {66, "LFO FREERUN", "SETTINGS", "0"},
        {67, "Number of Voices", "", "3"}, {68, "Sysex Mode", "", "0"},      {69, "", "", "0"},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(plugin->ParamName(c.index), c.name) << "id " << c.index;
        EXPECT_EQ(plugin->ParamLabel(c.index), c.label) << "id " << c.index;
        EXPECT_EQ(plugin->ParamDisplay(c.index), c.display) << "id " << c.index;
    }
}

TEST(HostInterface, SettingsIdsAreNotParametersOfTheHost)
{
    LoadedPlugin plugin = LoadPlugin();
    char text[64];
    std::strcpy(text, "untouched");
    plugin->Dispatch(vst::effGetParamName, 70, 0, text);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(plugin->GetParameter(70), 0.0f);
    EXPECT_EQ(plugin->GetParameter(78), 0.0f);
    plugin->SetParameter(-1, 0.5f); // ignored
    plugin->SetParameter(79, 0.5f); // ignored
}

TEST(HostInterface, SwitchShowsOnAfterTheHostSetsIt)
{
    LoadedPlugin plugin = LoadPlugin();
    plugin->SetParameter(50, 1.0f);
    EXPECT_EQ(plugin->ParamDisplay(50), "on");
    EXPECT_EQ(plugin->GetParameter(50), 1.0f);
    plugin->SetParameter(51, 0.5f); // 2.5 rounds to 3
    EXPECT_EQ(plugin->ParamDisplay(51), "3");
    EXPECT_FLOAT_EQ(plugin->GetParameter(51), 0.6f);
}

TEST(HostInterface, CanDoAnswers)
{
    LoadedPlugin plugin = LoadPlugin();
    const struct {
        const char* text;
        intptr_t answer;
    } cases[] = {
        {"receiveVstTimeInfo", 1},
        {"sendVstEvents", 1},
        {"sendVstMidiEvent", 1},
        {"receiveVstEvents", 1},
        {"receiveVstMidiEvent", 1},
        {"hasCockosExtensions", kBeefHigh},
        {"hasCockosViewAsConfig", kBeefHigh},
        {"bypass", 0},
        {"receiveVstTimeInfo ", 0},
        {"", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plugin->Dispatch(vst::effCanDo, 0, 0, const_cast<char*>(c.text)), c.answer) << c.text;
    }
    EXPECT_EQ(plugin->Dispatch(vst::effCanDo, 0, 0, nullptr), 0);
}

TEST(HostInterface, VendorSpecificBuildVariantNamesTheKernelLoops)
{
    LoadedPlugin plugin = LoadPlugin();
    char text[vst::kMaxProductStrLen] = "untouched";
    EXPECT_EQ(plugin->Dispatch(vst::effVendorSpecific, vst::kVendorBuildVariant, 0, text), 1);
    const char* request = std::getenv("KT4R_CPU");
    const bool forced = request && std::strcmp(request, "baseline") == 0;
    EXPECT_STREQ(text, !forced && CpuHasAvx2Fma() ? "avx2" : "baseline");
    EXPECT_EQ(plugin->Dispatch(vst::effVendorSpecific, vst::kVendorBuildVariant, 0, nullptr), 0);
}

// Sub-code 7 gives the text of a normalised value, 27 the normalised value of a text (clamped to the
// range), 8 whether the parameter is stepped; an invalid index leaves the text as it was.
TEST(HostInterface, VendorSpecificValueTextsAndSteppedQuery)
{
    LoadedPlugin plugin = LoadPlugin();
    const struct {
        intptr_t code;
        int index;
        float value;
        const char* in;
        intptr_t answer;
        const char* out;
    } cases[] = {
        {7, 20, 0.5f, "", kBeef, "49.50"},     {7, 50, 1.0f, "", kBeef, "on"},
        {7, 70, 0.5f, "x", kBeef, "x"},        {27, 20, 0, "49.5", kBeef, "0.500000"},
        {27, 20, 0, "200", kBeef, "1.000000"}, {27, 67, 0, "4", kBeef, "0.333333"}, // voices 3..6
        {27, 70, 0, "4", 0, nullptr},          {8, 20, 0, nullptr, 0, nullptr},     // continuous
        {8, 0, 0, nullptr, 0, nullptr},        {8, 50, 0, nullptr, kBeef, nullptr}, // step 1; switch
        {8, 51, 0, nullptr, kBeef, nullptr},   {8, 69, 0, nullptr, kBeef, nullptr}, // integer; undefined
        {8, 70, 0, nullptr, 0, nullptr},       {9, 20, 0, nullptr, 0, nullptr},     // unknown sub-code
    };
    for (const auto& c : cases) {
        char text[64] = {};
        if (c.in)
            std::strcpy(text, c.in);
        EXPECT_EQ(plugin->Dispatch(vst::effVendorSpecific, c.code, c.index, c.in ? text : nullptr, c.value), c.answer)
            << c.code << "/" << c.index;
        if (c.out) {
            EXPECT_STREQ(text, c.out) << c.code << "/" << c.index;
        }
    }
    EXPECT_EQ(plugin->Dispatch(vst::effVendorSpecific, 7, 20, nullptr, 0.5f), 0);
    EXPECT_EQ(plugin->Dispatch(vst::effVendorSpecific, 27, 20, nullptr), 0);
}

TEST(HostInterface, SpeakerArrangementsAreStereo)
{
    LoadedPlugin plugin = LoadPlugin();
    vst::SpeakerArrangement* in = nullptr;
    vst::SpeakerArrangement* out = nullptr;
    EXPECT_EQ(plugin->Dispatch(vst::effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(in->type, vst::kSpeakerArrStereo);
    EXPECT_EQ(in->numChannels, 2);
    EXPECT_EQ(out->type, vst::kSpeakerArrStereo);
    EXPECT_EQ(out->numChannels, 2);
    vst::SpeakerArrangement mono{};
    mono.type = vst::kSpeakerArrMono;
    mono.numChannels = 1;
    EXPECT_EQ(plugin->Dispatch(vst::effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&mono), &mono), 1);
}

TEST(HostInterface, InputAndOutputProperties)
{
    LoadedPlugin plugin = LoadPlugin();
    const struct {
        int32_t opcode;
        int index, flags;
        const char* label;
    } pins[] = {{vst::effGetInputProperties, 0, 3, "Input 1"},
                {vst::effGetInputProperties, 1, 1, "Input 2"},
                {vst::effGetOutputProperties, 0, 3, "Output 1"},
                {vst::effGetOutputProperties, 1, 1, "Output 2"}};
    for (const auto& pin : pins) {
        vst::PinProperties props{};
        EXPECT_EQ(plugin->Dispatch(pin.opcode, pin.index, 0, &props), 1) << pin.label;
        EXPECT_EQ(props.flags, pin.flags) << pin.label;
        EXPECT_STREQ(props.label, pin.label);
    }
    vst::PinProperties props{};
    EXPECT_EQ(plugin->Dispatch(vst::effGetOutputProperties, 2, 0, &props), 0);
    EXPECT_EQ(plugin->Dispatch(vst::effGetInputProperties, -1, 0, &props), 0);
    EXPECT_EQ(plugin->Dispatch(vst::effGetInputProperties, 0, 0, nullptr), 0);
}

TEST(HostInterface, IdentityAndFixedAnswers)
{
    LoadedPlugin plugin = LoadPlugin();
    char text[256] = {};
    EXPECT_EQ(plugin->Dispatch(vst::effGetEffectName, 0, 0, text), 1);
    EXPECT_STREQ(text, "KT-4R");
    EXPECT_EQ(plugin->Dispatch(vst::effGetVendorString, 0, 0, text), 1);
    EXPECT_STREQ(text, "TOLVA");
    std::strcpy(text, "x");
    EXPECT_EQ(plugin->Dispatch(vst::effGetProductString, 0, 0, text), 1);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(plugin->Dispatch(vst::effGetEffectName, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin->Dispatch(vst::effGetVstVersion), 2400);
    EXPECT_EQ(plugin->Dispatch(vst::effGetPlugCategory), vst::kPlugCategSynth);
    EXPECT_EQ(plugin->Dispatch(vst::effIdentify), 0x4E764566);
    EXPECT_EQ(plugin->Dispatch(vst::effCanBeAutomated, 20), 1);
    EXPECT_EQ(plugin->Dispatch(vst::effProcessVarIo), 0);
    EXPECT_EQ(plugin->Dispatch(vst::effEditIdle), 0);
    EXPECT_EQ(plugin->Dispatch(70), 0);
    EXPECT_EQ(plugin->Dispatch(-5), 0);
    EXPECT_EQ(plugin->Dispatch(vst::effGetProgram), 0);
    vst::Rect* rect = nullptr;
    ASSERT_EQ(plugin->Dispatch(vst::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 860);
    EXPECT_EQ(rect->bottom - rect->top, 692);
    EXPECT_EQ(plugin->Dispatch(vst::effEditOpen), 0); // no parent window to open in
    EXPECT_EQ(plugin->Dispatch(vst::effProcessEvents, 0, 0, nullptr), 0);
}

TEST(HostInterface, TheEditBufferAndTheProgramsStartAsInit)
{
    LoadedPlugin plugin = LoadPlugin();
    EXPECT_EQ(plugin->Effect()->numPrograms, 129);
    char text[64] = "x";
    EXPECT_EQ(plugin->Dispatch(vst::effGetProgramNameIndexed, 128, 0, text), 1);
    EXPECT_STREQ(text, " INIT ");
    EXPECT_EQ(plugin->Dispatch(vst::effGetProgramNameIndexed, 129, 0, text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(plugin->Dispatch(vst::effGetProgram), 0);
    plugin->Dispatch(vst::effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, " INIT ");
}

TEST(HostInterface, StringToParameterUsesDisplayTextsOrNumbers)
{
    LoadedPlugin plugin = LoadPlugin();
    EXPECT_EQ(plugin->Dispatch(vst::effString2Parameter, 50, 0, const_cast<char*>("on")), 1);
    EXPECT_EQ(plugin->GetParameter(50), 1.0f);
    EXPECT_EQ(plugin->Dispatch(vst::effString2Parameter, 50, 0, const_cast<char*>("ON")), 0); // case-sensitive
    EXPECT_EQ(plugin->GetParameter(50), 1.0f);
    EXPECT_EQ(plugin->Dispatch(vst::effString2Parameter, 20, 0, const_cast<char*>("49.5")), 1);
    EXPECT_FLOAT_EQ(plugin->GetParameter(20), 0.5f);
    EXPECT_EQ(plugin->Dispatch(vst::effString2Parameter, 20, 0, const_cast<char*>("nan")), 0);
    EXPECT_FLOAT_EQ(plugin->GetParameter(20), 0.5f);
    EXPECT_EQ(plugin->Dispatch(vst::effString2Parameter, 20, 0, nullptr), 1);
    EXPECT_EQ(plugin->Dispatch(vst::effString2Parameter, 70, 0, const_cast<char*>("1")), 0);
}

TEST(HostInterface, OutOfRangeHostValuesAreClampedAndNaNKeepsTheValue)
{
    LoadedPlugin plugin = LoadPlugin();
    plugin->SetParameter(20, 0.25f);
    for (const auto& [sent, kept] : {std::pair{std::nanf(""), 0.25f}, std::pair{5.0f, 1.0f}, std::pair{-3.0f, 0.0f},
                                     std::pair{INFINITY, 1.0f}, std::pair{-INFINITY, 0.0f}}) {
        plugin->SetParameter(20, sent);
        EXPECT_FLOAT_EQ(plugin->GetParameter(20), kept) << sent;
    }
}

TEST(HostInterface, HostIsAskedForTimeAndMidiEveryBlock)
{
    LoadedPlugin plugin = LoadPlugin();
    const int before = plugin->WantMidiCalls();
    Render(*plugin.host, 512 * 3, 512);
    EXPECT_EQ(plugin->WantMidiCalls() - before, 3);
}

} // namespace
} // namespace kt4r_test
