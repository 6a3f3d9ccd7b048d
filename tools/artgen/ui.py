"""The interface kit: buttons in four looks, round and power-up buttons,
popup panels, bars, counters, stars, coins, lives, check box, radio button,
slider, spin box, progress bars, text field, shop pictures, the logo and the
particles of the effects. All pictures are written under data/gfx/ui (and
data/gfx/fx) in both scales; tools/README.md lists them with their sizes and
nine-slice corners.
"""
import math

import cairo
import numpy as np

from . import icons
from .common import (HI, Canvas, blur, ellipse, emboss, hexc, label_text, lin, mix, over, poly, rad,
                     rrect, save_pair, shade, shift, smooth_noise, star_points, text_path, tint_mask)

UI = 'data/gfx/ui/'
FX = 'data/gfx/fx/'

# base, light, dark, outline of each button colour
COLOURS = {
    'green': ('#4CB944', '#93E27E', '#237A22', '#1B5A1A'),
    'blue': ('#3C8FDB', '#8FCBFF', '#1D5AA0', '#143E70'),
    'orange': ('#F29B1D', '#FFD77A', '#B8620A', '#7A3E06'),
    'red': ('#E0483E', '#FF9A8A', '#A32620', '#6A1410'),
    'purple': ('#9A5BD0', '#D2A8FF', '#63309A', '#42206A'),
    'grey': ('#A9ADA6', '#DCDFDA', '#767A73', '#555955'),
}

KIT = []     # (file, size, note) for the index


def note_file(rel, w, h, what):
    KIT.append((rel, w, h, what))


def _shadow_of(cv_array, dx, dy, sigma, alpha):
    return tint_mask(blur(shift(cv_array[..., 3], dx * HI, dy * HI), sigma * HI), '#000000', alpha)


def finish(draw, w, h, shadow=(0, 2.5, 2.5, 0.4)):
    """draw(c) on a fresh canvas; a soft drop shadow of the drawing goes under it"""
    cv = Canvas(w, h)
    draw(cv.c)
    a = cv.array()
    if shadow:
        dx, dy, s, al = shadow
        a = over(_shadow_of(a, dx, dy, s, al), a)
    return a


# ------------------------------------------------------------------ buttons

BUTTON_W, BUTTON_H, BUTTON_CORNER = 120, 68, 28


def button_shape(c, look, colour, w=BUTTON_W, h=BUTTON_H, r=22):
    base, light, dark, line = COLOURS['grey' if look == 'disabled' else colour]
    lip = 6
    top = 3 + (4 if look == 'pressed' else 0)
    capb = h - 7 - lip
    if look == 'active':
        base, light = shade(base, 1.12), shade(light, 1.1)
    if look == 'pressed':
        base, light = shade(base, 0.9), shade(light, 0.92)
    # lip
    rrect(c, 3, top, w - 6, h - 7 - top + 3, r)
    c.set_source_rgba(*hexc(dark) if isinstance(dark, str) else dark)
    c.fill()
    # cap
    rrect(c, 3, top, w - 6, capb - top + 3, r)
    c.set_source(lin(0, top, 0, capb, [(0, light), (0.55, base), (1, base)]))
    c.fill()
    # gloss and a thin inner light
    rrect(c, 9, top + 3, w - 18, (capb - top) * 0.42, r * 0.7)
    c.set_source(lin(0, top + 3, 0, top + 3 + (capb - top) * 0.42, [(0, (1, 1, 1, 0.55)), (1, (1, 1, 1, 0.06))]))
    c.fill()
    rrect(c, 3.75, top + 0.75, w - 7.5, h - 7 - top + 1.5, r - 0.75)
    c.set_source_rgba(*hexc(line, 0.85))
    c.set_line_width(1.5)
    c.stroke()


def button(look, colour):
    return finish(lambda c: button_shape(c, look, colour), BUTTON_W, BUTTON_H, (0, 2, 2.2, 0.35))


ROUND = 84


def round_shape(c, look, colour, size=ROUND):
    base, light, dark, line = COLOURS['grey' if look == 'disabled' else colour]
    if look == 'active':
        base, light = shade(base, 1.12), shade(light, 1.1)
    if look == 'pressed':
        base, light = shade(base, 0.9), shade(light, 0.92)
    cx = size / 2
    r = size / 2 - 5
    top = 3 if look == 'pressed' else 0
    cy = size / 2 - 3 + top
    ellipse(c, cx, size / 2 + 1, r, r)
    c.set_source_rgba(*hexc(dark) if isinstance(dark, str) else dark)
    c.fill()
    ellipse(c, cx, cy, r, r)
    c.set_source(lin(0, cy - r, 0, cy + r, [(0, light), (0.6, base), (1, base)]))
    c.fill()
    ellipse(c, cx, cy - r * 0.42, r * 0.72, r * 0.46)
    c.set_source(lin(0, cy - r * 0.9, 0, cy, [(0, (1, 1, 1, 0.55)), (1, (1, 1, 1, 0.05))]))
    c.fill()
    ellipse(c, cx, (cy + size / 2 + 1) / 2, r + 0.5, r + 0.5 + (size / 2 + 1 - cy) / 2)
    c.set_source_rgba(*hexc(line, 0.85))
    c.set_line_width(1.5)
    c.stroke()


def round_button(look, colour):
    return finish(lambda c: round_shape(c, look, colour), ROUND, ROUND, (0, 2, 2.2, 0.35))


def glyph(name, size=48, fill='#FFFFFF', outline='#2A2A2A', ow=3.2, shadow=0.3):
    def draw(c):
        c.scale(size / 48, size / 48)
        c.set_fill_rule(cairo.FILL_RULE_WINDING)
        icons.GLYPHS[name](c)
        path = c.copy_path()
        rule = c.get_fill_rule()
        c.set_line_join(cairo.LINE_JOIN_ROUND)
        c.set_source_rgba(*hexc(outline, 0.9))
        c.set_line_width(ow)
        c.stroke()
        c.append_path(path)
        c.set_fill_rule(rule)
        c.set_source_rgba(*hexc(fill))
        c.fill()
    return finish(draw, size, size, (0, 1.5, 1.2, shadow) if shadow else None)


# ------------------------------------------------------------------ power-ups

POWER = 100


def powerup_shape(c, look, glyph_name):
    size = POWER
    jade = ('#3FA37A', '#8FE0BE', '#1D6A4A', '#0F3E2A')
    base, light, dark, line = COLOURS['grey'] if look == 'disabled' else jade
    if look == 'active':
        base, light = shade(base, 1.12), shade(light, 1.1)
    if look == 'pressed':
        base, light = shade(base, 0.9), shade(light, 0.92)
    cx = size / 2
    top = 3 if look == 'pressed' else 0
    cy = size / 2 - 3 + top
    r = size / 2 - 6
    # gold bezel
    ellipse(c, cx, size / 2 + 1, r + 2, r + 2)
    c.set_source_rgba(*hexc('#8A5A12'))
    c.fill()
    ellipse(c, cx, cy, r + 2, r + 2)
    c.set_source(lin(0, cy - r, 0, cy + r, [(0, '#FFE9A0'), (0.5, '#E8B23E'), (1, '#B77A1A')]))
    c.fill()
    ellipse(c, cx, cy, r - 5, r - 5)
    c.set_source(rad(cx, cy, 2, r, [(0, light), (0.7, base), (1, dark)], fx=cx - 10, fy=cy - 14))
    c.fill()
    ellipse(c, cx, cy - r * 0.38, r * 0.62, r * 0.36)
    c.set_source(lin(0, cy - r, 0, cy, [(0, (1, 1, 1, 0.45)), (1, (1, 1, 1, 0.0))]))
    c.fill()
    c.save()
    c.translate(cx - 27, cy - 27)
    c.scale(54 / 48, 54 / 48)
    icons.GLYPHS[glyph_name](c)
    path = c.copy_path()
    c.set_line_join(cairo.LINE_JOIN_ROUND)
    c.set_source_rgba(*hexc(line, 0.9))
    c.set_line_width(3.4)
    c.stroke()
    c.append_path(path)
    c.set_source_rgba(*hexc('#FFFFFF'))
    c.fill()
    c.restore()


def badge(colour='#E0483E', size=36, ring='#FFFFFF'):
    def draw(c):
        ellipse(c, size / 2, size / 2, size / 2 - 2, size / 2 - 2)
        c.set_source_rgba(*hexc(ring))
        c.fill()
        ellipse(c, size / 2, size / 2, size / 2 - 4.5, size / 2 - 4.5)
        c.set_source(lin(0, 4, 0, size - 4, [(0, shade(colour, 1.25)), (1, shade(colour, 0.85))]))
        c.fill()
    return finish(draw, size, size, (0, 1.2, 1.2, 0.35))


def badge_plus():
    a = badge('#3FA63A')
    g = glyph('plus', 24, outline='#1B5A1A', ow=2.6, shadow=0)
    return over(a, _place(g, a.shape, 6, 6))


def _place(src, shape, x, y):
    """src laid on an empty array of `shape` with its top left at design (x, y), clipped"""
    out = np.zeros(shape, np.float32)
    x0, y0 = int(round(x * HI)), int(round(y * HI))
    h, w = src.shape[:2]
    sx0, sy0 = max(0, -x0), max(0, -y0)
    dx0, dy0 = max(0, x0), max(0, y0)
    dx1, dy1 = min(shape[1], x0 + w), min(shape[0], y0 + h)
    if dx1 > dx0 and dy1 > dy0:
        out[dy0:dy1, dx0:dx1] = src[sy0:sy0 + dy1 - dy0, sx0:sx0 + dx1 - dx0]
    return out


# ------------------------------------------------------------------ panels

def wood(c, x, y, w, h, r, seed=3):
    """a lacquered wood frame: base gradient, grain drawn as soft wavy lines"""
    rrect(c, x, y, w, h, r)
    c.set_source(lin(0, y, 0, y + h, [(0, '#C98A4C'), (0.5, '#A8692F'), (1, '#7E4A1E')]))
    c.fill_preserve()
    c.save()
    c.clip()
    rng = np.random.default_rng(seed)
    for i in range(int(h / 3.2)):
        yy = y + i * 3.2 + rng.uniform(-0.8, 0.8)
        amp = rng.uniform(0.6, 2.2)
        ph = rng.uniform(0, 6.28)
        freq = rng.uniform(0.012, 0.03)
        c.move_to(x, yy)
        for xx in np.linspace(x, x + w, 40):
            c.line_to(xx, yy + amp * math.sin(ph + xx * freq * 6.28) + 1.5 * math.sin(xx * 0.004 + i))
        c.set_line_width(rng.uniform(0.5, 1.3))
        c.set_source_rgba(0.28, 0.14, 0.05, rng.uniform(0.08, 0.22))
        c.stroke()
    for _ in range(3):
        kx, ky = rng.uniform(x + 20, x + w - 20), rng.uniform(y + 6, y + h - 6)
        for j in range(4):
            ellipse(c, kx, ky, 6 + j * 3.5, 2 + j * 1.3)
            c.set_source_rgba(0.3, 0.15, 0.05, 0.12)
            c.set_line_width(0.8)
            c.stroke()
    c.restore()


def parchment(c, x, y, w, h, r, col=('#FFF9E9', '#F2E1BC')):
    rrect(c, x, y, w, h, r)
    c.set_source(lin(0, y, 0, y + h, [(0, col[0]), (1, col[1])]))
    c.fill()


PANEL = 200
PANEL_CORNER = 64


def panel():
    w = h = PANEL

    def draw(c):
        wood(c, 6, 4, w - 12, h - 12, 30, seed=7)
        rrect(c, 6.5, 4.5, w - 13, h - 13, 30)
        c.set_source_rgba(*hexc('#4E2C12'))
        c.set_line_width(2)
        c.stroke()
        rrect(c, 9.5, 7.5, w - 19, h - 19, 27)
        c.set_source_rgba(1, 0.9, 0.7, 0.35)
        c.set_line_width(1.2)
        c.stroke()
        parchment(c, 24, 22, w - 48, h - 48, 18)
        rrect(c, 24.5, 22.5, w - 49, h - 49, 18)
        c.set_source_rgba(*hexc('#7A4A20', 0.75))
        c.set_line_width(2)
        c.stroke()
        # brass studs in the corners
        for sx, sy in ((15, 13), (w - 15, 13), (15, h - 19), (w - 15, h - 19)):
            ellipse(c, sx, sy, 4, 4)
            c.set_source(rad(sx, sy, 0, 4, [(0, '#FFF2B0'), (1, '#A8741E')], fx=sx - 1.5, fy=sy - 1.5))
            c.fill()
    a = finish(draw, w, h, (0, 4, 5, 0.45))
    # inner shadow of the parchment edge
    cv = Canvas(w, h)
    rrect(cv.c, 24, 22, w - 48, h - 48, 18)
    cv.c.set_source_rgba(1, 1, 1, 1)
    cv.c.fill()
    inner = cv.array()[..., 3]
    sh = np.clip(inner - blur(shift(inner, 1 * HI, 2 * HI), 3 * HI), 0, 1) * 0.35
    return over(a, tint_mask(sh, '#5A3A1A'))


def inner_panel(col=('#FFFDF4', '#F6EACB'), size=96, r=18, line='#C9A46A'):
    def draw(c):
        rrect(c, 2, 2, size - 4, size - 4, r)
        c.set_source(lin(0, 0, 0, size, [(0, col[0]), (1, col[1])]))
        c.fill()
        rrect(c, 2.5, 2.5, size - 5, size - 5, r)
        c.set_source_rgba(*hexc(line))
        c.set_line_width(1.5)
        c.stroke()
    a = finish(draw, size, size, None)
    cv = Canvas(size, size)
    rrect(cv.c, 2, 2, size - 4, size - 4, r)
    cv.c.set_source_rgba(1, 1, 1, 1)
    cv.c.fill()
    m = cv.array()[..., 3]
    sh = np.clip(m - blur(shift(m, 0, 2 * HI), 2.5 * HI), 0, 1) * 0.3
    return over(a, tint_mask(sh, '#6A4A20'))


def dark_panel(size=96, r=22, alpha=0.55):
    def draw(c):
        rrect(c, 1, 1, size - 2, size - 2, r)
        c.set_source_rgba(0.06, 0.1, 0.12, alpha)
        c.fill()
        rrect(c, 1.5, 1.5, size - 3, size - 3, r)
        c.set_source_rgba(1, 1, 1, 0.28)
        c.set_line_width(1.5)
        c.stroke()
    return finish(draw, size, size, None)


def ribbon(w=420, h=84, colour='red'):
    base, light, dark, line = COLOURS[colour]

    def draw(c):
        # folded tails
        for sx in (1, -1):
            c.save()
            if sx < 0:
                c.translate(w, 0)
                c.scale(-1, 1)
            poly(c, [(4, 30), (48, 30), (48, 72), (4, 72), (20, 51)])
            c.set_source_rgba(*shade(dark, 0.95))
            c.fill()
            poly(c, [(40, 62), (48, 72), (48, 62)])
            c.set_source_rgba(*shade(dark, 0.6))
            c.fill()
            c.restore()
        rrect(c, 36, 14, w - 72, 48, 8)
        c.set_source(lin(0, 14, 0, 62, [(0, light), (0.45, base), (1, dark)]))
        c.fill()
        rrect(c, 36, 14, w - 72, 48, 8)
        c.set_source_rgba(*hexc(line, 0.9))
        c.set_line_width(2)
        c.stroke()
        c.set_source_rgba(1, 1, 1, 0.45)
        c.set_dash([5, 4])
        c.set_line_width(1.2)
        rrect(c, 42, 19, w - 84, 38, 5)
        c.stroke()
        c.set_dash([])
    return finish(draw, w, h, (0, 3, 3, 0.35))


def hud_bar(w=240, h=72):
    def draw(c):
        wood(c, 3, 3, w - 6, h - 10, 26, seed=11)
        rrect(c, 3.5, 3.5, w - 7, h - 11, 26)
        c.set_source_rgba(*hexc('#4E2C12'))
        c.set_line_width(2)
        c.stroke()
        parchment(c, 11, 10, w - 22, h - 25, 19)
    return finish(draw, w, h, (0, 3, 3, 0.4))


def counter_plate(w=160, h=52):
    """a rounded plate for one counter (gold, stars, lives, score)"""
    def draw(c):
        rrect(c, 2, 2, w - 4, h - 6, (h - 6) / 2)
        c.set_source(lin(0, 2, 0, h - 4, [(0, '#FFF8E6'), (1, '#EAD8B2')]))
        c.fill()
        rrect(c, 2.75, 2.75, w - 5.5, h - 7.5, (h - 7.5) / 2)
        c.set_source_rgba(*hexc('#8A5A2A'))
        c.set_line_width(1.5)
        c.stroke()
    return finish(draw, w, h, (0, 2, 2, 0.35))


# ------------------------------------------------------------------ stars, coins, lives, counters

def star(size, empty=False):
    def draw(c):
        k = size / 64
        c.scale(k, k)
        pts = star_points(32, 34.5, 29.5, 14)
        c.set_line_join(cairo.LINE_JOIN_ROUND)
        if empty:
            poly(c, pts)
            c.set_source_rgba(*hexc('#4E4A44', 0.55))
            c.fill_preserve()
            c.set_source_rgba(*hexc('#2E2A26', 0.6))
            c.set_line_width(3)
            c.stroke()
            poly(c, star_points(32, 34.5, 22, 10.5))
            c.set_source_rgba(0, 0, 0, 0.25)
            c.fill()
            return
        poly(c, pts)
        c.set_source_rgba(*hexc('#8A4B00'))
        c.set_line_width(5)
        c.stroke()
        poly(c, pts)
        c.set_source(rad(32, 34, 2, 30, [(0, '#FFF6B0'), (0.5, '#FFC51A'), (1, '#E08A00')], fx=26, fy=24))
        c.fill()
        c.save()
        poly(c, pts)
        c.clip()
        for i in range(0, 10, 2):
            c.move_to(32, 34.5)
            c.line_to(*pts[i])
            c.line_to(*pts[(i - 1) % 10])
            c.close_path()
        c.set_source_rgba(1, 1, 1, 0.22)
        c.fill()
        c.restore()
        ellipse(c, 23.5, 23, 3.4, 2.4)
        c.set_source_rgba(1, 1, 1, 0.85)
        c.fill()
    return finish(draw, size, size, (0, 1.5 * size / 64, 1.5 * size / 64, 0.35))


def coin(size=64):
    def draw(c):
        k = size / 64
        c.scale(k, k)
        ellipse(c, 32, 35, 28, 28)
        c.set_source_rgba(*hexc('#A8620A'))
        c.fill()
        ellipse(c, 32, 32, 28, 28)
        c.set_source(rad(32, 32, 2, 28, [(0, '#FFF3A8'), (0.6, '#FFC628'), (1, '#E09A10')], fx=24, fy=22))
        c.fill()
        ellipse(c, 32, 32, 28, 28)
        c.set_source_rgba(*hexc('#8A4B00'))
        c.set_line_width(2.5)
        c.stroke()
        ellipse(c, 32, 32, 21, 21)
        c.set_source_rgba(*hexc('#C07A08'))
        c.set_line_width(2.4)
        c.stroke()
        rrect(c, 24.5, 24.5, 15, 15, 2)
        c.set_source_rgba(*hexc('#B06E08'))
        c.fill()
        rrect(c, 26.5, 26.5, 11, 11, 1.5)
        c.set_source_rgba(*hexc('#7A4000'))
        c.fill()
        c.set_line_cap(cairo.LINE_CAP_ROUND)
        c.arc(32, 32, 24.5, math.radians(195), math.radians(255))
        c.set_source_rgba(1, 1, 1, 0.75)
        c.set_line_width(2.6)
        c.stroke()
    return finish(draw, size, size, (0, 1.5 * size / 64, 1.5 * size / 64, 0.35))


def coin_pile(n, w=150, h=110):
    """gold pack pictures: a few coins, a stack, a chest-like heap"""
    positions = {
        1: [(62, 52, 0)] + [(48, 62, 0), (78, 64, 0)],
        2: [(30, 66, 0), (62, 70, 0), (94, 66, 0), (46, 48, 0), (78, 48, 0), (62, 28, 0)],
        3: [(x, 68, 0) for x in (16, 42, 68, 94, 120)] + [(x, 48, 0) for x in (29, 55, 81, 107)]
           + [(x, 28, 0) for x in (42, 68, 94)] + [(68, 8, 0)],
    }[n]
    a = np.zeros((h * HI, w * HI, 4), np.float32)
    cs = coin(40)
    for x, y, _ in positions:
        a = over(a, _place(cs, a.shape, x - 6, y - 2))
    return a


def heart(size=48, empty=False, infinite=False):
    def draw(c):
        k = size / 48
        c.scale(k, k)
        icons.heart(c)
        path = c.copy_path()
        if empty:
            c.set_source_rgba(*hexc('#5A4A4A', 0.55))
            c.fill_preserve()
            c.set_source_rgba(*hexc('#2E2222', 0.6))
            c.set_line_width(2.5)
            c.stroke()
            return
        c.set_source_rgba(*hexc('#7A0E18'))
        c.set_line_width(3.2)
        c.stroke()
        c.append_path(path)
        c.set_source(rad(20, 16, 2, 30, [(0, '#FF8A8A'), (0.6, '#E8283A'), (1, '#B0101E')], fx=16, fy=12))
        c.fill()
        ellipse(c, 14.5, 15, 4, 2.6)
        c.set_source_rgba(1, 1, 1, 0.8)
        c.fill()
        if infinite:
            c.set_line_width(3.6)
            c.set_source_rgba(1, 1, 1, 1)
            c.move_to(24, 25)
            c.curve_to(30, 17, 36, 19, 36, 25)
            c.curve_to(36, 31, 30, 33, 24, 25)
            c.curve_to(18, 17, 12, 19, 12, 25)
            c.curve_to(12, 31, 18, 33, 24, 25)
            c.stroke()
    return finish(draw, size, size, (0, 1.2, 1.2, 0.35))


def bear_icon(size=64):
    from .tiles import bear_face

    def draw(c):
        k = size / 100
        c.scale(k, k)
        c.translate(1, -18)
        bear_face(c, 0, 0)
    return finish(draw, size, size, (0, 1.2, 1.2, 0.3))


def tile_icon(size=64, gold=False):
    def draw(c):
        k = size / 64
        c.scale(k, k)
        for i, (x, y) in enumerate(((20, 8), (12, 16))):
            rrect(c, x + 4, y + 5, 34, 44, 6)
            c.set_source_rgba(*hexc('#8E2420' if gold else '#2C7A58'))
            c.fill()
            rrect(c, x + 2, y + 2.5, 34, 44, 6)
            c.set_source_rgba(*hexc('#D49A32' if gold else '#EADCBE'))
            c.fill()
            rrect(c, x, y, 34, 44, 6)
            c.set_source(lin(x, y, x + 30, y + 44, [(0, '#FFF0AE' if gold else '#FFFDF6'),
                                                   (1, '#DFA02A' if gold else '#EFE2C4')]))
            c.fill()
            rrect(c, x + 0.5, y + 0.5, 33, 43, 5.5)
            c.set_source_rgba(*hexc('#8A5A12' if gold else '#9C8762', 0.7))
            c.set_line_width(1)
            c.stroke()
        if gold:
            text_path(c, '金', 24, 29, 38, family='AR PL UKai TW', bold=False)
            c.set_source_rgba(*hexc('#A2222A'))
            c.fill()
        else:
            for dx, dy, col in ((-7, -8, '#1A4C94'), (7, 8, '#B21E2B'), (7, -8, '#14703A'), (-7, 8, '#14703A')):
                ellipse(c, 29 + dx, 38 + dy, 5, 5)
                c.set_source_rgba(*hexc(col))
                c.fill()
    return finish(draw, size, size, (0, 1.2, 1.2, 0.3))


# ------------------------------------------------------------------ small widgets

def checkbox(look, radio=False, size=48):
    def draw(c):
        fill = {'default': ('#FFFDF4', '#EBDDBD'), 'active': ('#FFFFFF', '#F6EBCF'),
                'pressed': ('#EFE2C4', '#DCCAA0')}[look]
        o = 2 if look == 'pressed' else 0
        if radio:
            ellipse(c, size / 2, size / 2 + 1.5, size / 2 - 4, size / 2 - 4)
            c.set_source_rgba(*hexc('#7A4A20'))
            c.fill()
            ellipse(c, size / 2, size / 2 - 0.5 + o, size / 2 - 4, size / 2 - 4)
        else:
            rrect(c, 4, 5.5, size - 8, size - 8, 10)
            c.set_source_rgba(*hexc('#7A4A20'))
            c.fill()
            rrect(c, 4, 3.5 + o, size - 8, size - 8, 10)
        c.set_source(lin(0, 4, 0, size - 4, [(0, fill[0]), (1, fill[1])]))
        c.fill_preserve()
        c.set_source_rgba(*hexc('#8A5A2A'))
        c.set_line_width(2)
        c.stroke()
        if look == 'active':
            if radio:
                ellipse(c, size / 2, size / 2 - 0.5, size / 2 - 2.5, size / 2 - 2.5)
            else:
                rrect(c, 2.5, 2, size - 5, size - 5, 11.5)
            c.set_source_rgba(*hexc('#FFD24A', 0.9))
            c.set_line_width(2)
            c.stroke()
    return finish(draw, size, size, (0, 1.5, 1.5, 0.3))


def check_mark(size=48, radio=False):
    def draw(c):
        if radio:
            ellipse(c, size / 2, size / 2 - 0.5, 10, 10)
            c.set_source(rad(size / 2, size / 2, 1, 10, [(0, '#8BE07A'), (1, '#2E9A2A')], fx=size / 2 - 3,
                             fy=size / 2 - 4))
            c.fill()
            return
        c.scale(size / 48, size / 48)
        c.translate(3, -2)
        icons.check(c)
        path = c.copy_path()
        c.set_line_join(cairo.LINE_JOIN_ROUND)
        c.set_source_rgba(*hexc('#1B5A1A'))
        c.set_line_width(3)
        c.stroke()
        c.append_path(path)
        c.set_source(lin(0, 8, 0, 38, [(0, '#8BE07A'), (1, '#2E9A2A')]))
        c.fill()
    return finish(draw, size, size, (0, 1.2, 1.2, 0.3))


def track(w=240, h=28, fill=None):
    """slider track, progress track (fill None) or a progress bar's full picture"""
    def draw(c):
        rrect(c, 2, 2, w - 4, h - 4, (h - 4) / 2)
        if fill is None:
            c.set_source(lin(0, 2, 0, h - 2, [(0, '#6A4A2A'), (1, '#9A7A52')]))
            c.fill()
            rrect(c, 2.75, 2.75, w - 5.5, h - 5.5, (h - 5.5) / 2)
            c.set_source_rgba(*hexc('#3E2612'))
            c.set_line_width(1.5)
            c.stroke()
            rrect(c, 4, 3.5, w - 8, 5, 2.5)
            c.set_source_rgba(0, 0, 0, 0.25)
            c.fill()
        else:
            base, light, dark, line = COLOURS[fill]
            c.set_source(lin(0, 2, 0, h - 2, [(0, light), (0.5, base), (1, dark)]))
            c.fill()
            rrect(c, 6, 4, w - 12, (h - 8) * 0.4, (h - 8) * 0.2)
            c.set_source_rgba(1, 1, 1, 0.4)
            c.fill()
            c.save()
            rrect(c, 2, 2, w - 4, h - 4, (h - 4) / 2)
            c.clip()
            c.set_source_rgba(1, 1, 1, 0.12)
            for x in range(-h, w + h, 18):
                poly(c, [(x, h), (x + 8, h), (x + 8 + h, 0), (x + h, 0)])
                c.fill()
            c.restore()
    return finish(draw, w, h, None)


def knob(size=48):
    def draw(c):
        ellipse(c, size / 2, size / 2 + 2, size / 2 - 4, size / 2 - 4)
        c.set_source_rgba(*hexc('#8A5A12'))
        c.fill()
        ellipse(c, size / 2, size / 2, size / 2 - 4, size / 2 - 4)
        c.set_source(rad(size / 2, size / 2, 1, size / 2, [(0, '#FFF4C0'), (0.6, '#F2C14A'), (1, '#C2861E')],
                         fx=size / 2 - 5, fy=size / 2 - 7))
        c.fill()
        ellipse(c, size / 2, size / 2, size / 2 - 4, size / 2 - 4)
        c.set_source_rgba(*hexc('#7A4A08'))
        c.set_line_width(1.8)
        c.stroke()
        for dx in (-5, 0, 5):
            rrect(c, size / 2 + dx - 1, size / 2 - 7, 2, 14, 1)
            c.set_source_rgba(*hexc('#A0681A', 0.8))
            c.fill()
    return finish(draw, size, size, (0, 2, 2, 0.4))


def text_field(focus=False, w=120, h=56):
    def draw(c):
        rrect(c, 2, 2, w - 4, h - 4, 14)
        c.set_source(lin(0, 2, 0, h - 2, [(0, '#F4EAD2'), (0.2, '#FFFDF6'), (1, '#FFFFFF')]))
        c.fill()
        rrect(c, 2.75, 2.75, w - 5.5, h - 5.5, 13.5)
        c.set_source_rgba(*hexc('#E8A21A' if focus else '#8A5A2A'))
        c.set_line_width(2.6 if focus else 1.6)
        c.stroke()
        rrect(c, 5, 4, w - 10, 6, 3)
        c.set_source_rgba(0, 0, 0, 0.08)
        c.fill()
    return finish(draw, w, h, None)


def multiplier_ring(size=96, back=False):
    def draw(c):
        cx = cy = size / 2
        if back:
            ellipse(c, cx, cy, size / 2 - 2, size / 2 - 2)
            c.set_source_rgba(0.1, 0.08, 0.05, 0.55)
            c.fill()
            ellipse(c, cx, cy, size / 2 - 12, size / 2 - 12)
            c.set_source(rad(cx, cy, 2, size / 2 - 12, [(0, '#FFF6D8'), (1, '#EAD2A0')], fx=cx - 8, fy=cy - 10))
            c.fill()
            ellipse(c, cx, cy, size / 2 - 12, size / 2 - 12)
            c.set_source_rgba(*hexc('#8A5A2A'))
            c.set_line_width(1.5)
            c.stroke()
            return
        c.set_line_width(9)
        c.set_source(lin(0, 0, size, size, [(0, '#FFE27A'), (0.5, '#FF9A1A'), (1, '#E0481E')]))
        ellipse(c, cx, cy, size / 2 - 7, size / 2 - 7)
        c.stroke()
        c.set_line_width(2)
        c.set_source_rgba(1, 1, 1, 0.5)
        ellipse(c, cx, cy, size / 2 - 9, size / 2 - 9)
        c.stroke()
    return finish(draw, size, size, None)


def price_plate(w=140, h=48):
    def draw(c):
        rrect(c, 2, 2, w - 4, h - 6, 12)
        c.set_source(lin(0, 2, 0, h - 4, [(0, '#5A3A1E'), (1, '#3A2412')]))
        c.fill()
        rrect(c, 2.75, 2.75, w - 5.5, h - 7.5, 11.5)
        c.set_source_rgba(*hexc('#E8B23E'))
        c.set_line_width(1.5)
        c.stroke()
    return finish(draw, w, h, (0, 2, 2, 0.35))


def pack_picture(kind, w=150, h=120):
    """shop picture of a pack of power-ups: a fan of three medallions"""
    a = np.zeros((h * HI, w * HI, 4), np.float32)
    med = finish(lambda c: powerup_shape(c, 'default', kind), POWER, POWER, (0, 2, 2, 0.35))
    from PIL import Image
    from .common import np_to_pil, pil_to_np
    small = pil_to_np(np_to_pil(med).resize((72 * HI, 72 * HI), Image.LANCZOS))
    for x, y in ((8, 30), (70, 30), (39, 6)):
        a = over(a, _place(small, a.shape, x, y))
    return a


def rays(size=320, n=16):
    def draw(c):
        cx = cy = size / 2
        for i in range(n):
            a0 = i * 2 * math.pi / n
            a1 = a0 + math.pi / n * 0.7
            c.move_to(cx, cy)
            c.arc(cx, cy, size / 2, a0, a1)
            c.close_path()
        c.set_source(rad(cx, cy, 0, size / 2, [(0, (1, 0.97, 0.8, 0.9)), (0.5, (1, 0.9, 0.5, 0.45)),
                                              (1, (1, 0.85, 0.4, 0.0))]))
        c.fill()
    return finish(draw, size, size, None)


def soft_glow(size=128, col='#FFF2B0'):
    def draw(c):
        ellipse(c, size / 2, size / 2, size / 2, size / 2)
        ch = hexc(col)
        c.set_source(rad(size / 2, size / 2, 0, size / 2, [(0, ch[:3] + (1,)), (0.35, ch[:3] + (0.55,)),
                                                          (1, ch[:3] + (0,))]))
        c.fill()
    return finish(draw, size, size, None)


def sparkle(size=48, col='#FFFFFF'):
    def draw(c):
        cx = cy = size / 2
        ch = hexc(col)
        c.set_source(rad(cx, cy, 0, size / 2, [(0, ch[:3] + (0.9,)), (0.2, ch[:3] + (0.35,)), (1, ch[:3] + (0,))]))
        ellipse(c, cx, cy, size / 2, size / 2)
        c.fill()
        for a, L in ((0, 0.5), (math.pi / 2, 0.5), (math.pi / 4, 0.28), (3 * math.pi / 4, 0.28)):
            c.save()
            c.translate(cx, cy)
            c.rotate(a)
            c.move_to(-size * L, 0)
            c.curve_to(-2, -1.2, 2, -1.2, size * L, 0)
            c.curve_to(2, 1.2, -2, 1.2, -size * L, 0)
            c.set_source_rgba(*ch[:3], 1)
            c.fill()
            c.restore()
    return finish(draw, size, size, None)


def ring_fx(size=128, col='#FFF6C8'):
    def draw(c):
        ch = hexc(col)
        c.set_source(rad(size / 2, size / 2, size * 0.3, size / 2, [(0, ch[:3] + (0,)), (0.6, ch[:3] + (0.9,)),
                                                                 (1, ch[:3] + (0,))]))
        ellipse(c, size / 2, size / 2, size / 2, size / 2)
        c.fill()
    return finish(draw, size, size, None)


def puff(size=64, seed=1):
    def draw(c):
        rng = np.random.default_rng(seed)
        for _ in range(7):
            x, y = rng.uniform(size * 0.3, size * 0.7), rng.uniform(size * 0.3, size * 0.7)
            r = rng.uniform(size * 0.16, size * 0.26)
            c.set_source(rad(x, y, 0, r, [(0, (1, 1, 1, 0.5)), (1, (1, 1, 1, 0))]))
            ellipse(c, x, y, r, r)
            c.fill()
    return finish(draw, size, size, None)


def confetti(i, w=18, h=11):
    cols = ('#F2483A', '#3C8FDB', '#4CB944', '#F2C01D', '#9A5BD0', '#FF8AB4')

    def draw(c):
        rrect(c, 1, 1, w - 2, h - 2, 2)
        c.set_source(lin(0, 0, w, h, [(0, shade(cols[i], 1.2)), (1, cols[i])]))
        c.fill()
    return finish(draw, w, h, None)


def petal_fx(size=28):
    def draw(c):
        c.move_to(size * 0.5, size * 0.1)
        c.curve_to(size * 0.95, size * 0.3, size * 0.8, size * 0.85, size * 0.5, size * 0.9)
        c.curve_to(size * 0.2, size * 0.85, size * 0.05, size * 0.3, size * 0.5, size * 0.1)
        c.set_source(rad(size * 0.5, size * 0.6, 1, size * 0.5, [(0, '#FFF0F4'), (1, '#F28AAE')]))
        c.fill()
    return finish(draw, size, size, None)


def pointer_hand(size=96):
    def draw(c):
        k = size / 96
        c.scale(k, k)
        c.move_to(40, 10)
        c.curve_to(40, 4, 50, 4, 50, 10)
        c.line_to(50, 44)
        c.curve_to(52, 38, 62, 38, 62, 46)
        c.curve_to(64, 40, 74, 40, 74, 48)
        c.curve_to(76, 43, 86, 44, 86, 52)
        c.line_to(86, 66)
        c.curve_to(86, 80, 78, 90, 64, 90)
        c.line_to(54, 90)
        c.curve_to(44, 90, 38, 84, 32, 76)
        c.line_to(18, 58)
        c.curve_to(14, 52, 22, 46, 28, 52)
        c.line_to(40, 62)
        c.close_path()
        path = c.copy_path()
        c.set_source_rgba(*hexc('#3A2A1A'))
        c.set_line_width(3.5)
        c.set_line_join(cairo.LINE_JOIN_ROUND)
        c.stroke()
        c.append_path(path)
        c.set_source(lin(0, 0, 90, 90, [(0, '#FFFFFF'), (1, '#F2E6D6')]))
        c.fill()
    return finish(draw, size, size, (2, 3, 3, 0.4))


def arrow_pointer(size=80):
    def draw(c):
        poly(c, [(40, 76), (8, 40), (26, 40), (26, 6), (54, 6), (54, 40), (72, 40)])
        path = c.copy_path()
        c.set_source_rgba(*hexc('#7A3E06'))
        c.set_line_width(3.5)
        c.set_line_join(cairo.LINE_JOIN_ROUND)
        c.stroke()
        c.append_path(path)
        c.set_source(lin(0, 6, 0, 76, [(0, '#FFE27A'), (1, '#F29B1D')]))
        c.fill()
    return finish(draw, size, size, (0, 3, 3, 0.4))


def logo(w=600, h=250):
    def draw(c):
        # a fan of three tiles behind the word
        for i, (x, ang) in enumerate(((232, -0.22), (300, 0.0), (368, 0.22))):
            c.save()
            c.translate(x, 92)
            c.rotate(ang)
            rrect(c, -36 + 5, -50 + 7, 72, 100, 11)
            c.set_source_rgba(*hexc('#2C7A58'))
            c.fill()
            rrect(c, -36 + 2.5, -50 + 3.5, 72, 100, 11)
            c.set_source_rgba(*hexc('#EADCBE'))
            c.fill()
            rrect(c, -36, -50, 72, 100, 11)
            c.set_source(lin(-36, -50, 36, 50, [(0, '#FFFDF6'), (1, '#EFE2C4')]))
            c.fill()
            ch, col = (('東', '#16203A'), ('中', '#B21E2B'), ('發', '#14703A'))[i]
            text_path(c, ch, 58, 0, 0, family='AR PL UKai TW', bold=False)
            c.set_source_rgba(*hexc(col))
            c.fill_preserve()
            c.set_line_width(1.6)
            c.stroke()
            c.restore()
        label_text(c, 'Mahjong', 92, w / 2, 182, fill='#FFE8A0', outline='#6A2E08', ow=10, shadow=0.45)
        c.save()
        text_path(c, 'Mahjong', 92, w / 2, 182)
        c.clip()
        c.set_source(lin(0, 140, 0, 220, [(0, '#FFF6C8'), (0.5, '#FFC83A'), (1, '#E07A10')]))
        c.paint()
        c.restore()
        label_text(c, 'VOYALUNE', 30, w / 2, 236, fill='#FFFFFF', outline='#1E4A5A', ow=5, shadow=0.4)
    return finish(draw, w, h, (0, 4, 4, 0.4))


def dim_overlay(size=16):
    def draw(c):
        c.rectangle(0, 0, size, size)
        c.set_source_rgba(0.02, 0.04, 0.06, 0.62)
        c.fill()
    return finish(draw, size, size, None)


# ------------------------------------------------------------------ writing

def put(a, name, what, folder=UI):
    rel = folder + name + '.png'
    save_pair(a, rel)
    note_file(rel, a.shape[1] // HI, a.shape[0] // HI, what)


def make():
    KIT.clear()
    for colour in ('green', 'blue', 'orange', 'red', 'purple'):
        for look in ('default', 'active', 'pressed'):
            suffix = '' if look == 'default' else '_' + look
            put(button(look, colour), f'button_{colour}{suffix}',
                f'button, {look} look; image9 corner {BUTTON_CORNER}')
            put(round_button(look, colour), f'round_{colour}{suffix}', f'round button, {look} look')
    put(button('disabled', 'green'), 'button_disabled', f'button, disabled look; image9 corner {BUTTON_CORNER}')
    put(round_button('disabled', 'green'), 'round_disabled', 'round button, disabled look')
    for name in icons.GLYPHS:
        put(glyph(name), f'icon_{name}', 'white glyph for buttons')
    for kind in ('hint', 'undo', 'shuffle'):
        pname = 'reshuffle' if kind == 'shuffle' else kind
        for look in ('default', 'active', 'pressed', 'disabled'):
            suffix = '' if look == 'default' else '_' + look
            put(finish(lambda c, lk=look, g=kind: powerup_shape(c, lk, g), POWER, POWER, (0, 2, 2.2, 0.35)),
                f'powerup_{pname}{suffix}', f'power-up button, {look} look')
        put(pack_picture(kind), f'pack_{pname}', 'shop picture of a power-up pack')
    put(badge(), 'badge', 'count badge (red)')
    put(badge('#3C8FDB'), 'badge_blue', 'count badge (blue)')
    put(badge_plus(), 'badge_plus', 'buy-more badge')
    put(panel(), 'panel', f'popup panel, wood and parchment; image9 corner {PANEL_CORNER}')
    put(inner_panel(), 'panel_inner', 'inset parchment panel; image9 corner 24')
    put(dark_panel(), 'panel_dark', 'translucent dark panel; image9 corner 26')
    put(ribbon(), 'ribbon', 'title ribbon for popups (red)')
    put(ribbon(colour='green'), 'ribbon_green', 'title ribbon (green)')
    put(ribbon(colour='blue'), 'ribbon_blue', 'title ribbon (blue)')
    put(hud_bar(), 'hud_bar', 'top bar plate; image9 corner 32')
    put(counter_plate(), 'counter_plate', 'plate for one counter; image9 corner 24')
    put(dim_overlay(), 'dim', 'dark overlay behind popups; stretch to the screen')
    for size, name in ((128, 'star_big'), (64, 'star'), (28, 'star_small')):
        put(star(size), name, 'star')
        put(star(size, empty=True), name + '_empty', 'star not earned')
    put(coin(64), 'coin', 'gold coin')
    put(coin(32), 'coin_small', 'gold coin, small')
    for n in (1, 2, 3):
        put(coin_pile(n), f'gold_pack_{n}', 'shop picture of a gold pack')
    put(heart(), 'heart', 'life')
    put(heart(empty=True), 'heart_empty', 'life missing')
    put(heart(infinite=True), 'heart_unlimited', 'unlimited lives')
    put(bear_icon(), 'bear', 'bear counter icon')
    put(tile_icon(), 'tiles', 'tiles-left counter icon')
    put(tile_icon(gold=True), 'gold_tile', 'gold-pair mode icon')
    for look in ('default', 'active', 'pressed'):
        suffix = '' if look == 'default' else '_' + look
        put(checkbox(look), f'checkbox{suffix}', f'check box, {look} look')
        put(checkbox(look, radio=True), f'radio{suffix}', f'radio button, {look} look')
    put(check_mark(), 'checkbox_mark', 'check box mark')
    put(check_mark(radio=True), 'radio_mark', 'radio button mark')
    put(track(), 'slider_track', 'slider track; image9 corner 13')
    put(knob(), 'slider_knob', 'slider knob (key_filename)')
    put(track(), 'progress_track', 'progress bar track; image9 corner 13')
    put(track(fill='green'), 'progress_fill', 'progress bar picture (cut by value), 240 x 28')
    put(track(fill='orange'), 'progress_fill_gold', 'progress bar picture, gold')
    put(track(w=300, h=24, fill='green'), 'score_fill', 'score bar picture, 300 x 24')
    put(track(w=300, h=24), 'score_track', 'score bar track, 300 x 24')
    put(multiplier_ring(), 'multiplier_ring', 'circular progress picture for the multiplier fill')
    put(multiplier_ring(back=True), 'multiplier_back', 'disc under the multiplier ring')
    put(text_field(), 'text_field', 'text field; image9 corner 20')
    put(text_field(focus=True), 'text_field_focus', 'text field with focus; image9 corner 20')
    put(price_plate(), 'price_plate', 'price plate; image9 corner 16')
    put(logo(), 'logo', 'the game logo')
    put(pointer_hand(), 'hand', 'tutorial pointer hand')
    put(arrow_pointer(), 'arrow', 'tutorial arrow (points down)')
    put(rays(), 'rays', 'light rays behind the win stars')
    put(soft_glow(), 'glow', 'soft glow disc')
    # particles and bits for the effect files
    put(sparkle(), 'sparkle', 'white sparkle', FX)
    put(sparkle(col='#FFE27A'), 'sparkle_gold', 'gold sparkle', FX)
    put(soft_glow(64, '#FFFFFF'), 'glow_white', 'white soft glow', FX)
    put(soft_glow(64, '#FFD24A'), 'glow_gold', 'gold soft glow', FX)
    put(ring_fx(), 'ring', 'expanding ring', FX)
    put(puff(), 'puff', 'dust puff', FX)
    put(star(32), 'star', 'small star particle', FX)
    put(coin(32), 'coin', 'coin particle', FX)
    put(petal_fx(), 'petal', 'blossom petal', FX)
    for i in range(6):
        put(confetti(i), f'confetti_{i}', 'confetti piece', FX)
