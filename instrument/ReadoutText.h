// The panel readout's text for a parameter: its readout label and the value text its rule gives.
#pragma once

#include <string>

#include "instrument/ParamTable.h"

namespace kt4r {

// Values outside the table that the rules depend on.
struct ReadoutContext {
    bool lfoSync = false;           // "LFO SYNC" (id 65) at or above 0.5: "LFO RATE" shows a note length
    bool extendedPitchBend = false; // configuration flag "EXTENDED_PB": the wider bend ranges
};

// The rule of an id: the table's for ids 0-69; for settings 78 Gain, 79 Channel, 90-92 OnOff; Scale
// for every other id (id -1 has no text at all, see ReadoutValueText).
ReadoutRule RuleForId(int id);

// The readout label of an id; empty for id -1 and for ids outside 0..97.
const char* ReadoutLabel(int id);

// The value text of id for the normalised value n; empty for id -1.
std::string ReadoutValueText(int id, double n, const ReadoutContext& context);
std::string ReadoutValueText(ReadoutRule rule, double n, const ReadoutContext& context);

// Label, one space, value text; empty for id -1.
std::string ReadoutLine(int id, double n, const ReadoutContext& context);

} // namespace kt4r
