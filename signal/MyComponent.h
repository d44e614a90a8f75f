// The base of every synthesis block: host rate, filter oversampling factor, reset and recalculation hooks.
#pragma once

#include <cstdint>

class ProcessContext;

class MyComponent {
public:
    MyComponent() = default;
    MyComponent(const MyComponent&) = delete;
    MyComponent& operator=(const MyComponent&) = delete;

    // Called by the context's ResetAll (instrument reset, voice-count rebuild), under the plug-in lock.
    virtual void ResetState() {}
    // Called by the context when the host rate changes, under the plug-in lock; may allocate.
    virtual void SetSampleRate(float rate)
    {
        mSampleRate = rate;
        mInvSampleRate = 1.0f / rate;
        mOversampling = rate > 160000.0f ? 1 : (rate > 80000.0f ? 2 : 4);
        Recalculate();
    }
    // Recomputes rate-dependent coefficients; called from SetSampleRate.
    virtual void Recalculate() {}
    virtual void SetIntegerOption(int32_t option) { mIntegerOption = option; }
    virtual ~MyComponent() = default;

    float mSampleRate = 0.0f;
    float mInvSampleRate = 0.0f;
    int32_t mOversampling = 4;
    int32_t mIntegerOption = 0;
    ProcessContext* mContext = nullptr;
};
