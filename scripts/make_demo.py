#!/usr/bin/env python3
"""Puts a small demo list into the program's folder on a first run, so that Play plays something.

  make_demo.py PROGRAM_FOLDER

A first run is one without "KORVA.INI", "KORVA.DT0" and "KORVA.DT1" in the folder. Then five short
songs of our own sequencing (public-domain melodies, several instruments each) go into
PROGRAM_FOLDER/demo/, "KORVA.DT0" lists them and "KORVA.INI" sets the list mode to LIST0. Otherwise
nothing is written. No existing file is ever replaced: every file is created exclusively.
"""
import os
import struct
import sys
from pathlib import Path

DIVISION = 480
PLAYMOD_LIST0 = 0

NOTE_NAMES = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}


def key(name):
    """'C4' is middle C (60); 'F#3', 'Bb4' as usual."""
    pitch = NOTE_NAMES[name[0]]
    rest = name[1:]
    while rest and rest[0] in "#b":
        pitch += 1 if rest[0] == "#" else -1
        rest = rest[1:]
    return 12 * (int(rest) + 1) + pitch


def var_len(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def track(events, end_tick):
    data = bytearray()
    now = 0
    # Note-offs before note-ons at the same tick, so repeated notes sound again.
    for tick, payload in sorted(events, key=lambda e: (e[0], 0 if (e[1][0] & 0xF0) == 0x80 else 1)):
        data += var_len(tick - now) + payload
        now = tick
    data += var_len(max(end_tick, now) - now) + b"\xFF\x2F\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + bytes(data)


def meta(tick, kind, payload):
    return (tick, bytes([0xFF, kind]) + var_len(len(payload)) + payload)


class Song:
    def __init__(self, title, bpm, beats_per_bar):
        # Titles are read from the file's head as text lines: a length byte of CR (13) or of the
        # end-of-file mark (26) would cut the head short.
        assert len(title) not in (13, 26), title
        self.title = title  # Shift-JIS bytes
        self.tempo = round(60_000_000 / bpm)
        self.bar = beats_per_bar
        self.parts = []  # (channel, program, volume, pan, events)
        self.end = 0

    def part(self, channel, program, volume, pan):
        events = []
        if channel != 9:
            events.append((0, bytes([0xC0 | channel, program])))
        events.append((0, bytes([0xB0 | channel, 7, volume])))
        events.append((0, bytes([0xB0 | channel, 10, pan])))
        self.parts.append(events)
        return events

    def note(self, events, channel, pitch, start, beats, velocity, legato=0.9):
        on = round(start * DIVISION)
        off = on + max(1, round(beats * DIVISION * legato))
        events.append((on, bytes([0x90 | channel, pitch, velocity])))
        events.append((off, bytes([0x80 | channel, pitch, 0])))
        self.end = max(self.end, round((start + beats) * DIVISION))

    def melody(self, channel, program, text, volume=100, pan=64, start=0.0, transpose=0, velocity=96):
        """text: 'C4:1 D4:0.5 r:1 ...' (a missing length is one beat, 'r' a rest)."""
        events = self.part(channel, program, volume, pan)
        at = start
        for word in text.split():
            name, _, length = word.partition(":")
            beats = float(length) if length else 1.0
            if name != "r":
                self.note(events, channel, key(name) + transpose, at, beats, velocity)
            at += beats
        return at

    def chords(self, channel, program, chords, beats_each, volume=70, pan=40, bass=None):
        """chords: names like 'C', 'Am', 'G7', one per beats_each; bass: (channel, program)."""
        shapes = {"": [0, 4, 7], "m": [0, 3, 7], "7": [0, 4, 7, 10]}
        events = self.part(channel, program, volume, pan)
        bass_events = self.part(bass[0], bass[1], 100, 64) if bass else None
        for i, chord in enumerate(chords):
            root = key(chord.rstrip("m7") + "3")
            shape = shapes[chord[len(chord.rstrip("m7")):]]
            start = i * beats_each
            for step in shape:
                self.note(events, channel, root + step, start, beats_each, 60, legato=0.98)
            if bass_events is not None:
                self.note(bass_events, bass[0], root - 12, start, beats_each / 2, 90)
                self.note(bass_events, bass[0], root - 12 + 7, start + beats_each / 2, beats_each / 2, 80)

    def drums(self, bars, kick=36, hat=42, volume=80):
        events = self.part(9, 0, volume, 64)
        for bar in range(bars):
            for beat in range(self.bar):
                start = bar * self.bar + beat
                if beat == 0:
                    self.note(events, 9, kick, start, 0.5, 90)
                self.note(events, 9, hat, start, 0.5, 50 if beat else 70)

    def bytes(self):
        head = [meta(0, 0x03, self.title), meta(0, 0x51, self.tempo.to_bytes(3, "big")),
                meta(0, 0x58, bytes([self.bar, 2, 24, 8]))]
        tracks = [track(head, self.end)] + [track(events, self.end) for events in self.parts]
        return b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), DIVISION) + b"".join(tracks)


def twinkle():
    song = Song(b"Twinkle, Twinkle, Little Star", 104, 4)
    line = ("C4 C4 G4 G4 A4 A4 G4:2 F4 F4 E4 E4 D4 D4 C4:2 "
            "G4 G4 F4 F4 E4 E4 D4:2 G4 G4 F4 F4 E4 E4 D4:2 "
            "C4 C4 G4 G4 A4 A4 G4:2 F4 F4 E4 E4 D4 D4 C4:2")
    song.melody(0, 10, line, transpose=12)      # music box
    song.melody(1, 73, line, volume=70, pan=90)  # flute
    song.chords(2, 0, "C C F C F C G C C F C G C F C G C C F C F C G C".split(), 2, bass=(3, 32))
    song.drums(12, kick=35, hat=44, volume=55)
    return song


def ode_to_joy():
    song = Song(b"Ode to Joy", 112, 4)
    verse = ("E4 E4 F4 G4 G4 F4 E4 D4 C4 C4 D4 E4 E4:1.5 D4:0.5 D4:2 "
             "E4 E4 F4 G4 G4 F4 E4 D4 C4 C4 D4 E4 D4:1.5 C4:0.5 C4:2")
    song.melody(0, 56, verse, pan=70)            # trumpet
    song.melody(1, 60, verse, volume=60, pan=50, transpose=-12)  # horn an octave down
    song.chords(2, 48, "C C G G C C G G C C G G C C G C".split(), 2, volume=65, bass=(3, 33))
    song.drums(8)
    return song


def frere_jacques():
    song = Song(b"Frere Jacques (round)", 132, 4)
    tune = ("C4 D4 E4 C4 C4 D4 E4 C4 E4 F4 G4:2 E4 F4 G4:2 "
            "G4:0.5 A4:0.5 G4:0.5 F4:0.5 E4 C4 G4:0.5 A4:0.5 G4:0.5 F4:0.5 E4 C4 "
            "C4 G3 C4:2 C4 G3 C4:2")
    twice = tune + " " + tune
    song.melody(0, 73, twice, pan=30, transpose=12)        # flute
    song.melody(1, 71, twice, pan=64, start=8)             # clarinet, two bars later
    song.melody(2, 70, twice, pan=100, start=16, transpose=-12)  # bassoon, four bars later
    song.chords(3, 46, ["C"] * 20, 4, volume=50, bass=(4, 32))  # harp and bass under the round
    return song


def amazing_grace():
    song = Song(b"Amazing Grace (hymn)", 96, 3)
    line = ("r:2 G3 C4:2 E4:0.5 C4:0.5 E4:2 D4 C4:2 A3 G3:2 G3 C4:2 E4:0.5 C4:0.5 E4:2 D4 G4:3 "
            "G4:2 E4 G4:2 E4:0.5 C4:0.5 E4:2 D4 C4:2 A3 G3:2 G3 C4:2 E4:0.5 C4:0.5 E4:2 D4 C4:3 C4:3")
    song.melody(0, 19, line, volume=90)          # church organ
    song.melody(1, 22, line, volume=60, pan=90, transpose=12)  # harmonica
    song.chords(2, 48, "C C C F C C G G G C C F C C G C C".split(), 3, volume=60, bass=(3, 32))
    return song


def sakura():
    song = Song("さくらさくら".encode("cp932"), 90, 4)
    line = ("A4 A4 B4:2 A4 A4 B4:2 A4 B4 C5 B4 A4 B4:0.5 A4:0.5 F4:2 "
            "E4 C4 E4 F4 E4 E4:0.5 C4:0.5 B3:2 A4 B4 C5 B4 A4 B4:0.5 A4:0.5 F4:2 "
            "E4 C4 E4 F4 E4 E4:0.5 C4:0.5 B3:2 A4 A4 B4:2 A4 A4 B4:2 "
            "E4 F4 B4:0.5 A4:0.5 F4 E4:4")
    song.melody(0, 107, line, pan=50)                    # koto
    song.melody(1, 77, line, volume=55, pan=80, transpose=-12)  # shakuhachi
    drone = song.part(2, 49, 55, 64)                     # slow strings on A and E
    taiko = song.part(9, 0, 70, 64)
    for bar in range(14):
        song.note(drone, 2, key("A2"), bar * 4, 4, 50, legato=1.0)
        song.note(drone, 2, key("E3"), bar * 4, 4, 45, legato=1.0)
        song.note(taiko, 9, 35, bar * 4, 1, 80)
        song.note(taiko, 9, 41, bar * 4 + 2, 1, 55)
    return song


SONGS = [("TWINKLE.MID", twinkle), ("ODETOJOY.MID", ode_to_joy), ("FRERE.MID", frere_jacques),
         ("AMAZING.MID", amazing_grace), ("SAKURA.MID", sakura)]


def write_new(path, data):
    """Creates the file; a file that is already there is left as it is. True when written."""
    try:
        with open(path, "xb") as f:
            f.write(data)
            f.flush()
            os.fsync(f.fileno())
        return True
    except FileExistsError:
        return False


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    folder = Path(argv[1]).resolve()
    if any((folder / name).exists() for name in ("KORVA.INI", "KORVA.DT0", "KORVA.DT1")):
        return 0  # not a first run
    demo = folder / "demo"
    demo.mkdir(parents=True, exist_ok=True)
    lines = []
    for name, make in SONGS:
        song = make()
        write_new(demo / name, song.bytes())
        path = str(demo / name).encode("cp932")
        lines.append(song.title + b"\t" + path + b"\t+0\t1\r\n")
    # The list first, the settings last: a run that breaks off leaves no settings naming LIST0.
    if not write_new(folder / "KORVA.DT0", b"".join(lines)):
        return 0
    write_new(folder / "KORVA.INI", b"[KORVA]\r\nPLAYMOD=%d\r\n" % PLAYMOD_LIST0)
    print("A demo list of %d songs is in %s" % (len(SONGS), folder / "KORVA.DT0"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
