#include "app/StateKeeper.h"

#include "app/StateFile.h"
#include "tools/kt4r-render/HostFiles.h"

std::string StateKeeper::Restore(bool* trouble)
{
    *trouble = false;
    std::vector<uint8_t> bytes;
    std::string error;
    switch (state_file::Read(mPath, &bytes, &error)) {
    case state_file::ReadResult::kMissing: return std::string();
    case state_file::ReadResult::kFailed:
        *trouble = true;
        mKeepFile = true;
        return error + "; starting from the default bank, and the file is left as it is (no state is saved at exit)";
    case state_file::ReadResult::kRead: break;
    }
    // A refused chunk may have been read in part: the defaults the plug-in started with come back.
    const std::vector<uint8_t> defaults = GetPluginChunk(mHost, false);
    if (!bytes.empty() && SetPluginChunk(mHost, false, bytes))
        return std::string();
    *trouble = true;
    if (!defaults.empty())
        SetPluginChunk(mHost, false, defaults);
    const std::string aside = state_file::SetAside(mPath, &error);
    if (aside.empty()) {
        mKeepFile = true;
        return "the state file \"" + mPath + "\" is damaged and " + error +
               "; starting from the default bank, and no state is saved at exit";
    }
    return "the state file \"" + mPath + "\" is damaged (" + std::to_string(bytes.size()) +
           " bytes the plug-in cannot read); it is kept as \"" + aside + "\" and KT-4R starts from the default bank";
}

bool StateKeeper::Save(std::string* error)
{
    if (mKeepFile) {
        *error = "the state is not saved: \"" + mPath + "\" could not be read at start and is left as it was";
        return false;
    }
    const std::vector<uint8_t> chunk = GetPluginChunk(mHost, false);
    if (chunk.empty()) {
        *error = "the state is not saved: the plug-in gave no state";
        return false;
    }
    return state_file::WriteAtomically(mPath, chunk, error);
}
