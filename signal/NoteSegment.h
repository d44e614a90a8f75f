// A stretch of one block during which a voice's key state is constant, as read by the envelopes.
#pragma once

#include <cstdint>

struct NoteSegment {
    int32_t start = 0;
    int32_t end = 0;
    int32_t length = 0;
    float gate = 0.0f;      // 1 while the key is down, 0 after note-off
    int32_t velocity = 0;   // note-on velocity 0..127
    float pitch = 0.0f;     // octaves, note 69 = 5.0
    uint8_t retrigger = 0;  // this segment's note-on restarts the envelopes
};

struct NoteSegmentList {
    static constexpr int kCapacity = 500;

    // Appends a segment; a full list drops it, so a flood of note events in one block can never
    // write past the end.
    bool Append(const NoteSegment& segment) noexcept
    {
        if (mCount >= kCapacity)
            return false;
        mItems[mCount++] = segment;
        return true;
    }

    int32_t mCount = 0;
    NoteSegment mItems[kCapacity];
};
