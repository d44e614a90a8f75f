#include "editor/PanelLayout.h"

namespace panel {

namespace {

constexpr Image kImages[] = {
    {kBackground, "resources/img/background_main.png", 1},
    {kSliderTrack, "resources/img/qm-slider-base.png", 1},
    {kSliderTrack4, "resources/img/qm-slider-base-4.png", 1},
    {kSliderTrack3, "resources/img/qm-slider-base-3.png", 1},
    {kSliderTrack2, "resources/img/qm-slider-base-2.png", 1},
    {kSliderHandle, "resources/img/qm-knob.png", 1},
    {kSliderHandleHover, "resources/img/qm-knob-highlight.png", 1},
    {kKnob, "resources/img/qm5v-knob-anim-small.png", 100},
    {kKnobHover, "resources/img/qm5v-knob-anim-highlight-small.png", 100},
    {kDigit, "resources/img/qm5v-display-small.png", 46},
    {kDigitYellow, "resources/img/qm5v-display-small-yellow.png", 46},
    {kDigitRed, "resources/img/qm5v-display-small-red.png", 46},
    {kButtonPoly, "resources/img/qm-button-poly.png", 2},
    {kButtonUnison, "resources/img/qm-button-unison.png", 2},
    {kButtonMono, "resources/img/qm-button-mono.png", 2},
    {kButtonPage, "resources/img/qm-button-settings.png", 2},
    {kButtonLoad, "resources/img/qm-button-load.png", 2},
    {kButtonSave, "resources/img/qm-button-save.png", 2},
    {kButtonWrite, "resources/img/qm-button-write.png", 2},
    {kButtonDefault, "resources/img/qm-button-default.png", 2},
    {kButtonPlus, "resources/img/qm-button-plus.png", 2},
    {kButtonMinus, "resources/img/qm-button-minus.png", 2},
    {kLedPage, "resources/img/led2-small.png", 2},
    {kLedKeyAssign, "resources/img/led-poly-small.png", 3},
    {kLogo, "resources/img/Logo-2.png", 1},
    {kButtonRandom, "resources/img/qm-button-random.png", 2},
    {kAboutBox, "resources/img/AboutBox.png", 1},
    {kSettingsBackground, "resources/img/bgSettings.png", 1},
    {kMidiBackground, "resources/img/background_midi.png", 1},
    {kMidiLearnBackground, "resources/img/background_midilearn-4.png", 1},
    {kSettingsBackgroundVoices, "resources/img/bgSettings.png", 1},
    {kVoicesKnob, "resources/img/poly_switch.png", 100},
    {kVoicesKnobHover, "resources/img/poly_switch2.png", 100},
    {kVoicesKnobBackground, "resources/img/Poly_Switch_BG.png", 1},
    {kVoicesSliderBackground, "resources/img/voices_background.png", 1},
    {kPitchBendPatch, "resources/img/PB_patch.png", 1},
};

constexpr bool S = false; // slider
constexpr bool K = true;  // knob

constexpr ControlPlace kPlaces[] = {
    {0, S, 4, 35, 183, kNoPage},          {1, S, 4, 84, 183, kNoPage},          {2, K, 0, 60, 262, kNoPage},
    {3, S, 0, 35, 313, kNoPage},          {4, S, 0, 84, 313, kNoPage},          {5, S, 4, 147, 183, kNoPage},
    {6, S, 4, 196, 183, kNoPage},         {7, S, 4, 245, 183, kNoPage},         {8, K, 0, 162, 262, kNoPage},
    {9, K, 0, 231, 262, kNoPage},         {10, S, 0, 147, 313, kNoPage},        {11, S, 0, 196, 313, kNoPage},
    {12, S, 4, 35, 458, kNoPage},         {13, S, 4, 84, 458, kNoPage},         {14, S, 0, 314, 183, kNoPage},
    {15, S, 0, 363, 183, kNoPage},        {16, S, 0, 363, 313, kNoPage},        {17, S, 4, 314, 458, kNoPage},
    {18, S, 4, 363, 458, kNoPage},        {19, S, 4, 432, 183, kNoPage},        {20, S, 0, 481, 183, kNoPage},
    {21, S, 0, 530, 183, kNoPage},        {22, S, 0, 432, 313, kNoPage},        {23, S, 0, 481, 313, kNoPage},
    {24, S, 0, 530, 313, kNoPage},        {25, S, 4, 432, 458, kNoPage},        {26, S, 4, 481, 458, kNoPage},
    {27, S, 0, 602, 183, kNoPage},        {28, S, 2, 602, 313, kNoPage},        {29, S, 4, 602, 458, kNoPage},
    {30, S, 3, 667, 627, kNoPage},        {31, S, 3, 35, 592, kNoPage},         {32, S, 0, 84, 568, kNoPage},
    {33, S, 0, 121, 568, kNoPage},        {34, S, 0, 158, 568, kNoPage},        {35, S, 0, 229, 568, kNoPage},
    {36, S, 0, 266, 568, kNoPage},        {37, S, 0, 303, 568, kNoPage},        {38, S, 0, 340, 568, kNoPage},
    {39, S, 4, 389, 616, kNoPage},        {40, S, 0, 446, 568, kNoPage},        {41, S, 0, 483, 568, kNoPage},
    {42, S, 0, 520, 568, kNoPage},        {43, S, 0, 557, 568, kNoPage},        {44, S, 4, 606, 616, kNoPage},
    {45, S, 0, 681, 183, kStandardPage},  {46, S, 0, 730, 183, kStandardPage},  {47, S, 0, 779, 183, kStandardPage},
    {48, S, 0, 681, 313, kStandardPage},  {49, S, 0, 730, 313, kStandardPage},  {50, S, 2, 779, 383, kStandardPage},
    {52, K, 0, 712, 191, kSettingsPage},  {53, K, 0, 668, 191, kSettingsPage},  {54, K, 0, 756, 191, kSettingsPage},
    {56, K, 0, 800, 191, kSettingsPage},  {57, S, 2, 673, 253, kSettingsPage},  {60, K, 0, 668, 466, kSettingsPage},
    {61, K, 0, 734, 466, kSettingsPage},  {62, K, 0, 800, 466, kSettingsPage},  {65, S, 2, 733, 253, kSettingsPage},
    {66, S, 3, 733, 313, kSettingsPage},  {75, S, 0, 709, 183, kMidiLearnPage}, {76, S, 0, 758, 183, kMidiLearnPage},
    {78, S, 3, 673, 313, kSettingsPage},  {79, S, 0, 674, 183, kMidiPage},      {90, S, 2, 734, 183, kMidiPage},
    {91, S, 2, 794, 183, kMidiPage},      {92, S, 2, 793, 253, kSettingsPage},
};

} // namespace

std::span<const Image> Images()
{
    return kImages;
}

std::span<const ControlPlace> ControlPlaces()
{
    return kPlaces;
}

} // namespace panel
