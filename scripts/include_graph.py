#!/usr/bin/env python3
"""The house drawn from its #includes: which room includes which, and how often. Rooms are
listed from the bottom up; every arrow must point down the list, and no two units (a .h with
its .cpp) may include each other. Prints the arrows; exits 1 naming any that break the rule.
Usage: scripts/include_graph.py [--dot]"""
import os
import re
import sys
from collections import Counter

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# From the bottom up; a room may include only rooms before it (those on one line are peers
# that include neither each other).
ROOMS = [
    ["codepage"],
    ["track/export"],
    ["track/trip"],
    ["track/page"],
    ["files", "textview"],
    ["panes"],
    ["mainfrm", "cli"],
]
LEVEL = {room: level for level, peers in enumerate(ROOMS) for room in peers}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources():
    for room in LEVEL:
        folder = os.path.join(ROOT, room)
        for name in sorted(os.listdir(folder)):
            if name.endswith((".h", ".cpp")):
                yield room, os.path.join(folder, name)


def main():
    room_of = {}
    files = list(sources())
    by_name = {}
    for room, path in files:
        room_of[path] = room
        by_name.setdefault(os.path.basename(path), []).append(path)
    arrows = Counter()
    unit_edges = set()
    broken = []
    for room, path in files:
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for included in INCLUDE.findall(text):
            candidates = [os.path.normpath(os.path.join(os.path.dirname(path), included))]
            candidates += by_name.get(os.path.basename(included), [])
            target = next((c for c in candidates if c in room_of), None)
            if target is None:
                continue  # a generated or third-party header
            to = room_of[target]
            unit = os.path.splitext(path)[0]
            target_unit = os.path.splitext(target)[0]
            if unit != target_unit:
                unit_edges.add((unit, target_unit))
            if to == room:
                continue
            arrows[(room, to)] += 1
            if LEVEL[to] >= LEVEL[room]:
                broken.append(f"{os.path.relpath(path, ROOT)} includes {included}: "
                              f"{room} -> {to} points up or sideways")
    for a, b in sorted(unit_edges):
        if (b, a) in unit_edges and a < b:
            broken.append(f"{os.path.relpath(a, ROOT)} and {os.path.relpath(b, ROOT)} include "
                          "each other")
    if "--dot" in sys.argv:
        print("digraph house {")
        for (a, b), n in sorted(arrows.items()):
            print(f'  "{a}" -> "{b}" [label={n}];')
        print("}")
    else:
        for level in range(len(ROOMS) - 1, -1, -1):
            for room in ROOMS[level]:
                below = [f"{to} ({n})" for (a, to), n in sorted(arrows.items()) if a == room]
                print(f"{room:14} -> {', '.join(below) if below else '(nothing)'}")
    for line in broken:
        print("BROKEN: " + line, file=sys.stderr)
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
