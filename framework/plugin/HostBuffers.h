// One sub-block of a host's audio buffers through the plug-in's double scratch channels: the host's
// samples from `start` are copied in, RenderDouble runs, and the result is copied (or added) back, so
// the plug-in sees the same doubles whatever sample type or format the host uses. Audio thread, under
// the plug-in lock; allocates nothing.
#pragma once

#include <algorithm>
#include <array>

#include "framework/plugin/IPlugBase.h"

// Channels beyond this many are rendered into scratch only.
constexpr int kMaxHostChannels = 8;

template <typename Sample>
void RenderHostSubBlock(IPlugBase& base, Sample* const* inputs, Sample* const* outputs, int start, int n,
                        bool accumulate)
{
    int hostIn = 0;
    for (int i = 0; i < base.NInChannels(); ++i) {
        IAudioChannel& channel = base.InChannel(i);
        double* scratch = channel.scratch.data();
        *channel.pointerSlot = scratch;
        if (!channel.connected)
            continue;
        const Sample* in = inputs ? inputs[hostIn] : nullptr;
        ++hostIn;
        if (in) {
            for (int k = 0; k < n; ++k)
                scratch[k] = in[start + k];
        } else {
            std::fill(scratch, scratch + n, 0.0);
        }
    }
    int hostOut = 0;
    std::array<Sample*, kMaxHostChannels> destinations{};
    for (int i = 0; i < base.NOutChannels() && i < kMaxHostChannels; ++i) {
        IAudioChannel& channel = base.OutChannel(i);
        *channel.pointerSlot = channel.scratch.data();
        if (!channel.connected)
            continue;
        Sample* out = outputs ? outputs[hostOut] : nullptr;
        ++hostOut;
        destinations[static_cast<size_t>(i)] = out ? out + start : nullptr;
    }
    base.RenderDouble(base.InputPointers(), base.OutputPointers(), n);
    for (int i = 0; i < base.NOutChannels() && i < kMaxHostChannels; ++i) {
        Sample* dest = destinations[static_cast<size_t>(i)];
        if (!dest)
            continue;
        const double* src = base.OutChannel(i).scratch.data();
        if (accumulate) {
            for (int k = 0; k < n; ++k)
                dest[k] += static_cast<Sample>(src[k]);
        } else {
            for (int k = 0; k < n; ++k)
                dest[k] = static_cast<Sample>(src[k]);
        }
    }
}
