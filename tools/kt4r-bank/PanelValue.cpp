#include "tools/kt4r-bank/PanelValue.h"

#include <cctype>
#include <cmath>

#include "instrument/ParamTable.h"

namespace kt4r_bank {

namespace {

// Padding stripped, letters in upper case.
std::string Key(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    std::string key = text.substr(begin, end - begin);
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

// The steps of a parameter's range: the normalised value of step i of count.
int StepCount(const kt4r::ParamDef& def)
{
    return static_cast<int>(std::lround((def.max - def.min) / def.step));
}

double StepValue(int i, int steps)
{
    return static_cast<double>(i) / static_cast<double>(steps);
}

// A value text as compared: spaces left out as well (the readout pads "1/ 4" inside), letters in
// upper case.
std::string ValueKey(const std::string& text)
{
    std::string key;
    for (char c : text) {
        if (c != ' ')
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return key;
}

} // namespace

std::optional<int> PatchIdForPanelName(const std::string& name)
{
    const std::string wanted = Key(name);
    if (wanted.empty())
        return std::nullopt;
    for (const kt4r::ParamDef& def : kt4r::kPatchParams) {
        if (def.kind != kt4r::ParamKind::kNone && Key(def.readoutLabel) == wanted)
            return def.id;
    }
    return std::nullopt;
}

std::optional<double> NormalizedForText(int id, const std::string& text, const kt4r::ReadoutContext& context)
{
    const kt4r::ParamDef* def = kt4r::FindParamDef(id);
    if (!def)
        return std::nullopt;
    const std::string wanted = ValueKey(text);
    const int steps = StepCount(*def);
    int first = -1;
    int last = -1;
    for (int i = 0; i <= steps; ++i) {
        const bool shows = ValueKey(kt4r::ReadoutValueText(id, StepValue(i, steps), context)) == wanted;
        if (shows && first < 0)
            first = i;
        if (shows)
            last = i;
        if (!shows && first >= 0)
            break;
    }
    if (first < 0)
        return std::nullopt;
    return StepValue((first + last) / 2, steps);
}

std::string TextsOf(int id, const kt4r::ReadoutContext& context)
{
    const kt4r::ParamDef* def = kt4r::FindParamDef(id);
    if (!def)
        return std::string();
    const int steps = StepCount(*def);
    std::string texts;
    std::string previous;
    for (int i = 0; i <= steps; ++i) {
        const std::string shown = ValueKey(kt4r::ReadoutValueText(id, StepValue(i, steps), context));
        if (shown == previous)
            continue;
        texts += (texts.empty() ? "" : ", ") + shown;
        previous = shown;
    }
    return texts;
}

} // namespace kt4r_bank
