"""Contact sheets under out/art (not shipped): every face in the four looks
with the gold and bear tiles, the interface kit, the map and the artifacts,
and a mock-up of levels 1 and 144 laid out with the game's grid rules."""
import glob
import json
import os

import numpy as np
from PIL import Image, ImageDraw, ImageFont

from . import faces, tiles
from .common import DATA, HI, ROOT, downscale2, np_to_pil, out_path

FONT = '/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf'


def backdrop(w, h, top=(44, 92, 104), bottom=(20, 48, 62)):
    y = np.linspace(0, 1, h)[:, None, None]
    arr = (np.array(top) * (1 - y) + np.array(bottom) * y) * np.ones((1, w, 1))
    return Image.fromarray(arr.astype(np.uint8), 'RGB').convert('RGBA')


def tile_sheet():
    ids = faces.TYPES + [1000, 2000]
    looks = tiles.LOOKS
    cells = {}
    for t in ids:
        for look in looks:
            cells[(t, look)] = np_to_pil(downscale2(tiles.composite(t, look)))
    tw, th = cells[(1, 'default')].size
    cols = 11
    rows = (len(ids) + cols - 1) // cols
    font = ImageFont.truetype(FONT, 22)
    sheets = []
    for look in looks:
        im = backdrop(cols * tw + 20, rows * th + 60)
        d = ImageDraw.Draw(im)
        d.text((14, 12), f'faces, {look} look', font=font, fill=(255, 255, 255, 255))
        for i, t in enumerate(ids):
            im.alpha_composite(cells[(t, look)], (10 + (i % cols) * tw, 50 + (i // cols) * th))
        sheets.append(im)
    w, h = sheets[0].size
    out = Image.new('RGBA', (w * 2, h * 2))
    for i, s in enumerate(sheets):
        out.paste(s, ((i % 2) * w, (i // 2) * h))
    out.convert('RGB').save(out_path('contact_tiles.png'), optimize=True)


def kit_sheet():
    files = sorted(f for f in glob.glob(os.path.join(DATA, 'gfx', '*', '*.png'))
                   if '@2x' not in f and '/backgrounds/' not in f and '/map/map_' not in f
                   and '/tiles/' not in f)
    ims = [(os.path.relpath(f, DATA), Image.open(f).convert('RGBA')) for f in files]
    W = 1800
    font = ImageFont.truetype(FONT, 10)
    x = y = 10
    rowh = 0
    placed = []
    for name, im in ims:
        w, h = im.size
        if x + w > W - 10:
            x = 10
            y += rowh + 24
            rowh = 0
        placed.append((name, im, x, y))
        x += max(w, 60) + 12
        rowh = max(rowh, h)
    sheet = backdrop(W, y + rowh + 40, (74, 124, 134), (40, 70, 82))
    d = ImageDraw.Draw(sheet)
    for name, im, x, y in placed:
        sheet.alpha_composite(im, (x, y))
        d.text((x, y + im.size[1] + 2), os.path.basename(name)[:-4][:18], font=font, fill=(255, 255, 255, 200))
    sheet.convert('RGB').save(out_path('contact_ui.png'), optimize=True)


def artifact_sheet():
    files = sorted(glob.glob(os.path.join(DATA, 'gfx', 'artifacts', '*', '*_full.png')))
    ims = [Image.open(f).convert('RGBA') for f in files if '@2x' not in f]
    sheet = Image.new('RGBA', (9 * 210 + 10, 4 * 210 + 10), (243, 230, 200, 255))
    for i, im in enumerate(ims):
        sheet.alpha_composite(im, (10 + (i // 4) * 210, 10 + (i % 4) * 210))
    sheet.convert('RGB').save(out_path('contact_artifacts.png'), optimize=True)


def map_sheet():
    with open(os.path.join(DATA, 'gfx', 'map', 'spots.json')) as f:
        layout = json.load(f)
    n, pw, ph = layout['panels'], layout['panelWidth'], layout['panelHeight']
    strip = Image.new('RGB', (pw * n, ph))
    for k in range(n):
        with Image.open(os.path.join(DATA, 'gfx', 'map', f'map_{k + 1}.png')) as p:
            strip.paste(p.convert('RGB'), (pw * k, 0))
    d = ImageDraw.Draw(strip)
    font = ImageFont.truetype(FONT, 16)
    for s in layout['spots']:
        d.ellipse((s['x'] - 30, s['y'] - 32, s['x'] + 30, s['y'] + 28), fill=(242, 168, 29), outline=(138, 75, 0))
        d.text((s['x'] - 12, s['y'] - 12), str(s['level']), font=font, fill=(255, 255, 255))
    strip.resize((pw * n // 3, ph // 3), Image.LANCZOS).save(out_path('contact_map.png'), optimize=True)


def board_mock(level, background):
    """the level's places drawn as the board draws them, with random faces"""
    from .solver import Geometry
    import re
    with open(os.path.join(DATA, 'levels', f'{level:03d}.plist'), encoding='utf-8') as f:
        text = f.read()
    body = text.split('<key>places</key>', 1)[1]
    nums = [int(v) for v in re.findall(r'<integer>(-?\d+)</integer>', body.split('</array>\n</dict>')[0])]
    places = [tuple(nums[i:i + 3]) for i in range(0, len(nums), 3)]
    geo = Geometry(places)
    full = (1 << geo.n) - 1
    rng = np.random.default_rng(level)
    bg = Image.open(os.path.join(DATA, 'gfx', 'backgrounds', background)).convert('RGBA')
    px = [((x + 1) * 0.5 * 118 - z * 10 + 100, (y + 1) * 0.5 * 163 - z * 15 + 150) for x, y, z in places]
    minx, maxx = min(p[0] for p in px), max(p[0] for p in px)
    miny, maxy = min(p[1] for p in px), max(p[1] for p in px)
    lw, lh = maxx - minx + 118, maxy - miny + 163
    s = min(1.0, max(0.2, min((1366 - 300) / lw, (768 - 50) / lh)))
    canvas = Image.new('RGBA', (int(lw + 200), int(lh + 200)))
    # the board's draw order: lower layers first; within a layer a tile before
    # the tiles to its right and below it
    order = sorted(range(len(places)), key=lambda i: (places[i][2], places[i][0] + places[i][1], places[i][1]))
    cache = {}
    for i in order:
        t = int(rng.choice(faces.TYPES))
        look = 'default' if geo.free(i, full) else 'locked'
        key = (t, look)
        if key not in cache:
            cache[key] = np_to_pil(downscale2(tiles.composite(t, look)))
        im = cache[key]
        cx, cy = px[i]
        canvas.alpha_composite(im, (int(cx - minx + 100 - 59 - tiles.MARGIN), int(cy - miny + 100 - 81.5 - tiles.MARGIN)))
    canvas = canvas.resize((int(canvas.size[0] * s), int(canvas.size[1] * s)), Image.LANCZOS)
    bg.alpha_composite(canvas, ((1366 - canvas.size[0]) // 2, (768 - canvas.size[1]) // 2 + 10))
    bg.convert('RGB').save(out_path(f'mock_level_{level}.png'), optimize=True)


def make():
    tile_sheet()
    kit_sheet()
    artifact_sheet()
    map_sheet()
    board_mock(1, 'provence.png')
    board_mock(144, 'crete.png')
