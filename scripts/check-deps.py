#!/usr/bin/env python3
"""Fails when a source file under src/ includes a header of a folder that comes
later in src/LAYERS (an include pointing up), or sits in a folder not listed.
Tests are left out: the test program links every folder.
Usage: scripts/check-deps.py [CHECKOUT]"""
import os
import re
import sys

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
src = os.path.join(root, "src")
with open(os.path.join(src, "LAYERS")) as f:
    layers = [w.strip() for w in f if w.strip() and not w.startswith("#")]
rank = {name: i for i, name in enumerate(layers)}
include = re.compile(r'^\s*#\s*include\s*"([^"/]+)/')
problems = []
for folder in sorted(os.listdir(src)):
    path = os.path.join(src, folder)
    if not os.path.isdir(path):
        continue
    if folder not in rank:
        problems.append(f"src/{folder}: folder missing from src/LAYERS")
        continue
    for dirpath, _, files in os.walk(path):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")) or "_test" in name:
                continue
            file = os.path.join(dirpath, name)
            with open(file, errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = include.match(line)
                    if m and rank.get(m.group(1), -1) > rank[folder]:
                        rel = os.path.relpath(file, root)
                        problems.append(f"{rel}:{number}: {folder} includes {m.group(1)}, "
                                        f"which comes later in src/LAYERS")
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
