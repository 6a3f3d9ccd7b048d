#!/usr/bin/python3
"""Checks the generated data, run by ctest from the repository root:

1. a sample rebuilt from the generators into a scratch folder equals the
   committed files (pictures pixel for pixel, sounds sample for sample,
   levels and lists byte for byte), and the level checker's play of the
   rebuilt sample levels gives the maxScore the level list holds;
2. every file a sprite, node file or list names exists, and every picture
   in both scales, the double one exactly twice the size;
3. every layout is valid (on the grid, no overlapping places, every tile
   resting on tiles below, a tile count the mode can clear);
4. no two levels share more than 75 % of their places, one laid over the
   other (tools/level_overlap.py); the figures are printed;
5. data/ stays under its 40 MB budget.

Exits non-zero with one line per fault.

    check_data.py [--level-checker PATH]

The level checker is the built tools/level_checker; without the option,
$LEVEL_CHECKER or build/release/tools/level_checker.
"""
import argparse
import glob
import json
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

from artgen import (album, atlas, audio, backgrounds, common, faces, levels, lists, mapart, music,  # noqa: E402
                    shapes, tiles, ui)
import level_overlap  # noqa: E402

ROOT = common.ROOT
DATA = os.path.join(ROOT, 'data')
BUDGET = 40 * 1000 * 1000
faults = []


def fault(msg):
    faults.append(msg)


def rel(path):
    return os.path.relpath(path, ROOT)


def double_name(name):
    d, f = os.path.split(name)
    head, _, tail = f.partition('.')
    return os.path.join(d, head + '@2x.' + tail)


def check_picture(name, where):
    path = os.path.join(ROOT, name)
    if not os.path.isfile(path):
        fault(f'{where}: {name} is missing')
        return
    hi = os.path.join(ROOT, double_name(name))
    if not os.path.isfile(hi):
        fault(f'{where}: {double_name(name)} is missing')
        return
    with Image.open(path) as a, Image.open(hi) as b:
        if (a.size[0] * 2, a.size[1] * 2) != b.size:
            fault(f'{where}: {double_name(name)} is {b.size}, not twice {a.size}')


def check_named_file(name, where):
    if name.endswith(('.png', '.jpg')):
        check_picture(name, where)
    elif not os.path.isfile(os.path.join(ROOT, name)):
        fault(f'{where}: {name} is missing')


# ------------------------------------------------------------------ references

def check_node_files():
    """sprites, backgrounds and effects: every filename they hold exists"""
    files = (glob.glob(os.path.join(DATA, 'gfx', '**', '*.sprite.xml'), recursive=True)
             + glob.glob(os.path.join(DATA, 'scenes', 'game', 'backgrounds', '*.xml'))
             + glob.glob(os.path.join(DATA, 'effects', '*.xml'))
             + [os.path.join(DATA, 'scenes', 'game.sg.xml'), os.path.join(DATA, 'scenes', 'editor.sg.xml')]
             + glob.glob(os.path.join(DATA, 'scenes', 'ui', '*.xml'))
             + glob.glob(os.path.join(DATA, 'scenes', 'tutorials', '*.xml')))
    if not glob.glob(os.path.join(DATA, 'gfx', 'tiles', '*.sprite.xml')):
        fault('no tile sprites under data/gfx/tiles')
    for f in files:
        try:
            root = ET.parse(f).getroot()
        except ET.ParseError as e:
            fault(f'{rel(f)}: not XML ({e})')
            continue
        for el in root.iter():
            for key in ('filename', 'key_filename', 'keyFilename', 'action', 'content'):
                if key in el.attrib:
                    check_named_file(el.attrib[key], rel(f))
        if f.endswith('.sprite.xml'):
            names = [a.get('name') for a in root.iter() if a.get('name') in tiles.LOOKS]
            if sorted(names) != sorted(tiles.LOOKS):
                fault(f'{rel(f)}: looks {names}, expected {list(tiles.LOOKS)}')
    for f in glob.glob(os.path.join(DATA, '**', '*.atlas.xml'), recursive=True):
        root = ET.parse(f).getroot()
        image = root.get('imagePath')
        if not image or not os.path.isfile(os.path.join(DATA, 'atlases', image)):
            fault(f'{rel(f)}: atlas image {image} is missing')
        if '@2x' not in f and not os.path.isfile(double_name(f)):
            fault(f'{rel(f)}: no double-size atlas beside it')


def check_lists():
    for t in faces.TYPES:
        check_picture(f'data/gfx/tiles/labels/{t}.png', 'tile faces')
    with open(os.path.join(DATA, 'levels.json'), encoding='utf-8') as f:
        entries = json.load(f)
    if sorted(entries, key=int) != [str(i) for i in range(1, 145)]:
        fault('levels.json: the level uids are not 1..144')
    with open(os.path.join(DATA, 'artifact_parts.json'), encoding='utf-8') as f:
        parts = json.load(f)
    handed = []
    for uid, e in entries.items():
        for key, kind in (('filename', str), ('maxScore', int), ('artifacts', list)):
            if not isinstance(e.get(key), kind):
                fault(f'levels.json {uid}: "{key}" missing or not a {kind.__name__}')
        check_named_file(e['filename'], f'levels.json {uid}')
        if e.get('maxScore', 0) <= 0:
            fault(f'levels.json {uid}: maxScore {e.get("maxScore")}')
        for pid in e.get('artifacts', []):
            handed.append(pid)
            if pid not in parts:
                fault(f'levels.json {uid}: part {pid} is not in artifact_parts.json')
    if sorted(handed) != sorted(parts):
        fault('the levels do not hand out every artifact part exactly once')
    for pid in parts:
        check_picture(f'data/gfx/artifacts/{pid}.png', 'artifact_parts.json')
        group = '-'.join(pid.split('-')[:2])
        check_picture(f'data/gfx/artifacts/{group}.png', 'artifact_parts.json')
        if not re.match(r'^[1-9]/a[1-4]-[a-z]+-[1-4]$', pid):
            fault(f'artifact_parts.json: id {pid} does not read <place>/a<n>-<name>-<part>')
    with open(os.path.join(DATA, 'scenes', 'game', 'backgrounds', 'index.json'), encoding='utf-8') as f:
        names = json.load(f)
    for n in names:
        check_named_file(f'data/scenes/game/backgrounds/{n}', 'backgrounds index.json')
    cfg = lists.config()
    for name in cfg['music'].values():
        check_named_file(f'data/music/{name}.ogg', 'config.plist music')
    with open(os.path.join(DATA, 'locales', 'en_US', 'fonts.plist'), encoding='utf-8') as f:
        for font in re.findall(r'<string>([^<]+)</string>', f.read()):
            check_named_file(f'data/fonts/{font}', 'fonts.plist')
    for path in cfg['tutorials'].values():
        if not re.match(r'^data/scenes/tutorials/[a-z]+\.xml$', path):
            fault(f'config.plist: tutorial file name {path}')
        check_named_file(path, 'config.plist tutorials')
    return entries


def read_layout(path):
    with open(os.path.join(ROOT, path), encoding='utf-8') as f:
        text = f.read()
    root = ET.fromstring(text)
    d = root.find('dict')
    out = {}
    items = list(d)
    for k, v in zip(items[0::2], items[1::2]):
        if v.tag == 'integer':
            out[k.text] = int(v.text)
        elif v.tag == 'string':
            out[k.text] = v.text or ''
        elif v.tag == 'array':
            out[k.text] = [[int(x.text) for x in place] for place in v]
    return out, text


def check_layouts(entries):
    layouts = {}
    for uid, e in entries.items():
        lay, text = read_layout(e['filename'])
        where = e['filename']
        if not text.endswith('</plist>'):
            fault(f'{where}: does not end with </plist>')
        places = [tuple(p) for p in lay.get('places', [])]
        if any(len(p) != 3 for p in places):
            fault(f'{where}: a place is not [x, y, z]')
            continue
        layouts[int(uid)] = places
        try:
            shapes.validate(places)
        except shapes.LayoutError as err:
            fault(f'{where}: {err}')
        mode = lay.get('mode', 1)
        bears = lay.get('bearsCount', 0)
        n = len(places)
        if mode not in (1, 2, 3):
            fault(f'{where}: mode {mode}')
        if mode == 3 and not 1 <= bears < n // 2:
            fault(f'{where}: {bears} bears on {n} places')
        if (n - (bears if mode == 3 else 0)) % 2:
            fault(f'{where}: {n} places leave a tile without a partner')
        if n > 144:
            fault(f'{where}: {n} places, more than one deck')
        bg = lay.get('background', '')
        check_named_file(f'data/scenes/game/backgrounds/{bg}', where)
    check_overlap(layouts)


def check_overlap(layouts):
    pairs = level_overlap.all_pairs(dict(sorted(layouts.items())))
    print('level overlap:', level_overlap.summary(level_overlap.figures(pairs)))
    for (a, b), v in sorted(pairs.items()):
        if v > level_overlap.LIMIT:
            fault(f'levels {a} and {b} share {v:.1%} of their places, more than {level_overlap.LIMIT:.0%}')


# ------------------------------------------------------------------ the rebuilt sample

def pixels(path):
    with Image.open(path) as im:
        return np.asarray(im.convert('RGBA'))


def samples(path):
    out = subprocess.run(['oggdec', '-Q', '-R', '-o', '-', path], capture_output=True, check=True).stdout
    return np.frombuffer(out, '<i2')


def compare(scratch, name):
    mine, theirs = os.path.join(scratch, name), os.path.join(ROOT, name)
    if not os.path.isfile(theirs):
        fault(f'rebuild: {name} is not committed')
        return
    if name.endswith('.png'):
        a, b = pixels(mine), pixels(theirs)
        if a.shape != b.shape or not np.array_equal(a, b):
            diff = 'sizes differ' if a.shape != b.shape else f'{int((a != b).any(-1).sum())} pixels differ'
            fault(f'rebuild: {name}: {diff}')
    elif name.endswith('.ogg'):
        a, b = samples(mine), samples(theirs)
        if a.shape != b.shape or not np.array_equal(a, b):
            fault(f'rebuild: {name}: the samples differ')
    else:
        with open(mine, 'rb') as f1, open(theirs, 'rb') as f2:
            if f1.read() != f2.read():
                fault(f'rebuild: {name}: the bytes differ')


def rebuild_sample(entries, checker):
    with tempfile.TemporaryDirectory() as scratch:
        common.set_target_root(scratch)
        start = len(common.WRITTEN)
        for t in (1, 19, 34, 41, 42):
            common.save_pair(faces.draw_face(t), f'data/gfx/tiles/labels/{t}.png')
        common.save_pair(tiles.body('default', 'ivory'), 'data/gfx/tiles/tile.png')
        common.save_pair(tiles.body('locked', 'gold'), 'data/gfx/tiles/gold_locked.png')
        common.save_pair(tiles.glow(3 / tiles.GLOW_FRAMES), 'data/gfx/tiles/glow_3.png')
        common.write_text('data/gfx/tiles/tile.sprite.xml', tiles.sprite_xml('tile', True))
        ui.put(ui.button('pressed', 'orange'), 'button_orange_pressed', '')
        ui.put(ui.panel(), 'panel', '')
        atlas.make()
        backgrounds.make(only={'rome'})
        path, _ = mapart.sample_path()
        common.save_pair(mapart.paint_strip_panel(4, path, mapart.spots()), 'data/gfx/map/map_5.png', quantize=256)
        img = album.artifact(7, 2)
        common.save_pair(img, 'data/gfx/artifacts/7/a2-owl_full.png', quantize=256)
        for k, (p, _, _) in enumerate(album.pieces(7, 2, img)):
            common.save_pair(p, f'data/gfx/artifacts/7/a2-owl-{k + 1}.png', quantize=256)
        audio.make(names={'select', 'win', 'page_flip'})
        audio.encode('data/music/game.ogg', music.master('game'), 2, music.GAME['quality'], music.GAME['serial'])
        lists.make()
        variants = levels.recorded_variants()
        sample = [1, 11, 20, 77, 144]
        levels.make(only=set(sample), variants=variants)
        for name in common.WRITTEN[start:]:
            compare(scratch, name)
        common.set_target_root(ROOT)
        # maxScore comes from the level checker's play of the layouts
        if not checker or not os.access(checker, os.X_OK):
            fault(f'no level checker to replay maxScore with ({checker or "none given"})')
            return
        files = {i: os.path.join(scratch, f'data/levels/{i:03d}.plist') for i in sample}
        try:
            figures = levels.check_layouts(checker, files.values())
        except (RuntimeError, OSError, ValueError) as e:
            fault(f'the level checker failed: {e}')
            return
        for i, f in files.items():
            got = figures.get(f, {}).get('maxScore')
            if got != entries[str(i)]['maxScore']:
                fault(f'levels.json {i}: maxScore {entries[str(i)]["maxScore"]}, the level checker gives {got}')


def check_budget():
    total = 0
    for dirpath, _, files in os.walk(DATA):
        total += sum(os.path.getsize(os.path.join(dirpath, f)) for f in files)
    if total >= BUDGET:
        fault(f'data/ holds {total / 1e6:.1f} MB, over the {BUDGET / 1e6:.0f} MB budget')
    for f in glob.glob(os.path.join(DATA, '**', '*'), recursive=True):
        if f.endswith(('.jpg', '.jpeg', '.bmp', '.tga', '.wav', '.mp3')):
            fault(f'{rel(f)}: pictures ship as PNG and sounds as Ogg Vorbis')


def main():
    parser = argparse.ArgumentParser(description='Checks the generated data.')
    parser.add_argument('--level-checker', default=os.environ.get('LEVEL_CHECKER') or
                        os.path.join(ROOT, 'build', 'release', 'tools', 'level_checker'))
    args = parser.parse_args()
    os.chdir(ROOT)
    check_node_files()
    entries = check_lists()
    check_layouts(entries)
    check_budget()
    rebuild_sample(entries, args.level_checker)
    for f in faults:
        print('FAULT', f)
    print(f'{len(faults)} faults')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
