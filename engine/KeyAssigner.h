// Chooses a voice (or several) for every key by the key mode, keeps the sustain pedal and forwards
// note-on and note-off events to the chosen voices.
#pragma once

#include "signal/EngineParams.h"
#include "signal/EventPool.h"
#include "signal/EventQueue.h"
#include "engine/VoiceBase.h"
#include "engine/VoiceOrderList.h"

#include <bitset>
#include <cstdint>

class Kt4rVoice;
class Midi2CV;
class LFO;


class KeyAssigner {
public:
    static constexpr int kNotes = 256;

    KeyAssigner();
    KeyAssigner(const KeyAssigner&) = delete;
    KeyAssigner& operator=(const KeyAssigner&) = delete;

    // Drains the MIDI queued since the last block; audio thread, plug-in lock held.
    void ProcessBlock(int frames) noexcept;
    void SetKeyMode(KeyMode mode) noexcept;
    // SetKeyMode, unless the assigner already runs that mode: re-sending an unchanged mode (a program
    // load, the host reopening, automation) must not cut held or new notes.
    void EnsureKeyMode(KeyMode mode) noexcept;
    void SetMonoRetrigger(bool on) noexcept;
    void SetPortamentoCyclic(bool on) noexcept { mPortamentoCyclic = on; }
    void ReleaseAllVoices() noexcept;

    // Called by the engine when it creates or destroys voices.
    void AddVoice(Kt4rVoice* voice) noexcept;
    void RemoveVoice(Kt4rVoice* voice) noexcept;
    void SetLfo(LFO* lfo) noexcept { mLfo = lfo; }

    // The voice that last received the note, or -1.
    int VoiceForNote(int note) const noexcept;
    int VoicesInUse() const noexcept { return mVoicesInUse; }
    int NumberOfVoices() const noexcept { return mNumVoices; }
    KeyMode CurrentKeyMode() const noexcept { return mKeyMode; }
    int HeldCount() const noexcept { return mHeldCount; }

    EventQueue mInput{"KeyAssigner"};

private:
    // Room for the note events of the busiest block: every voice released and restarted many times.
    static constexpr int kVoiceEventCapacity = 4096;

    // Voice indices per note, oldest first; a key struck more often than this without release keeps
    // only the first entries.
    struct NoteFifo {
        static constexpr int kCapacity = 16;
        int8_t items[kCapacity];
        uint8_t head = 0;
        uint8_t count = 0;
    };

    void PushNote(Midi2CV& m, int time, uint8_t status, int note, int velocity) noexcept;
    void NoteOn(const MidiEvent& e) noexcept;
    void NoteOff(const MidiEvent& e) noexcept;
    void ControlChange(const MidiEvent& e) noexcept;
    void StartVoice(int v, int time, int note, int velocity) noexcept;
    int ForwardNoteOff(int v, int time, int note, int velocity) noexcept;
    void ReleaseVoice(int v, int time = 0) noexcept;
    void ApplyVoiceFlags() noexcept;
    void FitVoices() noexcept;
    void ClearFifos() noexcept;
    bool IsMono() const noexcept { return mMono != 0; }
    int VoicesInUseFor(KeyMode mode) const noexcept;
    static int OctaveDown(int note) noexcept { return note >= 13 ? note - 12 : note; }

    // Declared before the voices' queues can hold its records, and outlives them: the engine that owns
    // the voices is destroyed first.
    EventPool<MidiEvent> mVoiceEvents{kVoiceEventCapacity};
    Kt4rVoice* mVoices[kMaxVoices] = {};
    LFO* mLfo = nullptr;
    NoteFifo mFifos[kNotes];
    int32_t mHeldCount = 0;
    int32_t mNoteToVoice[kNotes];
    int32_t mNumVoices = 0;
    int32_t mVoicesInUse = 0;
    int32_t mLastVoice = -1;
    std::bitset<kMaxVoices> mActiveSet;
    KeyMode mKeyMode = KeyMode::kPoly1;
    uint8_t mMono = 0;
    uint8_t mCyclic = 0;
    uint8_t mSustain = 0;
    uint8_t mPortamentoCyclic = 0;
    uint8_t mMonoRetrigger = 0;
    VoiceOrderList mOrder;
    uint8_t mReleaseAllPending = 0;
};
