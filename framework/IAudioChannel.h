// One input or output channel of the host boundary: its pointer slot, scratch buffer and destination.
#pragma once

#include <string>
#include <vector>

struct IAudioChannel {
    IAudioChannel() = default;
    IAudioChannel(const IAudioChannel&) = delete;
    IAudioChannel& operator=(const IAudioChannel&) = delete;

    bool connected = false;
    double** pointerSlot = nullptr; // this channel's entry in the base's input or output pointer array
    std::vector<double> scratch;    // maximum block size long
    float* destination = nullptr;   // outputs only: the host's float buffer of the current block
    std::string label;              // empty: the host interface makes one up
};
