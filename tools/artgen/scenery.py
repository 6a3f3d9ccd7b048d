"""Painted scenery of the nine places of the journey, shared by the game
backgrounds, the map and the album pages. Everything is drawn with cairo in
design units; a scene is painted into the horizontal span [x0, x0 + w) of a
canvas so the map can lay the nine places side by side.
"""
import math

import cairo
import numpy as np

from .common import ellipse, hexc, lin, mix, poly, rad, rrect, shade, smooth_poly

PLACES = ['provence', 'marseille', 'cannes', 'venice', 'rome', 'naples', 'athens', 'santorini', 'crete']
TITLES = ['Provence', 'Marseille', 'Cannes', 'Venice', 'Rome', 'Naples', 'Athens', 'Santorini', 'Crete']

# sky top, sky at the horizon, far hills, near ground, accent
PALETTES = {
    'provence': ('#7FB6E8', '#FCE7C2', '#9BA6C8', '#B9C46A', '#8E6BC8'),
    'marseille': ('#5FA4E0', '#D8ECF6', '#9FB0BC', '#C9B27A', '#E0A23A'),
    'cannes': ('#4AA8E8', '#CDEEFA', '#8FBCC8', '#EED9A8', '#F06A5A'),
    'venice': ('#8FB4E0', '#F8E2CC', '#B8A8B8', '#8FA8A0', '#D8643A'),
    'rome': ('#7AB0E0', '#FBE4BE', '#B0A48E', '#B5B070', '#C8582E'),
    'naples': ('#6CA8E4', '#E2F0F4', '#8E9AB8', '#9FBE6A', '#F2C62E'),
    'athens': ('#E8A878', '#FFE2B0', '#B8967A', '#C2B07A', '#D9C8A8'),
    'santorini': ('#F09A78', '#FFD9A8', '#9A7C92', '#E9E2D6', '#2A6CC8'),
    'crete': ('#62B0E6', '#D8F0F0', '#8AA08A', '#A8B45A', '#C8402E'),
}


def wave(x, seed, amp, scale):
    """smooth deterministic 1-D noise in about -amp..amp from a few sines"""
    rng = np.random.default_rng(seed)
    out = np.zeros_like(x, dtype=float)
    total = 0.0
    for i in range(4):
        f = (i + 1) ** 1.5 / scale
        a = 1.0 / (i + 1) ** 1.8
        out += a * np.sin(x * f * 2 * math.pi + rng.uniform(0, 6.28))
        total += a
    return out * amp / total


def fill_rect_grad(c, x, y, w, h, stops, vertical=True):
    c.rectangle(x, y, w, h)
    c.set_source(lin(x, y, x if vertical else x + w, y + h if vertical else y, stops))
    c.fill()


def sky(c, x0, w, y1, top, horizon):
    fill_rect_grad(c, x0, 0, w, y1, [(0, top), (1, horizon)])


def sun(c, x, y, r, col='#FFF4C8'):
    ch = hexc(col)
    c.set_source(rad(x, y, 0, r * 4, [(0, ch[:3] + (0.55,)), (0.25, ch[:3] + (0.18,)), (1, ch[:3] + (0,))]))
    ellipse(c, x, y, r * 4, r * 4)
    c.fill()
    ellipse(c, x, y, r, r)
    c.set_source_rgba(*ch[:3], 0.95)
    c.fill()


def cloud(c, x, y, s, alpha=0.85, seed=0):
    rng = np.random.default_rng(seed)
    puffs = [(0, 0, 1.0)] + [(rng.uniform(-1.6, 1.6), rng.uniform(-0.5, 0.15), rng.uniform(0.5, 0.85))
                             for _ in range(5)]
    for dx, dy, r in puffs:
        ellipse(c, x + dx * s, y + dy * s + s * 0.12, r * s, r * s * 0.8)
        c.set_source_rgba(0.78, 0.82, 0.9, alpha * 0.5)
        c.fill()
    for dx, dy, r in puffs:
        ellipse(c, x + dx * s, y + dy * s, r * s, r * s * 0.8)
        c.set_source(rad(x + dx * s, y + dy * s - r * s * 0.3, 0, r * s, [(0, (1, 1, 1, alpha)),
                                                                       (1, (0.96, 0.97, 1, alpha))]))
        c.fill()
    c.rectangle(x - 2.6 * s, y + s * 0.28, 5.2 * s, s)
    c.set_source_rgba(0, 0, 0, 0)
    c.fill()


def ridge(c, x0, x1, base, amp, col, seed, scale=400.0, bottom=None, col2=None):
    xs = np.linspace(x0, x1, max(8, int((x1 - x0) / 6)))
    ys = base - amp * 0.5 - wave(xs, seed, amp * 0.5, scale)
    c.move_to(x0, bottom if bottom is not None else base + 800)
    for x, y in zip(xs, ys):
        c.line_to(x, y)
    c.line_to(x1, bottom if bottom is not None else base + 800)
    c.close_path()
    if col2:
        c.set_source(lin(0, base - amp, 0, base + amp, [(0, col), (1, col2)]))
    else:
        c.set_source_rgba(*(hexc(col) if isinstance(col, str) else col))
    c.fill()
    return xs, ys


def sea(c, x0, w, y0, y1, top, bottom, seed=0, shimmer=True):
    fill_rect_grad(c, x0, y0, w, y1 - y0, [(0, top), (1, bottom)])
    if shimmer:
        rng = np.random.default_rng(seed)
        for _ in range(int(w * (y1 - y0) / 900)):
            x = rng.uniform(x0, x0 + w)
            y = y0 + (y1 - y0) * rng.uniform(0, 1) ** 1.5
            L = rng.uniform(6, 22) * (0.5 + (y - y0) / max(1, y1 - y0))
            c.move_to(x - L / 2, y)
            c.line_to(x + L / 2, y)
            c.set_line_width(rng.uniform(0.8, 1.8))
            c.set_source_rgba(1, 1, 1, rng.uniform(0.15, 0.45))
            c.stroke()


# ------------------------------------------------------------------ vegetation

def cypress(c, x, y, h, col='#2E5A34'):
    w = h * 0.2
    c.move_to(x, y - h)
    c.curve_to(x + w * 0.9, y - h * 0.7, x + w * 0.75, y - h * 0.15, x + w * 0.35, y)
    c.line_to(x - w * 0.35, y)
    c.curve_to(x - w * 0.75, y - h * 0.15, x - w * 0.9, y - h * 0.7, x, y - h)
    c.close_path()
    c.set_source(lin(x - w, 0, x + w, 0, [(0, shade(col, 1.25)), (1, shade(col, 0.7))]))
    c.fill()


def umbrella_pine(c, x, y, s, col='#3E6A32'):
    c.set_source_rgba(*hexc('#5A3A22'))
    c.move_to(x - s * 0.05, y)
    c.curve_to(x - s * 0.02, y - s * 0.5, x + s * 0.08, y - s * 0.7, x + s * 0.1, y - s * 0.95)
    c.line_to(x + s * 0.16, y - s * 0.95)
    c.curve_to(x + s * 0.12, y - s * 0.6, x + s * 0.06, y - s * 0.4, x + s * 0.06, y)
    c.close_path()
    c.fill()
    for dx, dy, rx, ry in ((0.1, -1.0, 0.75, 0.2), (-0.25, -0.95, 0.4, 0.16), (0.45, -0.96, 0.42, 0.15)):
        ellipse(c, x + dx * s, y + dy * s, rx * s, ry * s)
        c.set_source(lin(0, y + (dy - ry) * s, 0, y + (dy + ry) * s, [(0, shade(col, 1.25)), (1, shade(col, 0.7))]))
        c.fill()


def round_tree(c, x, y, s, col='#4E8A3A', trunk='#6A4426'):
    c.rectangle(x - s * 0.06, y - s * 0.5, s * 0.12, s * 0.5)
    c.set_source_rgba(*hexc(trunk))
    c.fill()
    for dx, dy, r in ((-0.22, -0.62, 0.3), (0.22, -0.62, 0.3), (0, -0.85, 0.36)):
        ellipse(c, x + dx * s, y + dy * s, r * s, r * s)
        c.set_source(rad(x + dx * s - r * s * 0.3, y + dy * s - r * s * 0.4, 0, r * s * 1.3,
                         [(0, shade(col, 1.3)), (1, shade(col, 0.75))]))
        c.fill()


def olive_tree(c, x, y, s, col='#8A9A5A'):
    c.set_source_rgba(*hexc('#6A5A44'))
    c.move_to(x - s * 0.08, y)
    c.curve_to(x - s * 0.12, y - s * 0.3, x + s * 0.1, y - s * 0.35, x - s * 0.05, y - s * 0.6)
    c.line_to(x + s * 0.05, y - s * 0.6)
    c.curve_to(x + s * 0.2, y - s * 0.35, x + s * 0.02, y - s * 0.25, x + s * 0.08, y)
    c.close_path()
    c.fill()
    rng = np.random.default_rng(int(x * 7 + y))
    for _ in range(7):
        dx, dy = rng.uniform(-0.45, 0.45), rng.uniform(-0.95, -0.55)
        r = rng.uniform(0.16, 0.26)
        ellipse(c, x + dx * s, y + dy * s, r * s * 1.3, r * s)
        c.set_source_rgba(*shade(col, rng.uniform(0.8, 1.15)))
        c.fill()


def palm(c, x, y, s, lean=0.15, col='#3E8A3A'):
    tx, ty = x + lean * s, y - s
    c.move_to(x - s * 0.05, y)
    c.curve_to(x, y - s * 0.5, tx - s * 0.05, ty + s * 0.3, tx - s * 0.02, ty)
    c.line_to(tx + s * 0.03, ty)
    c.curve_to(tx, ty + s * 0.3, x + s * 0.08, y - s * 0.5, x + s * 0.05, y)
    c.close_path()
    c.set_source_rgba(*hexc('#8A6A44'))
    c.fill()
    for a in (-2.8, -2.3, -1.8, -1.3, -0.8, -0.3, 0.2):
        ex, ey = tx + math.cos(a) * s * 0.55, ty + math.sin(a) * s * 0.35 + s * 0.18
        c.move_to(tx, ty)
        c.curve_to(tx + math.cos(a) * s * 0.3, ty + math.sin(a) * s * 0.3 - s * 0.08,
                   ex - math.cos(a) * s * 0.1, ey - s * 0.1, ex, ey)
        c.curve_to(ex - math.cos(a) * s * 0.15, ey - s * 0.02, tx + math.cos(a) * s * 0.25,
                   ty + math.sin(a) * s * 0.2, tx, ty + s * 0.02)
        c.close_path()
        c.set_source_rgba(*shade(col, 0.9 + 0.1 * math.sin(a * 3)))
        c.fill()


def bush(c, x, y, s, col):
    for dx, r in ((-0.5, 0.5), (0.5, 0.5), (0, 0.7)):
        ellipse(c, x + dx * s, y - r * s * 0.7, r * s, r * s * 0.75)
        c.set_source(rad(x + dx * s, y - r * s, 0, r * s * 1.2, [(0, shade(col, 1.2)), (1, shade(col, 0.8))]))
        c.fill()


def flowers(c, rng, x0, x1, y0, y1, n, cols, r=(1.2, 2.4), avoid=None):
    for _ in range(n):
        x, y = rng.uniform(x0, x1), rng.uniform(y0, y1)
        if avoid is not None and avoid(x, y):
            continue
        rr = rng.uniform(*r) * (0.6 + 0.6 * (y - y0) / max(1, y1 - y0))
        ellipse(c, x, y, rr, rr)
        c.set_source_rgba(*hexc(cols[int(rng.integers(len(cols)))], 0.9))
        c.fill()


# ------------------------------------------------------------------ buildings and landmarks

def house(c, x, y, w, h, wall, roof='#C8643A', kind='gable', windows=True, door=True, shutter='#4A8A6A'):
    c.rectangle(x, y - h, w, h)
    c.set_source(lin(x, 0, x + w, 0, [(0, shade(wall, 1.05)), (1, shade(wall, 0.88))]))
    c.fill()
    if kind == 'gable':
        poly(c, [(x - w * 0.08, y - h), (x + w / 2, y - h - w * 0.32), (x + w * 1.08, y - h)])
        c.set_source(lin(0, y - h - w * 0.3, 0, y - h, [(0, shade(roof, 1.1)), (1, shade(roof, 0.85))]))
        c.fill()
    elif kind == 'flat':
        c.rectangle(x - 1.5, y - h - 3, w + 3, 3.5)
        c.set_source_rgba(*shade(wall, 0.8))
        c.fill()
    elif kind == 'dome':
        c.rectangle(x - 1, y - h - 2, w + 2, 2.5)
        c.set_source_rgba(*shade(wall, 0.85))
        c.fill()
        c.new_sub_path()
        c.arc(x + w / 2, y - h - 1, w * 0.32, math.pi, 2 * math.pi)
        c.close_path()
        c.set_source(lin(0, y - h - w * 0.3, 0, y - h, [(0, shade(roof, 1.2)), (1, shade(roof, 0.85))]))
        c.fill()
    if windows and w > 14 and h > 14:
        ww = max(2.5, w * 0.14)
        rows = max(1, int((h - 6) / (ww * 2.6)))
        cols = max(1, int(w / (ww * 2.6)))
        for i in range(cols):
            for j in range(rows):
                wx = x + (i + 0.5) * w / cols - ww / 2
                wy = y - h + 4 + j * ww * 2.4
                if door and j == rows - 1 and i == cols // 2 and rows > 1:
                    continue
                c.rectangle(wx, wy, ww, ww * 1.4)
                c.set_source_rgba(*hexc('#3A3A4A', 0.75))
                c.fill()
                c.rectangle(wx - ww * 0.35, wy, ww * 0.3, ww * 1.4)
                c.rectangle(wx + ww * 1.05, wy, ww * 0.3, ww * 1.4)
                c.set_source_rgba(*hexc(shutter, 0.9))
                c.fill()
    if door and h > 12:
        dw = max(3, w * 0.18)
        rrect(c, x + w / 2 - dw / 2, y - dw * 1.8, dw, dw * 1.8, dw * 0.3)
        c.set_source_rgba(*hexc('#5A3A22'))
        c.fill()


def village(c, rng, x0, x1, y, size, walls, roofs, kind='gable', rows=2, shutter='#4A8A6A'):
    for r in range(rows):
        x = x0 + rng.uniform(0, size)
        yy = y + r * size * 0.35
        while x < x1 - size * 0.6:
            w = size * rng.uniform(0.7, 1.15)
            h = size * rng.uniform(0.6, 1.1)
            house(c, x, yy, w, h, walls[int(rng.integers(len(walls)))], roofs[int(rng.integers(len(roofs)))],
                  kind if kind != 'mix' else ('gable', 'flat', 'dome')[int(rng.integers(3))], shutter=shutter)
            x += w + rng.uniform(-size * 0.1, size * 0.3)


def sailboat(c, x, y, s, sail='#FFFFFF', hull='#2A4A7A'):
    c.move_to(x - s * 0.5, y - s * 0.12)
    c.line_to(x + s * 0.5, y - s * 0.12)
    c.line_to(x + s * 0.38, y)
    c.line_to(x - s * 0.4, y)
    c.close_path()
    c.set_source_rgba(*hexc(hull))
    c.fill()
    c.rectangle(x - s * 0.015, y - s * 1.1, s * 0.03, s * 1.0)
    c.set_source_rgba(*hexc('#5A4A3A'))
    c.fill()
    poly(c, [(x + s * 0.03, y - s * 1.05), (x + s * 0.42, y - s * 0.2), (x + s * 0.03, y - s * 0.2)])
    c.set_source_rgba(*hexc(sail))
    c.fill()
    poly(c, [(x - s * 0.03, y - s * 0.85), (x - s * 0.34, y - s * 0.2), (x - s * 0.03, y - s * 0.2)])
    c.set_source_rgba(*shade(sail, 0.9))
    c.fill()


def gondola(c, x, y, s):
    c.move_to(x - s * 0.6, y - s * 0.18)
    c.curve_to(x - s * 0.4, y + s * 0.02, x + s * 0.4, y + s * 0.02, x + s * 0.62, y - s * 0.22)
    c.line_to(x + s * 0.55, y - s * 0.1)
    c.curve_to(x + s * 0.3, y + s * 0.06, x - s * 0.3, y + s * 0.06, x - s * 0.55, y - s * 0.1)
    c.close_path()
    c.set_source_rgba(*hexc('#1A1A22'))
    c.fill()
    c.rectangle(x + s * 0.3, y - s * 0.62, s * 0.02, s * 0.55)
    c.fill()
    ellipse(c, x + s * 0.31, y - s * 0.66, s * 0.04, s * 0.05)
    c.set_source_rgba(*hexc('#F0D8B0'))
    c.fill()


def parthenon(c, x, y, s, col='#F2E6CC'):
    shadow = shade(col, 0.8)
    c.rectangle(x - s * 0.55, y - s * 0.06, s * 1.1, s * 0.06)
    c.set_source_rgba(*shade(col, 0.9))
    c.fill()
    c.rectangle(x - s * 0.52, y - s * 0.1, s * 1.04, s * 0.05)
    c.fill()
    n = 8
    for i in range(n):
        cx = x - s * 0.46 + i * s * 0.92 / (n - 1)
        c.rectangle(cx - s * 0.028, y - s * 0.46, s * 0.056, s * 0.36)
        c.set_source(lin(cx - s * 0.03, 0, cx + s * 0.03, 0, [(0, shade(col, 1.05)), (1, shadow)]))
        c.fill()
    c.rectangle(x - s * 0.52, y - s * 0.53, s * 1.04, s * 0.07)
    c.set_source_rgba(*shade(col, 0.95))
    c.fill()
    poly(c, [(x - s * 0.54, y - s * 0.53), (x, y - s * 0.7), (x + s * 0.54, y - s * 0.53)])
    c.set_source_rgba(*hexc(col) if isinstance(col, str) else col)
    c.fill()


def colosseum(c, x, y, s, col='#D8B48A'):
    for tier in range(4):
        yy = y - tier * s * 0.18
        w = s * (1.0 - tier * 0.02)
        c.rectangle(x - w / 2, yy - s * 0.18, w, s * 0.18)
        c.set_source(lin(x - w / 2, 0, x + w / 2, 0, [(0, shade(col, 1.05)), (0.6, col), (1, shade(col, 0.75))]))
        c.fill()
        if tier < 3:
            n = 11
            for i in range(n):
                ax = x - w / 2 + (i + 0.5) * w / n
                aw = w / n * 0.55
                c.new_sub_path()
                c.arc(ax, yy - s * 0.1, aw / 2, math.pi, 2 * math.pi)
                c.line_to(ax + aw / 2, yy - s * 0.02)
                c.line_to(ax - aw / 2, yy - s * 0.02)
                c.close_path()
                c.set_source_rgba(*shade(col, 0.45))
                c.fill()
    # the broken top on one side
    poly(c, [(x + s * 0.1, y - s * 0.72), (x + s * 0.49, y - s * 0.72), (x + s * 0.49, y - s * 0.58),
             (x + s * 0.3, y - s * 0.6)])
    c.set_source_rgba(*hexc('#00000000'))


def basilica(c, x, y, s, col='#E8DCC8'):
    """a hilltop church with a tall bell tower and a golden statue"""
    c.rectangle(x - s * 0.35, y - s * 0.35, s * 0.7, s * 0.35)
    c.set_source(lin(x - s * 0.35, 0, x + s * 0.35, 0, [(0, shade(col, 1.05)), (1, shade(col, 0.8))]))
    c.fill()
    for i in range(5):
        c.new_sub_path()
        ax = x - s * 0.28 + i * s * 0.14
        c.arc(ax, y - s * 0.2, s * 0.035, math.pi, 2 * math.pi)
        c.line_to(ax + s * 0.035, y - s * 0.1)
        c.line_to(ax - s * 0.035, y - s * 0.1)
        c.close_path()
        c.set_source_rgba(*shade(col, 0.5))
        c.fill()
    c.rectangle(x - s * 0.09, y - s * 0.85, s * 0.18, s * 0.5)
    c.set_source(lin(x - s * 0.1, 0, x + s * 0.1, 0, [(0, shade(col, 1.05)), (1, shade(col, 0.8))]))
    c.fill()
    for k in range(3):
        c.rectangle(x - s * 0.03, y - s * (0.78 - k * 0.13), s * 0.06, s * 0.08)
        c.set_source_rgba(*shade(col, 0.5))
        c.fill()
    ellipse(c, x, y - s * 0.9, s * 0.05, s * 0.06)
    c.rectangle(x - s * 0.02, y - s * 1.05, s * 0.04, s * 0.12)
    c.set_source_rgba(*hexc('#E8B83A'))
    c.fill()


def campanile(c, x, y, s, col='#C8664A'):
    c.rectangle(x - s * 0.08, y - s, s * 0.16, s)
    c.set_source(lin(x - s * 0.08, 0, x + s * 0.08, 0, [(0, shade(col, 1.1)), (1, shade(col, 0.8))]))
    c.fill()
    c.rectangle(x - s * 0.1, y - s * 1.18, s * 0.2, s * 0.18)
    c.set_source_rgba(*hexc('#EDE2CC'))
    c.fill()
    for i in range(3):
        rrect(c, x - s * 0.075 + i * s * 0.055, y - s * 1.15, s * 0.03, s * 0.11, s * 0.015)
        c.set_source_rgba(*hexc('#3A3A44'))
        c.fill()
    poly(c, [(x - s * 0.11, y - s * 1.18), (x, y - s * 1.45), (x + s * 0.11, y - s * 1.18)])
    c.set_source_rgba(*hexc('#5E8A74'))
    c.fill()


def dome(c, x, y, s, col='#E8DCC8', roof='#8AA8A0'):
    c.rectangle(x - s * 0.4, y - s * 0.3, s * 0.8, s * 0.3)
    c.set_source(lin(x - s * 0.4, 0, x + s * 0.4, 0, [(0, shade(col, 1.05)), (1, shade(col, 0.8))]))
    c.fill()
    c.rectangle(x - s * 0.2, y - s * 0.45, s * 0.4, s * 0.16)
    c.fill()
    c.new_sub_path()
    c.arc(x, y - s * 0.45, s * 0.2, math.pi, 2 * math.pi)
    c.close_path()
    c.set_source(lin(x - s * 0.2, 0, x + s * 0.2, 0, [(0, shade(roof, 1.2)), (1, shade(roof, 0.75))]))
    c.fill()
    c.rectangle(x - s * 0.015, y - s * 0.74, s * 0.03, s * 0.1)
    c.set_source_rgba(*hexc('#E8C04A'))
    c.fill()


def blue_dome_church(c, x, y, s):
    c.rectangle(x - s * 0.32, y - s * 0.4, s * 0.64, s * 0.4)
    c.set_source(lin(x - s * 0.32, 0, x + s * 0.32, 0, [(0, '#FFFFFF'), (1, '#D8DCE4')]))
    c.fill()
    c.new_sub_path()
    c.arc(x, y - s * 0.4, s * 0.26, math.pi, 2 * math.pi)
    c.close_path()
    c.set_source(rad(x - s * 0.1, y - s * 0.55, 0, s * 0.35, [(0, '#4A9AF0'), (1, '#1A4EA8')]))
    c.fill()
    c.rectangle(x - s * 0.012, y - s * 0.78, s * 0.024, s * 0.12)
    c.rectangle(x - s * 0.05, y - s * 0.74, s * 0.1, s * 0.024)
    c.set_source_rgba(*hexc('#F2F2F2'))
    c.fill()
    rrect(c, x - s * 0.05, y - s * 0.22, s * 0.1, s * 0.22, s * 0.05)
    c.set_source_rgba(*hexc('#2A5AA8'))
    c.fill()


def windmill(c, x, y, s, ang=0.3):
    poly(c, [(x - s * 0.16, y), (x - s * 0.11, y - s * 0.6), (x + s * 0.11, y - s * 0.6), (x + s * 0.16, y)])
    c.set_source(lin(x - s * 0.16, 0, x + s * 0.16, 0, [(0, '#FFFFFF'), (1, '#D8D4CC')]))
    c.fill()
    c.new_sub_path()
    c.arc(x, y - s * 0.6, s * 0.12, math.pi, 2 * math.pi)
    c.close_path()
    c.set_source_rgba(*hexc('#A8643A'))
    c.fill()
    hx, hy = x, y - s * 0.62
    for i in range(8):
        a = ang + i * math.pi / 4
        c.move_to(hx, hy)
        c.line_to(hx + math.cos(a) * s * 0.45, hy + math.sin(a) * s * 0.45)
        c.set_line_width(s * 0.012)
        c.set_source_rgba(*hexc('#5A4A3A'))
        c.stroke()
        poly(c, [(hx + math.cos(a) * s * 0.1, hy + math.sin(a) * s * 0.1),
                 (hx + math.cos(a) * s * 0.44, hy + math.sin(a) * s * 0.44),
                 (hx + math.cos(a + 0.22) * s * 0.4, hy + math.sin(a + 0.22) * s * 0.4),
                 (hx + math.cos(a + 0.3) * s * 0.1, hy + math.sin(a + 0.3) * s * 0.1)])
        c.set_source_rgba(1, 1, 1, 0.9)
        c.fill()


def lighthouse(c, x, y, s):
    poly(c, [(x - s * 0.12, y), (x - s * 0.08, y - s * 0.8), (x + s * 0.08, y - s * 0.8), (x + s * 0.12, y)])
    c.set_source_rgba(1, 1, 1, 1)
    c.fill()
    for k in range(3):
        yy = y - s * (0.15 + k * 0.25)
        poly(c, [(x - s * 0.118 + k * 0.012 * s, yy), (x - s * 0.11 + k * 0.012 * s, yy - s * 0.1),
                 (x + s * 0.11 - k * 0.012 * s, yy - s * 0.1), (x + s * 0.118 - k * 0.012 * s, yy)])
        c.set_source_rgba(*hexc('#D8402E'))
        c.fill()
    c.rectangle(x - s * 0.1, y - s * 0.92, s * 0.2, s * 0.12)
    c.set_source_rgba(*hexc('#F8E6A0'))
    c.fill()
    poly(c, [(x - s * 0.12, y - s * 0.92), (x, y - s * 1.02), (x + s * 0.12, y - s * 0.92)])
    c.set_source_rgba(*hexc('#2A2A34'))
    c.fill()


def arch_bridge(c, x, y, w, h, col='#E8DCC8'):
    c.move_to(x - w / 2, y)
    c.curve_to(x - w / 4, y - h * 1.3, x + w / 4, y - h * 1.3, x + w / 2, y)
    c.line_to(x + w / 2, y - h * 0.35)
    c.curve_to(x + w / 4, y - h * 1.5, x - w / 4, y - h * 1.5, x - w / 2, y - h * 0.35)
    c.close_path()
    c.set_source(lin(0, y - h * 1.4, 0, y, [(0, shade(col, 1.05)), (1, shade(col, 0.7))]))
    c.fill()


def volcano(c, x0, x1, base, px, py, col='#7A7A8E', smoke=True):
    c.move_to(x0, base)
    c.curve_to(x0 + (px - x0) * 0.5, base - (base - py) * 0.3, px - (px - x0) * 0.15, py + 6, px - 18, py)
    c.line_to(px + 18, py + 2)
    c.curve_to(px + (x1 - px) * 0.15, py + 6, x1 - (x1 - px) * 0.5, base - (base - py) * 0.3, x1, base)
    c.close_path()
    c.set_source(lin(x0, 0, x1, 0, [(0, shade(col, 1.15)), (0.5, col), (1, shade(col, 0.75))]))
    c.fill()
    if smoke:
        for i in range(5):
            ellipse(c, px + i * 14 + 6, py - 14 - i * 11, 12 + i * 5, 8 + i * 3)
            c.set_source_rgba(1, 1, 1, 0.5 - i * 0.07)
            c.fill()


def minoan_columns(c, x, y, s):
    c.rectangle(x - s * 0.5, y - s * 0.7, s, s * 0.1)
    c.set_source_rgba(*hexc('#2A2A2A'))
    c.fill()
    c.rectangle(x - s * 0.48, y - s * 0.78, s * 0.96, s * 0.08)
    c.set_source_rgba(*hexc('#E2C08A'))
    c.fill()
    for i in range(4):
        cx = x - s * 0.36 + i * s * 0.24
        poly(c, [(cx - s * 0.06, y - s * 0.6), (cx + s * 0.06, y - s * 0.6), (cx + s * 0.045, y), (cx - s * 0.045, y)])
        c.set_source(lin(cx - s * 0.06, 0, cx + s * 0.06, 0, [(0, '#D8503A'), (1, '#8E2A1E')]))
        c.fill()
        ellipse(c, cx, y - s * 0.62, s * 0.08, s * 0.035)
        c.set_source_rgba(*hexc('#2A2A2A'))
        c.fill()
    c.rectangle(x - s * 0.55, y, s * 1.1, s * 0.06)
    c.set_source_rgba(*hexc('#C8B890'))
    c.fill()


def lavender_rows(c, x0, x1, y0, y1, vx, rows=14, col='#8E6BC8'):
    w = x1 - x0
    c.rectangle(x0, y0, w, y1 - y0)
    c.set_source(lin(0, y0, 0, y1, [(0, '#8A8A5A'), (1, '#5E6A3A')]))
    c.fill()
    for i in range(rows + 1):
        t = i / rows
        xb = x0 - w * 1.2 + t * w * 3.4
        half = w * 3.4 / rows * 0.36
        c.move_to(vx - 1.5, y0)
        c.line_to(xb - half, y1)
        c.line_to(xb + half, y1)
        c.line_to(vx + 1.5, y0)
        c.close_path()
        c.set_source(lin(0, y0, 0, y1, [(0, shade(col, 1.2)), (0.5, col), (1, shade(col, 0.8))]))
        c.fill()


def parasol(c, x, y, s, col):
    c.rectangle(x - s * 0.015, y - s * 0.7, s * 0.03, s * 0.7)
    c.set_source_rgba(*hexc('#6A5A4A'))
    c.fill()
    c.move_to(x - s * 0.4, y - s * 0.6)
    c.curve_to(x - s * 0.3, y - s * 0.85, x + s * 0.3, y - s * 0.85, x + s * 0.4, y - s * 0.6)
    c.close_path()
    c.set_source_rgba(*hexc(col))
    c.fill()
    for k in (-0.2, 0.2):
        c.move_to(x + k * s, y - s * 0.6)
        c.curve_to(x + k * s * 0.8, y - s * 0.7, x + k * s * 0.4, y - s * 0.78, x, y - s * 0.8)
        c.line_to(x + k * s * 0.3, y - s * 0.6)
        c.close_path()
        c.set_source_rgba(1, 1, 1, 0.85)
        c.fill()


def lemon_tree(c, x, y, s):
    round_tree(c, x, y, s, col='#3E7A34')
    rng = np.random.default_rng(int(x * 3 + y * 5))
    for _ in range(9):
        ellipse(c, x + rng.uniform(-0.45, 0.45) * s, y - rng.uniform(0.5, 1.05) * s, s * 0.045, s * 0.035)
        c.set_source_rgba(*hexc('#F6D42A'))
        c.fill()


def coast_land(c, x0, y_top, x_top, x_bottom, y_bottom, cols, sand='#E8D8A8'):
    """land on the left of a curving shore from (x_top, y_top) to (x_bottom, y_bottom)"""
    for k, (dx, col) in enumerate(((14, sand), (0, None))):
        c.move_to(x0 - 10, y_top)
        c.line_to(x_top + dx, y_top)
        c.curve_to(x_top + dx + (x_bottom - x_top) * 0.1, y_top + (y_bottom - y_top) * 0.4,
                   x_bottom + dx - (x_bottom - x_top) * 0.4, y_bottom - (y_bottom - y_top) * 0.3,
                   x_bottom + dx, y_bottom + 10)
        c.line_to(x0 - 10, y_bottom + 10)
        c.close_path()
        if col:
            c.set_source_rgba(*hexc(col))
        else:
            c.set_source(lin(0, y_top, 0, y_bottom, [(0, cols[0]), (1, cols[1])]))
        c.fill()


# ------------------------------------------------------------------ whole scenes

def paint_place(c, place, x0, w, h, horizon, seed, ground_from=None):
    """paint one place across [x0, x0 + w); horizon is the y where land meets sky.
    ground_from: when set (the map), the land from that y down is left plain so
    a path can run over it, with props only at its edges."""
    rng = np.random.default_rng(seed)
    top, hor, far, near, accent = PALETTES[place]
    x1 = x0 + w
    sky(c, x0, w, horizon + 40, top, hor)
    if place in ('athens', 'santorini'):
        sun(c, x0 + w * 0.78, horizon - 70, 26, '#FFF0C0')
    else:
        sun(c, x0 + w * (0.15 + 0.7 * rng.uniform()), horizon * 0.32, 20)
    for i in range(int(w / 300) + 1):
        cloud(c, x0 + rng.uniform(0, w), rng.uniform(40, horizon * 0.55), rng.uniform(16, 30), 0.75,
              seed=seed * 10 + i)

    def props_ok(x, y):
        return True

    g = ground_from if ground_from is not None else horizon + 60
    L = 0.7 if ground_from is not None else 1.0     # landmarks stay inside the map's sky

    if place == 'provence':
        ridge(c, x0, x1, horizon - 20, 60, far, seed + 1, 500)
        ridge(c, x0, x1, horizon + 10, 30, '#A8B07A', seed + 2, 300)
        fill_rect_grad(c, x0, horizon + 10, w, h - horizon, [(0, '#C8C070'), (1, near)])
        for i in range(int(w / 240) + 1):
            cypress(c, x0 + rng.uniform(0, w), horizon + 14, rng.uniform(40, 70))
        house(c, x0 + w * 0.62, horizon + 18, 46, 30, '#E8D2A8', '#C8643A', shutter='#6A8AB0')
        house(c, x0 + w * 0.62 + 44, horizon + 18, 30, 22, '#E2C8A0', '#B8562E', shutter='#6A8AB0')
        vy = horizon + 16
        lavender_rows(c, x0, x1, vy, h + 20 if ground_from is None else g + 10, x0 + w * 0.48, 26, accent)
    elif place == 'marseille':
        ridge(c, x0, x1, horizon - 30, 80, far, seed + 1, 420)
        basilica(c, x0 + w * 0.22, horizon - 62 * L, 96 * L)
        ridge(c, x0, x0 + w * 0.45, horizon - 10, 40, '#B8A88A', seed + 3, 200)
        sea(c, x0 + w * 0.4, w * 0.6, horizon, h, '#5A9AD0', '#2A6AA8', seed)
        village(c, rng, x0, x0 + w * 0.48, horizon + 24, 28, ['#F0D8A8', '#E8C090', '#F2E2C0', '#E8B888'],
                ['#C8643A', '#B8562E'])
        for i in range(5):
            sailboat(c, x0 + w * (0.5 + i * 0.1), horizon + 40 + (i % 2) * 30, 28 + (i % 3) * 6,
                     sail=('#FFFFFF', '#F8E8C8')[i % 2])
        coast_land(c, x0, horizon + 40, x0 + w * 0.46, x0 + w * 0.28, h, ('#C8B07A', near))
        if ground_from is not None:
            fill_rect_grad(c, x0, g - 30, w, h - g + 30, [(0, '#C8B88A'), (1, near)])
    elif place == 'cannes':
        ridge(c, x0, x1, horizon - 10, 50, far, seed + 1, 500)
        sea(c, x0, w, horizon, h, '#48A8D8', '#1E7AB8', seed)
        for i in range(4):
            sailboat(c, x0 + w * (0.15 + i * 0.22), horizon + 26 + (i % 2) * 16, 24, sail='#FFFFFF', hull='#FFFFFF')
        beach_y = horizon + 90 if ground_from is None else horizon + 70
        c.move_to(x0, beach_y + 20)
        for xx in np.linspace(x0, x1, 40):
            c.line_to(xx, beach_y + 8 * math.sin((xx - x0) / 90))
        c.line_to(x1, h + 10)
        c.line_to(x0, h + 10)
        c.close_path()
        c.set_source(lin(0, beach_y, 0, h, [(0, '#F6E6BC'), (1, near)]))
        c.fill()
        for i in range(int(w / 110) + 1):
            x = x0 + 30 + i * 110 + rng.uniform(-20, 20)
            if x < x1 - 20:
                palm(c, x, beach_y + 30, rng.uniform(90, 130), rng.uniform(-0.2, 0.2))
        if ground_from is None:
            for i in range(int(w / 160)):
                parasol(c, x0 + 80 + i * 160 + rng.uniform(-30, 30), beach_y + 120 + rng.uniform(0, 60), 70,
                        ('#F06A5A', '#3C8FDB', '#F2C01D', '#4CB944')[i % 4])
    elif place == 'venice':
        ridge(c, x0, x1, horizon, 20, far, seed + 1, 600)
        campanile(c, x0 + w * 0.72, horizon + 10, 150 * L)
        dome(c, x0 + w * 0.85, horizon + 12, 110 * L)
        village(c, rng, x0 - 10, x1, horizon + 40, 46, ['#E8A27A', '#F0C890', '#D8786A', '#F2D8B0', '#E89060'],
                ['#B8562E', '#A84E2A'], kind='flat', rows=1, shutter='#3A6A5A')
        sea(c, x0, w, horizon + 40, h, '#5A9AA0', '#2E6A78', seed)
        for i in range(3):
            gondola(c, x0 + w * (0.2 + i * 0.3), horizon + 110 + i * 40, 70)
    elif place == 'rome':
        ridge(c, x0, x1, horizon - 5, 40, far, seed + 1, 500)
        colosseum(c, x0 + w * 0.28, horizon + 12, 200 * L)
        dome(c, x0 + w * 0.75, horizon + 8, 140 * L, '#EADCC4', '#9AA8A4')
        fill_rect_grad(c, x0, horizon + 10, w, h, [(0, '#C8B878'), (1, near)])
        for i in range(int(w / 200) + 2):
            x = x0 + rng.uniform(0, w)
            if rng.uniform() < 0.5:
                umbrella_pine(c, x, horizon + 30 + rng.uniform(0, 20), rng.uniform(70, 100))
            else:
                cypress(c, x, horizon + 30 + rng.uniform(0, 20), rng.uniform(60, 90))
    elif place == 'naples':
        volcano(c, x0 + w * 0.3, x0 + w * 1.0, horizon + 10, x0 + w * 0.66, horizon - 150 * L)
        sea(c, x0, w, horizon, h, '#3E8ACB', '#1E5E9A', seed)
        village(c, rng, x0, x0 + w * 0.4, horizon + 70, 30, ['#F2C890', '#F0A88A', '#F8E2A8', '#E8D0C0', '#F6B07A'],
                ['#C8643A'], kind='flat', rows=3, shutter='#3A6A8A')
        c.move_to(x0, horizon + 60)
        c.curve_to(x0 + w * 0.2, horizon + 50, x0 + w * 0.35, horizon + 90, x0 + w * 0.42, h)
        c.line_to(x0, h)
        c.close_path()
        c.set_source_rgba(0, 0, 0, 0)
        c.fill()
        fill_rect_grad(c, x0, horizon + 150, w, h, [(0, '#9FBE6A'), (1, near)])
        for i in range(int(w / 180) + 1):
            lemon_tree(c, x0 + rng.uniform(0, w), horizon + 180 + rng.uniform(0, 40), rng.uniform(50, 70))
    elif place == 'athens':
        ridge(c, x0, x1, horizon - 10, 70, far, seed + 1, 500)
        c.move_to(x0 + w * 0.25, horizon + 20)
        c.curve_to(x0 + w * 0.3, horizon - 60 * L, x0 + w * 0.36, horizon - 80 * L, x0 + w * 0.5, horizon - 82 * L)
        c.curve_to(x0 + w * 0.64, horizon - 80 * L, x0 + w * 0.7, horizon - 60 * L, x0 + w * 0.76, horizon + 20)
        c.close_path()
        c.set_source(lin(0, horizon - 80, 0, horizon + 20, [(0, '#C8A880'), (1, '#9A7A5A')]))
        c.fill()
        parthenon(c, x0 + w * 0.5, horizon - 78 * L, 200 * L, '#F6E8CC')
        fill_rect_grad(c, x0, horizon + 15, w, h, [(0, '#C8B078'), (1, near)])
        village(c, rng, x0, x1, horizon + 40, 24, ['#F4E8D0', '#EADCC0', '#F8F0E0'], ['#C86A44'], kind='flat',
                rows=1)
        for i in range(int(w / 170) + 1):
            olive_tree(c, x0 + rng.uniform(0, w), horizon + 80 + rng.uniform(0, 30), rng.uniform(50, 70))
    elif place == 'santorini':
        sea(c, x0, w, horizon, h, '#3A6AB8', '#1E3E88', seed)
        c.move_to(x0, horizon + 30)
        c.curve_to(x0 + w * 0.3, horizon - 40, x0 + w * 0.6, horizon - 20, x0 + w * 0.75, horizon + 40)
        c.line_to(x0 + w * 0.6, h + 10)
        c.line_to(x0, h + 10)
        c.close_path()
        c.set_source(lin(0, horizon - 40, 0, h, [(0, '#B07A5A'), (1, '#6A3A2A')]))
        c.fill_preserve()
        c.save()
        c.clip()
        for k in range(14):
            yy = horizon + 20 + k * (h - horizon) / 14
            c.move_to(x0, yy)
            c.curve_to(x0 + w * 0.2, yy - 12, x0 + w * 0.4, yy + 10, x0 + w * 0.8, yy - 6)
            c.set_line_width(3 + (k % 3) * 2)
            c.set_source_rgba(*(hexc('#E8C8A0', 0.25) if k % 2 else hexc('#3A1E14', 0.2)))
            c.stroke()
        c.restore()
        village(c, rng, x0 + 10, x0 + w * 0.6, horizon - 10, 24, ['#FFFFFF', '#F6F2EC', '#F0EEF4'], ['#2A6CC8'],
                kind='mix', rows=4, shutter='#2A6CC8')
        blue_dome_church(c, x0 + w * 0.35, horizon - 14, 70)
        windmill(c, x0 + w * 0.12, horizon + 2, 70)
        if ground_from is not None:
            fill_rect_grad(c, x0, g - 20, w, h - g + 20, [(0, '#E9D8C0'), (1, near)])
    elif place == 'crete':
        ridge(c, x0, x1, horizon - 30, 110, far, seed + 1, 450)
        ridge(c, x0, x1, horizon - 5, 50, '#9AAA7A', seed + 2, 300)
        sea(c, x0, w, horizon + 5, h, '#40B0C8', '#1E80A0', seed)
        coast_land(c, x0, horizon + 4, x0 + w * 0.62, x0 + w * 0.78, h, ('#B8B468', near))
        minoan_columns(c, x0 + w * 0.3, horizon + 30, 110)
        for i in range(3):
            windmill(c, x0 + w * (0.62 + i * 0.1), horizon - 10 - i * 6, 60, ang=0.2 + i)
        for i in range(int(w / 160) + 1):
            olive_tree(c, x0 + rng.uniform(0, w * 0.6), horizon + 90 + rng.uniform(0, 40), rng.uniform(55, 75))
    return props_ok
