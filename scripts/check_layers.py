#!/usr/bin/env python3
"""Fails when the engine's folders under src/ include each other in a cycle.

The engine is layered, lowest first; a folder includes only folders below it:
  media, text      byte order, files, WAV format and reader, thread priority; Windows-1252,
                   fonts, song time, user prompts
  project          the song model (settings, pages, line list, .tvx files)
  log              the diagnostic log: reads the model, the model never calls it
  audio            music import, sound output, feeder, tempo change, encoders
  align            timing words from singing: vocal activity, the speech recogniser, pronunciations
  cdg              packets, the generator (writes to a packet sink), pages, BIN and .cdg
  player           interpreter, renderer (a packet sink), the CD+G player on the audio clock
  lyrics, export, timing   lyric files, the export flows, placing and adjusting words
  waveform         peaks of the work WAV and the strip picture of music, words and pages
The front ends (src/app, src/cli) sit on top; the engine never includes them.

Files are checked too, across all of src/ (the front ends included): a file's header and source
(`name.h`, `name.cpp`) are one unit, and no unit may reach itself through includes, so that no two
files include or call each other in a loop (an interface the caller implements breaks one).

Edges come from `#include "folder/..."` lines in src/<folder>/*.h and *.cpp; an include
without a folder names a file of the same folder. With no cycle the folder order is printed
(each line includes only folders of earlier lines); a cycle is printed with one include line
for each of its steps, and the exit status is 1.

  scripts/check_layers.py [SRC]     (SRC defaults to the src folder beside this script)
"""
import os
import re
import sys

FRONT_ENDS = {"app", "cli"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def read_edges(src):
    folders = sorted(d for d in os.listdir(src)
                     if os.path.isdir(os.path.join(src, d)) and d not in FRONT_ENDS)
    # edges[a][b] = the first include line that makes folder a need folder b
    edges = {f: {} for f in folders}
    problems = []
    for folder in folders:
        for name in sorted(os.listdir(os.path.join(src, folder))):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(src, folder, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(1)
                    where = "src/%s/%s:%d: %s" % (folder, name, number, line.strip())
                    if "/" not in target:
                        continue  # same folder
                    head = target.split("/", 1)[0]
                    if head in FRONT_ENDS:
                        problems.append("engine includes a front end: " + where)
                    elif head in edges and head != folder:
                        edges[folder].setdefault(head, where)
    return folders, edges, problems


def read_unit_edges(src):
    """Units (paths under src without the extension) and, per unit, the units it includes
    with the first include line that does it."""
    units = {}
    for root, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".cpp")):
                rel = os.path.relpath(os.path.join(root, name), src)
                units.setdefault(os.path.splitext(rel)[0], []).append(rel)
    edges = {u: {} for u in units}
    for unit, files in sorted(units.items()):
        for rel in sorted(files):
            with open(os.path.join(src, rel), encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(1)
                    for candidate in (target, os.path.join(os.path.dirname(rel), target)):
                        other = os.path.splitext(os.path.normpath(candidate))[0]
                        if other in units:
                            if other != unit:
                                edges[unit].setdefault(other, "src/%s:%d: %s" % (rel, number, line.strip()))
                            break
    return sorted(units), edges


def find_cycle(folders, edges):
    """A list of folders [a, b, ..., a] forming a cycle, or None."""
    state = {f: 0 for f in folders}  # 0 new, 1 on the path, 2 done
    path = []

    def visit(f):
        state[f] = 1
        path.append(f)
        for g in sorted(edges[f]):
            if state[g] == 1:
                return path[path.index(g):] + [g]
            if state[g] == 0:
                found = visit(g)
                if found:
                    return found
        path.pop()
        state[f] = 2
        return None

    for f in folders:
        if state[f] == 0:
            found = visit(f)
            if found:
                return found
    return None


def levels(folders, edges):
    level = {}

    def depth(f):
        if f not in level:
            level[f] = 1 + max((depth(g) for g in edges[f]), default=-1)
        return level[f]

    for f in folders:
        depth(f)
    rows = {}
    for f in folders:
        rows.setdefault(level[f], []).append(f)
    return [rows[k] for k in sorted(rows)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src")
    folders, edges, problems = read_edges(src)
    if not folders:
        print("no engine folders under %s" % src)
        return 1
    cycle = find_cycle(folders, edges)
    if cycle:
        print("Engine folders include each other in a cycle: " + " -> ".join(cycle))
        for a, b in zip(cycle, cycle[1:]):
            print("  %s -> %s  %s" % (a, b, edges[a][b]))
    for p in problems:
        print(p)
    units, unit_edges = read_unit_edges(src)
    unit_cycle = find_cycle(units, unit_edges)
    if unit_cycle:
        print("Files include each other in a loop: " + " -> ".join(unit_cycle))
        for a, b in zip(unit_cycle, unit_cycle[1:]):
            print("  %s -> %s  %s" % (a, b, unit_edges[a][b]))
    if cycle or problems or unit_cycle:
        return 1
    print("No two files of %d include each other in a loop." % len(units))
    print("Engine folders have no cycle. Order, lowest first:")
    for i, row in enumerate(levels(folders, edges), 1):
        needs = sorted({g for f in row for g in edges[f]})
        print("  %d. %-28s needs: %s" % (i, " ".join(row), " ".join(needs) if needs else "-"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
