// The registry of every buffer and component of the engine; it broadcasts sample rate, block size and
// reset to all of them, or brings parts added later up to the current ones.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

class BufferBase;
class MyComponent;

// Every call here is a set-up call: host UI thread, plug-in lock held, never during a render; they
// may allocate.
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
    // ResetState on the components, then Clear on the buffers, of parts that already have the current
    // rate and size. Any thread, plug-in lock held, never during a render; allocates nothing for the
    // voices' parts, whose resets only clear state.
    static void ResetParts(std::span<MyComponent* const> components, std::span<BufferBase* const> buffers);

    int32_t mBlockSize = 0;
    float mSampleRate = 0.0f;
    float mOutputGain = 1.0f;
    double mTempo = 0.0;
    std::vector<BufferBase*> mBuffers;
    std::vector<MyComponent*> mComponents;
};
