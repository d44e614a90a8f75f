// The registry of every buffer and component of the engine; it broadcasts sample rate, block size and
// reset to all of them.
#pragma once

#include <cstdint>
#include <vector>

class BufferBase;
class MyComponent;

class ProcessContext {
public:
    ProcessContext() = default;
    ProcessContext(const ProcessContext&) = delete;
    ProcessContext& operator=(const ProcessContext&) = delete;

    void AddBuffer(BufferBase* buffer);
    void AddComponent(MyComponent* component);
    void RemoveBuffer(BufferBase* buffer);
    void RemoveComponent(MyComponent* component);

    // Components first, then buffers; both in registration order.
    void SetSampleRate(float rate);
    // Resizes every buffer (allocates); the caller skips it when the size is unchanged.
    void SetBlockSize(int n);
    // ResetState on every component, then Clear on every buffer.
    void ResetAll();

    int32_t mBlockSize = 0;
    float mSampleRate = 0.0f;
    float mOutputGain = 1.0f;
    double mTempo = 0.0;
    std::vector<BufferBase*> mBuffers;
    std::vector<MyComponent*> mComponents;
};
