"""Atlases of the game screen: the pictures a board and the screen around it
draw every frame, packed into two sheets so that the renderer binds one
texture for all the tiles and one for the screen's furniture and effects.

Each sheet exists in both scales. The double sheet is packed from the "@2x"
pictures at even places with a border of repeated edge pixels (so that
filtering never reaches a neighbour); the plain sheet holds the plain
pictures at half those places. An atlas file names every sprite by the
picture's plain name, so a request for the picture finds the sprite once
the atlas is loaded.
"""
import os

import numpy as np
from PIL import Image

from .common import ROOT, write_text, WRITTEN, target

PAD = 4          # border around each sprite in the double sheet
WIDTH = {'game_tiles': 4096, 'game_ui': 2048}

TILE_LOOKS = ['', '_locked', '_selected', '_hint']
UI = ['badge', 'bear', 'button_blue', 'button_blue_active', 'button_blue_pressed', 'button_green',
      'button_green_active', 'button_green_pressed', 'button_orange', 'button_orange_active',
      'button_orange_pressed', 'coin', 'coin_small', 'counter_plate', 'dim', 'gold_pack_2', 'gold_tile', 'hand',
      'icon_close', 'icon_hint', 'icon_home', 'icon_restart', 'icon_shuffle', 'icon_undo', 'multiplier_back',
      'multiplier_ring', 'pack_hint', 'pack_reshuffle', 'pack_undo', 'panel', 'panel_dark', 'panel_inner',
      'powerup_hint', 'powerup_hint_active', 'powerup_hint_disabled', 'powerup_hint_pressed', 'powerup_reshuffle',
      'powerup_reshuffle_active', 'powerup_reshuffle_disabled', 'powerup_reshuffle_pressed', 'powerup_undo',
      'powerup_undo_active', 'powerup_undo_disabled', 'powerup_undo_pressed', 'price_plate', 'progress_fill_gold',
      'progress_track', 'rays', 'ribbon', 'ribbon_blue', 'ribbon_green', 'round_blue', 'round_blue_active',
      'round_blue_pressed', 'round_green', 'round_orange', 'round_orange_active', 'round_orange_pressed',
      'round_red', 'round_red_active', 'round_red_pressed', 'star_big', 'star_big_empty', 'star_small',
      'star_small_empty', 'tiles']
FX = ['coin', 'confetti_0', 'confetti_1', 'confetti_2', 'confetti_3', 'confetti_4', 'confetti_5', 'glow_gold',
      'glow_white', 'petal', 'puff', 'ring', 'sparkle', 'sparkle_gold', 'star']


def sheets():
    # The hint's glow frames stay apart: drawn only while a hint shows, they
    # would double the sheet.
    tiles = [f'data/gfx/tiles/{kind}{look}.png' for kind in ('tile', 'gold', 'bear') for look in TILE_LOOKS]
    tiles += [f'data/gfx/tiles/labels/{t}.png' for t in list(range(1, 43))]
    ui = [f'data/gfx/ui/{n}.png' for n in UI] + [f'data/gfx/fx/{n}.png' for n in FX]
    return {'game_tiles': tiles, 'game_ui': ui}


def _source(rel):
    """a picture the earlier steps wrote in this run, else the committed one"""
    written = target(rel)
    return written if rel in WRITTEN and os.path.isfile(written) else os.path.join(ROOT, rel)


def _double(rel):
    base, ext = os.path.splitext(rel)
    return base + '@2x' + ext


def _load(rel):
    with Image.open(_source(rel)) as im:
        return np.asarray(im.convert('RGBA'))


def _pack(sizes, width):
    """shelves from the tallest picture down; places are even, so they halve exactly"""
    order = sorted(range(len(sizes)), key=lambda i: (-sizes[i][1], -sizes[i][0], i))
    places = [None] * len(sizes)
    x = y = shelf = 0
    for i in order:
        w, h = sizes[i][0] + 2 * PAD, sizes[i][1] + 2 * PAD
        if x + w > width:
            x, y, shelf = 0, y + shelf, 0
        places[i] = (x + PAD, y + PAD)
        x += w
        shelf = max(shelf, h)
    height = 1
    while height < y + shelf:
        height *= 2
    return places, height


def _paste(sheet, pic, x, y, pad):
    h, w = pic.shape[:2]
    sheet[y:y + h, x:x + w] = pic
    # the border repeats the edge pixels outwards
    sheet[y - pad:y, x:x + w] = pic[:1]
    sheet[y + h:y + h + pad, x:x + w] = pic[-1:]
    sheet[y - pad:y + h + pad, x - pad:x] = sheet[y - pad:y + h + pad, x:x + 1]
    sheet[y - pad:y + h + pad, x + w:x + w + pad] = sheet[y - pad:y + h + pad, x + w - 1:x + w]


def _write_sheet(name, suffix, sheet, names, places, sizes, k):
    image = f'{name}{suffix}.png'
    path = target(f'data/atlases/{image}')
    Image.fromarray(sheet, 'RGBA').save(path, optimize=True)
    WRITTEN.append(f'data/atlases/{image}')
    lines = [f'<TextureAtlas imagePath="{image}" width="{sheet.shape[1]}" height="{sheet.shape[0]}">']
    for rel, (x, y), (w, h) in zip(names, places, sizes):
        lines.append(f'  <sprite n="{rel}" x="{x // k}" y="{y // k}" w="{w // k}" h="{h // k}"/>')
    lines.append('</TextureAtlas>')
    write_text(f'data/atlases/{name}{suffix}.atlas.xml', '\n'.join(lines) + '\n')


def make():
    for name, names in sheets().items():
        doubles = [_load(_double(rel)) for rel in names]
        plains = [_load(rel) for rel in names]
        sizes = [(p.shape[1], p.shape[0]) for p in doubles]
        for rel, d, p in zip(names, doubles, plains):
            if (d.shape[1], d.shape[0]) != (2 * p.shape[1], 2 * p.shape[0]):
                raise ValueError(f'atlas {name}: {rel} is not half of its double picture')
        places, height = _pack(sizes, WIDTH[name])
        big = np.zeros((height, WIDTH[name], 4), np.uint8)
        small = np.zeros((height // 2, WIDTH[name] // 2, 4), np.uint8)
        for d, p, (x, y) in zip(doubles, plains, places):
            _paste(big, d, x, y, PAD)
            _paste(small, p, x // 2, y // 2, PAD // 2)
        _write_sheet(name, '@2x', big, names, places, sizes, 1)
        _write_sheet(name, '', small, names, places, sizes, 2)
