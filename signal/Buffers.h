// Named one-block signal buffers that carry a value over block ends or glide towards a new one.
#pragma once

#include "signal/QuadFloat.h"

#include <cstdint>
#include <string>

enum BufferState : uint32_t {
    Steady = 0,    // the whole buffer holds one constant value
    Settling = 1,  // holds last block's samples; the next Advance fills it with its final value
    Moving = 2,    // plain: written this block; smoothed: gliding towards its target
    Fresh = 3,     // smoothed only: raw written samples that the next Advance smooths in place
};

class BufferBase {
public:
    explicit BufferBase(std::string name) : mName(std::move(name)) {}
    BufferBase(const BufferBase&) = delete;
    BufferBase& operator=(const BufferBase&) = delete;

    virtual void Resize(int n) { mSize = n; }
    virtual void Clear() {}
    virtual void Advance() {}
    virtual void SetSampleRate(float) {}
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
    virtual void SetSmoothingFrequency(float hz);
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
