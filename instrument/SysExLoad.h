// A SysEx file played into a copy of the edit buffer and of the programs it writes, away from the
// plug-in lock: what the hardware's messages would do one by one (dumps reset and name the edit
// buffer, parameter messages edit it, write requests store it), gathered so that the instrument takes
// the result in one step under the lock.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "framework/plugin/IStateChunk.h"
#include "instrument/ProgramStore.h"
#include "instrument/SysExCodec.h"

class IParameter;

namespace kt4r {

// The edit buffer as the load starts and ends: values, name, edited flag, the current program and the
// MIDI-learn map block its programs are stored with.
struct EditBuffer {
    std::array<double, kPatchParamCount> values{};
    std::string name;
    bool edited = false;
    int program = 1;
    std::array<uint8_t, kMapBlockBytes> map{};
};

class SysExLoad final : public ISysExSink {
public:
    // params: the 70 patch parameters, read for their steps and defaults only (those never change,
    // so no lock is needed); stored: the instrument's programs, read under storedLock for a restore
    // request of a program the file has not written.
    SysExLoad(const std::array<const IParameter*, kPatchParamCount>& params, const EditBuffer& start,
              const ProgramStore& stored, std::recursive_mutex& storedLock);

    // Plays the file's messages through a codec of the instrument's format and channel. With
    // immediateWrite each message that edits the edit buffer also stores it into the current program.
    void Play(const std::vector<uint8_t>& bytes, int sysexMode, int channel, bool immediateWrite);

    const EditBuffer& Result() const { return mEdit; }
    // Whether the map block of the result came from a restored program (it replaces the live map).
    bool MapRestored() const { return mMapRestored; }
    // Programs written by the file (1..128), and the store holding their new contents.
    bool Written(int number) const { return number >= 1 && number <= ProgramStore::kPrograms && mWritten[number]; }
    ProgramStore& Programs() { return mPrograms; }

private:
    void Apply(const SysExReceived& received) override;
    void Set(int id, double normalized);
    void Write(int number);
    void Restore(int number);

    std::array<const IParameter*, kPatchParamCount> mParams;
    const ProgramStore& mStored;
    std::recursive_mutex& mStoredLock;
    EditBuffer mEdit;
    bool mMapRestored = false;
    bool mImmediateWrite = false;
    SysExCodec mCodec;
    ProgramStore mPrograms;
    std::bitset<ProgramStore::kPrograms + 1> mWritten;
};

} // namespace kt4r
