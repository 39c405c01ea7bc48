#!/usr/bin/env python3
"""Writes the Standard MIDI Files that the program ships and that the benchmarks play.

  make_midi.py resets DIR          KORVA_GM.MID, KORVA_GS.MID and KORVA_88.MID into DIR
  make_midi.py busy SECONDS FILE   a song of SECONDS seconds on all 16 channels, for benchmarks
"""
import struct
import sys
from pathlib import Path

DIVISION = 480          # ticks per quarter note
TEMPO = 500_000         # microseconds per quarter note: 120 beats a minute, 960 ticks a second

RESETS = {
    "KORVA_GM.MID": bytes([0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7]),                                # GM System On
    "KORVA_GS.MID": bytes([0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7]),  # GS reset
    "KORVA_88.MID": bytes([0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0x00, 0x7F, 0x00, 0x01, 0xF7]),  # SC-88 mode set
}
# A module needs a moment to settle after a reset: the files end 100 ms after the message.
RESET_SETTLE_TICKS = 96


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def track(events, end_tick=0):
    """events: (tick, bytes) in any order; equal ticks keep their order."""
    data = bytearray()
    now = 0
    for tick, payload in sorted(events, key=lambda event: event[0]):
        data += var_len(tick - now) + payload
        now = tick
    data += var_len(max(end_tick, now) - now) + b"\xFF\x2F\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def smf(fmt, tracks):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), DIVISION) + b"".join(tracks)


def tempo_event(tick):
    return (tick, b"\xFF\x51\x03" + TEMPO.to_bytes(3, "big"))


def sysex_event(tick, message):
    body = message[1:]
    return (tick, b"\xF0" + var_len(len(body)) + body)


def write_resets(folder):
    folder.mkdir(parents=True, exist_ok=True)
    for name, message in RESETS.items():
        events = [tempo_event(0), sysex_event(0, message)]
        (folder / name).write_bytes(smf(0, [track(events, RESET_SETTLE_TICKS)]))


def write_busy(seconds, file):
    eighth = DIVISION // 2
    steps = int(seconds * 960) // eighth
    tracks = [track([tempo_event(0), (0, b"\xFF\x03\x0ABusy song.")])]
    for channel in range(16):
        events = []
        if channel == 9:
            for step in range(steps):
                tick = step * eighth
                events.append((tick, bytes([0x99, 42, 70])))
                events.append((tick, bytes([0x99, 36 if step % 4 == 0 else 38 if step % 4 == 2 else 42, 90])))
                events.append((tick + eighth - 20, bytes([0x89, 42, 0])))
                events.append((tick + eighth - 20, bytes([0x89, 36 if step % 4 == 0 else 38 if step % 4 == 2 else 42, 0])))
        else:
            events.append((0, bytes([0xC0 | channel, (channel * 8 + 1) % 128])))
            events.append((0, bytes([0xB0 | channel, 10, (channel * 37) % 128])))
            for step in range(steps):
                tick = step * eighth
                keys = [48 + (channel * 5 + step * 7) % 24]
                if channel % 2 == 0:
                    keys.append(keys[0] + 4)
                for key in keys:
                    events.append((tick, bytes([0x90 | channel, key, 64 + (step * 3 + channel) % 40])))
                    events.append((tick + eighth - 20, bytes([0x80 | channel, key, 0])))
        tracks.append(track(events, steps * eighth))
    Path(file).write_bytes(smf(1, tracks))


def main(argv):
    if len(argv) == 3 and argv[1] == "resets":
        write_resets(Path(argv[2]))
    elif len(argv) == 4 and argv[1] == "busy":
        write_busy(float(argv[2]), argv[3])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
