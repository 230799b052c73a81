#!/usr/bin/env python3
"""Writes the evaluation set for automatic word timing: short songs whose words are spoken by
flite voices, pitched onto a melody and stretched a little with sox, over a General MIDI backing
rendered by FluidSynth, and mixed with sox with the voice +12, +6, 0 and -6 dB over the music.
The exact start of every word is recorded from where it was placed (the first 5 ms of the
placed word whose level reaches 30 dB under the word's peak).

Usage: bench/make_align_songs.py OUT_FOLDER [SONGS] [SEED]

Each song N gets OUT_FOLDER/songN/: vocals.wav (44,100 Hz mono), backing.wav, mix+12.wav,
mix+6.wav, mix0.wav, mix-6.wav (stereo, the voice in the centre), lyrics.txt and truth.json
({"words": [{"line", "word", "text", "start"}], "seconds"}). Needs flite, sox and fluidsynth
with a General MIDI SoundFont."""
import array
import json
import math
import os
import random
import subprocess
import sys
import tempfile
import wave

RATE = 44100
HERE = os.path.dirname(os.path.abspath(__file__))
VOICES = ["slt", "rms", "kal", "awb"]
SOUNDFONTS = ["/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
              "/usr/share/sounds/sf2/default-GM.sf2"]

# Our own verses; a few words are not in any dictionary.
VERSES = [
    "morning light is falling on the river",
    "we were walking slowly through the city",
    "every window shining like a promise",
    "hold the line and wait until tomorrow",
    "summer rain is singing on the rooftops",
    "carry me across the silver water",
    "tell me all the stories of the harbour",
    "dancing in the kitchen after midnight",
    "nothing ever changes in the valley",
    "paper boats are sailing to the ocean",
    "glimmerwood is calling me back home",
    "the tessavox is playing our old tune",
    "open up the door and let the sun in",
    "winter birds are flying to the mountains",
    "i remember every word you told me",
    "we can build a castle out of thunder",
    "follow me along the empty highway",
    "the garden grows a little every morning",
    "bring your heart and sing it to the stars",
    "quiet streets are waiting for the evening",
]

# A pentatonic melody in semitones from the voice's own pitch.
SCALE = [-5, -3, 0, 2, 4, 7, 9]


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def read_mono(path):
    with wave.open(path, "rb") as w:
        assert w.getsampwidth() == 2
        data = array.array("h", w.readframes(w.getnframes()))
        channels = w.getnchannels()
    if channels == 2:
        data = array.array("h", [(data[i] + data[i + 1]) // 2 for i in range(0, len(data), 2)])
    return data


def write_wav(path, samples, channels=1):
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(samples.tobytes())


def onset(samples):
    """The first 5 ms window whose level reaches 30 dB under the peak window's."""
    win = RATE // 200
    levels = []
    for i in range(0, max(1, len(samples) - win), win):
        levels.append(math.sqrt(sum(s * s for s in samples[i:i + win]) / win))
    peak = max(levels) if levels else 0
    for k, level in enumerate(levels):
        if peak > 0 and level >= peak * 10 ** (-30 / 20):
            return k * win
    return 0


def sung_word(word, voice, semitones, stretch, tmp):
    raw = os.path.join(tmp, "raw.wav")
    out = os.path.join(tmp, "sung.wav")
    run("flite", "-voice", voice, "-t", word, "-o", raw)
    run("sox", raw, "-r", str(RATE), "-c", "1", out, "pitch", str(semitones * 100), "tempo", "-s", str(stretch),
        "silence", "1", "0.005", "0.1%", "reverse", "silence", "1", "0.005", "0.1%", "reverse")
    return read_mono(out)


def backing(seconds, tmp):
    kar = os.path.join(tmp, "backing.kar")
    wav = os.path.join(tmp, "backing.wav")
    subprocess.run([sys.executable, os.path.join(HERE, "make_midi_song.py"), kar, str(int(seconds) + 2)], check=True,
                   stdout=subprocess.DEVNULL)
    font = next((f for f in SOUNDFONTS if os.path.exists(f)), None)
    if font is None:
        sys.exit("no General MIDI SoundFont (fluid-soundfont-gm)")
    run("fluidsynth", "-ni", "-g", "0.6", "-r", str(RATE), "-F", wav, font, kar)
    return wav


def rms(samples):
    loud = [s for s in samples if s != 0]
    return math.sqrt(sum(float(s) * s for s in loud) / max(1, len(loud)))


def make_song(folder, index, rng):
    os.makedirs(folder, exist_ok=True)
    voice = VOICES[index % len(VOICES)]
    verses = rng.sample(VERSES, 8)
    tmp = tempfile.mkdtemp(prefix="align-song-")
    track = array.array("h")
    truth = []
    at = int(RATE * rng.uniform(1.5, 3.0))
    melody_step = 0
    for line_index, verse in enumerate(verses):
        for word_index, word in enumerate(verse.split()):
            semitones = SCALE[(melody_step * 3 + line_index) % len(SCALE)]
            melody_step += 1
            stretch = rng.uniform(0.6, 1.0)
            samples = sung_word(word, voice, semitones, stretch, tmp)
            start = at + onset(samples)
            truth.append({"line": line_index, "word": word_index, "text": word, "start": start})
            end = at + len(samples)
            if len(track) < end:
                track.extend([0] * (end - len(track)))
            for i, s in enumerate(samples):
                track[at + i] = s
            at = end + int(RATE * rng.uniform(0.03, 0.2))
        at += int(RATE * rng.uniform(1.0, 2.5))
    track.extend([0] * (at - len(track) + RATE))
    seconds = len(track) / RATE
    vocals = os.path.join(folder, "vocals.wav")
    write_wav(vocals, track)

    music = backing(seconds, tmp)
    music_samples = read_mono(music)
    vocal_level = rms(track)
    music_level = rms(music_samples[:len(track)])
    backing_out = os.path.join(folder, "backing.wav")
    run("sox", music, backing_out, "trim", "0", "%.3f" % seconds)
    for db in (12, 6, 0, -6):
        # Voice level over music level as asked: the music's gain follows.
        gain = vocal_level / (music_level * 10 ** (db / 20))
        name = "mix%+d.wav" % db if db else "mix0.wav"
        # The voice's one channel and the music's two side by side, then the voice to both sides.
        run("sox", "-M", "-v", "1", vocals, "-v", "%.4f" % gain, backing_out, os.path.join(folder, name),
            "remix", "1,2", "1,3", "norm", "-1")
    with open(os.path.join(folder, "lyrics.txt"), "w") as f:
        f.write("\n".join(verses) + "\n")
    with open(os.path.join(folder, "truth.json"), "w") as f:
        json.dump({"voice": voice, "seconds": seconds, "words": truth}, f, indent=1)
    subprocess.run(["rm", "-rf", tmp])


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    songs = int(sys.argv[2]) if len(sys.argv) > 2 else 4
    seed = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    rng = random.Random(seed)
    for n in range(songs):
        make_song(os.path.join(out, "song%d" % (n + 1)), n, rng)
        print(os.path.join(out, "song%d" % (n + 1)))


if __name__ == "__main__":
    main()
