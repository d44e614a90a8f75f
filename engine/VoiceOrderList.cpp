#include "engine/VoiceOrderList.h"

bool VoiceOrderList::Contains(int v) const noexcept
{
    return v >= 0 && v < kMaxVoices && mLinked[v];
}

void VoiceOrderList::Unlink(int v) noexcept
{
    if (mCursor == v)
        mCursor = mPrev[v];
    if (mPrev[v] >= 0)
        mNext[mPrev[v]] = mNext[v];
    else
        mHead = mNext[v];
    if (mNext[v] >= 0)
        mPrev[mNext[v]] = mPrev[v];
    else
        mTail = mPrev[v];
    mPrev[v] = mNext[v] = -1;
    mLinked[v] = false;
    --mCount;
}

void VoiceOrderList::Rebuild(int n) noexcept
{
    for (int i = 0; i < kMaxVoices; ++i) {
        mPrev[i] = mNext[i] = -1;
        mLinked[i] = false;
    }
    mHead = mTail = mCursor = -1;
    mCount = 0;
    if (n > kMaxVoices)
        n = kMaxVoices;
    for (int v = 0; v < n; ++v)
        AppendBusy(v);
    for (int v = 0; v < n; ++v)
        MarkFree(v);
}

void VoiceOrderList::LinkAfter(int prev, int v) noexcept
{
    mLinked[v] = true;
    ++mCount;
    mPrev[v] = prev;
    mNext[v] = prev >= 0 ? mNext[prev] : mHead;
    if (mNext[v] >= 0)
        mPrev[mNext[v]] = v;
    else
        mTail = v;
    if (prev >= 0)
        mNext[prev] = v;
    else
        mHead = v;
}

void VoiceOrderList::MarkFree(int v) noexcept
{
    if (v < 0 || v >= kMaxVoices)
        return;
    if (mLinked[v])
        Unlink(v);
    LinkAfter(mCursor, v);
    mCursor = v;
}

int VoiceOrderList::TakeHead() noexcept
{
    int v = mHead;
    if (v < 0)
        return -1;
    Unlink(v);
    return v;
}

int VoiceOrderList::Take(int v) noexcept
{
    if (!Contains(v))
        return -1;
    Unlink(v);
    return v;
}

void VoiceOrderList::AppendBusy(int v) noexcept
{
    if (v < 0 || v >= kMaxVoices)
        return;
    if (mLinked[v])
        Unlink(v);
    LinkAfter(mTail, v);
}
