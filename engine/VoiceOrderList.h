// The order in which voices became free (head = free longest) followed by the busy voices in the order
// they were started; the cursor marks the last free node.
#pragma once

#include "engine/VoiceBase.h"

#include <cstdint>

class VoiceOrderList {
public:
    void Rebuild(int n) noexcept;
    void MarkFree(int v) noexcept;
    int TakeHead() noexcept;
    // Takes voice v out of the list; -1 when it is not in the list.
    int Take(int v) noexcept;
    void AppendBusy(int v) noexcept;

    int Count() const noexcept { return mCount; }
    int Head() const noexcept { return mHead; }
    int Cursor() const noexcept { return mCursor; }
    int Next(int v) const noexcept { return mNext[v]; }

private:
    bool Contains(int v) const noexcept;
    void Unlink(int v) noexcept;
    // Links v after prev (-1: at the head).
    void LinkAfter(int prev, int v) noexcept;

    // Nodes are the voice indices themselves; -1 ends a link.
    int mPrev[kMaxVoices] = {};
    int mNext[kMaxVoices] = {};
    bool mLinked[kMaxVoices] = {};
    int mHead = -1;
    int mTail = -1;
    int mCount = 0;
    int mCursor = -1;
};
