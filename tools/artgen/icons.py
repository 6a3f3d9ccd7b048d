"""Glyphs for buttons and counters: drawn as paths into a 48 x 48 box centred
on (24, 24), filled by the caller (white with an outline on buttons)."""
import math

import cairo

from .common import ellipse, rrect, star_points, poly


def _arrow_head(c, x, y, ang, size):
    c.move_to(x + math.cos(ang) * size, y + math.sin(ang) * size)
    c.line_to(x + math.cos(ang + 2.3) * size * 0.8, y + math.sin(ang + 2.3) * size * 0.8)
    c.line_to(x + math.cos(ang - 2.3) * size * 0.8, y + math.sin(ang - 2.3) * size * 0.8)
    c.close_path()


def _arc_band(c, cx, cy, r, width, a0, a1):
    c.new_sub_path()
    c.arc(cx, cy, r + width / 2, a0, a1)
    c.arc_negative(cx, cy, r - width / 2, a1, a0)
    c.close_path()


def close(c):
    for a in (math.pi / 4, -math.pi / 4):
        c.save()
        c.translate(24, 24)
        c.rotate(a)
        rrect(c, -17, -4.2, 34, 8.4, 4.2)
        c.restore()


def back(c):
    c.move_to(8, 24)
    c.line_to(22, 10)
    c.line_to(22, 18)
    c.line_to(38, 18)
    c.curve_to(41, 18, 42, 20, 42, 22)
    c.line_to(42, 26)
    c.curve_to(42, 28, 41, 30, 38, 30)
    c.line_to(22, 30)
    c.line_to(22, 38)
    c.close_path()


def forward(c):
    c.save()
    c.translate(48, 0)
    c.scale(-1, 1)
    back(c)
    c.restore()


def prev(c):
    poly(c, [(30, 8), (14, 24), (30, 40), (34, 36), (22, 24), (34, 12)])


def next_(c):
    poly(c, [(18, 8), (34, 24), (18, 40), (14, 36), (26, 24), (14, 12)])


def play(c):
    c.move_to(15, 9)
    c.curve_to(15, 6, 18, 5, 20, 6)
    c.line_to(39, 21)
    c.curve_to(41, 22.5, 41, 25.5, 39, 27)
    c.line_to(20, 42)
    c.curve_to(18, 43, 15, 42, 15, 39)
    c.close_path()


def plus(c):
    rrect(c, 19.5, 8, 9, 32, 4.5)
    rrect(c, 8, 19.5, 32, 9, 4.5)


def minus(c):
    rrect(c, 8, 19.5, 32, 9, 4.5)


def check(c):
    poly(c, [(7, 25), (13, 19), (20, 26), (36, 9), (42, 15), (20, 38)])


def home(c):
    poly(c, [(24, 6), (44, 24), (38, 24), (38, 42), (28, 42), (28, 30), (20, 30), (20, 42), (10, 42),
             (10, 24), (4, 24)])


def restart(c):
    a0, a1 = math.radians(-30), math.radians(235)
    _arc_band(c, 24, 25, 14, 7, a0, a1)
    tx, ty = -math.sin(a1), math.cos(a1)
    x, y = 24 + 14 * math.cos(a1), 25 + 14 * math.sin(a1)
    _arrow_head(c, x + tx * 3, y + ty * 3, math.atan2(ty, tx), 10)


def undo(c):
    c.move_to(6, 20)
    c.line_to(20, 7)
    c.line_to(20, 15)
    c.curve_to(34, 14, 44, 22, 43, 34)
    c.curve_to(42, 40, 38, 43, 35, 44)
    c.curve_to(38, 36, 34, 26, 20, 26)
    c.line_to(20, 33)
    c.close_path()


def shuffle(c):
    for flip in (1, -1):
        c.save()
        if flip < 0:
            c.translate(0, 48)
            c.scale(1, -1)
        c.move_to(6, 13)
        c.line_to(14, 13)
        c.curve_to(24, 13, 26, 35, 34, 35)
        c.line_to(34, 30)
        c.line_to(44, 38)
        c.line_to(34, 46)
        c.line_to(34, 41)
        c.curve_to(22, 41, 20, 19, 14, 19)
        c.line_to(6, 19)
        c.close_path()
        c.restore()


def bulb(c):
    c.move_to(24, 4)
    c.curve_to(35, 4, 40, 12, 40, 19)
    c.curve_to(40, 27, 33, 30, 32, 36)
    c.line_to(16, 36)
    c.curve_to(15, 30, 8, 27, 8, 19)
    c.curve_to(8, 12, 13, 4, 24, 4)
    c.close_path()
    rrect(c, 16, 38, 16, 4, 2)
    rrect(c, 18, 43, 12, 3.5, 1.75)


def gear(c):
    n = 8
    pts = []
    for i in range(n * 2):
        a = i * math.pi / n
        for da in (-0.17, 0.17):
            r = 20 if i % 2 == 0 else 15
            pts.append((24 + math.cos(a + da) * r, 24 + math.sin(a + da) * r))
    poly(c, pts)
    ellipse(c, 24, 24, 6.5, 6.5)
    c.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)


def speaker(c, on=True):
    poly(c, [(6, 18), (14, 18), (25, 8), (25, 40), (14, 30), (6, 30)])
    if on:
        _arc_band(c, 26, 24, 8, 4, -0.9, 0.9)
        _arc_band(c, 26, 24, 15, 4, -0.9, 0.9)


def _off_cross(c, x=36, y=24):
    """the cross beside a switched-off sound or music glyph"""
    for a in (math.pi / 4, -math.pi / 4):
        c.save()
        c.translate(x, y)
        c.rotate(a)
        rrect(c, -8, -2.2, 16, 4.4, 2.2)
        c.restore()


def speaker_off(c):
    speaker(c, False)
    _off_cross(c)


def note(c, on=True):
    ellipse(c, 15, 37, 7, 5.5)
    ellipse(c, 35, 33, 7, 5.5)
    rrect(c, 19, 8, 4, 29, 1)
    rrect(c, 39, 4, 4, 29, 1)
    poly(c, [(19, 8), (43, 4), (43, 11), (19, 15)])


def note_off(c):
    """the note shrunk to the left half, with the switched-off speaker's cross
    beside it: a bar across the whole note read as a note still playing"""
    c.save()
    c.translate(-1, 10)
    c.scale(0.6, 0.6)
    note(c)
    c.restore()
    _off_cross(c)


def book(c):
    c.move_to(24, 12)
    c.curve_to(18, 8, 10, 7, 4, 9)
    c.line_to(4, 39)
    c.curve_to(10, 37, 18, 38, 24, 42)
    c.curve_to(30, 38, 38, 37, 44, 39)
    c.line_to(44, 9)
    c.curve_to(38, 7, 30, 8, 24, 12)
    c.close_path()


def cart(c):
    poly(c, [(3, 8), (10, 8), (14, 30), (38, 30), (43, 14), (12, 14), (11, 10)])
    ellipse(c, 17, 38, 4, 4)
    ellipse(c, 35, 38, 4, 4)


def user(c):
    ellipse(c, 24, 15, 9, 9.5)
    c.move_to(6, 43)
    c.curve_to(6, 31, 14, 27, 24, 27)
    c.curve_to(34, 27, 42, 31, 42, 43)
    c.close_path()


def user_add(c):
    c.save()
    c.translate(-4, 0)
    user(c)
    c.restore()
    rrect(c, 36, 6, 5, 18, 2.5)
    rrect(c, 29.5, 12.5, 18, 5, 2.5)


def trash(c):
    rrect(c, 8, 9, 32, 5, 2)
    rrect(c, 19, 5, 10, 5, 2)
    c.move_to(11, 16)
    c.line_to(37, 16)
    c.line_to(34, 43)
    c.line_to(14, 43)
    c.close_path()


def lock(c):
    rrect(c, 10, 21, 28, 22, 4)
    _arc_band(c, 24, 20, 9, 5, math.pi, 2 * math.pi)
    rrect(c, 13.5, 18, 5, 5, 1)
    rrect(c, 29.5, 18, 5, 5, 1)


def fullscreen(c):
    for sx, sy in ((1, 1), (-1, 1), (1, -1), (-1, -1)):
        c.save()
        c.translate(24, 24)
        c.scale(sx, sy)
        poly(c, [(-18, -18), (-6, -18), (-10, -14), (-4, -8), (-8, -4), (-14, -10), (-18, -6)])
        c.restore()


def info(c):
    ellipse(c, 24, 11, 5, 5)
    rrect(c, 19.5, 19, 9, 24, 3)


def star(c):
    poly(c, star_points(24, 25.5, 21, 9.5))


def heart(c):
    c.move_to(24, 42)
    c.curve_to(6, 30, 4, 20, 6, 14)
    c.curve_to(9, 6, 20, 5, 24, 14)
    c.curve_to(28, 5, 39, 6, 42, 14)
    c.curve_to(44, 20, 42, 30, 24, 42)
    c.close_path()


def map_pin(c):
    c.move_to(24, 45)
    c.curve_to(16, 34, 9, 26, 9, 18)
    c.curve_to(9, 9, 16, 3, 24, 3)
    c.curve_to(32, 3, 39, 9, 39, 18)
    c.curve_to(39, 26, 32, 34, 24, 45)
    c.close_path()
    ellipse(c, 24, 18, 6, 6)
    c.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)


GLYPHS = {
    'close': close, 'back': back, 'forward': forward, 'prev': prev, 'next': next_, 'play': play,
    'plus': plus, 'minus': minus, 'check': check, 'home': home, 'restart': restart, 'undo': undo,
    'shuffle': shuffle, 'hint': bulb, 'settings': gear, 'sound': speaker, 'sound_off': speaker_off,
    'music': note, 'music_off': note_off, 'album': book, 'shop': cart, 'user': user, 'user_add': user_add,
    'delete': trash, 'lock': lock, 'fullscreen': fullscreen, 'info': info, 'star': star, 'heart': heart,
    'map': map_pin,
}
