"""Game backgrounds: one painted vista for each of the nine places, 1366 x 768
(the widest design screen; narrower screens crop the sides), softened and
darkened towards the edges so the tiles stand out. Each has a node file
"data/scenes/game/backgrounds/<n>.xml" that the game screen loads into its
"background" node, and index.json lists them for the editor."""
import json
import math

import numpy as np

from . import scenery as S
from .common import HI, Canvas, blur, ellipse, hexc, lin, rad, save_pair, shade, write_text

W, H = 1366, 768
HORIZON = {'provence': 300, 'marseille': 290, 'cannes': 300, 'venice': 290, 'rome': 310,
           'naples': 300, 'athens': 320, 'santorini': 330, 'crete': 310}


def branch_frame(c, side, y0, length, leaf_col, fruit=None, seed=0, flip_y=False):
    """a leafy branch reaching in from a top corner"""
    rng = np.random.default_rng(seed)
    sx = 1 if side == 'left' else -1
    x0 = 0 if side == 'left' else W
    pts = [(x0 - sx * 10, y0), (x0 + sx * length * 0.35, y0 + 30), (x0 + sx * length * 0.7, y0 + 20),
           (x0 + sx * length, y0 + 60)]
    from .brush import brush, leaf_path
    brush(c, pts, (16, 4), '#4A3424')
    for k in range(26):
        t = rng.uniform(0.05, 1.0)
        x = x0 + sx * length * t
        y = y0 + 30 * math.sin(t * 3) + 20 * t + rng.uniform(-6, 6)
        ang = (math.pi / 2 + rng.uniform(-0.9, 0.9)) if rng.uniform() < 0.6 else (-math.pi / 2 + rng.uniform(-0.8, 0.8))
        leaf_path(c, x, y, rng.uniform(30, 52), rng.uniform(7, 11), ang, 0.1)
        c.set_source_rgba(*shade(leaf_col, rng.uniform(0.8, 1.15)))
        c.fill()
    if fruit:
        for k in range(6):
            t = rng.uniform(0.2, 0.95)
            x = x0 + sx * length * t
            y = y0 + 40 + 20 * t + rng.uniform(0, 30)
            ellipse(c, x, y, 10, 8)
            c.set_source(rad(x - 3, y - 3, 0, 12, [(0, shade(fruit, 1.3)), (1, fruit)]))
            c.fill()


def bushes(c, side, col, flowers=None, seed=0):
    rng = np.random.default_rng(seed)
    x0 = 0 if side == 'left' else W
    sx = 1 if side == 'left' else -1
    for k in range(7):
        x = x0 + sx * rng.uniform(-20, 220)
        y = H - rng.uniform(-10, 70)
        S.bush(c, x, y, rng.uniform(40, 70), col)
    if flowers:
        for k in range(60):
            x = x0 + sx * rng.uniform(0, 240)
            y = H - rng.uniform(0, 120)
            r = rng.uniform(3, 6)
            ellipse(c, x, y, r, r)
            c.set_source_rgba(*hexc(flowers[int(rng.integers(len(flowers)))], 0.95))
            c.fill()


def lavender_clumps(c, side, seed=0):
    rng = np.random.default_rng(seed)
    x0 = 0 if side == 'left' else W
    sx = 1 if side == 'left' else -1
    for k in range(9):
        bx = x0 + sx * rng.uniform(0, 230)
        by = H + rng.uniform(-20, 30)
        for s in range(22):
            a = -math.pi / 2 + rng.uniform(-0.7, 0.7)
            L = rng.uniform(70, 140)
            ex, ey = bx + math.cos(a) * L, by + math.sin(a) * L
            c.move_to(bx, by)
            c.line_to(ex, ey)
            c.set_line_width(2)
            c.set_source_rgba(*hexc('#5E7A3A'))
            c.stroke()
            for j in range(6):
                t = 0.7 + j * 0.05
                ellipse(c, bx + math.cos(a) * L * t, by + math.sin(a) * L * t, 3.5, 5)
                c.set_source_rgba(*shade('#8E6BC8', rng.uniform(0.8, 1.2)))
                c.fill()


def mooring_poles(c, side, seed=0):
    rng = np.random.default_rng(seed)
    x0 = 0 if side == 'left' else W
    sx = 1 if side == 'left' else -1
    for k in range(4):
        x = x0 + sx * (30 + k * 55 + rng.uniform(-8, 8))
        top = H - rng.uniform(260, 380) + k * 30
        w = 16 - k * 2
        c.rectangle(x - w / 2, top, w, H - top + 10)
        c.set_source(lin(x - w / 2, 0, x + w / 2, 0, [(0, '#F4F0E8'), (1, '#B8B0A4')]))
        c.fill()
        c.save()
        c.rectangle(x - w / 2, top, w, H - top + 10)
        c.clip()
        for j in range(int((H - top) / 26) + 2):
            y = top + j * 26
            c.move_to(x - w, y + 10)
            c.line_to(x + w, y - 4)
            c.line_to(x + w, y + 8)
            c.line_to(x - w, y + 22)
            c.close_path()
            c.set_source_rgba(*hexc('#C8342E'))
            c.fill()
        c.restore()
        ellipse(c, x, top, w / 2, w / 5)
        c.set_source_rgba(*hexc('#2A3A6A'))
        c.fill()


def quay(c, seed=0):
    c.rectangle(0, H - 46, W, 46)
    c.set_source(lin(0, H - 46, 0, H, [(0, '#D8C8A8'), (1, '#A89878')]))
    c.fill()
    for k in range(int(W / 60) + 1):
        c.rectangle(k * 60, H - 46, 1.5, 46)
        c.set_source_rgba(0, 0, 0, 0.15)
        c.fill()
    c.rectangle(0, H - 46, W, 4)
    c.set_source_rgba(1, 1, 1, 0.35)
    c.fill()


FRAMING = {
    'provence': lambda c: (lavender_clumps(c, 'left', 1), lavender_clumps(c, 'right', 2)),
    'marseille': lambda c: (quay(c), branch_frame(c, 'right', 40, 400, '#7E9A5A', None, 3)),
    'cannes': lambda c: (S.palm(c, 60, H + 40, 520, 0.25), S.palm(c, W - 50, H + 40, 480, -0.22),
                         bushes(c, 'left', '#3E7A3A', ['#E83A8A', '#F26AAE'], 5)),
    'venice': lambda c: (mooring_poles(c, 'left', 6), mooring_poles(c, 'right', 7)),
    'rome': lambda c: (S.umbrella_pine(c, 90, H + 20, 460), S.cypress(c, W - 70, H + 10, 520),
                       S.cypress(c, W - 170, H + 30, 420)),
    'naples': lambda c: (branch_frame(c, 'left', 20, 460, '#3E7A34', '#F6D42A', 8),
                         branch_frame(c, 'right', 50, 380, '#3E7A34', '#F6D42A', 9)),
    'athens': lambda c: (branch_frame(c, 'left', 30, 440, '#8A9A5A', '#4A4A3A', 10),
                         S.olive_tree(c, W - 120, H + 30, 300)),
    'santorini': lambda c: (bushes(c, 'left', '#4A7A3A', ['#D8307A', '#E84A9A', '#F06AB0'], 11),
                            bushes(c, 'right', '#4A7A3A', ['#D8307A', '#E84A9A', '#F06AB0'], 12)),
    'crete': lambda c: (S.olive_tree(c, 110, H + 40, 320), branch_frame(c, 'right', 40, 420, '#8A9A5A', None, 13)),
}


def paint(place, index):
    cv = Canvas(W, H)
    c = cv.c
    S.paint_place(c, place, 0, W, H, HORIZON[place], 300 + index)
    FRAMING[place](c)
    a = cv.array()
    # soften and settle it behind the board: a little blur, a veil of the
    # horizon colour over the middle, darker edges
    a = blur(a, 1.1 * HI)
    hh, ww = a.shape[:2]
    yy, xx = np.mgrid[0:hh, 0:ww].astype(np.float32)
    dx = (xx / ww - 0.5) * 2
    dy = (yy / hh - 0.52) * 2
    d = np.sqrt(dx * dx * 0.8 + dy * dy)
    veil = np.clip(1.0 - d * 0.9, 0, 1) ** 1.3 * 0.26
    vc = np.array(hexc(S.PALETTES[place][1])[:3], np.float32)
    a[..., :3] = a[..., :3] * (1 - veil[..., None]) + vc * veil[..., None]
    vig = 1.0 - 0.32 * np.clip(d - 0.55, 0, 1) ** 1.4
    a[..., :3] *= vig[..., None]
    a[..., 3] = 1.0
    return a


def node_file(place):
    return ('<background>\n'
            f'  <image filename="data/gfx/backgrounds/{place}.png" fitParent="true" centerParent="true"/>\n'
            '</background>\n')


def make(only=None):
    names = []
    for k, place in enumerate(S.PLACES):
        name = f'{k + 1}.xml'
        names.append(name)
        if only is not None and place not in only:
            continue
        save_pair(paint(place, k), f'data/gfx/backgrounds/{place}.png', quantize=256)
        write_text(f'data/scenes/game/backgrounds/{name}', node_file(place))
    if only is None:
        write_text('data/scenes/game/backgrounds/index.json', json.dumps(names, indent=1) + '\n')
