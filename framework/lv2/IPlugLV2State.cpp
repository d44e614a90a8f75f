// The state interface: the whole plug-in as one property holding the same bytes as the VST2
// whole-state chunk (chunk header, then the bank), so a state saved by either format loads in the
// other. Host UI thread; takes the plug-in lock; allocates.
#include <algorithm>
#include <cstring>
#include <limits>

#include <lv2/state/state.h>

#include "framework/lv2/IPlugLV2.h"

uint32_t IPlugLV2::SaveState(void* storeFunction, void* handle, const LV2_Feature* const* features)
{
    auto store = reinterpret_cast<LV2_State_Store_Function>(storeFunction);
    IStateChunk chunk;
    if (!mPlug->SaveStateChunk(&chunk, false))
        return LV2_STATE_ERR_UNKNOWN;
    const LV2_State_Status status = store(handle, mUris.stateBank, chunk.Data(), static_cast<size_t>(chunk.Size()),
                                          mUris.atomChunk, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    return static_cast<uint32_t>(status);
}

uint32_t IPlugLV2::RestoreState(void* retrieveFunction, void* handle, const LV2_Feature* const* features)
{
    auto retrieve = reinterpret_cast<LV2_State_Retrieve_Function>(retrieveFunction);
    size_t size = 0;
    uint32_t type = 0;
    uint32_t flags = 0;
    const void* data = retrieve(handle, mUris.stateBank, &size, &type, &flags);
    if (!data)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != mUris.atomChunk)
        return LV2_STATE_ERR_BAD_TYPE;
    if (size > static_cast<size_t>(INT32_MAX))
        return LV2_STATE_ERR_UNKNOWN;
    IStateChunk chunk;
    chunk.Resize(static_cast<int>(size));
    if (size > 0)
        std::memcpy(chunk.Data(), data, size);
    // Only a whole state is taken: a chunk without the header of one is refused before anything reads it.
    int pos = 0;
    if (IPlugBase::ReadChunkHeader(chunk, &pos) < IPlugBase::kStateChunkVersion)
        return LV2_STATE_ERR_UNKNOWN;
    // The instrument's reader refuses a state it cannot fully read and leaves everything as it was.
    if (!mPlug->LoadStateChunk(chunk, false))
        return LV2_STATE_ERR_UNKNOWN;
    // The state is the whole plug-in: the controls the host restores beside it, from wherever they
    // last were, are taken as they stand at the next run.
    IPlugBase::LockGuard lock(mPlug->Mutex());
    std::fill(mLastSeen.begin(), mLastSeen.end(), std::numeric_limits<float>::quiet_NaN());
    return LV2_STATE_SUCCESS;
}
