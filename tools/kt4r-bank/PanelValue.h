// A patch parameter named as the panel's readout names it, and the normalised value that makes the
// readout show a given text: the readout rules of the instrument, inverted by search over the
// parameter's steps.
#pragma once

#include <optional>
#include <string>

#include "instrument/ReadoutText.h"

namespace kt4r_bank {

// The patch id (0-68) whose readout label, without its padding, is name (letter case ignored).
std::optional<int> PatchIdForPanelName(const std::string& name);

// The normalised value of id at which the readout shows text (spaces and letter case ignored).
// Several steps of a parameter may show the same text: the middle one of the first run of them is
// taken, so that the value sits inside the run, away from the neighbouring texts. Nothing when no step
// shows the text.
std::optional<double> NormalizedForText(int id, const std::string& text, const kt4r::ReadoutContext& context);

// The texts a parameter can show, in value order, each once (for messages).
std::string TextsOf(int id, const kt4r::ReadoutContext& context);

} // namespace kt4r_bank
