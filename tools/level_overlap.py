#!/usr/bin/python3
"""How much two level layouts repeat one another.

The overlap of layouts A and B is the largest number of places that
coincide when B is shifted over A (any shift in x and y; a place only meets
a place on its own layer), divided by the larger of the two place counts.
A layout shifted, or another layout's mode on the same places, overlaps
fully; a level of its own shape overlaps little.

    level_overlap.py [--levels data/levels.json] [--limit 0.75] [--top N]

prints the figures (pairs over the limit, the levels they cover, pairs at
0.9 or more, the largest overlap) and the N closest pairs, and exits 1 when
a pair exceeds the limit.
"""
import argparse
import json
import os
import sys
import xml.etree.ElementTree as ET

import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LIMIT = 0.75
# wider than any shift between two places on the grid, so that packed keys never collide
SPAN = 64


def read_places(path):
    """the [x, y, layer] places of a layout file"""
    root = ET.parse(path).getroot()
    items = list(root.find('dict'))
    for key, value in zip(items[0::2], items[1::2]):
        if key.text == 'places':
            return [tuple(int(v.text) for v in place[:3]) for place in value]
    return []


def _packed(places):
    a = np.asarray(places, dtype=np.int64).reshape(-1, 3)
    return a[:, 0], a[:, 1], a[:, 2]


def overlap(a, b):
    """the overlap of two lists of (x, y, layer) places, 0..1"""
    if not a or not b:
        return 0.0
    return _overlap_packed(_packed(a), _packed(b), max(len(a), len(b)))


def _overlap_packed(pa, pb, larger):
    xa, ya, za = pa
    xb, yb, zb = pb
    same_layer = za[:, None] == zb[None, :]
    # every pair of places on one layer votes for the shift that lays one on the other
    shifts = ((xa[:, None] - xb[None, :]) + SPAN) * (2 * SPAN) + (ya[:, None] - yb[None, :]) + SPAN
    votes = np.bincount(shifts[same_layer], minlength=1)
    return float(votes.max()) / larger if votes.size else 0.0


class Index:
    """layouts kept packed, to measure a new layout against all of them"""

    def __init__(self):
        self.layouts = {}

    def add(self, name, places):
        self.layouts[name] = (_packed(places), len(places))

    def remove(self, name):
        self.layouts.pop(name, None)

    def closest(self, places, skip=()):
        """(overlap, name) of the layout the places overlap most, (0.0, None) when none"""
        best = (0.0, None)
        if not places:
            return best
        mine = _packed(places)
        for name, (packed, count) in self.layouts.items():
            if name in skip:
                continue
            v = _overlap_packed(mine, packed, max(count, len(places)))
            if v > best[0]:
                best = (v, name)
        return best


def all_pairs(layouts):
    """{(i, j): overlap} for every pair of a {name: places} map, i < j in the map's order"""
    names = list(layouts)
    packed = {n: _packed(layouts[n]) for n in names if layouts[n]}
    out = {}
    for k, i in enumerate(names):
        for j in names[k + 1:]:
            if i in packed and j in packed:
                out[(i, j)] = _overlap_packed(packed[i], packed[j], max(len(layouts[i]), len(layouts[j])))
            else:
                out[(i, j)] = 0.0
    return out


def figures(pairs, limit=LIMIT):
    over = [p for p, v in pairs.items() if v > limit]
    return {
        'pairs': len(pairs),
        'over': len(over),
        'covered': len({n for p in over for n in p}),
        'at_least_90': sum(1 for v in pairs.values() if v >= 0.9),
        'max': max(pairs.values(), default=0.0),
    }


def summary(fig, limit=LIMIT):
    return (f"{fig['pairs']} pairs; over {limit:.0%}: {fig['over']} pairs covering {fig['covered']} levels; "
            f"at least 90%: {fig['at_least_90']}; largest: {fig['max']:.1%}")


def level_layouts(levels_json):
    """{level number: places} for the level list"""
    with open(levels_json, encoding='utf-8') as f:
        entries = json.load(f)
    base = os.path.dirname(os.path.dirname(os.path.abspath(levels_json)))
    out = {}
    for uid in sorted(entries, key=int):
        out[int(uid)] = read_places(os.path.join(base, entries[uid]['filename']))
    return out


def main():
    parser = argparse.ArgumentParser(description='How much the level layouts repeat one another.')
    parser.add_argument('--levels', default=os.path.join(ROOT, 'data', 'levels.json'))
    parser.add_argument('--limit', type=float, default=LIMIT)
    parser.add_argument('--top', type=int, default=10)
    args = parser.parse_args()
    pairs = all_pairs(level_layouts(args.levels))
    fig = figures(pairs, args.limit)
    print(summary(fig, args.limit))
    for (i, j), v in sorted(pairs.items(), key=lambda kv: -kv[1])[:args.top]:
        print(f'  {i:3d} {j:3d}  {v:.1%}')
    return 1 if fig['over'] else 0


if __name__ == '__main__':
    sys.exit(main())
