// Named one-block signal buffers that carry a value over block ends or glide towards a new one.
#pragma once

#include "signal/QuadFloat.h"

#include <bit>
#include <cstdint>
#include <string>

enum BufferState : uint32_t {
    Steady = 0,    // the whole buffer holds one constant value
    Settling = 1,  // holds last block's samples; the next Advance fills it with its final value
    Moving = 2,    // plain: written this block; smoothed: gliding towards its target
    Fresh = 3,     // smoothed only: raw written samples that the next Advance smooths in place
};

// Resize, SetSampleRate and the destructor are set-up calls: host UI thread, plug-in lock held, may
// allocate. Clear is called by both; Advance and the writers only by the render (audio thread,
// plug-in lock held), and allocate nothing.
class BufferBase {
public:
    explicit BufferBase(std::string name) : mName(std::move(name)) {}
    BufferBase(const BufferBase&) = delete;
    BufferBase& operator=(const BufferBase&) = delete;

    // Called by the context on a block-size change; reallocates and leaves the buffer cleared. Host UI
    // thread, plug-in lock held; allocates.
    virtual void Resize(int n) { mSize = n; }
    // Called by the context's ResetAll, by Resize and when a voice-count change connects a voice
    // (set-up, plug-in lock held), and by the render for a sum it rebuilds every block (audio thread,
    // plug-in lock held); allocates nothing.
    virtual void Clear() {}
    // Called by the render once per block for the smoothed parameter signals; audio thread, plug-in
    // lock held; allocates nothing.
    virtual void Advance() {}
    // Called by the context when the host rate changes. Host UI thread, plug-in lock held; may allocate.
    virtual void SetSampleRate(float) {}
    // Called by the owner when it removes the buffer; host UI thread, plug-in lock held.
    virtual ~BufferBase() = default;

    const std::string& Name() const { return mName; }

    uint32_t mState = Steady;
    std::string mName;
    int mSize = 0;
    int mFilled = 0;
};

template <typename T>
class GenericBuffer : public BufferBase {
public:
    explicit GenericBuffer(std::string name) : BufferBase(std::move(name)) {}
    ~GenericBuffer() override;

    void Resize(int n) override;
    void Clear() override;
    void Advance() override;
    // Write value from start to the end of the buffer, or over [start, end). Called by event
    // application and the blocks; audio thread, plug-in lock held; allocates nothing.
    virtual void FillFrom(int start, const T& value);
    virtual void FillRange(int start, int end, const T& value);

    T& operator[](int i) { return mData[i]; }
    const T& operator[](int i) const { return mData[i]; }
    T* Data() { return mData; }
    const T* Data() const { return mData; }

    T* mData = nullptr;
};

extern template class GenericBuffer<float>;
extern template class GenericBuffer<Quad_float>;

using FloatBuffer = GenericBuffer<float>;
using QuadBuffer = GenericBuffer<Quad_float>;

// A float buffer whose written values pass through a one-pole low-pass (10 Hz by default), so that
// parameter steps become glides. The filter state carries a +1.0 offset and rests at 1.0 for silence.
template <typename T>
class SmoothedGenericBuffer;

template <>
class SmoothedGenericBuffer<float> final : public GenericBuffer<float> {
public:
    explicit SmoothedGenericBuffer(std::string name);

    void Clear() override;
    void Advance() override;
    void SetSampleRate(float rate) override;
    // Called by the owner when it sets the signal up; host UI thread, plug-in lock held.
    virtual void SetSmoothingFrequency(float hz);
    // A new target from start (to end); called by event application, audio thread, plug-in lock
    // held, or by a set-up call announcing the targets; allocates nothing.
    virtual void SetTargetFrom(int start, float value);
    virtual void SetTargetRange(int start, int end, float value);

    float mTarget = 0.0f;
    float mSmoothingFrequency = 10.0f;
    float mSampleRate = 44100.0f;
    float mMemory = 1.0f;
    float mCoefficient = 0.0f;

private:
    void Recompute();
};

using SmoothedBuffer = SmoothedGenericBuffer<float>;

// One-pole coefficient for a corner frequency, with the series form where exp(-w) would lose precision.
float OnePoleCoefficient(float cornerHz, float sampleRate);

// One step of a one-pole low-pass whose state carries a +1.0 offset, so that it rests at 1.0, away
// from the denormal range, while the signal is silent. Returns the filtered value without the offset.
inline float OffsetOnePoleStep(float& state, float coefficient, float input) noexcept
{
    const float v = input + 1.0f;
    state = (state - v) * coefficient + v;
    return state - 1.0f;
}

// Whether the first frames samples are all +0.0, as a cleared buffer holds: a filter step on 0.0f is
// then bit for bit the step on each of them (a -0.0 can give an output of the other sign).
inline bool IsSilent(const float* samples, int frames) noexcept
{
    for (int i = 0; i < frames; ++i)
        if (std::bit_cast<uint32_t>(samples[i]) != 0)
            return false;
    return true;
}

// Whether the first frames samples all have the bits of the first one: a step that leaves its state
// as it was on that input then does so on every one of them.
inline bool IsConstant(const float* samples, int frames) noexcept
{
    // The differing bits of all samples, gathered without an early exit so that the loop vectorises.
    const uint32_t first = frames > 0 ? std::bit_cast<uint32_t>(samples[0]) : 0;
    uint32_t differ = 0;
    for (int i = 1; i < frames; ++i)
        differ |= std::bit_cast<uint32_t>(samples[i]) ^ first;
    return differ == 0;
}

// Equal to the bit: a filter state at rest must not be told apart from its next step even by its sign.
inline bool SameBits(float a, float b) noexcept
{
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

// The state and coefficient of one such low-pass; a fresh one rests at 1.0 (silence).
struct Smoother {
    float mState = 1.0f;
    float mCoefficient = 0.0f;
};
