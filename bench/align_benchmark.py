#!/usr/bin/env python3
"""Measures automatic word timing on the set bench/make_align_songs.py writes: for each song it
makes a project of the mix (tessavox-cli new), times it with `tessavox-cli align --json` (the
vocal track alone with --vocals, else the mix itself) under /usr/bin/time -v, and compares every
word's start with the truth.

Usage: bench/align_benchmark.py SET_FOLDER [TESSAVOX_CLI] [--taps]
       bench/align_benchmark.py SET_FOLDER --snap TAP_SNAP

Prints, for the vocal track alone and for the voice +12, +6, 0 and -6 dB over the music: the
share of word starts within 300 ms of the truth, the median error, the share of the words
missed by more than 300 ms that are marked unsure, the share of all words marked unsure (what a
user would check by ear), the share of lines whose first word starts within 300 ms (the line
was found), CPU time / song length and peak memory.

--taps adds, under each row, the same song timed from one tap per line (`align --line-starts`):
each line's first word placed where a person would tap it, the true start plus 80 +- 60 ms
(normal, fixed seed), as Place Lyrics with Lines Only leaves it.

--snap TAP_SNAP (the bench program tap_snap) scores taps on every word instead: each at the
true start plus 80 +- 60 ms, as tapped and as snapped to the vocal track's onsets the way Place
Lyrics snaps them (up to 200 ms back, 80 ms ahead) and within 120 ms either way, as the share
within 100 ms of the truth and the median error."""
import json
import os
import random
import re
import statistics
import subprocess
import sys
import tempfile

RATE = 44100
TOLERANCE = 0.3
TAP_LATE = 0.080
TAP_SPREAD = 0.060
TAP_SEED = 11
CONDITIONS = [("vocal alone", None), ("+12 dB", "mix+12.wav"), ("+6 dB", "mix+6.wav"), ("0 dB", "mix0.wav"),
              ("-6 dB", "mix-6.wav")]


def timed_run(args):
    result = subprocess.run(["/usr/bin/time", "-v"] + args, capture_output=True, text=True)
    cpu = sum(float(m) for m in re.findall(r"(?:User|System) time \(seconds\): ([\d.]+)", result.stderr))
    peak = re.search(r"Maximum resident set size \(kbytes\): (\d+)", result.stderr)
    return result, cpu, int(peak.group(1)) if peak else 0


def lrc_time(seconds):
    seconds = max(0.0, seconds)
    return "%02d:%05.2f" % (int(seconds // 60), seconds - 60 * int(seconds // 60))


def write_taps(path, lyrics, truth, rng):
    """An LRC whose only timed words are the lines' first words, each at a simulated tap; every
    other word is at 0, which the song counts as not placed."""
    firsts = {w["line"]: w["start"] / RATE for w in truth["words"] if w["word"] == 0}
    out = []
    for index, line in enumerate(l for l in open(lyrics).read().split("\n") if l.strip()):
        tap = lrc_time(firsts[index] + rng.gauss(TAP_LATE, TAP_SPREAD))
        words = line.split()
        out.append("[%s]<%s>%s %s" % (tap, tap, words[0], " ".join("<00:00.00>" + w for w in words[1:])))
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def snap_scores(folder, songs, tap_snap):
    rng = random.Random(TAP_SEED)
    tapped = []
    # Place Lyrics' window (200 ms back, 80 ms ahead), and 120 ms either way.
    snapped = [([], []), (["120", "120"], [])]
    for song in songs:
        base = os.path.join(folder, song)
        truth = [w["start"] for w in json.load(open(os.path.join(base, "truth.json")))["words"]]
        taps = [max(1, int(t + RATE * rng.gauss(TAP_LATE, TAP_SPREAD))) for t in truth]
        tapped += [abs(a - t) / RATE for a, t in zip(taps, truth)]
        for window, errors in snapped:
            result = subprocess.run([tap_snap, os.path.join(base, "vocals.wav")] + window,
                                    input="\n".join(map(str, taps)), capture_output=True, text=True, check=True)
            errors += [abs(int(a) - t) / RATE for a, t in zip(result.stdout.split(), truth)]
    print("%d songs, %d taps, each at the true start + %d +- %d ms" % (len(songs), len(tapped), 1000 * TAP_LATE,
                                                                      1000 * TAP_SPREAD))
    print("%-16s %9s %10s" % ("taps", "<=100 ms", "median ms"))
    for label, errors in (("as tapped", tapped), ("snapped -200/+80", snapped[0][1]),
                          ("snapped +-120", snapped[1][1])):
        within = sum(1 for e in errors if e <= 0.1) / len(errors)
        print("%-16s %8.1f%% %10.0f" % (label, 100 * within, 1000 * statistics.median(errors)))


def main():
    argv = sys.argv[1:]
    tap_snap = None
    if "--snap" in argv:
        at = argv.index("--snap")
        if at + 1 >= len(argv):
            sys.exit(__doc__)
        tap_snap = argv[at + 1]
        del argv[at:at + 2]
    args = [a for a in argv if a != "--taps"]
    taps = "--taps" in argv
    if not args:
        sys.exit(__doc__)
    if tap_snap:
        folder = args[0]
        songs = sorted(d for d in os.listdir(folder) if os.path.exists(os.path.join(folder, d, "truth.json")))
        snap_scores(folder, songs, tap_snap)
        return
    folder = args[0]
    cli = args[1] if len(args) > 1 else os.path.join(os.path.dirname(__file__), "..", "build", "src", "tessavox-cli")
    songs = sorted(d for d in os.listdir(folder) if os.path.exists(os.path.join(folder, d, "truth.json")))
    work = tempfile.mkdtemp(prefix="align-bench-")
    rows = []
    modes = [False, True] if taps else [False]
    for (label, mix), tapped in ((c, t) for c in CONDITIONS for t in modes):
        rng = random.Random(TAP_SEED)
        errors, misses, unsure_misses, cpu_total, seconds_total, peak = [], 0, 0, 0.0, 0.0, 0
        line_errors = []
        unsure_all = 0
        for song in songs:
            base = os.path.join(folder, song)
            truth = json.load(open(os.path.join(base, "truth.json")))
            project = os.path.join(work, "%s-%s.tvx" % (song, label.replace(" ", "")))
            music = os.path.join(base, mix or "backing.wav")
            lyrics = os.path.join(base, "lyrics.txt")
            if tapped:
                write_taps(os.path.join(work, "taps.lrc"), lyrics, truth, rng)
                lyrics = os.path.join(work, "taps.lrc")
            subprocess.run([cli, "new", "-o", project, "--music", music, "--lyrics", lyrics, "--force"], check=True,
                           capture_output=True)
            args = [cli, "align", project, "--json"] + (["--line-starts"] if tapped else [])
            if mix is None:
                args += ["--vocals", os.path.join(base, "vocals.wav")]
            result, cpu, memory = timed_run(args)
            if result.returncode != 0:
                sys.exit("%s failed: %s" % (" ".join(args), result.stderr))
            found = json.loads(result.stdout)["words"]
            # The set has no "*" syllables: one element a word, in lyric order.
            if len(found) != len(truth["words"]):
                sys.exit("%s: %d words timed, %d in the truth" % (song, len(found), len(truth["words"])))
            for got, want in zip(found, truth["words"]):
                error = abs(got["start"] - want["start"]) / RATE
                errors.append(error)
                if want["word"] == 0:
                    line_errors.append(error)
                unsure_all += 1 if got["unsure"] else 0
                if error > TOLERANCE:
                    misses += 1
                    unsure_misses += 1 if got["unsure"] else 0
            cpu_total += cpu
            seconds_total += truth["seconds"]
            peak = max(peak, memory)
        within = sum(1 for e in errors if e <= TOLERANCE) / len(errors)
        lines_within = sum(1 for e in line_errors if e <= TOLERANCE) / len(line_errors)
        rows.append((label + (" tapped" if tapped else ""), within, statistics.median(errors), misses, unsure_misses,
                     unsure_all / len(errors), lines_within, cpu_total / seconds_total, peak))
    subprocess.run(["rm", "-rf", work])

    print("%d songs, %d words each condition" % (len(songs), len(errors)))
    print("%-18s %9s %10s %16s %11s %11s %9s %8s" % ("condition", "<=300 ms", "median ms", "misses unsure",
                                                      "all unsure", "line starts", "CPU/len", "peak MB"))
    for label, within, median, misses, unsure, unsure_all, lines_within, cpu, peak in rows:
        share = "%d/%d (%.0f %%)" % (unsure, misses, 100.0 * unsure / misses) if misses else "-"
        print("%-18s %8.1f%% %10.0f %16s %10.0f%% %10.1f%% %9.3f %8.0f" % (
            label, 100 * within, 1000 * median, share, 100 * unsure_all, 100 * lines_within, cpu, peak / 1024))


if __name__ == "__main__":
    main()
