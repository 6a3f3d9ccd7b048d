#!/usr/bin/env python3
"""Checks that the source folders depend on one another one way only.

platform/ is the only code that sees SDL or GL; nothing in platform/ or src/
includes the game; and inside src/ the subsystems stand in the order of
LOWER_FIRST, each including only itself and those before it. With --graph it
prints which folder includes which, for the README's drawing.
"""
import argparse
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]', re.MULTILINE)
# Within src/: a folder may include itself and the folders before it.
LOWER_FIRST = ["core", "audio", "services", "app"]
SYSTEM_GRAPHICS = ("SDL", "GL/", "SDL2/", "EGL/", "KHR/")


def includes(path):
    try:
        return INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace"))
    except OSError:
        return []


def sources(folder):
    return [p for p in (ROOT / folder).rglob("*") if p.suffix in (".h", ".hpp", ".cpp", ".c", ".inc")]


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--graph", action="store_true", help="print the include graph between folders")
    args = parser.parse_args()

    game_folders = {p.name for p in (ROOT / "game").iterdir() if p.is_dir()}
    src_folders = {p.name for p in (ROOT / "src").iterdir() if p.is_dir()}
    faults = []
    graph = {}

    for folder in ("platform", "src"):
        for path in sources(folder):
            rel = path.relative_to(ROOT)
            owner = rel.parts[1] if folder == "src" and len(rel.parts) > 2 else folder
            for name in includes(path):
                first = name.split("/")[0]
                if folder != "platform" and name.startswith(SYSTEM_GRAPHICS):
                    faults.append(f"{rel}: includes {name}; only platform/ may see SDL or GL")
                if first in game_folders and first not in src_folders:
                    faults.append(f"{rel}: includes the game's {name}")
                if folder == "src" and first in src_folders and first != owner:
                    graph.setdefault(owner, {}).setdefault(first, 0)
                    graph[owner][first] += 1
                    if owner in LOWER_FIRST and first in LOWER_FIRST and \
                            LOWER_FIRST.index(first) > LOWER_FIRST.index(owner):
                        faults.append(f"{rel}: src/{owner} includes {name}, from src/{first} above it")

    if args.graph:
        for owner in sorted(graph):
            targets = ", ".join(f"{t} ({n})" for t, n in sorted(graph[owner].items()))
            print(f"src/{owner} -> {targets}")
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print(f"{len(faults)} include(s) break the layering", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
