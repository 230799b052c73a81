#!/usr/bin/env python3
"""Writes a General MIDI song of the given length for the render benchmark: drums, bass, piano
chords, strings and a lead with lyric events, at 120 beats a minute.

Usage: bench/make_midi_song.py OUT.kar [SECONDS]"""
import sys

TPQ = 480


def var_len(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.insert(0, (n & 0x7F) | 0x80)
        n >>= 7
    return bytes(out)


def track(events):
    events.sort(key=lambda e: e[0])
    body, at = b"", 0
    for tick, data in events:
        body += var_len(tick - at) + data
        at = tick
    body += b"\x00\xff\x2f\x00"
    return b"MTrk" + len(body).to_bytes(4, "big") + body


def notes(channel, program, pattern, beats, velocity=90):
    events = [(0, bytes([0xC0 | channel, program]))]
    step = 0
    tick = 0
    while tick < beats * TPQ:
        pitch, length = pattern[step % len(pattern)]
        for p in pitch if isinstance(pitch, tuple) else (pitch,):
            events.append((tick, bytes([0x90 | channel, p, velocity])))
            events.append((tick + length - 10, bytes([0x80 | channel, p, 0])))
        tick += length
        step += 1
    return events


def main():
    out = sys.argv[1]
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 240
    beats = int(seconds * 2)  # 120 beats a minute
    conductor = [(0, b"\xff\x51\x03" + (500000).to_bytes(3, "big"))]
    drums = notes(9, 0, [((36, 42), 240), (42, 240), ((38, 42), 240), (42, 240)], beats, 100)
    bass = notes(1, 33, [(36, 480), (43, 480), (41, 480), (38, 480)], beats)
    chords = [(60, 64, 67), (59, 62, 67), (57, 60, 64), (53, 57, 60)]
    piano = notes(2, 0, [(c, 960) for c in chords], beats, 70)
    strings = notes(3, 48, [(tuple(p - 12 for p in c), 1920) for c in chords], beats, 60)
    lead = notes(4, 73, [(72, 240), (74, 240), (76, 480), (79, 480), (77, 240), (76, 240), (74, 480)], beats)
    title = b"@TBenchmark"
    words = [(0, b"\xff\x01" + bytes([len(title)]) + title)]
    syllables = ["la", "la ", "lu", "la ", "li "]
    for i, tick in enumerate(range(0, beats * TPQ, 480)):
        text = ("/" if i % 8 == 0 else "") + syllables[i % len(syllables)]
        words.append((tick, b"\xff\x05" + bytes([len(text)]) + text.encode()))
    tracks = [conductor, drums, bass, piano, strings, lead, words]
    data = b"MThd" + (6).to_bytes(4, "big") + (1).to_bytes(2, "big") + len(tracks).to_bytes(2, "big") + TPQ.to_bytes(2, "big")
    for t in tracks:
        data += track(t)
    with open(out, "wb") as f:
        f.write(data)


main()
