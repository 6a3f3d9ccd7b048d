#!/usr/bin/python3
"""The overlap measure of tools/level_overlap.py, which the data check
(tools/check_data.py) holds the committed levels to. Run by ctest
(LevelOverlap)."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import level_overlap  # noqa: E402

# a small layout: a row of four with a tile over the middle, and a tile apart
BASE = [(1, 1, 0), (3, 1, 0), (5, 1, 0), (7, 1, 0), (4, 1, 1), (1, 5, 0)]


def shifted(places, dx, dy):
    return [(x + dx, y + dy, z) for x, y, z in places]


class Measure(unittest.TestCase):
    def test_cases(self):
        cases = [
            ('a layout against itself', BASE, BASE, 1.0),
            ('moved across the grid, by whole and half tiles', BASE, shifted(BASE, 13, 7), 1.0),
            ('the upper tile lifted a layer: layers are kept', BASE, BASE[:4] + [(4, 1, 2)] + BASE[5:], 5 / 6),
            ('the ground alone: shared places over the larger count', BASE, BASE[:4], 4 / 6),
            ('the row halved and moved: the best shift wins', BASE, shifted(BASE[:2], 4, 0), 2 / 6),
            ('no place in common on any shift', [(0, 0, 0)], [(0, 0, 1)], 0.0),
            ('an empty layout', BASE, [], 0.0),
        ]
        for name, a, b, expected in cases:
            with self.subTest(name):
                self.assertAlmostEqual(level_overlap.overlap(a, b), expected)
                self.assertAlmostEqual(level_overlap.overlap(b, a), expected)

    def test_index_finds_the_closest_layout(self):
        index = level_overlap.Index()
        index.add('far', [(20, 10, 0), (22, 10, 0)])
        index.add('copy', shifted(BASE, 2, 2))
        index.add('part', BASE[:3])
        self.assertEqual(index.closest(BASE), (1.0, 'copy'))
        self.assertEqual(index.closest(BASE, skip={'copy'}), (0.5, 'part'))

    def test_figures_count_pairs_and_levels(self):
        pairs = {(1, 2): 0.95, (1, 3): 0.8, (2, 3): 0.75, (3, 4): 0.2}
        self.assertEqual(level_overlap.figures(pairs),
                         {'pairs': 4, 'over': 2, 'covered': 3, 'at_least_90': 1, 'max': 0.95})

    def test_layout_files_are_read_with_their_layers(self):
        text = ('<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">\n<dict>\n'
                '  <key>mode</key>\n  <integer>2</integer>\n  <key>places</key>\n  <array>\n'
                '    <array><integer>1</integer><integer>3</integer><integer>0</integer></array>\n'
                '    <array><integer>2</integer><integer>4</integer><integer>1</integer><integer>7</integer></array>\n'
                '  </array>\n</dict>\n</plist>\n')
        with tempfile.TemporaryDirectory() as scratch:
            path = os.path.join(scratch, 'a.plist')
            with open(path, 'w', encoding='utf-8') as f:
                f.write(text)
            self.assertEqual(level_overlap.read_places(path), [(1, 3, 0), (2, 4, 1)])


if __name__ == '__main__':
    unittest.main()
