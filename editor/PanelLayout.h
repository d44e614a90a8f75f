// Where the panel's controls stand: the images it loads, and the place, kind and page of every
// control that edits one parameter.
#pragma once

#include <span>

namespace panel {

constexpr int kWidth = 860;
constexpr int kHeight = 692;
constexpr int kFramesPerSecond = 25;

// The right-hand pages, numbered as "KEYMODE" (id 71) and the learn page select them.
enum PageNumber : int { kStandardPage = 0, kSettingsPage = 1, kMidiPage = 2, kMidiLearnPage = 3, kNoPage = -1 };
constexpr int kPages = 4;

struct Image {
    int id;
    const char* name;
    int frames;
};

enum ImageId : int {
    kBackground = 100,
    kSliderTrack = 101,
    kSliderTrack4 = 102,
    kSliderTrack3 = 103,
    kSliderTrack2 = 104,
    kSliderHandle = 105,
    kSliderHandleHover = 106,
    kKnob = 107,
    kKnobHover = 108,
    kDigit = 109,
    kDigitYellow = 110,
    kDigitRed = 111,
    kButtonPoly = 112,
    kButtonUnison = 113,
    kButtonMono = 114,
    kButtonPage = 115,
    kButtonLoad = 116,
    kButtonSave = 117,
    kButtonWrite = 119,
    kButtonDefault = 120,
    kButtonPlus = 121,
    kButtonMinus = 122,
    kLedPage = 124,
    kLedKeyAssign = 125,
    kLogo = 138,
    kButtonRandom = 141,
    kAboutBox = 145,
    kSettingsBackground = 148,
    kMidiBackground = 149,
    kMidiLearnBackground = 150,
    kSettingsBackgroundVoices = 151,
    kVoicesKnob = 152,
    kVoicesKnobHover = 153,
    kVoicesKnobBackground = 154,
    kVoicesSliderBackground = 155,
    kPitchBendPatch = 156,
};

// Every image the panel loads, with its frame count.
std::span<const Image> Images();

struct ControlPlace {
    int id;
    bool knob;     // a knob, else a slider
    int positions; // sliders: 0 continuous, else the number of stops
    int x, y;
    PageNumber page; // kNoPage: the fixed part of the panel
};

// The controls of single parameters, in id order; "Number of Voices" (id 67), whose place depends
// on the voice layout, is not among them.
std::span<const ControlPlace> ControlPlaces();

} // namespace panel
