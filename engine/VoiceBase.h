// The interface the engine renders a voice through.
#pragma once

class VoiceBase {
public:
    VoiceBase() = default;
    VoiceBase(const VoiceBase&) = delete;
    VoiceBase& operator=(const VoiceBase&) = delete;
    virtual ~VoiceBase() = default;

    // Renders one block of this voice into the shared oversampled sum; audio thread, plug-in lock held.
    virtual void Process(int frames) noexcept = 0;
};
