// The notes a mono voice is holding, lowest first, so that releasing a note falls back to the lowest
// one still held.
#pragma once

#include <cstdint>

struct HeldNote {
    int32_t sequence;
    int32_t note;
    int32_t velocity;
};

class HeldNoteList {
public:
    static constexpr int kCapacity = 128;

    // Ignores a note already held; a full list drops the newcomer.
    void Insert(int note, int velocity) noexcept;
    void Remove(int note) noexcept;
    void Clear() noexcept { mCount = 0; }
    void ResetSequence() noexcept { mSequence = 0; }

    int Count() const noexcept { return mCount; }
    const HeldNote& Head() const noexcept { return mItems[0]; }
    const HeldNote& At(int i) const noexcept { return mItems[i]; }

private:
    HeldNote mItems[kCapacity] = {};
    int mCount = 0;
    int32_t mSequence = 0;
};
