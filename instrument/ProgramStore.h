// The one owner of the instrument's programs: 128 stored programs, the edit buffer's name, the current
// program number and the edited flag. The edit buffer's values are the live parameter values; a stored
// program changes only when it is written, loaded from a bank or renamed in a write. Every slot keeps
// room for a whole program block and a name, so selecting, writing and rotating never allocate.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "framework/plugin/IStateChunk.h"
#include "instrument/ProgramData.h"

namespace kt4r {

struct StoredProgram {
    StoredProgram();
    bool initialized = false;
    std::string name;   // at most kProgramNameBytes characters
    IStateChunk data;   // a program data block
};

class ProgramStore {
public:
    static constexpr int kPrograms = 128;

    ProgramStore();
    ProgramStore(const ProgramStore&) = delete;
    ProgramStore& operator=(const ProgramStore&) = delete;

    // Programs 1..128; a number outside answers nullptr.
    const StoredProgram* Program(int number) const;
    // Stores a block under a name in program number (1..128); allocates nothing while the block and
    // the name fit the room every slot keeps.
    void Store(int number, const IStateChunk& data, std::string_view name);
    // Every program the same block and name (start-up).
    void Fill(const IStateChunk& data, std::string_view name);
    // Programs move 32 places up, the last quarter to the front.
    void RotateQuarters();
    // Exchanges the 128 stored programs, or program number, with those of other.
    void SwapPrograms(ProgramStore& other) noexcept;
    void SwapProgram(int number, ProgramStore& other) noexcept;
    // Renames program number without touching its data.
    void Rename(int number, std::string_view name);
    // A stored program's name by number; 0 answers the edit buffer's name, others the empty text.
    std::string_view NameOf(int number) const;

    int Current() const { return mCurrent; }
    void SetCurrent(int number);
    const std::string& EditName() const { return mEditName; }
    void SetEditName(std::string_view name);
    bool Edited() const { return mEdited; }
    void SetEdited(bool edited) { mEdited = edited; }

private:
    std::array<StoredProgram, kPrograms> mPrograms;
    int mCurrent = 1;
    std::string mEditName;
    bool mEdited = false;
};

// The longest prefix of name a slot keeps.
std::string_view ClippedProgramName(std::string_view name);

} // namespace kt4r
