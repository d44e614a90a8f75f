// Frame-stamped event records that carry MIDI, parameter and controller changes into the render.
#pragma once

#include "signal/ParamId.h"

#include <cstdint>

enum EventKind : int32_t {
    kValueEventKind = 1,
    kParamSetEventKind = 2,
    kMidiEventKind = 3,
};

// Controller ids of the "Controller" queue.
enum ControllerId : int32_t {
    kPitchBend = 0,
    kChannelPressure = 1,
    kPolyPressure = 2,
    kModWheel = 3,
};

class EventPoolBase;

struct EngineEvent {
    EngineEvent(int32_t time, int32_t kind) : mTime(time), mKind(kind) {}
    EngineEvent(const EngineEvent&) = delete;
    EngineEvent& operator=(const EngineEvent&) = delete;
    virtual ~EngineEvent() = default;

    int32_t mTime;
    int32_t mKind;
    EngineEvent* mNext = nullptr;   // queue link, owned by the queue holding the event
    EventPoolBase* mPool = nullptr; // the pool the record returns to; null for a record made with new
};

// Gives a popped record back to its pool (or deletes one made with new).
struct EventRelease {
    void operator()(EngineEvent* event) const noexcept;
};

struct MidiEvent final : EngineEvent {
    MidiEvent(int32_t time, uint8_t status, uint8_t data1, uint8_t data2)
        : EngineEvent(time, kMidiEventKind), mStatus(status), mData1(data1), mData2(data2)
    {
    }

    uint8_t mStatus;
    uint8_t mData1;
    uint8_t mData2;
};

// A parameter change (id 0..69, normalised value) or a controller change (controller id, note, value).
struct ValueEvent final : EngineEvent {
    ValueEvent(int32_t time, int32_t id, float value, int32_t note = 0)
        : EngineEvent(time, kValueEventKind), mId(id), mNote(note), mValue(value)
    {
    }

    int32_t mId;
    int32_t mNote;
    float mValue;
};

// The whole patch at once: normalised values of ids 0..69.
struct ParamSetEvent final : EngineEvent {
    explicit ParamSetEvent(int32_t time) : EngineEvent(time, kParamSetEventKind) {}

    float mValues[kPatchParamCount] = {};
};
