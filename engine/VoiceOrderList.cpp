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

void VoiceOrderList::MarkFree(int v) noexcept
{
    if (v < 0 || v >= kMaxVoices)
        return;
    if (mLinked[v])
        Unlink(v);
    mLinked[v] = true;
    ++mCount;
    if (mCursor < 0) {
        mPrev[v] = -1;
        mNext[v] = mHead;
        if (mHead >= 0)
            mPrev[mHead] = v;
        else
            mTail = v;
        mHead = v;
    } else {
        mPrev[v] = mCursor;
        mNext[v] = mNext[mCursor];
        if (mNext[mCursor] >= 0)
            mPrev[mNext[mCursor]] = v;
        else
            mTail = v;
        mNext[mCursor] = v;
    }
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
    mLinked[v] = true;
    ++mCount;
    mPrev[v] = mTail;
    mNext[v] = -1;
    if (mTail >= 0)
        mNext[mTail] = v;
    else
        mHead = v;
    mTail = v;
}
