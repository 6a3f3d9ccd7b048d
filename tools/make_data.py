#!/usr/bin/python3
"""Regenerates the game's data (see tools/README.md): every picture, sound,
music loop, level and list under data/ that the generators in tools/artgen
make, from fixed seeds, and a contact sheet under out/art/.

    /usr/bin/python3 tools/make_data.py            everything
    /usr/bin/python3 tools/make_data.py tiles ui   only these steps
"""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from artgen import (album, atlas, audio, backgrounds, contact, icon, levels, lists, mapart, music,  # noqa: E402
                    tiles, ui, index)
from artgen.common import ROOT, WRITTEN  # noqa: E402

# folders the generators own entirely: emptied before a full run so nothing stale survives
OWNED = ['data/gfx', 'data/atlases', 'data/sounds', 'data/music', 'data/levels', 'data/scenes/game/backgrounds']

STEPS = [
    ('lists', lists.make), ('tiles', tiles.make), ('icon', icon.make), ('ui', ui.make), ('atlas', atlas.make),
    ('backgrounds', backgrounds.make), ('map', mapart.make), ('album', album.make), ('sounds', audio.make),
    ('music', music.make), ('levels', levels.make), ('index', index.make), ('contact', contact.make),
]


def main(argv):
    wanted = argv or [name for name, _ in STEPS]
    unknown = set(wanted) - {name for name, _ in STEPS}
    if unknown:
        raise SystemExit(f'unknown steps: {", ".join(sorted(unknown))}')
    if not argv:
        for rel in OWNED:
            shutil.rmtree(os.path.join(ROOT, rel), ignore_errors=True)
    t_all = time.time()
    for name, fn in STEPS:
        if name not in wanted:
            continue
        t0 = time.time()
        before = len(WRITTEN)
        fn()
        print(f'{name:12s} {len(WRITTEN) - before:5d} files {time.time() - t0:7.1f} s', flush=True)
    total = 0
    for dirpath, _, files in os.walk(os.path.join(ROOT, 'data')):
        total += sum(os.path.getsize(os.path.join(dirpath, f)) for f in files)
    print(f'data/ holds {total / 1e6:.1f} MB; {time.time() - t_all:.0f} s in all')


if __name__ == '__main__':
    main(sys.argv[1:])
