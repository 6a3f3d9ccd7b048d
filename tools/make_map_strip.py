#!/usr/bin/env python3
"""Writes data/scenes/map/strip.xml, the content of the map's level drag box:
the map panels side by side, each read only while near the screen, and one level button (l1 .. l144) on each
spot of data/gfx/map/spots.json. Run from the repository's root."""

import json
import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def main():
    with open(os.path.join(ROOT, 'data/gfx/map/spots.json'), encoding='utf-8') as f:
        spots = json.load(f)
    width = spots['panelWidth']
    height = spots['panelHeight']
    lines = ['<!-- Written by tools/make_map_strip.py from data/gfx/map/spots.json. -->', '<strip>']
    for n in range(1, spots['panels'] + 1):
        # A panel is read only while it is near the screen.
        lines.append(f'  <image name="panel{n}" filename="data/gfx/map/map_{n}.png" x="{width * (n - 1)}" y="0" '
                     f'w="{width}" h="{height}" load_when_shown="true"/>')
    for spot in sorted(spots['spots'], key=lambda s: s['level']):
        lines.append(f'  <container name="l{spot["level"]}" x="{spot["x"]:g}" y="{spot["y"]:g}" '
                     f'content="data/scenes/map/level_button.xml"/>')
    lines.append('</strip>')
    with open(os.path.join(ROOT, 'data/scenes/map/strip.xml'), 'w', encoding='utf-8') as f:
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
