#include "instrument/SysExCodec.h"

#include <algorithm>
#include <cmath>

namespace kt4r {

namespace {

constexpr uint8_t kStart = 0xF0;
constexpr uint8_t kEnd = 0xF7;
constexpr uint8_t kMaker = 0x41;
constexpr uint8_t kTypeWrite = 0x34;
constexpr uint8_t kTypeDump = 0x35;
constexpr uint8_t kTypeParam = 0x36;
constexpr uint8_t kTypeNumberedDump = 0x37;
constexpr uint8_t kUnitByte = 0x20;     // byte 5 of parameter messages, dumps and write requests
constexpr uint8_t kModeUnitByte = 0x30; // byte 5 of mode messages
constexpr uint8_t kExtendedByte = 0x40; // byte 5 of extended dumps
constexpr uint8_t kNeverSent = 128;     // no value byte is 128

// Program dumps carry hardware numbers 11-58 in order; the value of number n stands at offset + n.
constexpr int kFirstDumpNumber = 11;
constexpr int kLastDumpNumber = 58;
constexpr int kDumpValueOffset = 7;
constexpr int kNumberedDumpValueOffset = 9;
constexpr int kExtendedDumpValueOffset = 28;

// How a parameter's value travels as a byte.
enum class Shape : uint8_t { kFourWay, kTune, kThreeWay, kTwoWay, kContinuous };

struct HwParam {
    int number;
    Shape shape;
};

using S = Shape;
// Ids 0-44, the hardware patch, in id order.
constexpr HwParam kHwParams[] = {
    {11, S::kFourWay},    {12, S::kFourWay},    {13, S::kTune},       {14, S::kContinuous}, {15, S::kContinuous},
    {16, S::kFourWay},    {17, S::kFourWay},    {18, S::kFourWay},    {19, S::kTune},       {20, S::kContinuous},
    {21, S::kContinuous}, {22, S::kContinuous}, {26, S::kFourWay},    {27, S::kFourWay},    {28, S::kContinuous},
    {29, S::kContinuous}, {30, S::kContinuous}, {31, S::kFourWay},    {32, S::kFourWay},    {33, S::kFourWay},
    {34, S::kContinuous}, {35, S::kContinuous}, {36, S::kContinuous}, {37, S::kContinuous}, {38, S::kContinuous},
    {39, S::kFourWay},    {40, S::kFourWay},    {41, S::kContinuous}, {58, S::kTwoWay},     {42, S::kFourWay},
    {43, S::kThreeWay},   {44, S::kThreeWay},   {45, S::kContinuous}, {46, S::kContinuous}, {60, S::kContinuous},
    {47, S::kContinuous}, {48, S::kContinuous}, {49, S::kContinuous}, {50, S::kContinuous}, {51, S::kFourWay},
    {52, S::kContinuous}, {53, S::kContinuous}, {54, S::kContinuous}, {55, S::kContinuous}, {56, S::kFourWay},
};
constexpr int kHwParamCount = static_cast<int>(std::size(kHwParams));
static_assert(kHwParamCount == Index(ParamId::kEnv2Key) + 1);

// The hardware's semitone positions of the two tune controls, steps 0-24.
constexpr uint8_t kStepToToneByte[25] = {0x00, 0x08, 0x0C, 0x10, 0x14, 0x18, 0x20, 0x24, 0x28, 0x2C, 0x30, 0x34, 0x38,
                                         0x48, 0x4C, 0x50, 0x54, 0x58, 0x5C, 0x60, 0x68, 0x6C, 0x70, 0x74, 0x78};

constexpr double kPerContinuousStep = 0.007874015748031496; // 1 / 127
constexpr double kPerSemitoneStep = 0.041666666666666664;   // 1 / 24
// The extended dump's extra values and the mode message's bend range step in single precision.
constexpr double kPerSingleStep127 = 1.0f / 127.0f; // 0.007874015718698502
constexpr double kPerSingleStep95 = 1.0f / 95.0f;   // 0.010526316240429878

// The patch ids the extended dump carries after its numbered values (bytes 87-92), each as byte / 127
// in single precision.
constexpr ParamId kExtendedExtras[] = {ParamId::kPolyMode,  ParamId::kBendRange, ParamId::kAtBrilliance,
                                       ParamId::kAtVibrato, ParamId::kAtVolume,  ParamId::kUnisonDetune};
constexpr int kExtendedExtrasOffset = 87;

// Mode messages: code 0 the bend range, code 7 a stored slot to restore; codes 4 and above 7 unused.
constexpr int kModeRestoreCode = 7;

double Clamp01(double v)
{
    if (!(v >= 0.0)) {
        return 0.0; // negative or NaN
    }
    return std::min(v, 1.0);
}

bool IsDataByte(int byte)
{
    return byte >= 0 && byte < 128;
}

// A received name byte: printable characters stay, anything else shows as a space.
char NameChar(uint8_t byte)
{
    return byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : ' ';
}

// A sent name byte: a byte of 0x80 or above would end or break the message, so it goes out as a space.
uint8_t SentNameByte(char c)
{
    const auto byte = static_cast<uint8_t>(c);
    return byte < 0x80 ? byte : ' ';
}

// Collects changes and hands them to the sink in records of at most kMaxChanges.
class ChangeList {
public:
    explicit ChangeList(ISysExSink& sink) : mSink(sink) {}

    void Add(int id, double value)
    {
        if (mRecord.changeCount == SysExReceived::kMaxChanges) {
            Flush();
        }
        mRecord.changes[static_cast<size_t>(mRecord.changeCount++)] = {id, value};
    }
    void Flush()
    {
        if (mRecord.changeCount > 0) {
            mSink.Apply(mRecord);
            mRecord.changeCount = 0;
        }
    }
    void Restore(int slot)
    {
        Flush();
        SysExReceived restore;
        restore.action = SysExAction::kRestoreProgram;
        restore.program = slot;
        mSink.Apply(restore);
    }

private:
    ISysExSink& mSink;
    SysExReceived mRecord;
};

} // namespace

SysExCodec::SysExCodec()
{
    mHwNumber.fill(-1);
    mParamId.fill(-1);
    for (int id = 0; id < kHwParamCount; ++id) {
        mHwNumber[static_cast<size_t>(id)] = kHwParams[id].number;
        mParamId[static_cast<size_t>(kHwParams[id].number)] = id;
    }
    std::copy(std::begin(kStepToToneByte), std::end(kStepToToneByte), mStepToToneByte.begin());
    // A received byte means the highest step whose own byte does not exceed it.
    int step = 0;
    for (int byte = 0; byte < 128; ++byte) {
        while (step + 1 < 25 && kStepToToneByte[step + 1] <= byte) {
            ++step;
        }
        mToneByteToStep[static_cast<size_t>(byte)] = step;
    }
    mLastSent.fill(kNeverSent);
}

void SysExCodec::SetFormat(int mode)
{
    if (mode < 0 || mode > 2) {
        return;
    }
    mFormatByte = mode == 0 ? 0x21 : 0x24;
    mFormatSub = mode == 2 ? 2 : 1;
}

void SysExCodec::SetChannel(int channel)
{
    if (channel >= 0 && channel < 16) {
        mChannel = static_cast<uint8_t>(channel);
    }
}

int SysExCodec::HwNumber(int id) const
{
    return IsPatchParamIndex(id) ? mHwNumber[static_cast<size_t>(id)] : -1;
}

int SysExCodec::ParamIdOf(int hwNumber) const
{
    return hwNumber >= 0 && hwNumber < kHwNumberCount ? mParamId[static_cast<size_t>(hwNumber)] : -1;
}

uint8_t SysExCodec::EncodeValue(int id, double normalised) const
{
    if (HwNumber(id) < 0) {
        return 0;
    }
    const double v = Clamp01(normalised);
    switch (kHwParams[id].shape) {
    case Shape::kFourWay: return v < 0.16667 ? 0 : v < 0.5 ? 40 : v < 0.8333 ? 80 : 127;
    case Shape::kTune: return mStepToToneByte[static_cast<size_t>(std::floor(v * 24.0 + 0.5))];
    case Shape::kThreeWay: return v < 0.25 ? 0 : v < 0.75 ? 32 : 127;
    case Shape::kTwoWay: return v < 0.5 ? 0 : 127;
    case Shape::kContinuous: return static_cast<uint8_t>(std::floor(v * 127.0 + 0.5));
    }
    return 0;
}

double SysExCodec::DecodeValue(int id, int byte) const
{
    if (HwNumber(id) < 0 || !IsDataByte(byte)) {
        return -1.0;
    }
    switch (kHwParams[id].shape) {
    case Shape::kFourWay: return byte < 32 ? 0.0 : byte < 64 ? 0.3 : byte < 96 ? 0.6 : 1.0;
    case Shape::kTune: return mToneByteToStep[static_cast<size_t>(byte)] * kPerSemitoneStep;
    case Shape::kThreeWay: return byte < 32 ? 0.0 : byte < 64 ? 0.5 : 1.0;
    case Shape::kTwoWay: return byte < 64 ? 0.0 : 1.0;
    case Shape::kContinuous: return byte * kPerContinuousStep;
    }
    return -1.0;
}

bool SysExCodec::BuildParamMessage(int id, double normalised, SysExMessage& out)
{
    const int number = HwNumber(id);
    if (number < 0) {
        return false;
    }
    const uint8_t value = EncodeValue(id, normalised);
    uint8_t& last = mLastSent[static_cast<size_t>(number)];
    if (value == last) {
        return false;
    }
    last = value;
    out.bytes = {kStart, kMaker, kTypeParam, mChannel, mFormatByte, kUnitByte, mFormatSub, static_cast<uint8_t>(number),
                 value,  kEnd};
    out.size = kSysExParamMessageSize;
    return true;
}

SysExMessage SysExCodec::BuildProgramDump(std::span<const double, kPatchParamCount> values, std::string_view name) const
{
    std::array<uint8_t, kSysExNameLength> field;
    field.fill(' ');
    for (size_t i = 0; i < field.size() && i < name.size(); ++i) {
        field[i] = SentNameByte(name[i]);
    }
    return BuildDump(values, field);
}

SysExMessage SysExCodec::BuildStoredProgramDump(std::span<const double, kPatchParamCount> values,
                                                std::string_view name) const
{
    std::array<uint8_t, kSysExNameLength> field{};
    for (size_t i = 0; i < field.size() && i < name.size() && name[i] != '\0'; ++i) {
        field[i] = SentNameByte(name[i]);
    }
    return BuildDump(values, field);
}

SysExMessage SysExCodec::BuildDump(std::span<const double, kPatchParamCount> values,
                                   std::span<const uint8_t, kSysExNameLength> name) const
{
    SysExMessage out;
    out.bytes[0] = kStart;
    out.bytes[1] = kMaker;
    out.bytes[2] = kTypeDump;
    out.bytes[3] = mChannel;
    out.bytes[4] = mFormatByte;
    out.bytes[5] = kUnitByte;
    out.bytes[6] = mFormatSub;
    std::copy(name.begin(), name.end(), out.bytes.begin() + 7);
    out.bytes[17] = 0;
    // Numbers inside the dump range that belong to no parameter stay 0.
    for (int number = kFirstDumpNumber; number <= kLastDumpNumber; ++number) {
        const int id = ParamIdOf(number);
        if (id >= 0) {
            out.bytes[static_cast<size_t>(kDumpValueOffset + number)] =
                EncodeValue(id, values[static_cast<size_t>(id)]);
        }
    }
    out.bytes[kSysExProgramDumpSize - 1] = kEnd;
    out.size = kSysExProgramDumpSize;
    return out;
}

SysExMessage SysExCodec::BuildWriteRequest(int program) const
{
    const auto number = static_cast<uint8_t>(std::clamp(program, 0, kSysExProgramCount - 1));
    SysExMessage out;
    const std::array<uint8_t, kSysExWriteRequestSize> bytes = {kStart, kMaker, kTypeWrite, mChannel, 0x21, kUnitByte,
                                                               0x01,   0x00,   number,     0x02,     kEnd};
    std::copy(bytes.begin(), bytes.end(), out.bytes.begin());
    out.size = kSysExWriteRequestSize;
    return out;
}

void SysExCodec::Receive(std::span<const uint8_t> data, ISysExSink& sink)
{
    if (mBusy || data.empty()) {
        return;
    }
    mBusy = true;
    size_t p = 0;
    while (data.size() - p > 6) {
        if (data[p] != kStart) {
            ++p;
            continue;
        }
        // A message ends at the first status byte after its 0xF0. Only 0xF7 ends it in full: any other
        // (MIDI's rule: a status byte ends a system-exclusive message) marks it corrupt, and it is dropped
        // whole; that byte may start the next message.
        const std::span<const uint8_t> rest = data.subspan(p + 1);
        const size_t end = p + 1 +
                           static_cast<size_t>(std::find_if(rest.begin(), rest.end(),
                                                            [](uint8_t byte) { return byte >= 0x80; }) -
                                               rest.begin());
        const bool complete = end < data.size();
        if (complete && data[end] != kEnd) {
            p = end;
            continue;
        }
        const std::span<const uint8_t> message = data.subspan(p, (complete ? end + 1 : end) - p);
        if (message[1] == kMaker) {
            ReadMessage(message, complete, sink);
        }
        if (!complete) {
            break; // the buffer ends inside this message
        }
        p = end + 1;
    }
    mBusy = false;
}

// A message runs from its 0xF0 up to and including its 0xF7 (when complete); its body is every byte
// before the 0xF7, so no read of a fixed layout reaches into the next message.
void SysExCodec::ReadMessage(std::span<const uint8_t> message, bool complete, ISysExSink& sink) const
{
    const size_t body = complete ? message.size() - 1 : message.size();
    if (body < 6) {
        return;
    }
    const uint8_t type = message[2];
    const uint8_t format = message[4];
    const uint8_t unit = message[5];
    const bool eitherFormat = format == 0x21 || format == 0x24;
    const std::span<const uint8_t> bodyBytes = message.first(body);

    if (type == kTypeParam && unit == kUnitByte && eitherFormat) {
        ReadPairs(bodyBytes, false, sink); // pairs already read count even when the message is cut short
        return;
    }
    if (type == kTypeParam && unit == kModeUnitByte && format == 0x21) {
        ReadPairs(bodyBytes, true, sink);
        return;
    }
    if (!complete) {
        return; // a fixed layout is read only in full
    }
    if (type == kTypeDump && unit == kUnitByte && eitherFormat) {
        ReadDump(bodyBytes, SysExAction::kProgramDump, sink);
    } else if (type == kTypeDump && unit == kExtendedByte && eitherFormat) {
        ReadExtendedDump(bodyBytes, sink);
    } else if (type == kTypeNumberedDump && unit == kUnitByte && format == 0x24) {
        ReadDump(bodyBytes, SysExAction::kNumberedDump, sink);
    } else if (type == kTypeWrite && unit == kUnitByte && eitherFormat && body > 9 && message[9] == 0x02 &&
               IsDataByte(message[8])) {
        SysExReceived write;
        write.action = SysExAction::kWriteRequest;
        write.program = message[8] + 1;
        sink.Apply(write);
    }
}

void SysExCodec::ReadPairs(std::span<const uint8_t> body, bool modeMessage, ISysExSink& sink) const
{
    ChangeList list(sink);
    for (size_t i = 7; i + 1 < body.size(); i += 2) {
        const int code = body[i];
        const int value = body[i + 1];
        if (!IsDataByte(value)) {
            continue;
        }
        if (!modeMessage) {
            const int id = ParamIdOf(code);
            if (id >= 0) {
                list.Add(id, DecodeValue(id, value));
            }
            continue;
        }
        switch (code) {
        // Bend range: value / 95; above 95 it is the range's top.
        case 0: list.Add(Index(ParamId::kBendRange), std::min(value * kPerSingleStep95, 1.0)); break;
        case 1: list.Add(Index(ParamId::kPortamentoTime), value * kPerContinuousStep); break;
        case 2: list.Add(Index(ParamId::kPortamento), value > 63 ? 1.0 : 0.0); break;
        case 3: list.Add(Index(ParamId::kPolyMode), value * kPerContinuousStep); break;
        case 5: list.Add(Index(ParamId::kBendLfo), value * kPerContinuousStep); break;
        case 6: list.Add(Index(ParamId::kUnisonDetune), value * kPerContinuousStep); break;
        case kModeRestoreCode: list.Restore(value); break;
        default: break; // code 4 and codes above 7 mean nothing here
        }
    }
    list.Flush();
}

// The value bytes of hardware numbers 11-58 at offset + number; a byte that is not a data byte is skipped.
bool SysExCodec::AddDumpValues(std::span<const uint8_t> body, int offset, SysExReceived& out) const
{
    if (body.size() <= static_cast<size_t>(offset + kLastDumpNumber)) {
        return false;
    }
    for (int number = kFirstDumpNumber; number <= kLastDumpNumber; ++number) {
        const int id = ParamIdOf(number);
        const int byte = body[static_cast<size_t>(offset + number)];
        if (id >= 0 && IsDataByte(byte)) {
            out.changes[static_cast<size_t>(out.changeCount++)] = {id, DecodeValue(id, byte)};
        }
    }
    return true;
}

void SysExCodec::ReadDump(std::span<const uint8_t> body, SysExAction action, ISysExSink& sink) const
{
    const bool numbered = action == SysExAction::kNumberedDump;
    const int nameOffset = numbered ? 9 : 7;
    SysExReceived dump;
    dump.action = action;
    if (!AddDumpValues(body, numbered ? kNumberedDumpValueOffset : kDumpValueOffset, dump)) {
        return;
    }
    if (numbered) {
        if (!IsDataByte(body[8])) {
            return; // no program to store it into
        }
        dump.program = body[8] + 1;
    }
    for (int i = 0; i < kSysExNameLength; ++i) {
        dump.name[static_cast<size_t>(i)] = NameChar(body[static_cast<size_t>(nameOffset + i)]);
    }
    sink.Apply(dump);
}

// "BEND LFO" keeps its value: its number (60) lies outside the numbered values this dump carries.
void SysExCodec::ReadExtendedDump(std::span<const uint8_t> body, ISysExSink& sink) const
{
    SysExReceived dump;
    dump.action = SysExAction::kExtendedDump;
    const size_t extrasEnd = kExtendedExtrasOffset + std::size(kExtendedExtras);
    if (body.size() < extrasEnd || !AddDumpValues(body, kExtendedDumpValueOffset, dump)) {
        return;
    }
    for (size_t i = 0; i < std::size(kExtendedExtras); ++i) {
        const int byte = body[kExtendedExtrasOffset + i];
        if (IsDataByte(byte)) {
            dump.changes[static_cast<size_t>(dump.changeCount++)] = {Index(kExtendedExtras[i]),
                                                                     byte * kPerSingleStep127};
        }
    }
    for (int i = 0; i < kSysExExtendedNameLength && body[static_cast<size_t>(7 + i)] != 0; ++i) {
        dump.name[static_cast<size_t>(i)] = NameChar(body[static_cast<size_t>(7 + i)]);
    }
    sink.Apply(dump);
}

} // namespace kt4r
