"""Artifacts of the album: nine places, four artifacts each, four parts an
artifact. Part ids read "<place>/a<n>-<name>-<part>", so the place is the
number before the slash and the artifact (the id's group) is the id up to its
second "-".

Each artifact is a 200 x 200 picture cut into four pieces along wavy lines.
Files under data/gfx/artifacts/<place>/: "<group>-<part>.png" the pieces
(each cropped to its own box), "<group>.png" the artifact's faint outline
that shows where the pieces go, "<group>_full.png" the whole artifact. The
pieces' positions inside the artifact's 200 x 200 box are in
data/artifact_parts.json, written three times larger as the game reads them.
"""
import json
import math

import cairo
import numpy as np

from .common import (HI, Canvas, blur, ellipse, hexc, lin, over, poly, rad, rrect, save_pair, shade, shift,
                     star_points, text_path, tint_mask, write_text, smooth_poly)

ARTIFACTS = {
    1: ['perfume', 'lavender', 'plate', 'hat'],
    2: ['compass', 'anchor', 'soap', 'boat'],
    3: ['camera', 'trophy', 'sunglasses', 'shell'],
    4: ['mask', 'vase', 'lantern', 'gondola'],
    5: ['helmet', 'amphora', 'wreath', 'coin'],
    6: ['mandolin', 'coffeepot', 'bottle', 'lemons'],
    7: ['vase', 'owl', 'lyre', 'column'],
    8: ['bell', 'jug', 'windmill', 'fish'],
    9: ['bull', 'labrys', 'disc', 'dolphin'],
}

SIZE = 200


def group_id(place, a):
    return f'{place}/a{a}-{ARTIFACTS[place][a - 1]}'


def part_ids():
    """one part per level, in level order: each place's sixteen levels hand
    out its four artifacts part by part"""
    out = []
    for place in range(1, 10):
        for a in range(1, 5):
            for part in range(1, 5):
                out.append(f'{group_id(place, a)}-{part}')
    return out


# ------------------------------------------------------------------ drawing helpers

def vessel(c, profile, cx, fill, line='#3A2A1A', lw=2.0, bands=(), band_col='#FFFFFF'):
    """a turned vessel from (y, half width) points, top to bottom"""
    left = [(cx - r, y) for y, r in profile]
    right = [(cx + r, y) for y, r in reversed(profile)]
    smooth_poly(c, left + right, close=True, tension=0.35)
    path = c.copy_path()
    ys = [y for y, _ in profile]
    xs = max(r for _, r in profile)
    c.set_source(lin(cx - xs, 0, cx + xs, 0, [(0, shade(fill, 0.7)), (0.35, shade(fill, 1.25)),
                                            (0.6, fill), (1, shade(fill, 0.6))]))
    c.fill()
    for y0, y1, col in bands:
        c.save()
        c.append_path(path)
        c.clip()
        c.rectangle(cx - xs - 5, y0, 2 * xs + 10, y1 - y0)
        c.set_source_rgba(*hexc(col, 0.85))
        c.fill()
        c.restore()
    c.append_path(path)
    c.set_source_rgba(*hexc(line))
    c.set_line_width(lw)
    c.stroke()


def outline_fill(c, fill, line='#3A2A1A', lw=2.0, grad=None):
    path = c.copy_path()
    if grad:
        c.set_source(grad)
    else:
        c.set_source_rgba(*hexc(fill))
    c.fill()
    c.append_path(path)
    c.set_source_rgba(*hexc(line))
    c.set_line_width(lw)
    c.stroke()


def gloss(c, x, y, w, h, a=0.45):
    ellipse(c, x, y, w, h)
    c.set_source_rgba(1, 1, 1, a)
    c.fill()


# ------------------------------------------------------------------ the thirty-six

def perfume(c):
    vessel(c, [(62, 10), (70, 12), (78, 40), (120, 50), (160, 46), (178, 40)], 100, '#B98FE0', '#4A2A6A')
    rrect(c, 90, 40, 20, 24, 4)
    outline_fill(c, '#E8C050', '#6A4A10', 2, lin(90, 0, 110, 0, [(0, '#C8901A'), (0.5, '#FFF0A0'), (1, '#A8700A')]))
    ellipse(c, 100, 34, 14, 10)
    outline_fill(c, '#E8C050', '#6A4A10', 2)
    gloss(c, 82, 110, 6, 22, 0.5)
    for k in range(3):
        ellipse(c, 112 - k * 8, 135 + k * 6, 4, 4)
        c.set_source_rgba(1, 1, 1, 0.35)
        c.fill()


def lavender(c):
    vessel(c, [(120, 30), (130, 36), (160, 40), (186, 30)], 100, '#D8DCE8', '#4A4A5A',
           bands=((146, 152, '#8E6BC8'),))
    rng = np.random.default_rng(4)
    for k in range(13):
        a = -math.pi / 2 + (k - 6) * 0.12
        L = 95 + rng.uniform(-10, 10)
        ex, ey = 100 + math.cos(a) * L, 125 + math.sin(a) * L
        c.move_to(100 + (k - 6) * 2, 125)
        c.line_to(ex, ey)
        c.set_source_rgba(*hexc('#5E7A3A'))
        c.set_line_width(2)
        c.stroke()
        for j in range(7):
            t = 0.62 + j * 0.055
            x, y = 100 + math.cos(a) * L * t, 125 + math.sin(a) * L * t
            ellipse(c, x, y, 4, 5.5)
            c.set_source_rgba(*shade('#8E6BC8', 0.85 + 0.05 * (j % 3)))
            c.fill()
    ellipse(c, 100, 128, 28, 6)
    c.set_source_rgba(*hexc('#7A3A8A'))
    c.fill()


def plate(c):
    ellipse(c, 100, 100, 86, 86)
    outline_fill(c, '#F6F0E2', '#3A5A8A', 2.5, rad(90, 90, 10, 90, [(0, '#FFFFFF'), (1, '#E8DCC4')]))
    ellipse(c, 100, 100, 70, 70)
    c.set_source_rgba(*hexc('#2E5A9A'))
    c.set_line_width(2.5)
    c.stroke()
    for k in range(12):
        a = k * math.pi / 6
        ellipse(c, 100 + math.cos(a) * 78, 100 + math.sin(a) * 78, 4, 4)
        c.set_source_rgba(*hexc('#E8A21A'))
        c.fill()
    # a cicada, the Provence motif, in the middle
    ellipse(c, 100, 100, 13, 30)
    outline_fill(c, '#2E5A9A', '#1A2A4A', 1.5)
    for sx in (-1, 1):
        c.move_to(100 + sx * 6, 84)
        c.curve_to(100 + sx * 40, 88, 100 + sx * 44, 120, 100 + sx * 10, 128)
        c.close_path()
        outline_fill(c, '#7AB0E0', '#1A2A4A', 1.5)
    ellipse(c, 100, 72, 11, 9)
    outline_fill(c, '#E8A21A', '#1A2A4A', 1.5)


def hat(c):
    ellipse(c, 100, 128, 90, 34)
    outline_fill(c, '#F0D890', '#7A5A20', 2, lin(0, 94, 0, 162, [(0, '#FFF0B0'), (1, '#D8B860')]))
    c.move_to(56, 126)
    c.curve_to(56, 60, 144, 60, 144, 126)
    c.close_path()
    outline_fill(c, '#F0D890', '#7A5A20', 2, lin(56, 0, 144, 0, [(0, '#D8B860'), (0.4, '#FFF0B0'), (1, '#C8A040')]))
    c.move_to(57, 112)
    c.curve_to(70, 120, 130, 120, 143, 112)
    c.line_to(144, 126)
    c.curve_to(130, 134, 70, 134, 56, 126)
    c.close_path()
    outline_fill(c, '#8E6BC8', '#4A2A6A', 1.5)
    c.set_source_rgba(*hexc('#B89040', 0.5))
    c.set_line_width(1)
    for k in range(6):
        ellipse(c, 100, 128, 88 - k * 12, 32 - k * 4)
        c.stroke()


def compass(c):
    ellipse(c, 100, 100, 84, 84)
    outline_fill(c, '#C89A3A', '#5A3A10', 2.5, rad(90, 90, 10, 90, [(0, '#FFE8A0'), (1, '#A8741A')]))
    ellipse(c, 100, 100, 68, 68)
    outline_fill(c, '#F8F0DC', '#5A3A10', 2)
    for k in range(16):
        a = k * math.pi / 8
        r0 = 58 if k % 2 else 52
        c.move_to(100 + math.cos(a) * r0, 100 + math.sin(a) * r0)
        c.line_to(100 + math.cos(a) * 66, 100 + math.sin(a) * 66)
        c.set_source_rgba(*hexc('#5A3A10'))
        c.set_line_width(2 if k % 2 == 0 else 1)
        c.stroke()
    poly(c, star_points(100, 100, 50, 12, 4, -math.pi / 2))
    outline_fill(c, '#2E5A9A', '#1A2A4A', 1.5)
    poly(c, [(100, 44), (110, 100), (100, 100)])
    c.set_source_rgba(*hexc('#D8402E'))
    c.fill()
    poly(c, [(100, 156), (90, 100), (100, 100)])
    c.set_source_rgba(*hexc('#F2F2F2'))
    c.fill()
    ellipse(c, 100, 100, 6, 6)
    outline_fill(c, '#E8C050', '#5A3A10', 1.5)
    ellipse(c, 100, 12, 10, 8)
    c.set_source_rgba(*hexc('#A8741A'))
    c.set_line_width(4)
    c.stroke()


def anchor(c):
    c.set_line_cap(cairo.LINE_CAP_ROUND)
    c.set_line_join(cairo.LINE_JOIN_ROUND)
    path_parts = []
    c.new_path()
    ellipse(c, 100, 34, 14, 14)
    c.set_source_rgba(*hexc('#3A4A5A'))
    c.set_line_width(9)
    c.stroke()
    c.move_to(100, 48)
    c.line_to(100, 170)
    c.set_line_width(14)
    c.stroke()
    c.move_to(66, 70)
    c.line_to(134, 70)
    c.set_line_width(12)
    c.stroke()
    c.move_to(34, 120)
    c.curve_to(40, 160, 70, 176, 100, 176)
    c.curve_to(130, 176, 160, 160, 166, 120)
    c.set_line_width(13)
    c.stroke()
    for sx in (-1, 1):
        poly(c, [(100 + sx * 66, 104), (100 + sx * 80, 128), (100 + sx * 56, 126)])
        c.fill()
    # highlights
    c.move_to(97, 52)
    c.line_to(97, 165)
    c.set_source_rgba(1, 1, 1, 0.25)
    c.set_line_width(3)
    c.stroke()
    # a rope
    c.move_to(86, 40)
    c.curve_to(50, 60, 60, 100, 80, 110)
    c.curve_to(100, 120, 110, 140, 90, 150)
    c.set_source_rgba(*hexc('#C8A060'))
    c.set_line_width(5)
    c.set_dash([6, 3])
    c.stroke()
    c.set_dash([])


def soap(c):
    poly(c, [(40, 80), (120, 60), (170, 84), (90, 108)])
    outline_fill(c, '#E8E0B0', '#6A6030', 2)
    poly(c, [(40, 80), (90, 108), (90, 160), (40, 132)])
    outline_fill(c, '#C8C080', '#6A6030', 2)
    poly(c, [(90, 108), (170, 84), (170, 136), (90, 160)])
    outline_fill(c, '#D8D098', '#6A6030', 2)
    c.save()
    c.transform(cairo.Matrix(1, -0.3, 0, 1, 0, 0))
    text_path(c, 'MARSEILLE', 12, 130, 160, maxw=70)
    c.set_source_rgba(*hexc('#8A7A3A'))
    c.fill()
    c.restore()
    for x, y, r in ((150, 56, 9), (164, 44, 6), (140, 40, 5)):
        ellipse(c, x, y, r, r)
        c.set_source_rgba(*hexc('#9AD0F0', 0.5))
        c.fill_preserve()
        c.set_source_rgba(1, 1, 1, 0.8)
        c.set_line_width(1.2)
        c.stroke()


def boat(c):
    c.move_to(24, 130)
    c.line_to(176, 130)
    c.curve_to(166, 160, 150, 168, 100, 168)
    c.curve_to(50, 168, 34, 160, 24, 130)
    c.close_path()
    outline_fill(c, '#2E6AA8', '#1A2A4A', 2)
    c.rectangle(24, 130, 152, 10)
    c.set_source_rgba(*hexc('#F2F2F2'))
    c.fill()
    c.rectangle(97, 28, 6, 104)
    outline_fill(c, '#8A6A44', '#3A2A1A', 1.5)
    poly(c, [(106, 30), (170, 122), (106, 122)])
    outline_fill(c, '#FFFFFF', '#5A5A6A', 1.5, lin(106, 0, 170, 0, [(0, '#FFFFFF'), (1, '#E0E0E8')]))
    poly(c, [(94, 40), (40, 122), (94, 122)])
    outline_fill(c, '#F0584A', '#6A1A10', 1.5)
    poly(c, [(103, 28), (103, 14), (126, 20)])
    c.set_source_rgba(*hexc('#F2C01D'))
    c.fill()


def camera(c):
    rrect(c, 30, 70, 140, 90, 10)
    outline_fill(c, '#3A3A44', '#101014', 2, lin(0, 70, 0, 160, [(0, '#5A5A66'), (1, '#2A2A30')]))
    rrect(c, 50, 52, 40, 22, 4)
    outline_fill(c, '#5A5A66', '#101014', 2)
    for cx, r in ((58, 22), (142, 22)):
        ellipse(c, cx, 44, r, r)
        outline_fill(c, '#2A2A30', '#101014', 2)
        for k in range(5):
            a = k * 2 * math.pi / 5
            ellipse(c, cx + math.cos(a) * 12, 44 + math.sin(a) * 12, 5, 5)
            c.set_source_rgba(*hexc('#6A6A74'))
            c.fill()
    ellipse(c, 100, 118, 34, 34)
    outline_fill(c, '#1A1A20', '#101014', 2, rad(95, 110, 2, 34, [(0, '#5A7AA8'), (0.5, '#1A2A40'), (1, '#0A0A10')]))
    ellipse(c, 100, 118, 22, 22)
    c.set_source_rgba(*hexc('#C8A040'))
    c.set_line_width(2)
    c.stroke()
    gloss(c, 90, 108, 7, 5, 0.6)
    rrect(c, 140, 80, 20, 10, 2)
    c.set_source_rgba(*hexc('#D8402E'))
    c.fill()


def trophy(c):
    rrect(c, 60, 160, 80, 22, 4)
    outline_fill(c, '#3A2A1A', '#1A0A00', 2, lin(0, 160, 0, 182, [(0, '#6A4A2A'), (1, '#2A1A0A')]))
    gold = lin(60, 0, 140, 0, [(0, '#B8801A'), (0.4, '#FFF0A0'), (1, '#A8700A')])
    rrect(c, 80, 140, 40, 22, 3)
    outline_fill(c, '#E8C050', '#6A4A10', 2, gold)
    # a palm leaf of gold
    c.move_to(100, 140)
    c.curve_to(96, 110, 100, 70, 112, 24)
    c.set_source_rgba(*hexc('#8A5A10'))
    c.set_line_width(4)
    c.stroke()
    for k in range(9):
        t = k / 9
        x, y = 100 + t * 11, 135 - t * 105
        for sx in (-1, 1):
            L = 46 - t * 26
            c.move_to(x, y)
            c.curve_to(x + sx * L * 0.4, y - 8, x + sx * L * 0.8, y - 2, x + sx * L, y + 10)
            c.curve_to(x + sx * L * 0.7, y + 6, x + sx * L * 0.3, y + 4, x, y + 3)
            c.close_path()
            outline_fill(c, '#E8C050', '#8A5A10', 1.2,
                         lin(x, y - 8, x + sx * L, y + 10, [(0, '#FFF0A0'), (1, '#C8901A')]))


def sunglasses(c):
    for cx in (62, 138):
        c.move_to(cx - 40, 86)
        c.curve_to(cx - 40, 140, cx + 40, 140, cx + 40, 86)
        c.close_path()
        outline_fill(c, '#1A1A2A', '#101014', 3, lin(0, 86, 0, 130, [(0, '#3A4A8A'), (1, '#0A0A20')]))
        poly(c, [(cx - 26, 96), (cx - 10, 96), (cx - 28, 118)])
        c.set_source_rgba(1, 1, 1, 0.35)
        c.fill()
    c.move_to(100, 92)
    c.curve_to(96, 82, 104, 82, 100, 92)
    c.move_to(96, 90)
    c.curve_to(98, 80, 102, 80, 104, 90)
    c.set_source_rgba(*hexc('#D8402E'))
    c.set_line_width(6)
    c.stroke()
    c.rectangle(18, 80, 164, 9)
    outline_fill(c, '#D8402E', '#6A1A10', 2)
    c.move_to(20, 84)
    c.curve_to(10, 84, 4, 96, 8, 120)
    c.move_to(180, 84)
    c.curve_to(190, 84, 196, 96, 192, 120)
    c.set_line_width(5)
    c.set_source_rgba(*hexc('#D8402E'))
    c.stroke()


def shell(c):
    for k in range(9):
        a0 = math.pi * (1.1 + k * 0.8 / 9)
        a1 = a0 + math.pi * 0.8 / 9
        c.move_to(100, 160)
        c.line_to(100 + math.cos(a0) * 86, 150 + math.sin(a0) * 110)
        c.curve_to(100 + math.cos((a0 + a1) / 2) * 96, 150 + math.sin((a0 + a1) / 2) * 124,
                   100 + math.cos((a0 + a1) / 2) * 96, 150 + math.sin((a0 + a1) / 2) * 124,
                   100 + math.cos(a1) * 86, 150 + math.sin(a1) * 110)
        c.close_path()
        outline_fill(c, '#F4B08A', '#8A4A2A', 1.5,
                     lin(100, 40, 100, 160, [(0, '#FFE2C8'), (1, '#E8805A' if k % 2 else '#F4A07A')]))
    poly(c, [(80, 160), (120, 160), (130, 176), (70, 176)])
    outline_fill(c, '#E8805A', '#8A4A2A', 1.5)


def mask(c):
    c.move_to(24, 84)
    c.curve_to(40, 60, 160, 60, 176, 84)
    c.curve_to(176, 120, 150, 140, 120, 130)
    c.curve_to(110, 126, 90, 126, 80, 130)
    c.curve_to(50, 140, 24, 120, 24, 84)
    c.close_path()
    outline_fill(c, '#E8C050', '#5A3A10', 2, lin(24, 0, 176, 0, [(0, '#8A2A6A'), (0.5, '#E8B8E8'), (1, '#5A2A8A')]))
    for cx in (70, 130):
        ellipse(c, cx, 96, 18, 11)
        c.set_source_rgba(*hexc('#1A1A2A'))
        c.fill()
        ellipse(c, cx, 96, 22, 15)
        c.set_source_rgba(*hexc('#E8C050'))
        c.set_line_width(2.5)
        c.stroke()
    for k in range(5):
        a = -math.pi / 2 + (k - 2) * 0.35
        c.move_to(150, 70)
        c.curve_to(150 + math.cos(a) * 20, 70 + math.sin(a) * 30, 160 + math.cos(a) * 40,
                   40 + math.sin(a) * 40, 170 + math.cos(a) * 30, 20 + math.sin(a) * 20)
        c.set_source_rgba(*hexc(('#E8403A', '#F2C01D', '#3C8FDB', '#4CB944', '#9A5BD0')[k]))
        c.set_line_width(5)
        c.stroke()
    c.move_to(24, 90)
    c.line_to(12, 160)
    c.set_source_rgba(*hexc('#8A5A20'))
    c.set_line_width(4)
    c.stroke()


def murano_vase(c):
    vessel(c, [(30, 24), (44, 18), (70, 30), (120, 58), (160, 44), (180, 26)], 100, '#3AA8C8', '#1A4A5A')
    rng = np.random.default_rng(9)
    for k in range(10):
        y = 70 + k * 10
        c.move_to(60, y)
        c.curve_to(80, y - 8, 120, y + 8, 140, y)
        c.set_source_rgba(*hexc(('#F2C01D', '#E8403A', '#FFFFFF')[k % 3], 0.6))
        c.set_line_width(2.2)
        c.stroke()
    gloss(c, 76, 110, 6, 30, 0.45)


def lantern(c):
    c.move_to(100, 10)
    c.line_to(100, 30)
    c.set_source_rgba(*hexc('#2A2A30'))
    c.set_line_width(4)
    c.stroke()
    ellipse(c, 100, 14, 8, 8)
    c.set_line_width(3)
    c.stroke()
    poly(c, [(70, 56), (100, 30), (130, 56)])
    outline_fill(c, '#3A3A44', '#101014', 2)
    poly(c, [(70, 56), (130, 56), (140, 150), (60, 150)])
    outline_fill(c, '#F8D86A', '#2A2A30', 3, rad(100, 100, 4, 60, [(0, '#FFFBE0'), (0.5, '#F8D86A'), (1, '#E8A21A')]))
    for x in (84, 100, 116):
        c.move_to(x, 56)
        c.line_to(x + (x - 100) * 0.2, 150)
        c.set_source_rgba(*hexc('#2A2A30'))
        c.set_line_width(2.5)
        c.stroke()
    rrect(c, 54, 150, 92, 14, 3)
    outline_fill(c, '#3A3A44', '#101014', 2)
    poly(c, [(80, 164), (120, 164), (108, 182), (92, 182)])
    outline_fill(c, '#3A3A44', '#101014', 2)


def gondola_model(c):
    c.move_to(10, 110)
    c.curve_to(40, 150, 160, 150, 184, 96)
    c.line_to(192, 90)
    c.line_to(186, 108)
    c.curve_to(170, 160, 40, 170, 10, 110)
    c.close_path()
    outline_fill(c, '#1A1A22', '#000000', 2)
    poly(c, [(184, 96), (196, 70), (190, 92)])
    c.set_source_rgba(*hexc('#D8D0C0'))
    c.fill()
    rrect(c, 80, 118, 40, 12, 3)
    outline_fill(c, '#C8302E', '#5A1010', 1.5)
    c.move_to(140, 40)
    c.line_to(120, 140)
    c.set_source_rgba(*hexc('#8A6A44'))
    c.set_line_width(4)
    c.stroke()
    rrect(c, 32, 122, 24, 8, 2)
    c.set_source_rgba(*hexc('#E8C050'))
    c.fill()


def helmet(c):
    c.move_to(40, 150)
    c.curve_to(36, 70, 70, 40, 100, 40)
    c.curve_to(130, 40, 164, 70, 160, 150)
    c.line_to(136, 150)
    c.line_to(134, 110)
    c.line_to(66, 110)
    c.line_to(64, 150)
    c.close_path()
    outline_fill(c, '#C8A040', '#5A3A10', 2, lin(40, 0, 160, 0, [(0, '#8A6A20'), (0.4, '#FFF0A0'), (1, '#8A6010')]))
    rrect(c, 62, 108, 76, 8, 2)
    c.set_source_rgba(*hexc('#8A6010'))
    c.fill()
    # the crest
    c.move_to(48, 56)
    c.curve_to(60, 10, 140, 10, 152, 56)
    c.curve_to(140, 34, 60, 34, 48, 56)
    c.close_path()
    outline_fill(c, '#C8302E', '#5A1010', 2)
    for k in range(12):
        x = 54 + k * 8
        c.move_to(x, 48 - math.sin(k / 11 * math.pi) * 26)
        c.line_to(x + 2, 40 - math.sin(k / 11 * math.pi) * 26)
        c.set_source_rgba(*hexc('#8A1A1A'))
        c.set_line_width(2)
        c.stroke()
    for sx in (-1, 1):
        poly(c, [(100 + sx * 36, 112), (100 + sx * 40, 172), (100 + sx * 22, 160), (100 + sx * 24, 112)])
        outline_fill(c, '#C8A040', '#5A3A10', 1.5)


def amphora(c):
    vessel(c, [(22, 16), (34, 14), (50, 26), (90, 50), (130, 42), (160, 18), (178, 8)], 100, '#C8643A',
           '#5A2A10', bands=((96, 104, '#2A1A10'), (112, 116, '#2A1A10')))
    for sx in (-1, 1):
        c.move_to(100 + sx * 14, 36)
        c.curve_to(100 + sx * 50, 30, 100 + sx * 52, 60, 100 + sx * 36, 72)
        c.set_source_rgba(*hexc('#A8502A'))
        c.set_line_width(7)
        c.stroke()
    rrect(c, 80, 14, 40, 10, 3)
    outline_fill(c, '#C8643A', '#5A2A10', 2)


def wreath(c):
    for sx in (-1, 1):
        for k in range(11):
            t = k / 10
            a = math.pi / 2 + sx * (0.2 + t * 2.6)
            x, y = 100 + math.cos(a) * 66, 100 + math.sin(a) * 66
            ang = a + sx * math.pi / 2 + sx * 0.4
            for side in (-1, 1):
                aa = ang + side * 0.5
                c.move_to(x, y)
                c.curve_to(x + math.cos(aa - 0.3) * 14, y + math.sin(aa - 0.3) * 14,
                           x + math.cos(aa + 0.3) * 22, y + math.sin(aa + 0.3) * 22,
                           x + math.cos(aa) * 30, y + math.sin(aa) * 30)
                c.curve_to(x + math.cos(aa + 0.5) * 16, y + math.sin(aa + 0.5) * 16,
                           x + math.cos(aa + 0.2) * 8, y + math.sin(aa + 0.2) * 8, x, y)
                outline_fill(c, '#E8C050', '#6A4A10', 1.2,
                             lin(x, y, x + math.cos(aa) * 30, y + math.sin(aa) * 30,
                                 [(0, '#C8901A'), (1, '#FFF0A0')]))
    c.move_to(84, 168)
    c.curve_to(90, 176, 110, 176, 116, 168)
    c.set_source_rgba(*hexc('#C8302E'))
    c.set_line_width(6)
    c.stroke()


def coin_aureus(c):
    ellipse(c, 100, 100, 84, 84)
    outline_fill(c, '#E8C050', '#6A4A10', 2.5, rad(86, 84, 8, 90, [(0, '#FFF6C0'), (0.6, '#E8B83A'), (1, '#A8700A')]))
    ellipse(c, 100, 100, 72, 72)
    c.set_source_rgba(*hexc('#8A5A10'))
    c.set_line_width(1.5)
    c.set_dash([3, 3])
    c.stroke()
    c.set_dash([])
    # laurel round the rim and the city's letters in the middle
    for k in range(22):
        ang = math.pi * (0.62 + k * 1.76 / 21)
        x, y = 100 + math.cos(ang) * 60, 100 + math.sin(ang) * 60
        ellipse(c, x, y, 6, 3)
        c.set_source_rgba(*hexc('#9A6A10'))
        c.fill()
    for txt, y in (('SPQR', 92), ('ROMA', 124)):
        c.save()
        text_path(c, txt, 30 if txt == 'SPQR' else 18, 100, y, maxw=96)
        c.set_source_rgba(*hexc('#8A5A10'))
        c.fill()
        c.restore()
    c.move_to(62, 106)
    c.line_to(138, 106)
    c.set_source_rgba(*hexc('#8A5A10'))
    c.set_line_width(2)
    c.stroke()


def mandolin(c):
    ellipse(c, 78, 126, 52, 60)
    outline_fill(c, '#C8803A', '#4A2A10', 2, rad(70, 116, 6, 64, [(0, '#F0B070'), (1, '#8A4A1A')]))
    ellipse(c, 82, 122, 14, 14)
    c.set_source_rgba(*hexc('#2A1A0A'))
    c.fill()
    poly(c, [(96, 84), (160, 20), (172, 30), (110, 96)])
    outline_fill(c, '#5A3A1A', '#2A1A0A', 2)
    rrect(c, 156, 10, 26, 26, 4)
    outline_fill(c, '#4A2A10', '#2A1A0A', 2)
    for k in range(4):
        c.move_to(60 + k * 2.5, 160 - k * 1)
        c.line_to(166 - k * 1.5 + 2, 22 + k * 2.5)
        c.set_source_rgba(*hexc('#F2F2E8', 0.9))
        c.set_line_width(0.9)
        c.stroke()
    rrect(c, 54, 150, 24, 8, 2)
    c.set_source_rgba(*hexc('#2A1A0A'))
    c.fill()


def coffeepot(c):
    poly(c, [(66, 104), (134, 104), (146, 178), (54, 178)])
    outline_fill(c, '#B8BCC4', '#3A3E46', 2, lin(54, 0, 146, 0, [(0, '#7A7E86'), (0.4, '#F2F4F8'), (1, '#6A6E76')]))
    poly(c, [(58, 98), (142, 98), (132, 36), (68, 36)])
    outline_fill(c, '#B8BCC4', '#3A3E46', 2, lin(58, 0, 142, 0, [(0, '#7A7E86'), (0.4, '#F2F4F8'), (1, '#6A6E76')]))
    rrect(c, 56, 96, 88, 10, 3)
    outline_fill(c, '#8A8E96', '#3A3E46', 1.5)
    poly(c, [(68, 40), (48, 46), (62, 58)])
    outline_fill(c, '#B8BCC4', '#3A3E46', 1.5)
    ellipse(c, 100, 32, 32, 6)
    outline_fill(c, '#9A9EA6', '#3A3E46', 1.5)
    ellipse(c, 100, 24, 7, 6)
    outline_fill(c, '#2A2A30', '#101014', 1.5)
    c.move_to(136, 50)
    c.curve_to(176, 50, 176, 120, 140, 130)
    c.set_source_rgba(*hexc('#2A2A30'))
    c.set_line_width(9)
    c.stroke()


def bottle(c):
    vessel(c, [(18, 9), (50, 9), (70, 26), (84, 34), (170, 34), (182, 30)], 100, '#F2E24A', '#6A5A10')
    rrect(c, 66, 104, 68, 50, 6)
    outline_fill(c, '#FFFBEA', '#6A5A10', 1.5)
    ellipse(c, 100, 126, 14, 11)
    c.set_source_rgba(*hexc('#F2C01D'))
    c.fill()
    B_leaf(c, 112, 118, 16, 6, -0.5)
    rrect(c, 90, 8, 20, 16, 3)
    outline_fill(c, '#3E7A34', '#1A3A14', 1.5)
    gloss(c, 80, 120, 4, 22, 0.5)


def B_leaf(c, x, y, L, w, ang):
    from .brush import leaf_path
    leaf_path(c, x, y, L, w, ang)
    c.set_source_rgba(*hexc('#3E7A34'))
    c.fill()


def lemons(c):
    from .brush import leaf_path, brush
    brush(c, [(20, 40), (80, 56), (150, 50), (186, 70)], (6, 3), '#5A3A22')
    for x, y, a in ((50, 46, -1.0), (110, 56, -2.3), (150, 52, -0.7), (170, 62, 0.6)):
        leaf_path(c, x, y, 44, 12, a, 0.1)
        outline_fill(c, '#3E7A34', '#1A3A14', 1.2)
    for x, y, r in ((70, 110, 36), (130, 122, 40), (100, 160, 30)):
        c.save()
        c.translate(x, y)
        c.rotate(0.3)
        ellipse(c, 0, 0, r, r * 0.78)
        c.restore()
        outline_fill(c, '#F6D42A', '#8A6A10', 2, rad(x - 10, y - 10, 2, r * 1.2, [(0, '#FFF6A0'), (1, '#E8B81A')]))
        gloss(c, x - r * 0.35, y - r * 0.3, r * 0.18, r * 0.1, 0.6)


def greek_vase(c):
    vessel(c, [(20, 30), (30, 24), (48, 16), (70, 44), (110, 60), (150, 40), (172, 24), (182, 34)], 100,
           '#D87A3A', '#2A1A10', bands=((60, 68, '#1A1A1A'), (150, 158, '#1A1A1A')))
    c.set_source_rgba(*hexc('#1A1A1A'))
    # a meander band and a running figure
    for k in range(7):
        x = 52 + k * 14
        c.move_to(x, 72)
        c.line_to(x, 80)
        c.line_to(x + 8, 80)
        c.line_to(x + 8, 76)
        c.set_line_width(2)
        c.stroke()
    ellipse(c, 100, 100, 7, 7)
    c.fill()
    poly(c, [(96, 106), (104, 106), (110, 130), (90, 130)])
    c.fill()
    c.move_to(92, 128)
    c.line_to(80, 146)
    c.move_to(108, 128)
    c.line_to(120, 144)
    c.move_to(96, 112)
    c.line_to(76, 118)
    c.move_to(104, 112)
    c.line_to(124, 104)
    c.set_line_width(4)
    c.stroke()
    for sx in (-1, 1):
        c.move_to(100 + sx * 40, 66)
        c.curve_to(100 + sx * 74, 64, 100 + sx * 74, 96, 100 + sx * 52, 100)
        c.set_source_rgba(*hexc('#1A1A1A'))
        c.set_line_width(5)
        c.stroke()


def owl(c):
    ellipse(c, 100, 112, 56, 68)
    outline_fill(c, '#B8A890', '#3A2A1A', 2, rad(90, 96, 6, 70, [(0, '#E8DCC4'), (1, '#8A7A60')]))
    for sx in (-1, 1):
        poly(c, [(100 + sx * 20, 50), (100 + sx * 40, 26), (100 + sx * 44, 60)])
        outline_fill(c, '#A89880', '#3A2A1A', 1.5)
        ellipse(c, 100 + sx * 22, 78, 18, 18)
        outline_fill(c, '#F2E8D0', '#3A2A1A', 1.5)
        ellipse(c, 100 + sx * 22, 78, 9, 9)
        c.set_source_rgba(*hexc('#1A1A1A'))
        c.fill()
        ellipse(c, 100 + sx * 22 - 3, 75, 3, 3)
        c.set_source_rgba(1, 1, 1, 0.9)
        c.fill()
    poly(c, [(94, 92), (106, 92), (100, 106)])
    outline_fill(c, '#E8A21A', '#5A3A10', 1.2)
    for k in range(4):
        for j in range(3):
            c.move_to(82 + j * 14, 124 + k * 12)
            c.curve_to(86 + j * 14, 130 + k * 12, 90 + j * 14, 130 + k * 12, 94 + j * 14, 124 + k * 12)
            c.set_source_rgba(*hexc('#6A5A40'))
            c.set_line_width(1.5)
            c.stroke()
    rrect(c, 50, 176, 100, 12, 3)
    outline_fill(c, '#8A6A44', '#3A2A1A', 1.5)


def lyre(c):
    for sx in (-1, 1):
        c.move_to(100 + sx * 30, 170)
        c.curve_to(100 + sx * 76, 140, 100 + sx * 40, 70, 100 + sx * 62, 30)
        c.set_source_rgba(*hexc('#8A5A2A'))
        c.set_line_width(12)
        c.stroke()
        ellipse(c, 100 + sx * 62, 26, 8, 8)
        c.set_source_rgba(*hexc('#E8C050'))
        c.fill()
    rrect(c, 40, 46, 120, 10, 4)
    outline_fill(c, '#E8C050', '#6A4A10', 1.5)
    c.move_to(70, 170)
    c.curve_to(80, 190, 120, 190, 130, 170)
    c.close_path()
    outline_fill(c, '#8A5A2A', '#3A2A1A', 2)
    for k in range(5):
        x = 80 + k * 10
        c.move_to(x, 56)
        c.line_to(x, 172)
        c.set_source_rgba(*hexc('#F2F2E8'))
        c.set_line_width(1.2)
        c.stroke()


def column(c):
    rrect(c, 40, 170, 120, 16, 2)
    outline_fill(c, '#E8E0D0', '#5A5040', 1.5)
    c.rectangle(64, 58, 72, 112)
    outline_fill(c, '#F2ECE0', '#5A5040', 1.5, lin(64, 0, 136, 0, [(0, '#C8C0B0'), (0.45, '#FFFFFF'), (1, '#B8B0A0')]))
    for k in range(6):
        c.move_to(70 + k * 12, 60)
        c.line_to(70 + k * 12, 168)
        c.set_source_rgba(*hexc('#A8A090'))
        c.set_line_width(1.5)
        c.stroke()
    rrect(c, 44, 40, 112, 18, 3)
    outline_fill(c, '#F2ECE0', '#5A5040', 1.5)
    for sx in (-1, 1):
        ellipse(c, 100 + sx * 52, 54, 14, 14)
        outline_fill(c, '#F2ECE0', '#5A5040', 1.5)
        ellipse(c, 100 + sx * 52, 54, 6, 6)
        c.set_source_rgba(*hexc('#A8A090'))
        c.set_line_width(1.5)
        c.stroke()
    rrect(c, 36, 28, 128, 12, 2)
    outline_fill(c, '#E8E0D0', '#5A5040', 1.5)


def bell(c):
    c.move_to(100, 16)
    c.line_to(100, 36)
    c.set_source_rgba(*hexc('#5A3A10'))
    c.set_line_width(5)
    c.stroke()
    c.move_to(70, 40)
    c.curve_to(70, 30, 130, 30, 130, 40)
    c.curve_to(134, 90, 150, 130, 170, 150)
    c.line_to(30, 150)
    c.curve_to(50, 130, 66, 90, 70, 40)
    c.close_path()
    outline_fill(c, '#C8A040', '#5A3A10', 2, lin(30, 0, 170, 0, [(0, '#8A6010'), (0.4, '#FFEAA0'), (1, '#7A5010')]))
    rrect(c, 26, 146, 148, 10, 4)
    outline_fill(c, '#B8902A', '#5A3A10', 1.5)
    ellipse(c, 100, 168, 10, 10)
    outline_fill(c, '#8A6010', '#3A2A10', 1.5)
    for y in (70, 80):
        c.move_to(74, y)
        c.curve_to(90, y + 4, 110, y + 4, 126, y)
        c.set_source_rgba(*hexc('#8A6010'))
        c.set_line_width(1.5)
        c.stroke()


def jug(c):
    vessel(c, [(30, 20), (44, 16), (70, 36), (120, 54), (160, 44), (180, 32)], 96, '#E8E2D8', '#4A4A5A',
           bands=((92, 100, '#2A6CC8'), (140, 146, '#2A6CC8')))
    c.move_to(140, 60)
    c.curve_to(186, 60, 186, 130, 146, 134)
    c.set_source_rgba(*hexc('#C8C2B8'))
    c.set_line_width(10)
    c.stroke()
    poly(c, [(76, 30), (62, 20), (80, 26)])
    c.set_source_rgba(*hexc('#C8C2B8'))
    c.fill()
    for k in range(4):
        ellipse(c, 72 + k * 16, 120, 4, 4)
        c.set_source_rgba(*hexc('#2A6CC8'))
        c.fill()


def windmill_model(c):
    poly(c, [(64, 180), (74, 70), (126, 70), (136, 180)])
    outline_fill(c, '#F2F0EA', '#4A4A5A', 2, lin(64, 0, 136, 0, [(0, '#FFFFFF'), (1, '#C8C4BC')]))
    c.move_to(70, 72)
    c.curve_to(70, 36, 130, 36, 130, 72)
    c.close_path()
    outline_fill(c, '#A8643A', '#4A2A10', 2)
    rrect(c, 90, 140, 20, 40, 8)
    outline_fill(c, '#2A6CC8', '#1A2A4A', 1.5)
    for k in range(4):
        a = 0.4 + k * math.pi / 2
        c.move_to(100, 60)
        c.line_to(100 + math.cos(a) * 88, 60 + math.sin(a) * 88)
        c.set_source_rgba(*hexc('#5A4A3A'))
        c.set_line_width(3)
        c.stroke()
        poly(c, [(100 + math.cos(a) * 20, 60 + math.sin(a) * 20), (100 + math.cos(a) * 86, 60 + math.sin(a) * 86),
                 (100 + math.cos(a + 0.25) * 80, 60 + math.sin(a + 0.25) * 80),
                 (100 + math.cos(a + 0.5) * 22, 60 + math.sin(a + 0.5) * 22)])
        outline_fill(c, '#FFFFFF', '#6A6A7A', 1.2)
    ellipse(c, 100, 60, 6, 6)
    c.set_source_rgba(*hexc('#2A2A30'))
    c.fill()


def fish(c):
    c.move_to(20, 100)
    c.curve_to(50, 50, 130, 46, 160, 100)
    c.curve_to(130, 154, 50, 150, 20, 100)
    c.close_path()
    outline_fill(c, '#3A8AC8', '#1A3A5A', 2, lin(0, 50, 0, 150, [(0, '#2A5A9A'), (0.5, '#6AB8E8'), (1, '#E8F0F8')]))
    poly(c, [(150, 100), (188, 66), (178, 100), (188, 134)])
    outline_fill(c, '#2A6AA8', '#1A3A5A', 2)
    ellipse(c, 50, 90, 8, 8)
    outline_fill(c, '#FFFFFF', '#1A1A1A', 1.5)
    ellipse(c, 51, 90, 4, 4)
    c.set_source_rgba(*hexc('#1A1A1A'))
    c.fill()
    for k in range(5):
        c.move_to(74 + k * 14, 80)
        c.curve_to(80 + k * 14, 96, 80 + k * 14, 104, 74 + k * 14, 120)
        c.set_source_rgba(1, 1, 1, 0.35)
        c.set_line_width(2)
        c.stroke()
    poly(c, [(90, 60), (120, 40), (118, 64)])
    outline_fill(c, '#2A6AA8', '#1A3A5A', 1.5)


def bull(c):
    for sx in (-1, 1):
        c.move_to(100 + sx * 30, 60)
        c.curve_to(100 + sx * 70, 56, 100 + sx * 86, 40, 100 + sx * 80, 10)
        c.curve_to(100 + sx * 70, 34, 100 + sx * 50, 44, 100 + sx * 26, 44)
        c.close_path()
        outline_fill(c, '#F2E8D0', '#5A4A30', 1.8, lin(0, 10, 0, 60, [(0, '#FFFFFF'), (1, '#C8B890')]))
    c.move_to(60, 60)
    c.curve_to(60, 36, 140, 36, 140, 60)
    c.curve_to(140, 110, 130, 150, 116, 176)
    c.curve_to(110, 186, 90, 186, 84, 176)
    c.curve_to(70, 150, 60, 110, 60, 60)
    c.close_path()
    outline_fill(c, '#2A2A30', '#101014', 2, rad(90, 80, 6, 100, [(0, '#5A5A66'), (1, '#1A1A20')]))
    for sx in (-1, 1):
        ellipse(c, 100 + sx * 20, 88, 6, 4)
        c.set_source_rgba(*hexc('#E8C050'))
        c.fill()
        ellipse(c, 100 + sx * 8, 168, 4, 5)
        c.set_source_rgba(*hexc('#0A0A0A'))
        c.fill()
    c.move_to(100, 56)
    c.line_to(92, 74)
    c.line_to(100, 86)
    c.line_to(108, 74)
    c.close_path()
    c.set_source_rgba(*hexc('#F2E8D0'))
    c.fill()
    ellipse(c, 100, 188, 12, 6)
    c.set_source_rgba(*hexc('#E8C050'))
    c.set_line_width(3)
    c.stroke()


def labrys(c):
    c.rectangle(94, 20, 12, 168)
    outline_fill(c, '#8A5A2A', '#3A2A1A', 1.8, lin(94, 0, 106, 0, [(0, '#6A4A2A'), (0.4, '#C8905A'), (1, '#5A3A1A')]))
    for sx in (-1, 1):
        c.move_to(100, 50)
        c.curve_to(100 + sx * 40, 40, 100 + sx * 76, 24, 100 + sx * 86, 30)
        c.curve_to(100 + sx * 70, 60, 100 + sx * 70, 90, 100 + sx * 86, 120)
        c.curve_to(100 + sx * 76, 126, 100 + sx * 40, 110, 100, 100)
        c.close_path()
        outline_fill(c, '#E8C050', '#6A4A10', 2, lin(100, 0, 100 + sx * 86, 0, [(0, '#A8700A'), (0.6, '#FFF0A0'),
                                                                                 (1, '#C8901A')]))
        c.move_to(100 + sx * 20, 56)
        c.curve_to(100 + sx * 40, 60, 100 + sx * 40, 90, 100 + sx * 20, 94)
        c.set_source_rgba(*hexc('#8A5A10'))
        c.set_line_width(1.5)
        c.stroke()


def disc(c):
    ellipse(c, 100, 100, 86, 84)
    outline_fill(c, '#C89A6A', '#5A3A1A', 2.5, rad(90, 90, 10, 90, [(0, '#E8C8A0'), (1, '#A8784A')]))
    c.set_source_rgba(*hexc('#6A4A2A'))
    c.set_line_width(1.8)
    # a spiral of stamped fields
    pts = []
    for k in range(240):
        t = k / 239
        a = t * 5.2 * math.pi
        r = 78 - t * 66
        pts.append((100 + math.cos(a) * r, 100 + math.sin(a) * r))
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    c.stroke()
    rng = np.random.default_rng(17)
    for k in range(0, 230, 9):
        t = (k + 4) / 239
        a = t * 5.2 * math.pi
        r = 78 - t * 66 + 7
        x, y = 100 + math.cos(a) * (r - 1), 100 + math.sin(a) * (r - 1)
        kind = int(rng.integers(3))
        c.save()
        c.translate(x, y)
        c.rotate(a)
        if kind == 0:
            ellipse(c, 0, 0, 2.6, 2.6)
            c.fill()
        elif kind == 1:
            poly(c, [(-3, 2.5), (0, -3), (3, 2.5)])
            c.fill()
        else:
            c.rectangle(-2.5, -2.5, 5, 5)
            c.stroke()
        c.restore()


def dolphin(c):
    c.move_to(20, 120)
    c.curve_to(40, 60, 120, 40, 170, 70)
    c.curve_to(150, 80, 146, 96, 156, 110)
    c.curve_to(120, 104, 90, 120, 60, 150)
    c.curve_to(50, 130, 36, 124, 20, 120)
    c.close_path()
    outline_fill(c, '#3AA8C8', '#1A4A5A', 2, lin(0, 50, 0, 150, [(0, '#2A6A9A'), (0.6, '#6AC8E8'), (1, '#E8F6FA')]))
    poly(c, [(96, 58), (110, 22), (120, 58)])
    outline_fill(c, '#2A6A9A', '#1A4A5A', 1.5)
    poly(c, [(60, 148), (40, 176), (74, 160)])
    outline_fill(c, '#2A6A9A', '#1A4A5A', 1.5)
    poly(c, [(24, 118), (4, 96), (10, 124), (4, 148)])
    outline_fill(c, '#2A6A9A', '#1A4A5A', 1.5)
    ellipse(c, 150, 82, 3.5, 3.5)
    c.set_source_rgba(*hexc('#1A1A1A'))
    c.fill()
    # fresco waves beneath
    for k in range(5):
        x = 30 + k * 34
        c.move_to(x, 186)
        c.curve_to(x + 8, 172, x + 24, 172, x + 20, 184)
        c.curve_to(x + 16, 190, x + 8, 184, x + 14, 180)
        c.set_source_rgba(*hexc('#2A6AA8'))
        c.set_line_width(3)
        c.stroke()


PAINTERS = {
    (1, 'perfume'): perfume, (1, 'lavender'): lavender, (1, 'plate'): plate, (1, 'hat'): hat,
    (2, 'compass'): compass, (2, 'anchor'): anchor, (2, 'soap'): soap, (2, 'boat'): boat,
    (3, 'camera'): camera, (3, 'trophy'): trophy, (3, 'sunglasses'): sunglasses, (3, 'shell'): shell,
    (4, 'mask'): mask, (4, 'vase'): murano_vase, (4, 'lantern'): lantern, (4, 'gondola'): gondola_model,
    (5, 'helmet'): helmet, (5, 'amphora'): amphora, (5, 'wreath'): wreath, (5, 'coin'): coin_aureus,
    (6, 'mandolin'): mandolin, (6, 'coffeepot'): coffeepot, (6, 'bottle'): bottle, (6, 'lemons'): lemons,
    (7, 'vase'): greek_vase, (7, 'owl'): owl, (7, 'lyre'): lyre, (7, 'column'): column,
    (8, 'bell'): bell, (8, 'jug'): jug, (8, 'windmill'): windmill_model, (8, 'fish'): fish,
    (9, 'bull'): bull, (9, 'labrys'): labrys, (9, 'disc'): disc, (9, 'dolphin'): dolphin,
}


# ------------------------------------------------------------------ cutting into parts

def artifact(place, a):
    cv = Canvas(SIZE, SIZE)
    PAINTERS[(place, ARTIFACTS[place][a - 1])](cv.c)
    img = cv.array()
    # a soft rim light and a contact shadow make the pieces read as objects
    al = img[..., 3]
    sh = tint_mask(blur(shift(al, 2 * HI, 3 * HI), 2.5 * HI), '#000000', 0.3)
    return over(sh, img)


def cut_masks(place, a):
    """four masks from one wavy vertical and one wavy horizontal cut"""
    rng = np.random.default_rng(place * 10 + a)
    n = SIZE * HI
    yy, xx = np.mgrid[0:n, 0:n].astype(np.float32) / HI
    cx = 100 + rng.uniform(-12, 12)
    cy = 100 + rng.uniform(-12, 12)
    ax, fx, px = rng.uniform(5, 9), rng.uniform(0.035, 0.06), rng.uniform(0, 6.28)
    ay, fy, py = rng.uniform(5, 9), rng.uniform(0.035, 0.06), rng.uniform(0, 6.28)
    vcut = xx - (cx + ax * np.sin(yy * fx + px))
    hcut = yy - (cy + ay * np.sin(xx * fy + py))
    soft = 0.6
    left = np.clip(0.5 - vcut * HI / soft / 2, 0, 1)
    top = np.clip(0.5 - hcut * HI / soft / 2, 0, 1)
    return [left * top, (1 - left) * top, left * (1 - top), (1 - left) * (1 - top)]


def pieces(place, a, img):
    """the four pieces of an artifact, each cropped: [(array, x, y)] in design px"""
    out = []
    for m in cut_masks(place, a):
        p = img * m[..., None]
        al = p[..., 3]
        ys, xs = np.nonzero(al > 0.004)
        if len(xs) == 0:
            out.append((np.zeros((2 * HI, 2 * HI, 4), np.float32), 0, 0))
            continue
        x0, x1 = xs.min() // HI * HI, (xs.max() // HI + 1) * HI
        y0, y1 = ys.min() // HI * HI, (ys.max() // HI + 1) * HI
        piece = p[y0:y1, x0:x1]
        # a thin light edge along the cut, like a broken shard
        edge = np.clip(blur(piece[..., 3], 0.8 * HI) * 1.0 - piece[..., 3], 0, 1)
        out.append((over(tint_mask(edge, '#FFF6E0', 0.8), piece), int(x0) // HI, int(y0) // HI))
    return out


def ghost(img):
    """the artifact's outline, faint and sepia, that marks its place on the page"""
    al = img[..., 3]
    lum = (img[..., :3] * np.array([0.3, 0.59, 0.11], np.float32)).sum(-1)
    body = tint_mask(al, '#7A5A3A', 0.16)
    detail = tint_mask(np.clip(al - lum * 1.0, 0, 1) * al, '#5A3A1A', 0.22)
    edge = np.clip(al - blur(al, 1.2 * HI) * 0.0, 0, 1) - np.clip(blur(al, 1.2 * HI) - 0.5, 0, 1) * 2
    rim = tint_mask(np.clip(edge, 0, 1), '#5A3A1A', 0.35)
    return over(over(body, detail), rim)


# ------------------------------------------------------------------ album furniture

def page_frame(w=220, h=220):
    from .ui import finish, parchment, wood

    def draw(c):
        rrect(c, 4, 4, w - 8, h - 8, 18)
        c.set_source(lin(0, 0, 0, h, [(0, '#FBF3DE'), (1, '#EEDDB8')]))
        c.fill()
        rrect(c, 12, 12, w - 24, h - 24, 12)
        c.set_source_rgba(*hexc('#B8864A', 0.8))
        c.set_line_width(2)
        c.stroke()
        rrect(c, 17, 17, w - 34, h - 34, 9)
        c.set_source_rgba(*hexc('#B8864A', 0.5))
        c.set_line_width(1)
        c.stroke()
        for sx, sy in ((1, 1), (-1, 1), (1, -1), (-1, -1)):
            c.save()
            c.translate(w / 2 + sx * (w / 2 - 30), h / 2 + sy * (h / 2 - 30))
            c.scale(sx, sy)
            c.move_to(-8, -14)
            c.curve_to(-14, -4, -4, 6, 8, -2)
            c.curve_to(2, -10, -6, -6, -2, 0)
            c.set_source_rgba(*hexc('#B8864A', 0.8))
            c.set_line_width(1.6)
            c.stroke()
            c.restore()
    return finish(draw, w, h, (0, 4, 6, 0.4))


def part_tile(size=100, hover=False):
    from .ui import finish

    def draw(c):
        rrect(c, 4, 4, size - 8, size - 8, 14)
        c.set_source(rad(size / 2, size / 2, 4, size / 2, [(0, '#FFFBEF'), (1, '#E8D6B0')]))
        c.fill()
        rrect(c, 4.75, 4.75, size - 9.5, size - 9.5, 13.5)
        c.set_source_rgba(*hexc('#E8A21A' if hover else '#A8783A'))
        c.set_line_width(2.5 if hover else 1.5)
        c.stroke()
    return finish(draw, size, size, (0, 2, 2, 0.3))


def stamp(size=120):
    from .ui import finish

    def draw(c):
        cx = cy = size / 2
        for k in range(24):
            a = k * math.pi / 12
            ellipse(c, cx + math.cos(a) * (size / 2 - 8), cy + math.sin(a) * (size / 2 - 8), 7, 7)
        ellipse(c, cx, cy, size / 2 - 8, size / 2 - 8)
        c.set_source(rad(cx - 10, cy - 10, 4, size / 2, [(0, '#F0584A'), (1, '#A0201A')]))
        c.fill()
        ellipse(c, cx, cy, size / 2 - 18, size / 2 - 18)
        c.set_source_rgba(1, 1, 1, 0.7)
        c.set_line_width(2)
        c.stroke()
        c.save()
        c.translate(cx - 26, cy - 26)
        c.scale(52 / 48, 52 / 48)
        from . import icons
        icons.check(c)
        c.set_source_rgba(1, 1, 1, 1)
        c.fill()
        c.restore()
    return finish(draw, size, size, (0, 3, 3, 0.4))


def make():
    from .ui import put
    positions = {}
    for place in range(1, 10):
        for a in range(1, 5):
            gid = group_id(place, a)
            img = artifact(place, a)
            save_pair(img, f'data/gfx/artifacts/{gid}_full.png', quantize=256)
            save_pair(ghost(img), f'data/gfx/artifacts/{gid}.png', quantize=256)
            for k, (p, x, y) in enumerate(pieces(place, a, img)):
                pid = f'{gid}-{k + 1}'
                save_pair(p, f'data/gfx/artifacts/{pid}.png', quantize=256)
                positions[pid] = {'x': x * 3, 'y': y * 3}
    write_text('data/artifact_parts.json', json.dumps(positions, indent=1, sort_keys=True) + '\n')
    put(page_frame(), 'page', 'album page frame; image9 corner 40', 'data/gfx/album/')
    put(part_tile(), 'part_tile', 'tile of the parts list', 'data/gfx/album/')
    put(part_tile(hover=True), 'part_tile_active', 'tile of the parts list, hovered', 'data/gfx/album/')
    put(stamp(), 'complete', 'seal on a completed artifact or place', 'data/gfx/album/')
