// How each patch parameter reaches the engine: the curve that turns its normalised value (0..1) into
// the engine unit stored in EngineParams, the smoothed signal that follows it, and what else a change
// of it sets in motion. One row per id; ApplyParam, the engine's signals and its event propagation all
// read this table.
#pragma once

#include "signal/EngineParams.h"
#include "signal/ParamId.h"

#include <cstdint>
#include <span>

// Four steps at 1/6, 1/2 and 5/6 (first and last compared in double, as stored patches expect).
int32_t Quantize4(float v) noexcept;
// Three steps at 1/4 and 3/4.
int32_t Quantize3(float v) noexcept;

// What a parameter event sets in motion beyond its stored value.
enum class ParamEffect : uint8_t {
    kNone,
    kHoldVoices,    // a waveform or cross-modulation change keeps every voice running briefly
    kWakeEnvelope1, // a sustain change moves envelopes that had settled
    kWakeEnvelope2,
    kPortamentoTime,   // every voice's glide time
    kPortamentoSwitch, // every voice's glide time, or none
    kKeyMode,          // the key assigner's mode, then the detune spread
    kUnisonDetune,     // the detune spread
    kLfoSync,
    kLfoTrigger,
};

// Whether a smoothed signal follows the parameter, and whether a whole-patch event restates it.
enum class ParamSignal : uint8_t {
    kNone,
    kPatch,  // restated by every whole-patch event
    kGlobal, // the chorus settings: moved only by their own events
};

struct EngineParamDef {
    ParamId id;
    // Stores the engine value of a normalised value; nullptr where the engine keeps no field.
    void (*store)(EngineParams&, float) noexcept;
    ParamSignal signal;
    const char* signalName;             // the smoothed buffer's name
    float EngineParams::*smoothedValue; // the field the signal glides to
    ParamEffect effect;
};

// The rows of ids 0..69, in id order.
std::span<const EngineParamDef, kPatchParamCount> EngineParamTable() noexcept;

inline const EngineParamDef& EngineParamDefOf(ParamId id) noexcept
{
    return EngineParamTable()[static_cast<size_t>(Index(id))];
}

// Stores the engine value of patch parameter index (0..69); ids without a field, indices outside the
// patch and values that are not finite are ignored.
void ApplyParam(EngineParams& params, int index, float v) noexcept;
// Whether the engine values hold exactly what the normalised values of ids 0..69 give: every field
// ApplyParam stores, bit for bit. Fields it never stores (the bend-range set) are not compared.
bool EngineParamsMatch(const EngineParams& engine, const float* values) noexcept;
