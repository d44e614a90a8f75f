#include "editor/PanelScaleChooser.h"

#include <iterator>

#include "framework/graphics/IGraphics.h"
#include "instrument/KT4R.h"

namespace {

// The choices in the order a click steps through them.
constexpr double kChoices[] = {IGraphics::kAutoScale, 1.0, 1.5, 2.0};

} // namespace

double PanelScaleFromText(const std::string& text)
{
    if (text == "1")
        return 1.0;
    if (text == "1.5")
        return 1.5;
    return text == "2" ? 2.0 : IGraphics::kAutoScale;
}

const char* PanelScaleWord(double scale)
{
    if (scale == 1.0)
        return "1";
    if (scale == 1.5)
        return "1.5";
    return scale == 2.0 ? "2" : "AUTO";
}

PanelScaleChooser::PanelScaleChooser(KT4R& plug, IGraphics& graphics, int x, int y, const IBitmapRef& digit,
                                     const IBitmapRef& second, const IBitmapRef& third)
    : MyReadout(plug, graphics, x, y, 4, digit, second, third, "PanelScale"),
      mChoice(PanelScaleFromText(plug.ConfiguredValue(kConfigKey)))
{
    graphics.SetScalePreference(mChoice);
    SetTooltip("Panel size: click to choose; the editor takes it when it opens next.");
    Show();
}

void PanelScaleChooser::MouseDown(int x, int y, const IMouseMod& mods)
{
    size_t next = 0;
    for (size_t i = 0; i < std::size(kChoices); ++i) {
        if (kChoices[i] == mChoice)
            next = (i + 1) % std::size(kChoices);
    }
    mChoice = kChoices[next];
    Instrument().SetConfiguredValue(kConfigKey, PanelScaleWord(mChoice));
    if (IGraphics* graphics = Graphics())
        graphics->SetScalePreference(mChoice);
    Show();
}

void PanelScaleChooser::Show()
{
    const std::string word = PanelScaleWord(mChoice);
    SetText(mChoice == IGraphics::kAutoScale ? word : word + "X");
    MarkDirty(false);
}
