// Turns the block's pitch bend, pressure and controller messages into frame-stamped controller events
// for the engine, and offers control changes to whoever learns controllers.
#pragma once

#include "signal/EventPool.h"
#include "signal/EventQueue.h"

class Synth;

// Receives every control change except the sustain pedal (the MIDI-learn map listens here).
class ControlChangeListener {
public:
    virtual ~ControlChangeListener() = default;
    // Called by DispatchControllers for each control change of the block: audio thread, plug-in lock
    // held; must not allocate.
    virtual void OnControlChange(int time, int channel, int controller, int value) noexcept = 0;
};

class ControllerInput {
public:
    explicit ControllerInput(Synth* synth, ControlChangeListener* listener = nullptr)
        : mSynth(synth), mListener(listener)
    {
    }
    ControllerInput(const ControllerInput&) = delete;
    ControllerInput& operator=(const ControllerInput&) = delete;

    // Drains the queue once per block before the render; audio thread, plug-in lock held.
    void DispatchControllers() noexcept;
    void SetListener(ControlChangeListener* listener) noexcept { mListener = listener; }

    EventQueue mQueue{"ControllerInput"};

private:
    // One controller event for each queued message of the busiest block.
    static constexpr int kEventCapacity = 4096;

    // The engine's controller queue holds these records until its next block: the engine must be
    // destroyed before this object.
    EventPool<ValueEvent> mEvents{kEventCapacity};
    Synth* mSynth;
    ControlChangeListener* mListener;
};
