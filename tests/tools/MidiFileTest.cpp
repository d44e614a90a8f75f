// The command-line host's Standard MIDI File reader and note lists.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tools/kt4r-render/MidiFile.h"

namespace {

std::vector<uint8_t> Chunk(const char* tag, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> out(tag, tag + 4);
    const auto n = static_cast<uint32_t>(body.size());
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(static_cast<uint8_t>(n >> s));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> File(int format, const std::vector<std::vector<uint8_t>>& tracks, int division = 480)
{
    std::vector<uint8_t> header = {0,
                                   static_cast<uint8_t>(format),
                                   0,
                                   static_cast<uint8_t>(tracks.size()),
                                   static_cast<uint8_t>(division >> 8),
                                   static_cast<uint8_t>(division)};
    std::vector<uint8_t> out = Chunk("MThd", header);
    for (const auto& t : tracks) {
        const auto c = Chunk("MTrk", t);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

TEST(MidiFile, RunningStatusAndDeltaTimesAtTheDefaultTempo)
{
    // 120 bpm, 480 ticks per quarter: 480 ticks = 0.5 s. The second note-on uses running status.
    const auto data = File(0, {{0x00, 0x90, 60, 100, 0x83, 0x60, 62, 100, 0x00, 0xFF, 0x2F, 0x00}});
    MidiSequence seq;
    std::string error;
    ASSERT_TRUE(ParseMidiFile(data, &seq, &error)) << error;
    ASSERT_EQ(seq.messages.size(), 2u);
    EXPECT_EQ(seq.messages[1].bytes, (std::vector<uint8_t>{0x90, 62, 100}));
    EXPECT_DOUBLE_EQ(seq.messages[1].seconds, 0.5);
}

TEST(MidiFile, TempoMapOfTrackOneTimesTheOtherTracks)
{
    // Track 0: 60 bpm from tick 0, 120 bpm from tick 480. Track 1: notes at ticks 480 and 960.
    const std::vector<uint8_t> tempo = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,       // 1,000,000 us
                                        0x83, 0x60, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, // 500,000 us
                                        0x00, 0xFF, 0x2F, 0x00};
    const std::vector<uint8_t> notes = {0x83, 0x60, 0x91, 64, 90, 0x83, 0x60, 0x81, 64, 0, 0x00, 0xFF, 0x2F, 0x00};
    MidiSequence seq;
    ASSERT_TRUE(ParseMidiFile(File(1, {tempo, notes}), &seq, nullptr));
    ASSERT_EQ(seq.messages.size(), 2u);
    EXPECT_DOUBLE_EQ(seq.messages[0].seconds, 1.0);
    EXPECT_DOUBLE_EQ(seq.messages[1].seconds, 1.5);
    EXPECT_DOUBLE_EQ(seq.TempoAt(0.5), 60.0);
    EXPECT_DOUBLE_EQ(seq.TempoAt(1.2), 120.0);
    EXPECT_DOUBLE_EQ(seq.endSeconds, 1.5);
}

TEST(MidiFile, SysExIsKeptWhole)
{
    const auto data = File(0, {{0x00, 0xF0, 0x03, 0x41, 0x10, 0xF7, 0x00, 0xFF, 0x2F, 0x00}});
    MidiSequence seq;
    ASSERT_TRUE(ParseMidiFile(data, &seq, nullptr));
    ASSERT_EQ(seq.messages.size(), 1u);
    EXPECT_EQ(seq.messages[0].bytes, (std::vector<uint8_t>{0xF0, 0x41, 0x10, 0xF7}));
}

TEST(MidiFile, MalformedFilesAreRejected)
{
    MidiSequence seq;
    std::string error;
    EXPECT_FALSE(ParseMidiFile({'M', 'T', 'h'}, &seq, &error));
    EXPECT_FALSE(ParseMidiFile(File(2, {{0x00, 0xFF, 0x2F, 0x00}}), &seq, &error));       // type 2
    EXPECT_FALSE(ParseMidiFile(File(0, {{0x00, 0x90, 60}}), &seq, &error));               // truncated message
    EXPECT_FALSE(ParseMidiFile(File(0, {{0x00, 60, 100}}), &seq, &error));                // no running status
    EXPECT_FALSE(ParseMidiFile(File(0, {{0x00, 0xFF, 0x51, 0x09, 0x07}}), &seq, &error)); // meta past the end
    auto cut = File(0, {{0x00, 0x90, 60, 100, 0x00, 0xFF, 0x2F, 0x00}});
    cut.resize(cut.size() - 3); // track shorter than its header says
    EXPECT_FALSE(ParseMidiFile(cut, &seq, &error));
}

TEST(MidiFile, TheDemoFileIsAPhraseOfAboutTenSeconds)
{
    MidiSequence seq;
    std::string error;
    ASSERT_TRUE(ReadMidiFile(KT4R_DEMO_MIDI, &seq, &error)) << error;
    EXPECT_GT(seq.endSeconds, 8.0);
    EXPECT_LT(seq.endSeconds, 12.0);
    int noteOns = 0;
    for (const auto& m : seq.messages)
        noteOns += (m.bytes[0] & 0xF0) == 0x90 && m.bytes[2] > 0;
    EXPECT_GT(noteOns, 30);
    EXPECT_GT(seq.tempoMap.size(), 1u);
}

TEST(NoteList, NotesBecomeOnAndOffPairsInTimeOrder)
{
    MidiSequence seq;
    std::string error;
    ASSERT_TRUE(ParseNoteList("0.5:64:90:1, 0:60:100:0.25:10", &seq, &error)) << error;
    ASSERT_EQ(seq.messages.size(), 4u);
    EXPECT_EQ(seq.messages[0].bytes, (std::vector<uint8_t>{0x99, 60, 100}));
    EXPECT_DOUBLE_EQ(seq.messages[1].seconds, 0.25);
    EXPECT_EQ(seq.messages[1].bytes[0], 0x89);
    EXPECT_EQ(seq.messages[2].bytes, (std::vector<uint8_t>{0x90, 64, 90}));
    EXPECT_DOUBLE_EQ(seq.endSeconds, 1.5);
    EXPECT_FALSE(ParseNoteList("0:128:100:1", &seq, &error));
    EXPECT_FALSE(ParseNoteList("0:60:100", &seq, &error));
    EXPECT_FALSE(ParseNoteList("0:60:100:1:17", &seq, &error));
}

} // namespace
