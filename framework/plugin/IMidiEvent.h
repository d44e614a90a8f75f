// MIDI in and out at the host boundary, and the host's transport as the plug-in sees it.
#pragma once

#include <cstdint>

struct IMidiEvent {
    int offset = 0; // frames into the host block as sent; into the sub-block as delivered to the plug-in
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;

    int Channel() const { return status & 0x0F; }
    int Kind() const { return status & 0xF0; }
};

struct ISysExEvent {
    int offset = 0;
    int size = 0;
    const uint8_t* data = nullptr;
};

// Each field keeps what the caller set unless the host reports it (the format layers' HostTransport).
struct ITransportInfo {
    double tempo = 0.0;
    double samplePosition = 0.0;
    double quarterNotePosition = 0.0;
    double barStartPosition = 0.0;
    double cycleStart = 0.0;
    double cycleEnd = 0.0;
    int32_t numerator = 0;
    int32_t denominator = 0;
    bool transportRunning = false;
    bool loopActive = false;
};
