#!/usr/bin/env python3
"""Measures automatic word timing on the set bench/make_align_songs.py writes: for each song it
makes a project of the mix (tessavox-cli new), times it with `tessavox-cli align --json` (the
vocal track alone with --vocals, else the mix itself) under /usr/bin/time -v, and compares every
word's start with the truth.

Usage: bench/align_benchmark.py SET_FOLDER [TESSAVOX_CLI]

Prints, for the vocal track alone and for the voice +12, +6, 0 and -6 dB over the music: the
share of word starts within 300 ms of the truth, the median error, the share of the words
missed by more than 300 ms that are marked unsure, the share of all words marked unsure (what a
user would check by ear), CPU time / song length and peak memory."""
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile

RATE = 44100
TOLERANCE = 0.3
CONDITIONS = [("vocal alone", None), ("+12 dB", "mix+12.wav"), ("+6 dB", "mix+6.wav"), ("0 dB", "mix0.wav"),
              ("-6 dB", "mix-6.wav")]


def timed_run(args):
    result = subprocess.run(["/usr/bin/time", "-v"] + args, capture_output=True, text=True)
    cpu = sum(float(m) for m in re.findall(r"(?:User|System) time \(seconds\): ([\d.]+)", result.stderr))
    peak = re.search(r"Maximum resident set size \(kbytes\): (\d+)", result.stderr)
    return result, cpu, int(peak.group(1)) if peak else 0


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    cli = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "..", "build",
                                                              "src", "tessavox-cli")
    songs = sorted(d for d in os.listdir(folder) if os.path.exists(os.path.join(folder, d, "truth.json")))
    work = tempfile.mkdtemp(prefix="align-bench-")
    rows = []
    for label, mix in CONDITIONS:
        errors, misses, unsure_misses, cpu_total, seconds_total, peak = [], 0, 0, 0.0, 0.0, 0
        unsure_all = 0
        for song in songs:
            base = os.path.join(folder, song)
            truth = json.load(open(os.path.join(base, "truth.json")))
            project = os.path.join(work, "%s-%s.tvx" % (song, label.replace(" ", "")))
            music = os.path.join(base, mix or "backing.wav")
            subprocess.run([cli, "new", "-o", project, "--music", music, "--lyrics", os.path.join(base, "lyrics.txt"),
                            "--force"], check=True, capture_output=True)
            args = [cli, "align", project, "--json"]
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
                unsure_all += 1 if got["unsure"] else 0
                if error > TOLERANCE:
                    misses += 1
                    unsure_misses += 1 if got["unsure"] else 0
            cpu_total += cpu
            seconds_total += truth["seconds"]
            peak = max(peak, memory)
        within = sum(1 for e in errors if e <= TOLERANCE) / len(errors)
        rows.append((label, within, statistics.median(errors), misses, unsure_misses, unsure_all / len(errors),
                     cpu_total / seconds_total, peak))
    subprocess.run(["rm", "-rf", work])

    print("%d songs, %d words each condition" % (len(songs), len(errors)))
    print("%-12s %9s %10s %16s %11s %9s %8s" % ("condition", "<=300 ms", "median ms", "misses unsure", "all unsure",
                                                "CPU/len", "peak MB"))
    for label, within, median, misses, unsure, unsure_all, cpu, peak in rows:
        share = "%d/%d (%.0f %%)" % (unsure, misses, 100.0 * unsure / misses) if misses else "-"
        print("%-12s %8.1f%% %10.0f %16s %10.0f%% %9.3f %8.0f" % (label, 100 * within, 1000 * median, share,
                                                                100 * unsure_all, cpu, peak / 1024))


if __name__ == "__main__":
    main()
