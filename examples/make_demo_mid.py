#!/usr/bin/env python3
"""Writes demo.mid: a short phrase in A minor (chords, bass and a melody; about ten and a half seconds).

A type-1 Standard MIDI File with a tempo track (and a slowing last bar), a chord-and-bass track and
a melody track that uses running status, so the renderer's reader meets all three features.
"""
import pathlib
import struct

PPQ = 480
Q, E, H, W = PPQ, PPQ // 2, 2 * PPQ, 4 * PPQ


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, 0x80 | (n & 0x7F))
        n >>= 7
    return bytes(out)


def track(events, running_status=False):
    """events: (tick, bytes) pairs; written in tick order with delta times."""
    data = bytearray()
    last_tick, last_status = 0, None
    for tick, msg in sorted(events, key=lambda e: e[0]):
        data += vlq(tick - last_tick)
        last_tick = tick
        status = msg[0]
        if running_status and status < 0xF0 and status == last_status:
            data += bytes(msg[1:])
        else:
            data += bytes(msg)
        last_status = status if status < 0xF0 else None
    data += vlq(0) + b"\xFF\x2F\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def tempo(bpm):
    us = round(60_000_000 / bpm)
    return bytes([0xFF, 0x51, 0x03, (us >> 16) & 0xFF, (us >> 8) & 0xFF, us & 0xFF])


def note(events, start, length, pitch, velocity, channel=0):
    events.append((start, [0x90 | channel, pitch, velocity]))
    # Note-off as note-on with velocity 0, the common running-status form.
    events.append((start + length - 10, [0x90 | channel, pitch, 0]))


conductor = [(0, tempo(120)), (3 * W, tempo(112)), (3 * W + H, tempo(100))]

chords = []
progression = [  # (start, length, bass, chord tones)
    (0 * W, W, 45, (57, 60, 64)),       # A minor
    (1 * W, W, 41, (57, 60, 65)),       # F major
    (2 * W, H, 48, (55, 60, 64)),       # C major
    (2 * W + H, H, 43, (55, 59, 62)),   # G major
    (3 * W, W + H, 45, (57, 60, 64)),   # A minor, held into the tail
]
for start, length, bass, tones in progression:
    note(chords, start, length, bass, 84)
    for t in tones:
        note(chords, start, length, t, 64)
chords.append((0, [0xB0, 7, 100]))  # channel volume, ignored by the synth but a real-world event

melody = []
line = [  # (beats from bar start, bar, length, pitch)
    (0, 0, Q, 76), (1, 0, E, 72), (1.5, 0, E, 74), (2, 0, Q, 76), (3, 0, Q, 81),
    (0, 1, Q + E, 79), (1.5, 1, E, 77), (2, 1, Q, 76), (3, 1, Q, 72),
    (0, 2, Q, 76), (1, 2, E, 74), (1.5, 2, E, 72), (2, 2, Q, 74), (3, 2, Q, 71),
    (0, 3, H + Q, 69), (3, 3, E, 72), (3.5, 3, E, 71),
    (0, 4, H, 69),
]
for beat, bar, length, pitch in line:
    note(melody, int(bar * W + beat * Q), length, pitch, 100)

header = b"MThd" + struct.pack(">IHHH", 6, 1, 3, PPQ)
out = header + track(conductor) + track(chords) + track(melody, running_status=True)
path = pathlib.Path(__file__).with_name("demo.mid")
path.write_bytes(out)
print(f"wrote {path} ({len(out)} bytes)")
