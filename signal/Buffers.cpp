#include "signal/Buffers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

template <typename T>
GenericBuffer<T>::~GenericBuffer()
{
    ::operator delete(mData, std::align_val_t{16});
}

template <typename T>
void GenericBuffer<T>::Resize(int n)
{
    ::operator delete(mData, std::align_val_t{16});
    mData = nullptr;
    mSize = 0;
    if (n > 0) {
        // Aligned operator new rather than std::aligned_alloc, which the Windows C runtime lacks.
        size_t bytes = (static_cast<size_t>(n) * sizeof(T) + 15) & ~size_t(15);
        mData = static_cast<T*>(::operator new(bytes, std::align_val_t{16}, std::nothrow));
        if (mData)
            mSize = n;
    }
    mFilled = 0;
    Clear();
}

template <typename T>
void GenericBuffer<T>::Clear()
{
    for (int i = 0; i < mSize; ++i)
        mData[i] = T{};
    mState = Steady;
}

template <typename T>
void GenericBuffer<T>::Advance()
{
    if (mState == Settling) {
        T v = (mFilled >= 1 && mFilled <= mSize) ? mData[mFilled - 1] : T{};
        for (int i = 0; i < mSize; ++i)
            mData[i] = v;
        mState = Steady;
        mFilled = mSize;
    } else if (mState == Moving) {
        mState = Settling;
    }
}

template <typename T>
void GenericBuffer<T>::FillFrom(int start, const T& value)
{
    GenericBuffer<T>::FillRange(start, mSize, value);
    mFilled = mSize;
}

template <typename T>
void GenericBuffer<T>::FillRange(int start, int end, const T& value)
{
    // A copy: the value may be one of the buffer's own samples, and the compiler may then not keep it in
    // a register and store it several samples at a time.
    const T v = value;
    const int e = std::min(end, mSize);
    for (int i = std::max(start, 0); i < e; ++i)
        mData[i] = v;
    mFilled = std::max(e, 0);
    mState = Moving;
}

template class GenericBuffer<float>;
template class GenericBuffer<Quad_float>;

float OnePoleCoefficient(float cornerHz, float sampleRate)
{
    float w = cornerHz * 6.283185f / sampleRate;
    if (w > 0.001f)
        return std::exp(-w);
    return 1.0f - (1.0f - 0.5f * w) * w;
}

SmoothedGenericBuffer<float>::SmoothedGenericBuffer(std::string name) : GenericBuffer<float>(std::move(name))
{
    Recompute();
}

void SmoothedGenericBuffer<float>::Recompute()
{
    mCoefficient = OnePoleCoefficient(mSmoothingFrequency, mSampleRate);
}

void SmoothedGenericBuffer<float>::Clear()
{
    GenericBuffer<float>::Clear();
    mTarget = 0.0f;
}

void SmoothedGenericBuffer<float>::SetSampleRate(float rate)
{
    mSampleRate = rate;
    Recompute();
}

void SmoothedGenericBuffer<float>::SetSmoothingFrequency(float hz)
{
    mSmoothingFrequency = hz;
    Recompute();
}

void SmoothedGenericBuffer<float>::SetTargetFrom(int start, float value)
{
    mTarget = value;
    for (int i = std::max(start, 0); i < mSize; ++i)
        mData[i] = value;
    mFilled = mSize;
    mState = Fresh;
}

void SmoothedGenericBuffer<float>::SetTargetRange(int start, int end, float value)
{
    mTarget = value;
    int e = std::min(end, mSize);
    for (int i = std::max(start, 0); i < e; ++i)
        mData[i] = value;
    mFilled = std::max(e, 0);
    mState = Fresh;
}

void SmoothedGenericBuffer<float>::Advance()
{
    float memory = mMemory;
    const float k = mCoefficient;
    switch (mState) {
    case Fresh:
        for (int i = 0; i < mSize; ++i)
            mData[i] = OffsetOnePoleStep(memory, k, mData[i]);
        mState = Moving;
        mFilled = mSize;
        break;
    case Moving: {
        for (int i = 0; i < mSize; ++i)
            mData[i] = OffsetOnePoleStep(memory, k, mTarget);
        mFilled = mSize;
        // An empty buffer has no last sample to test; it settles at once.
        float d = mSize > 0 ? mData[mSize - 1] - mTarget : 0.0f;
        float d2 = d * d;
        if (static_cast<double>(d2) < 1e-6) {
            memory = mTarget + 1.0f;
            mState = Settling;
        }
        break;
    }
    case Settling:
        for (int i = 0; i < mSize; ++i)
            mData[i] = mTarget;
        mState = Steady;
        mFilled = mSize;
        break;
    default:
        break;
    }
    mMemory = memory;
}
