// What a host can know of the plug-in's stored programs from outside: the bank chunk read as bytes,
// and the rule of which host calls may change those programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kt4r_soak {

// The bank chunk (effGetChunk 0) taken apart: the chunk header, then the state block with the edit
// buffer (slot 0) and programs 1-128, each a name and, when stored, a program block; then the current
// program and five settings.
struct BankView {
    std::vector<std::string> names;      // 129: slot 0 is the edit buffer
    std::vector<size_t> slotBegin;       // 130: where each slot starts, and the end of the last
    size_t programsBegin = 0;            // bytes of slots 1..128
    size_t programsEnd = 0;
    int currentProgram = 0;
    bool immediateWrite = false;
};

// False when the bytes are not a whole bank chunk of this plug-in.
bool ParseBank(const uint8_t* data, size_t size, BankView* view);

// What a step may do to the stored programs.
enum class ProgramEffect {
    kNone,       // nothing may change them
    kMayChange,  // a write, a load or a rename: anything may
    kBecomes,    // a whole bank chunk of this instance set: they become its programs
};

// The stored programs as the host last saw them, and the check of each step against them.
class ProgramModel {
public:
    // The first bank chunk taken; false when it does not parse.
    bool Start(const std::vector<uint8_t>& bank, std::string* failure);
    // The bank chunk after a step that had the given effect (with kBecomes, `expected` is the bank chunk
    // set); false with a description when the programs changed where they must not.
    bool Check(const std::vector<uint8_t>& bank, ProgramEffect effect, const std::vector<uint8_t>& expected,
               std::string* failure);
    const BankView& Last() const { return mView; }

private:
    std::vector<uint8_t> mPrograms; // the bytes of slots 1..128 last seen
    std::vector<size_t> mSlotBegin;  // their slots' offsets within those bytes
    BankView mView;
};

// The bytes of slots 1..128 of a bank chunk, empty when it does not parse.
std::vector<uint8_t> ProgramBytes(const std::vector<uint8_t>& bank);

// Whether SysEx bytes hold the start of a message that stores a program (a write request or a
// numbered dump), wherever it stands: every message starts with 0xF0 and the maker byte.
bool MayStoreProgram(const std::vector<uint8_t>& sysex);

} // namespace kt4r_soak
