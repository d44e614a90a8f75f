#include "signal/ProcessContext.h"

#include "signal/Buffers.h"
#include "signal/MyComponent.h"

#include <algorithm>

void ProcessContext::AddBuffer(BufferBase* buffer)
{
    mBuffers.push_back(buffer);
}

void ProcessContext::AddComponent(MyComponent* component)
{
    component->mContext = this;
    mComponents.push_back(component);
}

void ProcessContext::RemoveBuffer(BufferBase* buffer)
{
    std::erase(mBuffers, buffer);
}

void ProcessContext::RemoveComponent(MyComponent* component)
{
    std::erase(mComponents, component);
}

void ProcessContext::SetSampleRate(float rate)
{
    mSampleRate = rate;
    for (MyComponent* c : mComponents)
        c->SetSampleRate(rate);
    for (BufferBase* b : mBuffers)
        b->SetSampleRate(rate);
}

void ProcessContext::SetBlockSize(int n)
{
    mBlockSize = n;
    for (BufferBase* b : mBuffers)
        b->Resize(n);
}

void ProcessContext::ResetAll()
{
    for (MyComponent* c : mComponents)
        c->ResetState();
    for (BufferBase* b : mBuffers)
        b->Clear();
}

void ProcessContext::ResetParts(std::span<MyComponent* const> components, std::span<BufferBase* const> buffers)
{
    for (MyComponent* c : components)
        c->ResetState();
    for (BufferBase* b : buffers)
        b->Clear();
}
