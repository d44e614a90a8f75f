// The application's parts that need no server: the message ring between threads, the period's event
// list, the route of the plug-in's MIDI output, the state file and the command line.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/MessageRing.h"
#include "app/MidiPeriod.h"
#include "app/Options.h"
#include "app/PluginMidiOut.h"
#include "app/StateFile.h"
#include "tests/app/AppTestSupport.h"
#include "tests/support/TempFolder.h"

using kt4r_test::ReadAll;
using kt4r_test::TempFolder;
using kt4r_test::WriteAll;

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> list)
{
    std::vector<uint8_t> bytes;
    for (int b : list)
        bytes.push_back(static_cast<uint8_t>(b));
    return bytes;
}

} // namespace

TEST(MessageRing, MessagesComeOutWholeAndInOrderAcrossTheWrapAndAFullRingDropsOnlyWhatDoesNotFit)
{
    MessageRing ring(64);
    uint8_t out[64];
    uint32_t stamp = 0;
    // 8 + 5 bytes a message: the write position wraps several times over the 64-byte ring.
    for (uint32_t i = 0; i < 40; ++i) {
        const std::vector<uint8_t> message = Bytes({0xF0, static_cast<int>(i), 1, 2, 0xF7});
        ASSERT_TRUE(ring.Push(1000 + i, message.data(), message.size()));
        ASSERT_EQ(ring.Pop(&stamp, out, sizeof(out)), 5u);
        EXPECT_EQ(stamp, 1000 + i);
        EXPECT_EQ(std::vector<uint8_t>(out, out + 5), message);
    }
    const std::vector<uint8_t> note = Bytes({0x90, 60, 100});
    int pushed = 0;
    while (ring.Push(7, note.data(), note.size()))
        ++pushed;
    EXPECT_EQ(pushed, 64 / 11);
    EXPECT_EQ(ring.Dropped(), 1u);
    EXPECT_EQ(ring.Pop(&stamp, out, sizeof(out)), 3u);
    EXPECT_TRUE(ring.Push(8, note.data(), note.size())) << "room made by a read is usable again";
    // A reader with too small a buffer gets the start of the message and the ring moves past all of it.
    while (ring.Peek(nullptr) > 0)
        ring.Pop(&stamp, out, 1);
    EXPECT_EQ(stamp, 8u);
    EXPECT_EQ(ring.Peek(nullptr), 0u);
}

TEST(MidiPeriod, TheListIsInOffsetOrderWithinThePeriodAndKeepsEqualOffsetsInArrivalOrder)
{
    MidiPeriod period;
    period.Begin(256);
    const auto noteOn = Bytes({0x90, 60, 100});
    const auto noteOff = Bytes({0x80, 60, 0});
    const auto program = Bytes({0xC0, 5});
    const auto sysex = Bytes({0xF0, 0x41, 0x36, 0x00, 0xF7});
    EXPECT_TRUE(period.Add(100, noteOn.data(), 3));
    EXPECT_TRUE(period.Add(200, noteOff.data(), 3));
    EXPECT_TRUE(period.Add(100, program.data(), 2)); // a second source, later than JACK's, same offset
    EXPECT_TRUE(period.Add(-5, sysex.data(), sysex.size()));
    EXPECT_TRUE(period.Add(900, noteOff.data(), 3)); // kept within the period
    const vst::Events* list = period.List();
    ASSERT_EQ(list->numEvents, 5);
    std::vector<int> offsets;
    for (int i = 0; i < list->numEvents; ++i)
        offsets.push_back(list->events[i]->deltaFrames);
    EXPECT_EQ(offsets, (std::vector<int>{0, 100, 100, 200, 255}));
    const auto* sysexEvent = reinterpret_cast<const vst::SysExEvent*>(list->events[0]);
    ASSERT_EQ(sysexEvent->type, vst::kSysExType);
    EXPECT_EQ(std::vector<uint8_t>(sysexEvent->sysexDump, sysexEvent->sysexDump + sysexEvent->dumpBytes), sysex);
    const auto* first = reinterpret_cast<const vst::MidiEvent*>(list->events[1]);
    const auto* second = reinterpret_cast<const vst::MidiEvent*>(list->events[2]);
    EXPECT_EQ(static_cast<uint8_t>(first->midiData[0]), 0x90);
    EXPECT_EQ(static_cast<uint8_t>(second->midiData[0]), 0xC0);
    EXPECT_EQ(second->midiData[2], 0) << "a two-byte message carries no third byte";
}

TEST(MidiPeriod, ClockAndBrokenMessagesStayOutAndAFloodBeyondItsRoomIsDroppedAndCounted)
{
    MidiPeriod period;
    period.Begin(64);
    const auto clock = Bytes({0xF8});
    const auto shortNote = Bytes({0x90, 60});
    const auto unfinishedSysEx = Bytes({0xF0, 0x41, 0x36});
    const auto dataOnly = Bytes({0x3C, 0x40});
    EXPECT_FALSE(period.Add(0, clock.data(), 1));
    EXPECT_FALSE(period.Add(0, shortNote.data(), 2));
    EXPECT_FALSE(period.Add(0, unfinishedSysEx.data(), 3));
    EXPECT_FALSE(period.Add(0, dataOnly.data(), 2));
    EXPECT_EQ(period.Count(), 0);
    EXPECT_EQ(period.Dropped(), 0u) << "left out, not lost for want of room";

    const auto note = Bytes({0x90, 60, 100});
    for (int i = 0; i < MidiPeriod::kMaxEvents + 10; ++i)
        period.Add(i % 64, note.data(), 3);
    EXPECT_EQ(period.Count(), MidiPeriod::kMaxEvents);
    EXPECT_EQ(period.Dropped(), 10u);
    std::vector<uint8_t> big(MidiPeriod::kMaxSysExBytes + 1, 0x10);
    big.front() = 0xF0;
    big.back() = 0xF7;
    period.Begin(64);
    EXPECT_FALSE(period.Add(0, big.data(), big.size()));
    EXPECT_EQ(period.List()->numEvents, 0);
}

namespace {

// A period's MIDI output as JACK keeps it: messages with their offsets, in a fixed room.
struct FakeOutput {
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> messages;
    size_t room = 1024;
    static uint8_t* Reserve(void* self, uint32_t offset, size_t size)
    {
        auto* out = static_cast<FakeOutput*>(self);
        if (size > out->room)
            return nullptr;
        out->room -= size;
        out->messages.push_back({offset, std::vector<uint8_t>(size)});
        return out->messages.back().second.data();
    }
};

struct OneEvent {
    vst::Events list{};
    vst::MidiEvent midi{};
    vst::SysExEvent sysex{};
    std::vector<uint8_t> dump;
    explicit OneEvent(int offset, std::vector<uint8_t> bytes) : dump(std::move(bytes))
    {
        list.numEvents = 1;
        if (dump[0] == 0xF0) {
            sysex.type = vst::kSysExType;
            sysex.deltaFrames = offset;
            sysex.dumpBytes = static_cast<int32_t>(dump.size());
            sysex.sysexDump = reinterpret_cast<char*>(dump.data());
            list.events[0] = reinterpret_cast<vst::Event*>(&sysex);
        } else {
            midi.type = vst::kMidiType;
            midi.deltaFrames = offset;
            for (size_t i = 0; i < dump.size() && i < 3; ++i)
                midi.midiData[i] = static_cast<char>(dump[i]);
            list.events[0] = reinterpret_cast<vst::Event*>(&midi);
        }
    }
};

void Send(PluginMidiOut& out, int offset, std::vector<uint8_t> bytes)
{
    OneEvent event(offset, std::move(bytes));
    PluginMidiOut::Sink(&out, &event.list);
}

} // namespace

TEST(PluginMidiOut, OutputDuringAPeriodGoesOutAtItsOffsetsAndOutputBetweenPeriodsLeadsTheNextPeriod)
{
    PluginMidiOut out(4096);
    FakeOutput first;
    // Sent from the panel between periods: waits for the next one.
    Send(out, 0, Bytes({0xF0, 0x41, 0x36, 0x00, 0x23, 0x20, 0x01, 0x14, 0x40, 0xF7}));
    out.BeginPeriod(FakeOutput::Reserve, &first, 256);
    Send(out, 40, Bytes({0x90, 69, 100}));
    Send(out, 10, Bytes({0xC0, 3, 0})); // out of order: goes with the last
    Send(out, 999, Bytes({0x80, 69, 0}));
    out.EndPeriod();
    ASSERT_EQ(first.messages.size(), 4u);
    EXPECT_EQ(first.messages[0].first, 0u);
    EXPECT_EQ(first.messages[0].second.size(), 10u);
    EXPECT_EQ(first.messages[1], (std::pair<uint32_t, std::vector<uint8_t>>{40, Bytes({0x90, 69, 100})}));
    EXPECT_EQ(first.messages[2], (std::pair<uint32_t, std::vector<uint8_t>>{40, Bytes({0xC0, 3})}));
    EXPECT_EQ(first.messages[3].first, 255u);

    FakeOutput full;
    full.room = 2;
    out.BeginPeriod(FakeOutput::Reserve, &full, 256);
    Send(out, 0, Bytes({0x90, 69, 100}));
    out.EndPeriod();
    EXPECT_TRUE(full.messages.empty());
    EXPECT_EQ(out.Dropped(), 1u);
}

TEST(StateFile, AWriteGoesThroughARenameIntoAFolderItMakesAndLeavesNoTemporaryFile)
{
    TempFolder folder("kt4r-app-state");
    const std::string path = folder.PathOf("deep/er/standalone.state");
    std::string error;
    ASSERT_TRUE(state_file::WriteAtomically(path, Bytes({1, 2, 3}), &error)) << error;
    ASSERT_TRUE(state_file::WriteAtomically(path, Bytes({4, 5}), &error)) << error;
    EXPECT_EQ(ReadAll(path), Bytes({4, 5}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.PathOf("deep/er")), {}), 1);

    std::vector<uint8_t> bytes;
    EXPECT_EQ(state_file::Read(folder.PathOf("none"), &bytes, &error), state_file::ReadResult::kMissing);
    EXPECT_EQ(state_file::Read(folder.PathOf("deep"), &bytes, &error), state_file::ReadResult::kFailed);
    EXPECT_NE(error.find("deep"), std::string::npos) << error;
    // Where the folder cannot be made, the old file stays and the answer says so.
    WriteAll(folder.PathOf("blocker"), Bytes({9}));
    EXPECT_FALSE(state_file::WriteAtomically(folder.PathOf("blocker/standalone.state"), Bytes({1}), &error));
    EXPECT_EQ(ReadAll(folder.PathOf("blocker")), Bytes({9}));
}

TEST(StateFile, ADamagedFileSetAsideNeverReplacesAnEarlierOne)
{
    TempFolder folder("kt4r-app-state");
    const std::string path = folder.PathOf("standalone.state");
    std::string error;
    WriteAll(path, Bytes({1}));
    EXPECT_EQ(state_file::SetAside(path, &error), path + ".damaged");
    WriteAll(path, Bytes({2}));
    EXPECT_EQ(state_file::SetAside(path, &error), path + ".damaged-2");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ReadAll(path + ".damaged"), Bytes({1}));
    EXPECT_EQ(ReadAll(path + ".damaged-2"), Bytes({2}));
}

TEST(StateFile, TheDefaultFileLivesInTheUsersConfigurationFolder)
{
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string keep = saved ? saved : "";
    setenv("XDG_CONFIG_HOME", "/somewhere/config", 1);
    EXPECT_EQ(state_file::DefaultPath(), "/somewhere/config/KT-4R/standalone.state");
    setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    EXPECT_EQ(state_file::DefaultPath(), std::string(std::getenv("HOME")) + "/.config/KT-4R/standalone.state");
    if (saved)
        setenv("XDG_CONFIG_HOME", keep.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(Options, ConnectionsServerAndSwitchesAreReadAndMalformedValuesRefused)
{
    Options options;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--server", "studio", "--name", "synth", "--connect-audio", "system:playback_1,system:playback_2",
                              "--connect-midi", "20:0", "--connect-midi", "a2j:keys", "--no-gui", "--state", "/tmp/s",
                              "--verbose"},
                             &options, &error))
        << error;
    EXPECT_EQ(options.server, "studio");
    EXPECT_EQ(options.clientName, "synth");
    EXPECT_EQ(options.audioLeft, "system:playback_1");
    EXPECT_EQ(options.audioRight, "system:playback_2");
    EXPECT_EQ(options.midiSources, (std::vector<std::string>{"20:0", "a2j:keys"}));
    EXPECT_FALSE(options.gui);
    EXPECT_TRUE(options.verbose);
    EXPECT_EQ(options.statePath, "/tmp/s");

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--connect-audio", "system:playback_1"}, {"--connect-audio", "a,b,c"},
          {"--connect-audio", ",b"}, {"--server"}, {"--state", ""}, {"--fullscreen"}}) {
        Options ignored;
        EXPECT_FALSE(ParseOptions(bad, &ignored, &error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}
