#include "engine/HeldNoteList.h"

void HeldNoteList::Insert(int note, int velocity) noexcept
{
    int32_t sequence = mSequence++;
    int pos = 0;
    while (pos < mCount && mItems[pos].note < note)
        ++pos;
    if (pos < mCount && mItems[pos].note == note)
        return;
    if (mCount >= kCapacity)
        return;
    for (int i = mCount; i > pos; --i)
        mItems[i] = mItems[i - 1];
    mItems[pos] = HeldNote{sequence, note, velocity};
    ++mCount;
}

void HeldNoteList::Remove(int note) noexcept
{
    for (int i = 0; i < mCount; ++i) {
        if (mItems[i].note == note) {
            for (int j = i + 1; j < mCount; ++j)
                mItems[j - 1] = mItems[j];
            --mCount;
            return;
        }
    }
}
