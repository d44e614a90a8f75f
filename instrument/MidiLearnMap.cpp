#include "instrument/MidiLearnMap.h"

#include <algorithm>
#include <cmath>

using namespace kt4r;

namespace {

// Controller value 127 reaches the full range: value * (1 / 127).
constexpr float kPerControllerStep = 0.007874015748031496f;

bool IsLearnableController(int cc)
{
    // 0 cannot be stored (key 0 means no controller); 6, 38 and 98-101 carry data entry and (N)RPN
    // numbers, not a control of their own.
    if (cc <= 0 || cc > kMaxControllerKey)
        return false;
    return cc != 6 && cc != 38 && (cc < 98 || cc > 101);
}

double ClampBound(double value, double current)
{
    return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : current;
}

} // namespace

MidiLearnMap::MidiLearnMap(MidiLearnTarget& target) : mTarget(target) {}

void MidiLearnMap::Arm(int id)
{
    mTarget.ShowLearnPage(true);
    mArmed = true;
    mMin = 0.0;
    mMax = 1.0;
    CancelPending();
    if (IsPatchParamIndex(id))
        SelectParam(id);
}

void MidiLearnMap::SelectParam(int id)
{
    if (!mArmed || !IsPatchParamIndex(id))
        return;
    const MidiLearnEntry& entry = mTable[static_cast<size_t>(id)];
    mHasParam = true;
    mParam = id;
    mMin = entry.min;
    mMax = static_cast<double>(entry.min) + static_cast<double>(entry.range);
    if (!mHasController && entry.key > 0) {
        mPendingCC = entry.key;
        mHasController = true;
        Commit();
    } else if (!mHasController && entry.key < 0) {
        // An NRPN assignment is kept pending; it is stored again when the page is left.
        mPendingNrpn = -entry.key;
        mPendingFlag = 0;
        mHasController = true;
    }
    mTarget.ShowParam(id, mMin, mMax);
    mTarget.ShowController(entry.key);
}

void MidiLearnMap::LearnController(int cc) noexcept
{
    if (!mArmed || !IsLearnableController(cc))
        return;
    mPendingCC = cc;
    mPendingNrpn = 0;
    mHasController = true;
    mTarget.ShowController(cc);
    if (mHasParam)
        Commit();
}

void MidiLearnMap::Commit() noexcept
{
    if (!mHasParam || !mHasController)
        return;
    MidiLearnEntry entry;
    entry.paramId = mParam;
    if (mPendingCC >= 1) {
        entry.key = mPendingCC;
    } else {
        entry.key = -mPendingNrpn;
        entry.flag = mPendingFlag;
    }
    entry.min = static_cast<float>(mMin);
    entry.range = static_cast<float>(mMax - mMin);
    SetEntry(entry);
}

void MidiLearnMap::SetBounds(double min, double max)
{
    mMin = ClampBound(min, mMin);
    mMax = ClampBound(max, mMax);
}

bool MidiLearnMap::Command(int id)
{
    switch (static_cast<SettingId>(id)) {
    case SettingId::kCommandInit:
        if (!mArmed)
            return false;
        CancelPending();
        return true;
    case SettingId::kMidiLearnPage1:
        ClearEntry(mParam);
        CancelPending();
        return true;
    case SettingId::kMidiLearnPage3:
        Commit();
        mTarget.SetUseDefaultMap(false);
        Disarm();
        return true;
    case SettingId::kMidiLearnPage4:
        Commit();
        mDefaultTable = mTable;
        mTarget.SetUseDefaultMap(true);
        Disarm();
        return true;
    default: return false;
    }
}

void MidiLearnMap::Disarm()
{
    // Leaving the page stores a pending assignment once more.
    Commit();
    CancelPending();
    mTarget.ShowLearnPage(false);
    mArmed = false;
}

void MidiLearnMap::SetEntry(const MidiLearnEntry& entry) noexcept
{
    if (!IsUsableEntry(entry))
        return;
    const auto id = static_cast<size_t>(entry.paramId);
    mTable[id] = entry;
    mJoined[id] = ++mJoinCounter;
}

void MidiLearnMap::ClearEntry(int id) noexcept
{
    if (IsPatchParamIndex(id))
        mTable[static_cast<size_t>(id)] = MidiLearnEntry{};
}

void MidiLearnMap::Reset()
{
    mTable = MidiLearnTable{};
    CancelPending();
}

void MidiLearnMap::CancelPending() noexcept
{
    mPendingCC = 0;
    mPendingNrpn = 0;
    mPendingFlag = 0;
    mHasParam = false;
    mHasController = false;
    mParam = kNoParamId;
    ShowNothingPending();
}

void MidiLearnMap::ShowNothingPending()
{
    mTarget.ShowController(0);
    mTarget.ShowParam(kNoParamId, mMin, mMax);
}

void MidiLearnMap::RebuildKeyLists() noexcept
{
    for (int id = 0; id < kMidiLearnEntries; ++id)
        mJoined[id] = ++mJoinCounter;
}

int MidiLearnMap::IdsForKey(int32_t key, int* ids) const noexcept
{
    if (key == 0)
        return 0;
    int count = 0;
    for (int id = 0; id < kMidiLearnEntries; ++id) {
        if (mTable[static_cast<size_t>(id)].key != key)
            continue;
        // Insertion by joining order; at most 70 ids.
        int at = count++;
        while (at > 0 && mJoined[ids[at - 1]] > mJoined[id]) {
            ids[at] = ids[at - 1];
            --at;
        }
        ids[at] = id;
    }
    return count;
}

void MidiLearnMap::ApplyController(int offset, int channel, int cc, int value) noexcept
{
    int ids[kMidiLearnEntries];
    const int count = IdsForKey(cc, ids);
    const float step = static_cast<float>(std::clamp(value, 0, 127)) * kPerControllerStep;
    for (int i = 0; i < count; ++i) {
        const MidiLearnEntry& e = mTable[static_cast<size_t>(ids[i])];
        const float v = e.min + e.range * step;
        if (std::isfinite(v))
            mTarget.SetFromMidiLearn(ids[i], std::clamp(v, 0.0f, 1.0f), offset, channel);
    }
}

const MidiLearnEntry& MidiLearnMap::Entry(int id) const
{
    static const MidiLearnEntry kFresh{};
    return IsPatchParamIndex(id) ? mTable[static_cast<size_t>(id)] : kFresh;
}

bool MidiLearnMap::WriteMapBlock(IStateChunk& chunk, bool useDefaultMap, MidiLearnBlock layout) const
{
    return PutMidiLearnTable(chunk, useDefaultMap ? MidiLearnTable{} : mTable, layout);
}

int MidiLearnMap::ReadMapBlock(const IStateChunk& chunk, int pos, MidiLearnBlock layout)
{
    MidiLearnTable read;
    pos = GetMidiLearnTable(chunk, pos, &read, layout);
    if (pos < 0)
        return -1;
    const bool ownMap = KeySum(read) != 0;
    Reset();
    for (const MidiLearnEntry& e : ownMap ? read : mDefaultTable)
        SetEntry(e);
    mTarget.SetUseDefaultMap(!ownMap);
    RebuildKeyLists();
    return pos;
}

bool MidiLearnMap::ReadMapFile(const SharedFolders& folders)
{
    const bool read = ReadMidiLearnFile(folders, &mDefaultTable);
    mDefaultAsRead = mDefaultTable;
    return read;
}

bool MidiLearnMap::WriteMapFile(const SharedFolders& folders)
{
    if (!UpdateMidiLearnFile(folders, mDefaultAsRead, mDefaultTable))
        return false;
    mDefaultAsRead = mDefaultTable;
    return true;
}
