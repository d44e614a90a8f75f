// The instrument's names in the LV2 world: its URI, its UI's, and the bundle's files.
#pragma once

namespace kt4r_lv2 {

inline constexpr const char* kPluginUri = "urn:tolva:kt-4r";
inline constexpr const char* kUiUri = "urn:tolva:kt-4r:ui";
inline constexpr const char* kDspBinary = "KT-4R-dsp.so";
inline constexpr const char* kUiBinary = "KT-4R-ui.so";
inline constexpr const char* kPluginTtl = "KT-4R.ttl";
// Audio outputs after the 70 control ports, then the atom input and output.
inline constexpr int kAudioOutputs = 2;
// Room for the MIDI and SysEx one run may send (a program dump is 67 bytes).
inline constexpr int kEventsOutMinimumSize = 16384;

} // namespace kt4r_lv2
