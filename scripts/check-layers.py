#!/usr/bin/env python3
"""Checks that the folders of the tree include each other one way only.

The layers, from the bottom up:

    platform <- engine/common <- engine/dvar <- engine/fs <- records <- assets <- convert <- tool

A file may include headers of its own folder and of the layers below it, never of one
above. The unit tests beside the sources of a folder (counted as "folder (tests)") may
include what their folder may, and the test support (tests/support). The test support,
the end-to-end tests, the fuzz targets and the benchmarks sit above everything. The
encoder programs (encoders/) stand apart: they include only their own folder.

Prints the folder graph (which folder includes which, with the number of lines) and exits
with 1 when an include points up or the graph has a cycle."""
import os
import re
import subprocess
import sys

LAYERS = ["platform", "engine/common", "engine/dvar", "engine/fs", "records", "assets",
          "convert", "tool"]
TOP = ["tests/support", "tests", "fuzz", "bench"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    """The folder a file or header belongs to, as the graph counts it."""
    for name in sorted(LAYERS + TOP + ["encoders"], key=len, reverse=True):
        if path == name or path.startswith(name + "/"):
            return name
    return os.path.dirname(path)


def is_test(path):
    base = os.path.basename(path)
    return "_test." in base or base.startswith("testing_") or "test_fixture" in base


def allowed(source, target, test):
    if source == target or source in TOP or (test and target == "tests/support"):
        return True
    if source == "encoders":
        return False
    if source in LAYERS and target in LAYERS:
        return LAYERS.index(target) < LAYERS.index(source)
    return False


def main():
    root = subprocess.check_output(["git", "rev-parse", "--show-toplevel"], text=True).strip()
    os.chdir(root)
    files = subprocess.check_output(["git", "ls-files", "*.cpp", "*.h"], text=True).split()
    edges = {}
    upward = []
    for path in files:
        source = folder_of(path)
        test = is_test(path) and source not in TOP
        node = source + " (tests)" if test else source
        with open(path, encoding="utf-8", errors="replace") as handle:
            text = handle.read()
        for header in INCLUDE.findall(text):
            if "/" not in header:
                continue  # a header beside the file, or one of the build's own
            target = folder_of(header)
            if target == source:
                continue
            edges.setdefault((node, target), 0)
            edges[(node, target)] += 1
            if not allowed(source, target, test):
                upward.append(f"{path}: includes {header} ({target} is not below {source})")

    print("Folder graph (folder -> folder it includes: lines):")
    for (source, target), count in sorted(edges.items()):
        print(f"  {source} -> {target}: {count}")

    graph = {}
    for source, target in edges:
        graph.setdefault(source, set()).add(target)
    cycles = []
    state = {}

    def visit(node, path):
        state[node] = "open"
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                cycles.append(path[path.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt, path + [nxt])
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])

    for line in upward:
        print("UPWARD " + line)
    for cycle in cycles:
        print("CYCLE " + " -> ".join(cycle))
    if upward or cycles:
        print("layer check failed")
        return 1
    print("layer check passed: every include points down, no cycles")
    return 0


if __name__ == "__main__":
    sys.exit(main())
