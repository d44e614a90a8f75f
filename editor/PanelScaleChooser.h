// The panel's size on the Settings page: a readout that steps through AUTO, 1X, 1.5X and 2X on a click
// and keeps the choice in the configuration ("UI_SCALE"); the editor takes it when it opens next.
#pragma once

#include <string>

#include "editor/MyReadout.h"

// The configuration's "UI_SCALE": "1", "1.5" or "2" give that scale; "AUTO", absence and anything else
// follow the desktop (IGraphics::kAutoScale).
double PanelScaleFromText(const std::string& text);
// The configuration's word for a scale ("AUTO" for kAutoScale).
const char* PanelScaleWord(double scale);

class PanelScaleChooser : public MyReadout {
public:
    static constexpr const char* kConfigKey = "UI_SCALE";

    // Plug-in constructor: shows the configured choice and hands it to graphics as its preference.
    PanelScaleChooser(KT4R& plug, IGraphics& graphics, int x, int y, const IBitmapRef& digit,
                      const IBitmapRef& second, const IBitmapRef& third);

    // Editor thread: the next choice, shown, kept in the configuration and handed to the editor (which
    // keeps its present scale while its window is open).
    void MouseDown(int x, int y, const IMouseMod& mods) override;
    double Choice() const { return mChoice; }

private:
    void Show();

    double mChoice;
};
