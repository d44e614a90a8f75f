// The SysEx link to the hardware synthesizer the instrument models: parameter messages and program
// dumps going out, and every message kind the hardware sends coming in, decoded into changes the
// instrument applies.
#pragma once

#include "signal/ParamId.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace kt4r {

constexpr int kSysExParamMessageSize = 10;
constexpr int kSysExProgramDumpSize = 67;
constexpr int kSysExWriteRequestSize = 11;
constexpr int kSysExNameLength = 10;         // the name field of a program dump
constexpr int kSysExExtendedNameLength = 25; // the name field of an extended program dump
constexpr int kHwNumberCount = 100;          // hardware parameter numbers 0-99
constexpr int kSysExProgramCount = 128;      // program numbers 0-127 in write requests

// One outgoing message, built without allocating (a parameter message is built on the audio thread).
struct SysExMessage {
    std::array<uint8_t, kSysExProgramDumpSize> bytes{};
    int size = 0;

    std::span<const uint8_t> View() const { return {bytes.data(), static_cast<size_t>(size)}; }
};

struct SysExChange {
    int id = 0;         // a patch parameter id, 0-69
    double value = 0.0; // normalised, 0..1
};

// What the instrument does with one received message.
enum class SysExAction : uint8_t {
    kApplyChanges,   // parameter or mode message: apply each change in order
    kProgramDump,    // reset the patch to its defaults, take the name, apply the changes, clear the readout
    kExtendedDump,   // take the name, apply the changes (no reset first), clear the readout
    kNumberedDump,   // as kProgramDump, then store the edit buffer into program `program`
    kWriteRequest,   // store the edit buffer into program `program`
    kRestoreProgram, // restore the parameter values of stored slot `program`, nothing more
};

// One received message, read in full. A parameter or mode message with more pairs than fit arrives
// as several records, in order.
struct SysExReceived {
    static constexpr int kMaxChanges = 64; // a dump carries at most 50

    SysExAction action = SysExAction::kApplyChanges;
    int program = 0; // 1-128 for kNumberedDump and kWriteRequest; the slot for kRestoreProgram
    std::array<char, kSysExExtendedNameLength + 1> name{}; // dumps only; printable, zero-terminated
    std::array<SysExChange, kMaxChanges> changes{};
    int changeCount = 0;

    std::string_view Name() const { return name.data(); }
    std::span<const SysExChange> Changes() const { return {changes.data(), static_cast<size_t>(changeCount)}; }
};

// Receives the decoded messages of SysExCodec::Receive, on the thread that called Receive, in the
// order the messages stand in the buffer. It may call Receive again: that nested call does nothing.
class ISysExSink {
public:
    virtual void Apply(const SysExReceived& received) = 0;

protected:
    ~ISysExSink() = default;
};

class SysExCodec {
public:
    SysExCodec();
    SysExCodec(const SysExCodec&) = delete;
    SysExCodec& operator=(const SysExCodec&) = delete;

    // "Sysex Mode" (id 68): 0 gives the header bytes 0x21 1, 1 gives 0x24 1, 2 gives 0x24 2. Another
    // value leaves the format as it is.
    void SetFormat(int mode);
    // The channel byte, 0-15: "MIDI Channel" (id 79) minus one, 0 when that setting is 0 (all channels).
    // Another value leaves the channel as it is.
    void SetChannel(int channel);
    int Channel() const { return mChannel; }

    // The hardware number of a patch id, -1 when it has none (ids 45-69 and anything out of range).
    int HwNumber(int id) const;
    // The patch id of a hardware number, -1 when no id has it.
    int ParamIdOf(int hwNumber) const;

    // The value byte (0-127) of a normalised value; 0 for an id without a hardware number. Values
    // outside 0..1 count as the nearer end, a non-finite value as 0.
    uint8_t EncodeValue(int id, double normalised) const;
    // The normalised value of a value byte, or -1 when the byte is not a data byte (above 127) or the
    // id has no hardware number: such a value is skipped, never applied.
    double DecodeValue(int id, int byte) const;

    // The parameter message of an id's value. False (nothing to send) for an id without a hardware
    // number and when the value byte equals the last one sent for that number. Allocates nothing.
    bool BuildParamMessage(int id, double normalised, SysExMessage& out);
    // The program dump of the edit buffer: values by id and the program name, padded with spaces.
    SysExMessage BuildProgramDump(std::span<const double, kPatchParamCount> values, std::string_view name) const;
    // The program dump of a stored program: its name's first ten characters, zeros after its end.
    SysExMessage BuildStoredProgramDump(std::span<const double, kPatchParamCount> values, std::string_view name) const;
    // The request to store the dump just sent into program `program` (0-127; others are cut to that).
    SysExMessage BuildWriteRequest(int program) const;

    // Reads every message in the buffer and hands each one read in full to the sink. Skips what it does
    // not recognise up to the next 0xF7; a buffer ending inside a message stops there, and of that
    // message only the parameter pairs already read are handed on. Nested calls (from the sink) and an
    // empty buffer do nothing.
    void Receive(std::span<const uint8_t> data, ISysExSink& sink);
    bool Busy() const { return mBusy; }

private:
    SysExMessage BuildDump(std::span<const double, kPatchParamCount> values,
                           std::span<const uint8_t, kSysExNameLength> name) const;
    void ReadMessage(std::span<const uint8_t> message, bool complete, ISysExSink& sink) const;
    void ReadPairs(std::span<const uint8_t> message, bool modeMessage, ISysExSink& sink) const;
    void ReadDump(std::span<const uint8_t> message, SysExAction action, ISysExSink& sink) const;
    void ReadExtendedDump(std::span<const uint8_t> message, ISysExSink& sink) const;
    bool AddDumpValues(std::span<const uint8_t> message, int offset, SysExReceived& out) const;

    std::array<int32_t, kPatchParamCount> mHwNumber{};
    std::array<int32_t, kHwNumberCount> mParamId{};
    uint8_t mFormatByte = 0x21;
    uint8_t mFormatSub = 1;
    uint8_t mChannel = 0;
    std::array<double, 128> mToneByteToStep{};
    std::array<uint8_t, 25> mStepToToneByte{};
    std::array<uint8_t, kHwNumberCount> mLastSent{};
    bool mBusy = false;
};

} // namespace kt4r
