// The base of every synthesis block: host rate, filter oversampling factor, reset and recalculation hooks.
#pragma once

#include <cstdint>

class ProcessContext;

// Set-up calls (construction, a rate change, a reset) come from the host's UI thread with the plug-in
// lock held and may allocate; a voice's reset when a voice-count change connects it may come from any
// thread and allocates nothing. A block's per-block ProcessBlock runs on the
// audio thread with the plug-in lock held and allocates nothing.
class MyComponent {
public:
    MyComponent() = default;
    MyComponent(const MyComponent&) = delete;
    MyComponent& operator=(const MyComponent&) = delete;

    // Called by the context's ResetAll (host UI thread, plug-in lock held; may allocate), and for a
    // voice's own components when a voice-count change connects the voice (any thread, plug-in lock
    // held; a voice's components allocate nothing here).
    virtual void ResetState() {}
    // Called by the context when the host rate changes. Host UI thread, plug-in lock held; may allocate.
    virtual void SetSampleRate(float rate)
    {
        mSampleRate = rate;
        mInvSampleRate = 1.0f / rate;
        mOversampling = rate > 160000.0f ? 1 : (rate > 80000.0f ? 2 : 4);
        Recalculate();
    }
    // Recomputes rate-dependent coefficients; called from SetSampleRate (and a block's own set-up
    // calls), on the same thread under the same lock; may allocate.
    virtual void Recalculate() {}
    // Called by the owner when it configures the block; host UI thread, plug-in lock held; may allocate.
    virtual void SetIntegerOption(int32_t option) { mIntegerOption = option; }
    // Called by the owner when it removes the block; host UI thread, plug-in lock held.
    virtual ~MyComponent() = default;

    float mSampleRate = 0.0f;
    float mInvSampleRate = 0.0f;
    int32_t mOversampling = 4;
    int32_t mIntegerOption = 0;
    ProcessContext* mContext = nullptr;
};
