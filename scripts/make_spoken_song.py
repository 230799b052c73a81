#!/usr/bin/env python3
"""Makes a short song whose vocal is spoken by flite, word by word, for the window's Auto-Time check.

  scripts/make_spoken_song.py FOLDER

Writes FOLDER/vocals.wav (44,100 Hz mono: each word where this script put it, silence between
words and longer silence between lines), FOLDER/music.wav (a quiet 220 Hz tone, stereo, as long
as the vocal), FOLDER/lyrics.txt (the two lines) and FOLDER/truth.txt (each word's start in
samples: where its sound begins, its first 5 ms within 30 dB of its loudest). Needs flite and sox.
"""
import array
import math
import os
import subprocess
import sys
import wave

RATE = 44100
LINES = ["morning light is falling", "carry me across the water"]


def speak(word, folder):
    spoken, raw = os.path.join(folder, "word.wav"), os.path.join(folder, "word.raw")
    subprocess.run(["flite", "-voice", "slt", "-t", word, "-o", spoken], check=True)
    subprocess.run(["sox", spoken, "-r", str(RATE), "-c", "1", "-b", "16", "-e", "signed", "-t", "raw", raw], check=True)
    samples = array.array("h")
    with open(raw, "rb") as f:
        samples.frombytes(f.read())
    os.remove(spoken)
    os.remove(raw)
    return samples


def onset(samples):
    window = RATE // 200
    levels = [math.sqrt(sum(float(v) * v for v in samples[i:i + window]) / window)
              for i in range(0, len(samples) - window + 1, window)]
    peak = max(levels)
    for w, level in enumerate(levels):
        if level >= peak * 10 ** (-30 / 20):
            return w * window
    return 0


def write_wav(path, channels, samples):
    with wave.open(path, "wb") as f:
        f.setnchannels(channels)
        f.setsampwidth(2)
        f.setframerate(RATE)
        f.writeframes(samples.tobytes())


def main():
    folder = sys.argv[1]
    track = array.array("h", [0] * RATE)
    truth = []
    for line in LINES:
        for word in line.split():
            said = speak(word, folder)
            truth.append(len(track) + onset(said))
            track.extend(said)
            track.extend([0] * (RATE // 8))
        track.extend([0] * (RATE * 3 // 2))
    write_wav(os.path.join(folder, "vocals.wav"), 1, track)
    tone = array.array("h")
    for f in range(len(track)):
        v = int(round(600 * math.sin(2 * math.pi * 220 * f / RATE)))
        tone.extend((v, v))
    write_wav(os.path.join(folder, "music.wav"), 2, tone)
    with open(os.path.join(folder, "lyrics.txt"), "w") as f:
        f.write("\n".join(LINES) + "\n")
    with open(os.path.join(folder, "truth.txt"), "w") as f:
        f.write(" ".join(str(t) for t in truth) + "\n")


if __name__ == "__main__":
    main()
