// One input or output channel of the host boundary: its pointer slot and scratch buffer.
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
    std::string label;              // empty: the host interface makes one up
};
