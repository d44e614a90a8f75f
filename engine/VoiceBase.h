// The interface the engine renders a voice through, and the most voices an engine runs.
#pragma once

// "Number of Voices" goes up to 12; the engine, the key assigner and its voice order size their
// tables by this.
constexpr int kMaxVoices = 12;

class VoiceBase {
public:
    VoiceBase() = default;
    VoiceBase(const VoiceBase&) = delete;
    VoiceBase& operator=(const VoiceBase&) = delete;
    virtual ~VoiceBase() = default;

    // Called by Synth::Render for every voice that sounds or has notes waiting: renders one block
    // into the shared oversampled sum. Audio thread, plug-in lock held; allocates nothing; frames is
    // within 0..block size.
    virtual void Process(int frames) noexcept = 0;
};
