// SysEx messages to and from the hardware: exact bytes out, decoded changes in, and bad input ignored.
#include <gtest/gtest.h>

#include "instrument/SysExCodec.h"

#include <cmath>
#include <vector>

namespace kt4r {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(const SysExMessage& message)
{
    return {message.View().begin(), message.View().end()};
}

class RecordingSink final : public ISysExSink {
public:
    void Apply(const SysExReceived& received) override { records.push_back(received); }
    std::vector<SysExReceived> records;
};

std::vector<SysExReceived> ReceiveAll(SysExCodec& codec, const Bytes& bytes)
{
    RecordingSink sink;
    codec.Receive(bytes, sink);
    return sink.records;
}

// A message of `size` bytes from the hardware: the header, zeros, and 0xF7 last.
Bytes HardwareMessage(size_t size, uint8_t type, uint8_t format, uint8_t unit)
{
    Bytes bytes(size, 0);
    bytes[0] = 0xF0;
    bytes[1] = 0x41;
    bytes[2] = type;
    bytes[4] = format;
    bytes[5] = unit;
    bytes[size - 1] = 0xF7;
    return bytes;
}

std::array<double, kPatchParamCount> SampleValues()
{
    std::array<double, kPatchParamCount> values{};
    for (int id = 0; id < kPatchParamCount; ++id) {
        values[static_cast<size_t>(id)] = std::fmod(id * 0.137, 1.0);
    }
    return values;
}

// Hardware numbers of ids 0-44, in id order.
constexpr int kExpectedHwNumbers[45] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 26, 27, 28,
                                        29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 58, 42,
                                        43, 44, 45, 46, 60, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56};

// VCF FREQ at the top in mode 2 on channel 3 is the documented message; the mode picks the format and
// sub bytes, and a mode or channel out of range changes nothing.
TEST(SysExCodec, ParameterMessageBytesFollowTheModeAndChannel)
{
    SysExCodec codec;
    codec.SetFormat(2);
    codec.SetChannel(2);
    SysExMessage message;
    ASSERT_TRUE(codec.BuildParamMessage(Index(ParamId::kVcfFreq), 1.0, message));
    EXPECT_EQ(ToBytes(message), (Bytes{0xF0, 0x41, 0x36, 0x02, 0x24, 0x20, 0x02, 0x22, 0x7F, 0xF7}));

    const int modes[][3] = {{0, 0x21, 1}, {1, 0x24, 1}, {2, 0x24, 2}, {3, 0x24, 2}, {-1, 0x24, 2}};
    for (int i = 0; i < 5; ++i) {
        codec.SetFormat(modes[i][0]);
        ASSERT_TRUE(codec.BuildParamMessage(Index(ParamId::kVcfReso), i % 2, message));
        EXPECT_EQ(message.bytes[4], modes[i][1]) << "mode " << modes[i][0];
        EXPECT_EQ(message.bytes[6], modes[i][2]) << "mode " << modes[i][0];
    }
    codec.SetChannel(16);
    codec.SetChannel(-1);
    EXPECT_EQ(codec.Channel(), 2);
}

TEST(SysExCodec, HardwareNumbersMapBothWays)
{
    SysExCodec codec;
    for (int id = 0; id < 45; ++id) {
        EXPECT_EQ(codec.HwNumber(id), kExpectedHwNumbers[id]) << "id " << id;
        EXPECT_EQ(codec.ParamIdOf(kExpectedHwNumbers[id]), id) << "id " << id;
    }
    SysExMessage message;
    for (int id : {45, 52, 68, 69, 70, 97, -1}) {
        EXPECT_EQ(codec.HwNumber(id), -1) << "id " << id;
        EXPECT_FALSE(codec.BuildParamMessage(id, 1.0, message)) << "id " << id;
    }
    for (int number : {0, 10, 23, 24, 25, 57, 59, 61, 99, 100, 127, -1}) {
        EXPECT_EQ(codec.ParamIdOf(number), -1) << "number " << number;
    }
}

TEST(SysExCodec, RepeatedValueBytesAreNotSentAgain)
{
    SysExCodec codec;
    SysExMessage message;
    const int id = Index(ParamId::kVcfReso);
    EXPECT_TRUE(codec.BuildParamMessage(id, 0.5, message));
    EXPECT_FALSE(codec.BuildParamMessage(id, 0.5 + 0.3 / 127.0, message)) << "less than a 127th step";
    EXPECT_TRUE(codec.BuildParamMessage(id, 0.5 + 1.0 / 127.0, message));
    EXPECT_EQ(message.bytes[8], 65);
    // The cache is per hardware number, and every number starts as never sent (a 0 byte goes out).
    EXPECT_TRUE(codec.BuildParamMessage(Index(ParamId::kVcfLfo), 0.0, message));
    EXPECT_EQ(message.bytes[8], 0);
}

TEST(SysExCodec, TuneStepsTravelAsTheHardwaresToneBytes)
{
    constexpr uint8_t kStepBytes[25] = {0x00, 0x08, 0x0C, 0x10, 0x14, 0x18, 0x20, 0x24, 0x28, 0x2C, 0x30, 0x34, 0x38,
                                        0x48, 0x4C, 0x50, 0x54, 0x58, 0x5C, 0x60, 0x68, 0x6C, 0x70, 0x74, 0x78};
    // Received byte ranges: step s for bytes from kFirstByte[s] up to the next entry's first byte.
    constexpr int kFirstByte[26] = {0,  8,  12, 16, 20, 24, 32, 36,  40,  44,  48,  52,  56,
                                    72, 76, 80, 84, 88, 92, 96, 104, 108, 112, 116, 120, 128};
    SysExCodec codec;
    for (int id : {Index(ParamId::kDco1Tune), Index(ParamId::kDco2Tune)}) {
        for (int step = 0; step <= 24; ++step) {
            EXPECT_EQ(codec.EncodeValue(id, step / 24.0), kStepBytes[step]) << "step " << step;
            for (int byte = kFirstByte[step]; byte < kFirstByte[step + 1]; ++byte) {
                EXPECT_DOUBLE_EQ(codec.DecodeValue(id, byte), step * 0.041666666666666664) << "byte " << byte;
            }
        }
    }
    EXPECT_EQ(codec.EncodeValue(Index(ParamId::kDco1Tune), 0.5), 0x38);
    EXPECT_EQ(codec.DecodeValue(Index(ParamId::kDco1Tune), 0x38), 0.5);
}

// Values to bytes and bytes to values; a byte that is not data decodes to -1.
TEST(SysExCodec, ValueBytesFollowEachControlsPositionsBothWays)
{
    struct Case {
        ParamId id;
        double value;
        int byte;
    };
    const Case encoded[] = {
        {ParamId::kDco1Rang, 0.16666, 0},     {ParamId::kDco1Rang, 0.16667, 40}, {ParamId::kDco1Rang, 0.4999, 40},
        {ParamId::kDco1Rang, 0.5, 80},        {ParamId::kDco1Rang, 0.8332, 80},  {ParamId::kDco1Rang, 0.8333, 127},
        {ParamId::kChorus, 0.2499, 0},        {ParamId::kChorus, 0.25, 32},      {ParamId::kChorus, 0.75, 127},
        {ParamId::kVcaMode, 0.4999, 0},       {ParamId::kVcaMode, 0.5, 127},     {ParamId::kVcfFreq, 0.5, 64},
        {ParamId::kBendLfo, 1.0, 127},        {ParamId::kVcfFreq, 1.5, 127},     {ParamId::kVcfFreq, -0.5, 0},
        {ParamId::kDco1Tune, 7.0, 0x78},      {ParamId::kDco1Tune, -3.0, 0x00},  {ParamId::kVcfFreq, NAN, 0},
        {ParamId::kDco2Tune, INFINITY, 0x78},
    };
    const Case decoded[] = {
        {ParamId::kDco1Rang, 0.0, 31},    {ParamId::kDco1Rang, 0.3, 32},  {ParamId::kDco1Rang, 0.6, 64},
        {ParamId::kDco1Rang, 1.0, 96},    {ParamId::kLfoWave, 0.0, 31},   {ParamId::kLfoWave, 0.5, 32},
        {ParamId::kLfoWave, 1.0, 64},     {ParamId::kVcaMode, 0.0, 63},   {ParamId::kVcaMode, 1.0, 64},
        {ParamId::kVcfFreq, 1.0, 127},    {ParamId::kEnv2Key, 1.0, 127},  {ParamId::kVcfFreq, -1.0, 128},
        {ParamId::kDco1Tune, -1.0, 0xF7}, {ParamId::kAtVibrato, -1.0, 5},
    };
    SysExCodec codec;
    for (const Case& c : encoded) {
        EXPECT_EQ(codec.EncodeValue(Index(c.id), c.value), c.byte) << "id " << Index(c.id) << " value " << c.value;
    }
    for (const Case& c : decoded) {
        EXPECT_DOUBLE_EQ(codec.DecodeValue(Index(c.id), c.byte), c.value) << "id " << Index(c.id) << " byte " << c.byte;
    }
    EXPECT_DOUBLE_EQ(codec.DecodeValue(Index(ParamId::kVcfFreq), 1), 0.007874015748031496);
}

// Every id's parameter message, received back, sets the id to a value that sends the same byte; a
// continuous value comes back within half a step.
TEST(SysExCodec, EveryParameterMessageDecodesToItsOwnValue)
{
    SysExCodec sender;
    SysExCodec receiver;
    for (int id = 0; id < 45; ++id) {
        for (int i = 0; i <= 40; ++i) {
            const double value = i / 40.0;
            const uint8_t byte = sender.EncodeValue(id, value);
            SysExMessage message;
            if (!sender.BuildParamMessage(id, value, message)) {
                continue;
            }
            const auto records = ReceiveAll(receiver, ToBytes(message));
            ASSERT_EQ(records.size(), 1u);
            ASSERT_EQ(records[0].changeCount, 1);
            EXPECT_EQ(records[0].changes[0].id, id);
            const double received = records[0].changes[0].value;
            EXPECT_EQ(sender.EncodeValue(id, received), byte) << "id " << id << " value " << value;
            if (id == Index(ParamId::kVcfFreq)) {
                EXPECT_NEAR(received, value, 0.5 / 127.0);
            }
        }
    }
}

TEST(SysExCodec, ProgramDumpLayout)
{
    SysExCodec codec;
    codec.SetFormat(1);
    codec.SetChannel(4);
    const auto values = SampleValues();
    const SysExMessage dump = codec.BuildProgramDump(values, "Brass");
    ASSERT_EQ(dump.size, 67);
    const Bytes bytes = ToBytes(dump);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 7), (Bytes{0xF0, 0x41, 0x35, 0x04, 0x24, 0x20, 0x01}));
    EXPECT_EQ(std::string(bytes.begin() + 7, bytes.begin() + 17), "Brass     ");
    EXPECT_EQ(bytes[17], 0);
    for (int number = 11; number <= 58; ++number) {
        const int id = codec.ParamIdOf(number);
        const uint8_t expected = id < 0 ? 0 : codec.EncodeValue(id, values[static_cast<size_t>(id)]);
        EXPECT_EQ(bytes[static_cast<size_t>(7 + number)], expected) << "number " << number;
    }
    EXPECT_EQ(bytes[66], 0xF7);

    const Bytes stored = ToBytes(codec.BuildStoredProgramDump(values, "Brass"));
    EXPECT_EQ(Bytes(stored.begin() + 7, stored.begin() + 17), (Bytes{'B', 'r', 'a', 's', 's', 0, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes(stored.begin() + 17, stored.end()), Bytes(bytes.begin() + 17, bytes.end()));

    // Name bytes that are not data go out as spaces so the message stays whole.
    const SysExMessage odd = codec.BuildProgramDump(values, "A\xF7\x80z and more");
    EXPECT_EQ(std::string(odd.bytes.begin() + 7, odd.bytes.begin() + 17), "A  z and m");
}

TEST(SysExCodec, WriteRequestLayoutIgnoresTheFormat)
{
    SysExCodec codec;
    codec.SetFormat(2);
    codec.SetChannel(1);
    EXPECT_EQ(ToBytes(codec.BuildWriteRequest(31)),
              (Bytes{0xF0, 0x41, 0x34, 0x01, 0x21, 0x20, 0x01, 0x00, 31, 0x02, 0xF7}));
    EXPECT_EQ(codec.BuildWriteRequest(500).bytes[8], 127);
}

TEST(SysExCodec, ReceivedProgramDumpCarriesNameAndEveryPatchValueButBendLfo)
{
    SysExCodec codec;
    const auto values = SampleValues();
    Bytes bytes = ToBytes(codec.BuildProgramDump(values, "Strings"));
    bytes[8] = 0x01; // name bytes below 0x20 show as spaces
    bytes[9] = 0x1F;
    const auto records = ReceiveAll(codec, bytes);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].action, SysExAction::kProgramDump);
    EXPECT_EQ(records[0].Name(), "S  ings   ");
    ASSERT_EQ(records[0].changeCount, 44);
    for (const SysExChange& change : records[0].Changes()) {
        EXPECT_NE(change.id, Index(ParamId::kBendLfo));
        EXPECT_EQ(codec.EncodeValue(change.id, change.value),
                  codec.EncodeValue(change.id, values[static_cast<size_t>(change.id)]))
            << "id " << change.id;
    }
}

TEST(SysExCodec, ReceivedNumberedDumpStoresIntoTheProgramAfterItsNumber)
{
    Bytes bytes = HardwareMessage(69, 0x37, 0x24, 0x20);
    bytes[8] = 9;
    std::copy_n("Organ 1   ", 10, bytes.begin() + 9);
    bytes[9 + 34] = 127; // hardware number 34: "VCF FREQ"
    SysExCodec codec;
    const auto records = ReceiveAll(codec, bytes);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].action, SysExAction::kNumberedDump);
    EXPECT_EQ(records[0].program, 10);
    EXPECT_EQ(records[0].Name(), "Organ 1   ");
    ASSERT_EQ(records[0].changeCount, 44);
    EXPECT_EQ(records[0].changes[20].id, Index(ParamId::kVcfFreq));
    EXPECT_EQ(records[0].changes[20].value, 1.0);
}

TEST(SysExCodec, ReceivedExtendedDumpCarriesItsLongNameAndTheSixExtraValues)
{
    Bytes bytes = HardwareMessage(94, 0x35, 0x21, 0x40);
    std::copy_n("A long patch name", 17, bytes.begin() + 7);
    bytes[28 + 34] = 127; // "VCF FREQ"
    for (int i = 0; i < 6; ++i) {
        bytes[static_cast<size_t>(87 + i)] = static_cast<uint8_t>(10 * (i + 1));
    }
    SysExCodec codec;
    const auto records = ReceiveAll(codec, bytes);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].action, SysExAction::kExtendedDump);
    EXPECT_EQ(records[0].Name(), "A long patch name");
    ASSERT_EQ(records[0].changeCount, 50);
    const ParamId extras[] = {ParamId::kPolyMode,  ParamId::kBendRange, ParamId::kAtBrilliance,
                              ParamId::kAtVibrato, ParamId::kAtVolume,  ParamId::kUnisonDetune};
    for (int i = 0; i < 6; ++i) {
        const SysExChange& change = records[0].changes[static_cast<size_t>(44 + i)];
        EXPECT_EQ(change.id, Index(extras[i]));
        EXPECT_DOUBLE_EQ(change.value, 10 * (i + 1) * 0.007874015718698502);
    }
    for (const SysExChange& change : records[0].Changes()) {
        EXPECT_NE(change.id, Index(ParamId::kBendLfo));
    }
}

TEST(SysExCodec, ModeMessagePairsSetPerformanceControlsAndRestoreInOrder)
{
    const Bytes bytes = {0xF0, 0x41, 0x36, 0x00, 0x21, 0x30, 0x01, 2,   64, 0, 50, 4,  10, 7, 5,
                         2,    63,   0,    127,  1,    127,  3,    127, 5,  0, 6,  64, 8,  1, 0xF7};
    SysExCodec codec;
    const auto records = ReceiveAll(codec, bytes);
    ASSERT_EQ(records.size(), 3u);
    ASSERT_EQ(records[0].changeCount, 2);
    EXPECT_EQ(records[0].changes[0].id, Index(ParamId::kPortamento));
    EXPECT_EQ(records[0].changes[0].value, 1.0);
    EXPECT_EQ(records[0].changes[1].id, Index(ParamId::kBendRange));
    EXPECT_DOUBLE_EQ(records[0].changes[1].value, 50 * 0.010526316240429878);
    EXPECT_EQ(records[1].action, SysExAction::kRestoreProgram);
    EXPECT_EQ(records[1].program, 5);
    const SysExChange expected[] = {
        {Index(ParamId::kPortamento), 0.0},     {Index(ParamId::kBendRange), 1.0},
        {Index(ParamId::kPortamentoTime), 1.0}, {Index(ParamId::kPolyMode), 1.0},
        {Index(ParamId::kBendLfo), 0.0},        {Index(ParamId::kUnisonDetune), 64 / 127.0}};
    ASSERT_EQ(records[2].changeCount, 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(records[2].changes[static_cast<size_t>(i)].id, expected[i].id);
        EXPECT_NEAR(records[2].changes[static_cast<size_t>(i)].value, expected[i].value, 1e-12);
    }
}

// A buffer ending inside a parameter message keeps the pairs read before the end.
TEST(SysExCodec, ParameterPairsWithoutAParameterAreSkipped)
{
    const Bytes bytes = {0xF0, 0x41, 0x36, 0x05, 0x24, 0x20, 0x01, 23, 5, 100, 5, 34, 10, 12, 127, 0xF7};
    SysExCodec codec;
    const auto records = ReceiveAll(codec, bytes);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].changeCount, 2);
    EXPECT_EQ(records[0].changes[0].id, Index(ParamId::kVcfFreq));
    EXPECT_DOUBLE_EQ(records[0].changes[0].value, 10 * 0.007874015748031496);
    EXPECT_EQ(records[0].changes[1].id, Index(ParamId::kDco1Wave));
    EXPECT_EQ(records[0].changes[1].value, 1.0);

    const auto cut = ReceiveAll(codec, Bytes{0xF0, 0x41, 0x36, 0x00, 0x21, 0x20, 0x01, 34, 127, 35, 64, 36});
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].changeCount, 2);
}

TEST(SysExCodec, ManyPairsArriveInSeveralRecordsWithNoneLost)
{
    Bytes bytes = {0xF0, 0x41, 0x36, 0x00, 0x21, 0x20, 0x01};
    for (int i = 0; i < 150; ++i) {
        bytes.push_back(34);
        bytes.push_back(static_cast<uint8_t>(i % 128));
    }
    bytes.push_back(0xF7);
    SysExCodec codec;
    const auto records = ReceiveAll(codec, bytes);
    int total = 0;
    for (const SysExReceived& record : records) {
        for (const SysExChange& change : record.Changes()) {
            EXPECT_DOUBLE_EQ(change.value, (total++ % 128) * 0.007874015748031496);
        }
    }
    EXPECT_EQ(total, 150);
}

TEST(SysExCodec, TruncatedOrMisframedDumpsAndWriteRequestsChangeNothing)
{
    SysExCodec codec;
    const Bytes dump = ToBytes(codec.BuildProgramDump(SampleValues(), "Piano"));
    const Bytes write = ToBytes(codec.BuildWriteRequest(5));
    std::vector<Bytes> bad = {dump, write, write};
    bad[0][40] = 0xF7;                // the dump ends before its values do
    bad[1].erase(bad[1].begin() + 9); // the write request ends a byte early
    bad[2][8] = 0x85;                 // a program byte that is not data
    for (const Bytes* whole : {&dump, &write}) {
        for (size_t size = 0; size < whole->size(); ++size)
            bad.emplace_back(whole->begin(), whole->begin() + static_cast<std::ptrdiff_t>(size));
    }
    for (const Bytes& bytes : bad)
        EXPECT_TRUE(ReceiveAll(codec, bytes).empty()) << bytes.size() << " bytes";
}

// A status byte ends a system-exclusive message: one inside a message leaves it unfinished, and the
// message is dropped whole, whatever it carried before; that byte may start the next message.
TEST(SysExCodec, AMessageWithAStatusByteInsideIsDroppedWhole)
{
    SysExCodec codec;
    const Bytes dump = ToBytes(codec.BuildProgramDump(SampleValues(), "Piano"));
    const Bytes write = ToBytes(codec.BuildWriteRequest(5));
    const Bytes pairs = {0xF0, 0x41, 0x36, 0x00, 0x21, 0x20, 0x01, 34, 127, 35, 64, 0xF7};
    for (const Bytes* message : {&dump, &write, &pairs}) {
        for (uint8_t status : {0x80, 0x90, 0xB0, 0xF8, 0xFE}) {
            for (size_t at : {size_t{7}, size_t{9}, message->size() - 2}) {
                Bytes bytes = *message;
                bytes[at] = status;
                EXPECT_TRUE(ReceiveAll(codec, bytes).empty())
                    << bytes.size() << "-byte message, 0x" << std::hex << int{status} << " at " << std::dec << at;
            }
        }
    }

    // A corrupt dump between two good messages: the good ones arrive, and an 0xF0 that cuts a message
    // short starts the next one.
    Bytes corrupt = dump;
    corrupt[30] = 0x92;
    Bytes bytes = pairs;
    bytes.insert(bytes.end(), corrupt.begin(), corrupt.end());
    bytes.insert(bytes.end(), dump.begin(), dump.begin() + 20);
    bytes.insert(bytes.end(), write.begin(), write.end());
    const auto records = ReceiveAll(codec, bytes);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].action, SysExAction::kApplyChanges);
    EXPECT_EQ(records[0].changeCount, 2);
    EXPECT_EQ(records[1].action, SysExAction::kWriteRequest);
    EXPECT_EQ(records[1].program, 6);
}

// A write request for program byte 5 stores program 6.
TEST(SysExCodec, ForeignAndUnknownMessagesAreSkippedUpToTheirEnd)
{
    SysExCodec codec;
    const Bytes write = ToBytes(codec.BuildWriteRequest(5));
    Bytes bytes = {0x00, 0x90, 0xF0, 0x43, 0x36, 0x00, 0x21, 0x20, 0x01, 34, 5, 0xF7};   // another maker
    bytes.insert(bytes.end(), {0xF0, 0x41, 0x36, 0x00, 0x22, 0x20, 0x01, 34, 5, 0xF7});  // another format
    bytes.insert(bytes.end(), {0xF0, 0x41, 0x38, 0x00, 0x21, 0x20, 0x01, 34, 5, 0xF7});  // another type
    bytes.insert(bytes.end(), {0xF0, 0x41, 0x36, 0x00, 0x24, 0x30, 0x01, 2, 127, 0xF7}); // mode needs 0x21
    bytes.insert(bytes.end(), write.begin(), write.end());
    const auto records = ReceiveAll(codec, bytes);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].action, SysExAction::kWriteRequest);
    EXPECT_EQ(records[0].program, 6);
}

// Receives a write request again while applying one.
struct NestingSink final : ISysExSink {
    explicit NestingSink(SysExCodec& receiving) : codec(receiving) {}
    void Apply(const SysExReceived&) override
    {
        ++applied;
        busySeen = codec.Busy();
        nestedRecords += static_cast<int>(ReceiveAll(codec, ToBytes(codec.BuildWriteRequest(5))).size());
    }
    SysExCodec& codec;
    int applied = 0, nestedRecords = 0;
    bool busySeen = false;
};

TEST(SysExCodec, AReceiveInsideAReceiveReturnsAtOnce)
{
    SysExCodec codec;
    NestingSink sink(codec);
    const Bytes write = ToBytes(codec.BuildWriteRequest(1));
    codec.Receive(write, sink);
    EXPECT_EQ(sink.applied, 1);
    EXPECT_TRUE(sink.busySeen);
    EXPECT_EQ(sink.nestedRecords, 0);
    EXPECT_FALSE(codec.Busy());
    EXPECT_EQ(ReceiveAll(codec, write).size(), 1u);
}

} // namespace
} // namespace kt4r
