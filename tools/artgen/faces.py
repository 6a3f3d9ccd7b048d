"""The 42 tile faces ("labels"): 98 x 138 design pixels, placed on the tile's
face by the tile sprite. Characters come from AR PL UKai (fonts-arphic-ukai);
dots, bamboo and the painted motifs are drawn. Every face gets the same carved
ink treatment: the stroke sits a little into the ivory, shadowed on its upper
left and catching light on its lower right.

Type numbers: 1-9 characters, 10-18 bamboo, 19-27 dots, 28-31 winds E S W N,
32 red dragon, 33 green dragon, 42 white dragon, 34-37 flowers (plum, orchid,
chrysanthemum, bamboo), 38-41 seasons (spring, summer, autumn, winter).
"""
import math

import cairo
import numpy as np

from . import brush as B
from .common import (CJK_FONT, Canvas, blur, ellipse, emboss, hexc, lin, over, rad, rrect, shift,
                     text_path, tint_mask)

LW, LH = 98, 138
CX, CY = LW / 2, LH / 2

RED, GREEN, BLUE, INK = '#B21E2B', '#14703A', '#1A4C94', '#16203A'
NUM = '一二三四五六七八九'


def cjk(c, ch, size, cx, cy, col, maxw=None, maxh=None, embolden=1.5):
    c.save()
    text_path(c, ch, size, cx, cy, family=CJK_FONT, bold=False, maxw=maxw, maxh=maxh)
    c.set_source_rgba(*hexc(col))
    c.fill_preserve()
    c.set_line_width(embolden)
    c.set_line_join(cairo.LINE_JOIN_ROUND)
    c.stroke()
    c.restore()


# ------------------------------------------------------------------ dots

def disc(c, x, y, r, col, style='flower'):
    base = hexc(col)
    deep = tuple(v * 0.62 for v in base[:3]) + (1,)
    light = tuple(min(1, v * 1.25 + 0.18) for v in base[:3]) + (1,)
    ivory = hexc('#FBF5E6')
    ellipse(c, x, y, r, r)
    c.set_source(rad(x, y, 0, r, [(0, light), (0.7, base), (1, deep)], fx=x - r * 0.3, fy=y - r * 0.35))
    c.fill()
    # ivory ring and the inner flower
    c.set_source_rgba(*ivory)
    c.set_line_width(r * 0.12)
    ellipse(c, x, y, r * 0.76, r * 0.76)
    c.stroke()
    if style == 'flower' and r >= 9:
        for i in range(8):
            a = i * math.pi / 4 + math.pi / 8
            B.petal_path(c, x, y, r * 0.18, r * 0.58, a, r * 0.13)
        c.set_source_rgba(*ivory)
        c.fill()
    ellipse(c, x, y, r * 0.2, r * 0.2)
    c.set_source_rgba(*ivory)
    c.fill()
    ellipse(c, x, y, r * 0.09, r * 0.09)
    c.set_source_rgba(*deep)
    c.fill()


def one_dot(c):
    x, y = CX, CY
    # outer wreath
    ellipse(c, x, y, 44, 44)
    c.set_source(rad(x, y, 30, 44, [(0, hexc('#2E9A55')), (1, hexc('#0E5A2C'))]))
    c.fill()
    c.set_source_rgba(*hexc('#FBF5E6'))
    for i in range(20):
        a = i * math.pi / 10
        B.petal_path(c, x, y, 32, 42.5, a, 3.2)
    c.fill()
    ellipse(c, x, y, 31, 31)
    c.set_source_rgba(*hexc('#FBF5E6'))
    c.fill()
    disc(c, x, y, 28, BLUE)
    ellipse(c, x, y, 13, 13)
    c.set_source(rad(x, y, 0, 13, [(0, hexc('#F0535E')), (1, hexc(RED))], fx=x - 4, fy=y - 4))
    c.fill()
    ellipse(c, x, y, 4.5, 4.5)
    c.set_source_rgba(*hexc('#FBF5E6'))
    c.fill()


DOTS = {
    2: [(49, 38, 20, GREEN), (49, 100, 20, BLUE)],
    3: [(24, 28, 16, BLUE), (49, 69, 16, RED), (74, 110, 16, GREEN)],
    4: [(27, 40, 17.5, BLUE), (71, 40, 17.5, GREEN), (27, 98, 17.5, GREEN), (71, 98, 17.5, BLUE)],
    5: [(25, 30, 15.5, BLUE), (73, 30, 15.5, GREEN), (49, 69, 15.5, RED), (25, 108, 15.5, GREEN),
        (73, 108, 15.5, BLUE)],
    6: [(x, y, 15, GREEN if y < 40 else RED) for y in (27, 69, 111) for x in (28, 70)],
    7: [(21, 17, 11, GREEN), (49, 31, 11, GREEN), (77, 45, 11, GREEN)]
       + [(x, y, 13.5, RED) for y in (81, 114) for x in (30, 68)],
    8: [(x, y, 12.8, BLUE) for y in (20, 53, 86, 119) for x in (29, 69)],
    9: [(x, y, 12.6, col) for y, col in ((27, BLUE), (69, RED), (111, GREEN)) for x in (19, 49, 79)],
}


def dots(c, n):
    if n == 1:
        one_dot(c)
        return
    for x, y, r, col in DOTS[n]:
        disc(c, x, y, r, col, 'flower' if r >= 12 else 'plain')


# ------------------------------------------------------------------ bamboo

def stick(c, x, y, h, col, w=12.5, angle=0.0):
    c.save()
    c.translate(x, y)
    c.rotate(math.radians(angle))
    base = hexc(col)
    dark = tuple(v * 0.5 for v in base[:3]) + (1,)
    light = tuple(min(1, v * 1.35 + 0.3) for v in base[:3]) + (1,)
    # two segments with a joint in the middle, slightly waisted
    for sy in (-1, 1):
        y0, y1 = (-h / 2, -1.2) if sy < 0 else (1.2, h / 2)
        c.move_to(-w / 2, y0 + w * 0.35)
        c.curve_to(-w * 0.38, (y0 + y1) / 2, -w * 0.38, (y0 + y1) / 2, -w / 2, y1 - w * 0.2)
        c.line_to(w / 2, y1 - w * 0.2)
        c.curve_to(w * 0.38, (y0 + y1) / 2, w * 0.38, (y0 + y1) / 2, w / 2, y0 + w * 0.35)
        c.close_path()
        c.set_source(lin(-w / 2, 0, w / 2, 0, [(0, dark), (0.3, light), (0.55, base), (1, dark)]))
        c.fill()
    for yy in (-h / 2 + w * 0.3, 0, h / 2 - w * 0.2):
        ellipse(c, 0, yy, w * 0.62, w * 0.22)
        c.set_source_rgba(*dark)
        c.fill()
    c.set_source_rgba(1, 1, 1, 0.5)
    c.set_line_width(1.0)
    for sy in (-1, 1):
        c.move_to(-w * 0.16, sy * w * 0.5)
        c.line_to(-w * 0.16, sy * (h / 2 - w * 0.75))
        c.stroke()
    c.restore()


def bird(c):
    """one of bamboo: a bird in ink-painting manner on a bamboo sprig"""
    # sprig
    B.brush(c, [(10, 122), (40, 116), (70, 112), (92, 104)], (3.6, 1.6), '#2E5E2A')
    for x, y, a in ((30, 118, -0.5), (58, 114, 0.35), (78, 108, -0.9)):
        B.leaf_path(c, x, y, 20, 4.2, a, 0.05)
        c.set_source_rgba(*hexc('#2F7A38'))
        c.fill()
    # tail: three long feathers sweeping down-left
    for (ang, col, L) in ((2.35, BLUE, 58), (2.15, GREEN, 64), (1.95, RED, 56)):
        x0, y0 = 40, 80
        pts = [(x0, y0), (x0 + math.cos(ang) * L * 0.5 + 4, y0 + math.sin(ang) * L * 0.45),
               (x0 + math.cos(ang) * L, y0 + math.sin(ang) * L * 0.85)]
        B.brush(c, pts, B.taper(9, 0.35, 0.12, 0.6), col)
    # body
    c.move_to(30, 84)
    c.curve_to(34, 58, 52, 44, 66, 46)
    c.curve_to(80, 48, 82, 64, 74, 76)
    c.curve_to(64, 92, 42, 96, 30, 84)
    c.close_path()
    c.set_source(lin(40, 50, 70, 90, [(0, '#3FA45A'), (1, '#0F5A2A')]))
    c.fill()
    # breast
    c.move_to(74, 62)
    c.curve_to(78, 72, 70, 86, 56, 90)
    c.curve_to(66, 80, 70, 70, 74, 62)
    c.close_path()
    c.set_source_rgba(*hexc('#E8B04A'))
    c.fill()
    # wing with feather strokes
    c.move_to(40, 66)
    c.curve_to(52, 56, 64, 62, 62, 78)
    c.curve_to(54, 86, 42, 84, 36, 80)
    c.close_path()
    c.set_source_rgba(*hexc('#0C4523'))
    c.fill()
    for i in range(3):
        B.brush(c, [(44 + i * 5, 70 + i), (50 + i * 4, 78), (46 + i * 3, 84)], (1.6, 0.4), '#4FB86A')
    # head, crest, beak, eye
    ellipse(c, 70, 42, 10.5, 10)
    c.set_source_rgba(*hexc('#1F7F3E'))
    c.fill()
    for dx, L in ((-4, 14), (0, 17), (4, 14)):
        B.brush(c, [(68 + dx * 0.5, 34), (66 + dx, 34 - L * 0.6), (64 + dx * 1.5, 34 - L)], (2.4, 0.8), RED)
    c.move_to(79, 39)
    c.line_to(92, 43)
    c.line_to(79, 46)
    c.close_path()
    c.set_source_rgba(*hexc('#D9922A'))
    c.fill()
    ellipse(c, 72.5, 40.5, 2.6, 2.6)
    c.set_source_rgba(*hexc('#FBF5E6'))
    c.fill()
    ellipse(c, 73, 40.8, 1.4, 1.4)
    c.set_source_rgba(*hexc(INK))
    c.fill()
    # feet on the sprig
    c.set_source_rgba(*hexc('#7A4A1A'))
    c.set_line_width(1.8)
    c.set_line_cap(cairo.LINE_CAP_ROUND)
    for x in (56, 62):
        c.move_to(x, 90)
        c.line_to(x - 1, 111)
        c.stroke()


BAMBOO = {
    2: [(49, 38, 48, GREEN, 0), (49, 100, 48, GREEN, 0)],
    3: [(49, 38, 48, GREEN, 0), (30, 100, 48, GREEN, 0), (68, 100, 48, GREEN, 0)],
    4: [(31, 38, 48, GREEN, 0), (67, 38, 48, BLUE, 0), (31, 100, 48, BLUE, 0), (67, 100, 48, GREEN, 0)],
    5: [(22, 38, 48, GREEN, 0), (76, 38, 48, BLUE, 0), (49, 69, 48, RED, 0), (22, 100, 48, BLUE, 0),
        (76, 100, 48, GREEN, 0)],
    6: [(x, y, 48, GREEN if y < 60 else BLUE, 0) for y in (38, 100) for x in (22, 49, 76)],
    7: [(49, 22, 32, RED, 0)] + [(x, y, 36, GREEN if y < 80 else BLUE, 0) for y in (66, 112) for x in (22, 49, 76)],
    8: [(16, 38, 48, GREEN, 0), (37, 38, 48, GREEN, 24), (61, 38, 48, GREEN, -24), (82, 38, 48, GREEN, 0),
        (16, 100, 48, BLUE, 0), (37, 100, 48, BLUE, -24), (61, 100, 48, BLUE, 24), (82, 100, 48, BLUE, 0)],
    9: [(x, y, 36, col, 0) for x, col in ((22, GREEN), (49, RED), (76, BLUE)) for y in (24, 69, 114)],
}


def bamboo(c, n):
    if n == 1:
        bird(c)
        return
    for x, y, h, col, a in BAMBOO[n]:
        stick(c, x, y, h, col, angle=a)


# ------------------------------------------------------------------ characters and honours

def characters(c, n):
    cjk(c, NUM[n - 1], 46, CX, 35, INK, maxw=66, maxh=42, embolden=1.8)
    cjk(c, '萬', 58, CX, 96, RED, maxw=72, maxh=60, embolden=1.6)


def white_dragon(c):
    rrect(c, 15, 17, 68, 104, 9)
    c.set_line_width(6.5)
    c.set_source_rgba(*hexc(BLUE))
    c.stroke()
    rrect(c, 25.5, 27.5, 47, 83, 4)
    c.set_line_width(2.2)
    c.stroke()
    for x, y in ((15, 17), (83, 17), (15, 121), (83, 121)):
        ellipse(c, x, y, 3, 3)
        c.fill()


# ------------------------------------------------------------------ flowers and seasons

def blossom(c, x, y, r, petal, centre='#F6D36A', rot=0.0, n=5):
    for i in range(n):
        a = rot + i * 2 * math.pi / n
        px, py = x + math.cos(a) * r * 0.52, y + math.sin(a) * r * 0.52
        ellipse(c, px, py, r * 0.5, r * 0.5)
        c.set_source(rad(px, py, 0, r * 0.55, [(0, mixc('#FFFFFF', petal, 0.45)), (1, hexc(petal))],
                         fx=x, fy=y))
        c.fill()
    ellipse(c, x, y, r * 0.2, r * 0.2)
    c.set_source_rgba(*hexc(centre))
    c.fill()
    c.set_source_rgba(*hexc('#7A1C2A'))
    for i in range(6):
        a = rot + i * math.pi / 3 + 0.3
        ellipse(c, x + math.cos(a) * r * 0.3, y + math.sin(a) * r * 0.3, r * 0.06, r * 0.06)
        c.fill()


def mixc(a, b, t):
    ca, cb = hexc(a), hexc(b)
    return tuple(ca[i] * (1 - t) + cb[i] * t for i in range(4))


def plum(c):
    ink = '#2B1D16'
    B.brush(c, [(8, 128), (22, 104), (26, 86), (44, 70), (70, 38), (88, 24)], B.taper(7.5, 0.15, 0.12, 0.9), ink)
    B.brush(c, [(26, 88), (14, 70), (16, 52)], B.taper(3.6, 0.2, 0.15, 0.9), ink)
    B.brush(c, [(48, 66), (66, 72), (82, 66)], B.taper(3.2, 0.2, 0.15, 0.9), ink)
    for x, y, r, rot in ((42, 74, 13, 0.2), (66, 44, 11.5, 0.7), (18, 56, 9, 0.1), (78, 66, 9.5, 0.5),
                         (24, 100, 8, 0.9)):
        blossom(c, x, y, r, '#D9385A', rot=rot)
    for x, y in ((84, 26), (56, 58), (12, 48)):
        ellipse(c, x, y, 3.2, 3.6)
        c.set_source_rgba(*hexc('#B0203E'))
        c.fill()


def orchid(c):
    leaf = '#1F5E30'
    B.brush(c, [(40, 130), (30, 96), (18, 60), (10, 40)], B.taper(6, 0.3, 0.05, 0.5), leaf)
    B.brush(c, [(46, 130), (54, 96), (76, 70), (92, 66)], B.taper(6.5, 0.3, 0.05, 0.5), leaf)
    B.brush(c, [(43, 130), (44, 100), (52, 74), (48, 52)], B.taper(5, 0.35, 0.05, 0.5), leaf)
    B.brush(c, [(44, 130), (30, 110), (8, 104)], B.taper(4.5, 0.3, 0.05, 0.5), leaf)
    B.brush(c, [(46, 128), (60, 100), (66, 74), (62, 50)], (1.6, 1.0), '#4C7A3A')
    for fx, fy, s, rot in ((62, 48, 1.0, -0.4), (70, 74, 0.8, 0.5)):
        for i, (a, L) in enumerate(((-1.6, 17), (-0.5, 15), (0.6, 15), (2.2, 13), (3.2, 13))):
            B.petal_path(c, fx, fy, 1, L * s, a + rot, 4.4 * s)
            c.set_source(rad(fx, fy, 1, L * s, [(0, '#F7E8FA'), (1, '#9B5DC0')]))
            c.fill()
        ellipse(c, fx, fy, 3 * s, 2.4 * s)
        c.set_source_rgba(*hexc('#F2C440'))
        c.fill()
        for i in range(3):
            ellipse(c, fx - 2 + i * 2, fy + 2.5, 0.8, 0.8)
            c.set_source_rgba(*hexc('#7A1C4A'))
            c.fill()


def chrysanthemum(c):
    leaf = '#24603A'
    B.brush(c, [(50, 132), (48, 110), (49, 86)], (3, 2), '#3E6A2E')
    for x, y, a in ((48, 112, -2.5), (50, 102, -0.6), (47, 122, 3.6)):
        B.leaf_path(c, x, y, 26, 9, a, 0.08)
        c.set_source_rgba(*hexc(leaf))
        c.fill()
    cx, cy = 49, 60
    rings = ((34, 24, '#C8590E', 0.0), (28, 22, '#E57F16', 0.12), (22, 18, '#F3A321', 0.05),
             (15, 14, '#F8C33A', 0.2), (9, 11, '#FBDD6A', 0.1))
    for r, n, col, off in rings:
        for i in range(n):
            a = off + i * 2 * math.pi / n
            B.petal_path(c, cx, cy, r * 0.25, r, a, max(1.6, r * 0.085))
        c.set_source_rgba(*hexc(col))
        c.fill()
    ellipse(c, cx, cy, 4, 4)
    c.set_source_rgba(*hexc('#B5660E'))
    c.fill()


def bamboo_painting(c):
    for x0, lean, w in ((38, -3, 7.5), (62, 4, 5.5)):
        segs = [(x0 + lean * k / 5, 134 - k * 26) for k in range(6)]
        for k in range(5):
            (xa, ya), (xb, yb) = segs[k], segs[k + 1]
            B.brush(c, [(xa, ya - 1.5), (xb, yb + 1.5)], (w, w * 0.92), '#2F6E3A')
            B.brush(c, [(xb - w * 0.7, yb + 0.5), (xb + w * 0.7, yb - 0.5)], (2.2, 2.2), '#173F22')
    for (x, y, a, L) in ((40, 52, -2.6, 30), (40, 52, -2.2, 26), (42, 50, -1.9, 22),
                         (64, 38, -0.5, 30), (64, 38, -0.15, 26), (64, 40, 0.3, 24),
                         (36, 88, 3.5, 26), (36, 90, 3.9, 24), (66, 84, 0.2, 24)):
        B.leaf_path(c, x, y, L, 4.4, a, 0.06)
        c.set_source_rgba(*hexc('#1E5A2C'))
        c.fill()


def spring(c):
    # willow strands hanging from a branch under the corner marks, a swallow crossing
    B.brush(c, [(0, 24), (30, 18), (64, 22), (98, 16)], B.taper(3.2, 0.3, 0.4, 0.8), '#5A4028')
    for k, x0 in enumerate((12, 26, 42, 58, 74, 88)):
        L = 58 + (k % 3) * 16
        y0 = 21 + (k % 2) * 2
        pts = [(x0, y0), (x0 + 3, y0 + L * 0.4), (x0 - 2 + k % 2 * 5, y0 + L * 0.75), (x0 + 5, y0 + L)]
        B.brush(c, pts, (1.6, 0.6), '#6B8E3A')
        for j in range(5):
            t = 0.28 + j * 0.15
            px = x0 + 2 + (j % 2) * 3
            py = y0 + L * t
            B.leaf_path(c, px, py, 8.5, 2.1, 1.9 if j % 2 else 1.25, 0.0)
            c.set_source_rgba(*hexc('#86B84A'))
            c.fill()
    # swallow
    c.save()
    c.translate(54, 98)
    c.rotate(-0.25)
    c.set_source_rgba(*hexc('#1A2238'))
    c.move_to(-18, 0)
    c.curve_to(-6, -6, 8, -5, 16, -1)
    c.curve_to(8, 3, -4, 5, -18, 0)
    c.fill()
    c.move_to(-4, -3)
    c.curve_to(-2, -18, 8, -26, 24, -30)
    c.curve_to(12, -20, 6, -10, 4, -2)
    c.close_path()
    c.fill()
    c.move_to(-2, 2)
    c.curve_to(2, 14, 12, 20, 24, 22)
    c.curve_to(14, 12, 8, 6, 6, 0)
    c.close_path()
    c.fill()
    c.move_to(-16, 0)
    c.line_to(-32, -8)
    c.line_to(-22, 1)
    c.line_to(-32, 9)
    c.close_path()
    c.fill()
    ellipse(c, 12, 1, 4, 2.6)
    c.set_source_rgba(*hexc('#C8402E'))
    c.fill()
    c.restore()


def summer(c):
    # lotus pad and flower above water lines
    ellipse(c, 40, 116, 36, 11)
    c.set_source(rad(40, 116, 2, 36, [(0, '#5FA85A'), (1, '#1F6A3A')]))
    c.fill()
    c.set_source_rgba(*hexc('#13502A'))
    c.set_line_width(0.9)
    for a in range(8):
        ang = a * math.pi / 4
        c.move_to(40, 116)
        c.line_to(40 + math.cos(ang) * 32, 116 + math.sin(ang) * 9)
        c.stroke()
    B.brush(c, [(60, 130), (62, 100), (58, 76)], (3, 2.4), '#3E7A3A')
    fx, fy = 57, 58
    for L, spread, col in ((34, 1.0, '#E77A9A'), (30, 0.7, '#F09AB4'), (24, 0.4, '#F8C4D4')):
        for a in (-math.pi / 2 - spread, -math.pi / 2 - spread / 2, -math.pi / 2, -math.pi / 2 + spread / 2,
                  -math.pi / 2 + spread):
            B.petal_path(c, fx, fy + 10, 2, L, a, 7.5)
            c.set_source(rad(fx, fy + 10, 2, L, [(0, '#FFF3F6'), (1, col)]))
            c.fill()
    ellipse(c, fx, fy + 7, 6, 3.2)
    c.set_source_rgba(*hexc('#E8C040'))
    c.fill()
    c.set_source_rgba(*hexc('#3A78B0', 0.7))
    c.set_line_width(1.4)
    for y, x0, x1 in ((128, 8, 34), (132, 60, 92)):
        c.move_to(x0, y)
        c.curve_to(x0 + 8, y - 2, x1 - 8, y + 2, x1, y)
        c.stroke()


def maple_leaf(c, x, y, s, ang, col):
    c.save()
    c.translate(x, y)
    c.rotate(ang)
    c.scale(s, s)
    lobes = [(0, -1.0), (0.42, -0.55), (0.95, -0.45), (0.55, 0.05), (0.7, 0.55), (0, 0.25),
             (-0.7, 0.55), (-0.55, 0.05), (-0.95, -0.45), (-0.42, -0.55)]
    pts = []
    for i, (px, py) in enumerate(lobes):
        pts.append((px, py))
        nx, ny = lobes[(i + 1) % len(lobes)]
        pts.append(((px + nx) * 0.32, (py + ny) * 0.32 + 0.05))
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    c.close_path()
    c.set_source_rgba(*hexc(col))
    c.fill()
    c.set_source_rgba(*hexc('#6E1A10', 0.8))
    c.set_line_width(0.06)
    for px, py in lobes[::2]:
        c.move_to(0, 0.2)
        c.line_to(px * 0.8, py * 0.8)
        c.stroke()
    c.move_to(0, 0.2)
    c.line_to(0, 0.75)
    c.stroke()
    c.restore()


def autumn(c):
    ellipse(c, 66, 34, 22, 22)
    c.set_source(rad(66, 34, 2, 22, [(0, '#FFF6D2'), (1, '#F2CF6E')]))
    c.fill()
    B.brush(c, [(4, 70), (28, 76), (52, 88), (80, 96), (96, 110)], B.taper(4.5, 0.2, 0.2, 0.9), '#4A2A18')
    B.brush(c, [(40, 82), (46, 100), (42, 118)], B.taper(2.4, 0.2, 0.2, 0.9), '#4A2A18')
    for x, y, s, a, col in ((22, 62, 14, -0.3, '#D8401E'), (44, 112, 13, 0.5, '#E8702A'),
                            (62, 80, 15, 0.2, '#C42A1C'), (84, 110, 12, -0.6, '#EE9A2E'),
                            (30, 92, 10, 0.9, '#B8281E')):
        maple_leaf(c, x, y, s, a, col)


def winter(c):
    # a pine twig under snow, flakes falling
    B.brush(c, [(2, 100), (30, 94), (60, 84), (94, 80)], B.taper(5, 0.2, 0.3, 0.9), '#3E2A1E')
    B.brush(c, [(44, 90), (54, 104), (66, 116)], B.taper(3, 0.2, 0.3, 0.9), '#3E2A1E')
    for bx, by, n in ((22, 96, 11), (50, 87, 12), (78, 81, 10), (60, 108, 8)):
        for i in range(n):
            a = -math.pi + 0.15 + i * (math.pi - 0.3) / (n - 1)
            L = 15 if abs(a + math.pi / 2) < 1.0 else 12
            B.brush(c, [(bx, by), (bx + math.cos(a) * L, by + math.sin(a) * L * 0.85)], (1.7, 0.5), '#1E5A3C')
            B.brush(c, [(bx, by), (bx + math.cos(-a) * L * 0.8, by + math.sin(-a) * L * 0.6)], (1.5, 0.5),
                    '#174A30')
        # snow lying on the needles: a soft cap along the top
        c.move_to(bx - 13, by - 6)
        c.curve_to(bx - 8, by - 16, bx + 8, by - 16, bx + 13, by - 6)
        c.curve_to(bx + 6, by - 9, bx - 6, by - 9, bx - 13, by - 6)
        c.close_path()
        c.set_source(lin(0, by - 16, 0, by - 6, [(0, '#FFFFFF'), (1, '#D4E4F4')]))
        c.fill()
    c.set_source_rgba(*hexc('#5A8AC8'))
    rng = np.random.default_rng(41)
    for i in range(16):
        x, y = rng.uniform(6, 92), rng.uniform(26, 70)
        r = rng.uniform(1.2, 2.4)
        ellipse(c, x, y, r, r)
        c.fill()
    c.set_line_width(1.6)
    c.set_line_cap(cairo.LINE_CAP_ROUND)
    x, y = 72, 44
    for i in range(6):
        a = i * math.pi / 3
        c.move_to(x, y)
        c.line_to(x + math.cos(a) * 11, y + math.sin(a) * 11)
        c.stroke()
        for d in (5, 8):
            for s_ in (-1, 1):
                c.move_to(x + math.cos(a) * d, y + math.sin(a) * d)
                c.line_to(x + math.cos(a) * d + math.cos(a + s_ * 0.9) * 3.2,
                          y + math.sin(a) * d + math.sin(a + s_ * 0.9) * 3.2)
                c.stroke()


FLOWERS = [(plum, '梅'), (orchid, '蘭'), (chrysanthemum, '菊'), (bamboo_painting, '竹')]
SEASONS = [(spring, '春'), (summer, '夏'), (autumn, '秋'), (winter, '冬')]


def bonus(c, painter, ch, num, col):
    c.save()
    c.translate(0, 8)
    painter(c)
    c.restore()
    cjk(c, ch, 20, 14, 13, col, maxw=20, maxh=20, embolden=1.0)
    cjk(c, NUM[num], 16, 85, 13, col, maxw=16, maxh=16, embolden=1.0)


# ------------------------------------------------------------------ the carved ink finish

def carve(a, k):
    """the motif pressed into the face: shade inside the ink by its slope, a
    light lip below-right of the stroke and a faint shadow above-left"""
    alpha = a[..., 3]
    e = emboss(alpha, 1.1 * k)
    inside = alpha[..., None]
    out = a.copy()
    dark = np.clip(e, 0, 1)[..., None] * 0.28   # groove wall facing away from the light
    lit = np.clip(-e, 0, 1)[..., None] * 0.22
    out[..., :3] = out[..., :3] * (1 - dark) + (inside - out[..., :3]) * lit * 0.6
    lip = np.clip(shift(alpha, round(0.8 * k), round(0.8 * k)) - alpha, 0, 1) * 0.5
    shadow = np.clip(blur(shift(alpha, -round(0.6 * k), -round(0.6 * k)), 0.6 * k) - alpha, 0, 1) * 0.12
    base = over(tint_mask(shadow, '#5A4630'), tint_mask(lip, '#FFFFFF'))
    return over(base, out)


def draw_face(tid):
    cv = Canvas(LW, LH)
    c = cv.c
    if 1 <= tid <= 9:
        characters(c, tid)
    elif 10 <= tid <= 18:
        bamboo(c, tid - 9)
    elif 19 <= tid <= 27:
        dots(c, tid - 18)
    elif 28 <= tid <= 31:
        cjk(c, '東南西北'[tid - 28], 70, CX, CY, INK, maxw=76, maxh=82, embolden=2.2)
    elif tid == 32:
        cjk(c, '中', 78, CX, CY, RED, maxw=78, maxh=92, embolden=2.2)
    elif tid == 33:
        cjk(c, '發', 74, CX, CY, GREEN, maxw=80, maxh=92, embolden=2.0)
    elif tid == 42:
        white_dragon(c)
    elif 34 <= tid <= 37:
        bonus(c, *FLOWERS[tid - 34], tid - 34, RED)
    elif 38 <= tid <= 41:
        bonus(c, *SEASONS[tid - 38], tid - 38, BLUE)
    else:
        raise ValueError(tid)
    return carve(cv.array(), cv.k)


TYPES = list(range(1, 34)) + list(range(34, 42)) + [42]

NAMES = {}
for _i in range(9):
    NAMES[1 + _i] = f'characters {_i + 1}'
    NAMES[10 + _i] = f'bamboo {_i + 1}'
    NAMES[19 + _i] = f'dots {_i + 1}'
for _i, _n in enumerate(('east wind', 'south wind', 'west wind', 'north wind', 'red dragon', 'green dragon')):
    NAMES[28 + _i] = _n
for _i, _n in enumerate(('plum', 'orchid', 'chrysanthemum', 'bamboo', 'spring', 'summer', 'autumn', 'winter')):
    NAMES[34 + _i] = _n
NAMES[42] = 'white dragon'
