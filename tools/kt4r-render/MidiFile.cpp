#include "tools/kt4r-render/MidiFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

struct RawEvent {
    uint64_t tick = 0;
    int track = 0;
    int order = 0;
    bool tempo = false;
    uint32_t microsPerQuarter = 500000;
    std::vector<uint8_t> bytes;
};

class Reader {
public:
    Reader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
    bool AtEnd() const { return mPos >= mSize; }
    size_t Pos() const { return mPos; }
    bool Byte(uint8_t* v)
    {
        if (mPos >= mSize)
            return false;
        *v = mData[mPos++];
        return true;
    }
    bool Peek(uint8_t* v) const
    {
        if (mPos >= mSize)
            return false;
        *v = mData[mPos];
        return true;
    }
    bool Be(int bytes, uint32_t* v)
    {
        uint32_t r = 0;
        for (int i = 0; i < bytes; ++i) {
            uint8_t b;
            if (!Byte(&b))
                return false;
            r = (r << 8) | b;
        }
        *v = r;
        return true;
    }
    // Variable-length quantity: at most four bytes.
    bool Vlq(uint32_t* v)
    {
        uint32_t r = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!Byte(&b))
                return false;
            r = (r << 7) | (b & 0x7F);
            if (!(b & 0x80)) {
                *v = r;
                return true;
            }
        }
        return false;
    }
    bool Bytes(size_t n, std::vector<uint8_t>* out)
    {
        if (n > mSize - mPos)
            return false;
        out->assign(mData + mPos, mData + mPos + n);
        mPos += n;
        return true;
    }
    bool Skip(size_t n)
    {
        if (n > mSize - mPos)
            return false;
        mPos += n;
        return true;
    }

private:
    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
};

int ChannelDataBytes(uint8_t status)
{
    const uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

bool ParseTrack(const uint8_t* data, size_t size, int track, std::vector<RawEvent>* events, uint64_t* endTick,
                std::string* error)
{
    Reader r(data, size);
    uint64_t tick = 0;
    uint8_t running = 0;
    int order = 0;
    while (!r.AtEnd()) {
        uint32_t delta;
        if (!r.Vlq(&delta)) {
            *error = "truncated delta time";
            return false;
        }
        tick += delta;
        uint8_t first;
        if (!r.Peek(&first)) {
            *error = "truncated event";
            return false;
        }
        RawEvent event;
        event.tick = tick;
        event.track = track;
        event.order = order++;
        if (first == 0xFF) {
            r.Skip(1);
            uint8_t type;
            uint32_t length;
            std::vector<uint8_t> body;
            if (!r.Byte(&type) || !r.Vlq(&length) || !r.Bytes(length, &body)) {
                *error = "truncated meta event";
                return false;
            }
            if (type == 0x2F)
                break; // end of track
            if (type == 0x51 && body.size() == 3) {
                event.tempo = true;
                event.microsPerQuarter = (uint32_t{body[0]} << 16) | (uint32_t{body[1]} << 8) | body[2];
                if (event.microsPerQuarter == 0)
                    continue;
                events->push_back(std::move(event));
            }
            continue;
        }
        if (first == 0xF0 || first == 0xF7) {
            r.Skip(1);
            uint32_t length;
            std::vector<uint8_t> body;
            if (!r.Vlq(&length) || !r.Bytes(length, &body)) {
                *error = "truncated SysEx event";
                return false;
            }
            running = 0; // system messages cancel running status
            if (first == 0xF0) {
                event.bytes.push_back(0xF0);
                event.bytes.insert(event.bytes.end(), body.begin(), body.end());
                events->push_back(std::move(event));
            }
            continue;
        }
        uint8_t status = running;
        if (first & 0x80) {
            r.Skip(1);
            status = first;
            running = first;
        }
        if (!(status & 0x80) || status >= 0xF0) {
            *error = "data byte without running status";
            return false;
        }
        event.bytes.push_back(status);
        for (int i = 0; i < ChannelDataBytes(status); ++i) {
            uint8_t b;
            if (!r.Byte(&b)) {
                *error = "truncated channel message";
                return false;
            }
            event.bytes.push_back(b & 0x7F);
        }
        events->push_back(std::move(event));
    }
    *endTick = std::max(*endTick, tick);
    return true;
}

} // namespace

double MidiSequence::TempoAt(double seconds) const
{
    double bpm = tempoMap.empty() ? 120.0 : tempoMap.front().bpm;
    for (const TempoChange& change : tempoMap) {
        if (change.seconds > seconds)
            break;
        bpm = change.bpm;
    }
    return bpm;
}

bool ParseMidiFile(const std::vector<uint8_t>& data, MidiSequence* sequence, std::string* error)
{
    std::string dummy;
    if (!error)
        error = &dummy;
    Reader r(data.data(), data.size());
    std::vector<uint8_t> tag;
    uint32_t headerLength, format, tracks, division;
    if (!r.Bytes(4, &tag) || std::string(tag.begin(), tag.end()) != "MThd" || !r.Be(4, &headerLength) ||
        headerLength < 6 || !r.Be(2, &format) || !r.Be(2, &tracks) || !r.Be(2, &division) ||
        !r.Skip(headerLength - 6)) {
        *error = "not a Standard MIDI File";
        return false;
    }
    if (format > 1) {
        *error = "only MIDI file types 0 and 1 are played";
        return false;
    }
    if (division == 0) {
        *error = "MIDI file with zero time division";
        return false;
    }
    std::vector<RawEvent> events;
    uint64_t endTick = 0;
    int trackIndex = 0;
    while (!r.AtEnd() && trackIndex < static_cast<int>(tracks)) {
        uint32_t length;
        if (!r.Bytes(4, &tag) || !r.Be(4, &length)) {
            *error = "truncated track header";
            return false;
        }
        std::vector<uint8_t> body;
        if (!r.Bytes(length, &body)) {
            *error = "truncated track";
            return false;
        }
        if (std::string(tag.begin(), tag.end()) != "MTrk")
            continue; // unknown chunks are skipped
        if (!ParseTrack(body.data(), body.size(), trackIndex, &events, &endTick, error))
            return false;
        ++trackIndex;
    }
    std::stable_sort(events.begin(), events.end(), [](const RawEvent& a, const RawEvent& b) {
        if (a.tick != b.tick)
            return a.tick < b.tick;
        if (a.track != b.track)
            return a.track < b.track;
        return a.order < b.order;
    });

    // Ticks to seconds: SMPTE divisions give a fixed tick length; metrical ones follow the tempo map.
    const bool smpte = (division & 0x8000) != 0;
    double smpteTickSeconds = 0.0;
    if (smpte) {
        const int framesPerSecond = -static_cast<int8_t>((division >> 8) & 0xFF);
        const int ticksPerFrame = static_cast<int>(division & 0xFF);
        if (framesPerSecond <= 0 || ticksPerFrame <= 0) {
            *error = "invalid SMPTE time division";
            return false;
        }
        // 29 stands for 29.97 drop-frame.
        const double fps = framesPerSecond == 29 ? 29.97 : framesPerSecond;
        smpteTickSeconds = 1.0 / (fps * ticksPerFrame);
    }
    sequence->messages.clear();
    sequence->tempoMap.assign(1, TempoChange{0.0, 120.0});
    double seconds = 0.0;
    uint64_t lastTick = 0;
    double secondsPerTick = smpte ? smpteTickSeconds : 0.5 / division;
    for (RawEvent& event : events) {
        seconds += static_cast<double>(event.tick - lastTick) * secondsPerTick;
        lastTick = event.tick;
        if (event.tempo) {
            if (smpte)
                continue;
            secondsPerTick = event.microsPerQuarter * 1e-6 / division;
            const double bpm = 60e6 / event.microsPerQuarter;
            if (sequence->tempoMap.back().seconds == seconds) {
                sequence->tempoMap.back().bpm = bpm;
            } else {
                sequence->tempoMap.push_back(TempoChange{seconds, bpm});
            }
            continue;
        }
        sequence->messages.push_back(TimedMessage{seconds, std::move(event.bytes)});
    }
    seconds += static_cast<double>(endTick - lastTick) * secondsPerTick;
    sequence->endSeconds = seconds;
    return true;
}

bool ReadMidiFile(const std::string& path, MidiSequence* sequence, std::string* error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error)
            *error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return ParseMidiFile(data, sequence, error);
}

bool ParseNoteList(const std::string& text, MidiSequence* sequence, std::string* error)
{
    std::string normalized = text;
    std::replace(normalized.begin(), normalized.end(), ',', ' ');
    std::istringstream entries(normalized);
    std::string entry;
    sequence->messages.clear();
    sequence->tempoMap.assign(1, TempoChange{0.0, 120.0});
    sequence->endSeconds = 0.0;
    while (entries >> entry) {
        double start = 0.0, duration = 0.0;
        int note = 0, velocity = 0, channel = 1;
        const int fields =
            std::sscanf(entry.c_str(), "%lf:%d:%d:%lf:%d", &start, &note, &velocity, &duration, &channel);
        if (fields < 4 || !std::isfinite(start) || !std::isfinite(duration) || start < 0.0 || duration < 0.0 ||
            note < 0 || note > 127 || velocity < 1 || velocity > 127 || channel < 1 || channel > 16) {
            if (error)
                *error = "bad note entry \"" + entry + "\" (want start:note:velocity:duration[:channel])";
            return false;
        }
        const auto ch = static_cast<uint8_t>(channel - 1);
        sequence->messages.push_back(TimedMessage{
            start, {static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(note), static_cast<uint8_t>(velocity)}});
        sequence->messages.push_back(
            TimedMessage{start + duration, {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(note), 64}});
        sequence->endSeconds = std::max(sequence->endSeconds, start + duration);
    }
    std::stable_sort(sequence->messages.begin(), sequence->messages.end(),
                     [](const TimedMessage& a, const TimedMessage& b) { return a.seconds < b.seconds; });
    return true;
}
