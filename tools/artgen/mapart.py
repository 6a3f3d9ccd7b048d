"""The map: one strip through the nine places, 18 x 1024 = 18432 by 768 design
pixels, cut into eighteen panels data/gfx/map/map_1..18.png (side by side in a
horizontally scrolled drag box); a gently rolling path carries 144 level
spots, sixteen a place, whose centres are listed in data/gfx/map/spots.json.
Also the level button looks, the star rows and the marker of the current
level.

The spots keep a few rules that the screens depend on: they stand SPOT_PITCH
apart across the strip, so that on the usual screen widths (960, 1024, 1229
and 1365 design pixels) a view exists near any level that cuts no spot at
either edge; each spot with its star row or flag stays inside SPOT_BAND,
clear of the map's corner buttons; and the path is so gentle near a spot that
the star row above it never lies on the path."""
import json
import math

import cairo
import numpy as np

from . import scenery as S
from .common import (HI, Canvas, catmull, ellipse, hexc, lin, rad, rrect, save_pair, shade, star_points, poly,
                     write_text, label_text)
from .ui import finish, star

PANEL_W, H = 1024, 768
PANELS = 18
STRIP_W = PANEL_W * PANELS
PLACES = 9
HORIZON = 175
GROUND = 265
LEVELS = 144
BLEND = 90

SPOT_PITCH = 124
FIRST_SPOT = 90
# The spots' centres stay between these heights: with the flag above and the
# disc below, a spot reaches from 128 above its centre to 38 below it.
SPOT_BAND = (392, 576)
# How far the path may rise over the width of a star row beside a spot: the
# row's foot stands 40 above the spot's centre, the path is 23 wide each side.
PATH_RISE = 15

GROUND_COLS = {
    'provence': ('#B8C070', '#98A858'), 'marseille': ('#C8C088', '#A8A070'), 'cannes': ('#E8D8A8', '#D8C490'),
    'venice': ('#B8C098', '#98A880'), 'rome': ('#C0B878', '#A0A060'), 'naples': ('#A8C070', '#88A858'),
    'athens': ('#C8B880', '#A89A68'), 'santorini': ('#E2D8C8', '#C8BCA8'), 'crete': ('#B0B868', '#909A50'),
}


def spot_x(level):
    """centre x of the level's spot (1 .. 144)"""
    return FIRST_SPOT + SPOT_PITCH * (level - 1)


def place_bounds():
    """where each place's land begins and ends along the strip: halfway between
    the last spot of one place and the first of the next"""
    inner = [spot_x(16 * q + 1) - SPOT_PITCH / 2 for q in range(1, PLACES)]
    return [0.0] + inner + [float(STRIP_W)]


def path_points():
    """control points: the path rolls between the upper and the lower part of
    the spots' band, slowly enough for the star rows"""
    mid = (SPOT_BAND[0] + SPOT_BAND[1]) / 2
    half = (SPOT_BAND[1] - SPOT_BAND[0]) / 2
    pts = []
    x = -120.0
    k = 0
    rng = np.random.default_rng(77)
    while x < STRIP_W + 120:
        swing = half * rng.uniform(0.55, 1.0)
        pts.append((x, mid - swing if k % 2 == 0 else mid + swing))
        x += rng.uniform(640, 760)
        k += 1
    pts.append((x, mid))
    return pts


def sample_path():
    p = catmull(path_points(), 80)
    seg = np.hypot(*np.diff(p, axis=0).T)
    cum = np.concatenate([[0], np.cumsum(seg)])
    return p, cum


def spots():
    """centres of the level spots, on the path at a fixed pitch"""
    p, _ = sample_path()
    out = []
    for level in range(1, LEVELS + 1):
        x = spot_x(level)
        y = float(np.interp(x, p[:, 0], p[:, 1]))
        out.append((round(float(x), 1), round(y, 1)))
    check_spots(p, out)
    return out


def check_spots(path, spot_list):
    """refuses a layout that breaks the rules the screens depend on"""
    if np.any(np.diff(path[:, 0]) <= 0):
        raise ValueError('the map path turns back on itself')
    for k, (x, y) in enumerate(spot_list):
        if not SPOT_BAND[0] <= y <= SPOT_BAND[1]:
            raise ValueError(f'spot {k + 1} at y {y} leaves the band {SPOT_BAND}')
        near = (path[:, 0] >= x - 40) & (path[:, 0] <= x + 40)
        if np.min(path[near, 1]) < y - PATH_RISE:
            raise ValueError(f'the path rises into the star row of spot {k + 1}')
    if spot_list[-1][0] + 40 > STRIP_W:
        raise ValueError('the last spot runs over the strip\'s end')


def paint_place(c, q, path):
    """place q over its stretch of the strip and a blend's width beyond"""
    place = S.PLACES[q]
    bounds = place_bounds()
    x0, x1 = bounds[q] - BLEND, bounds[q + 1] + BLEND
    w = x1 - x0
    S.paint_place(c, place, x0, w, H, HORIZON, 900 + q, ground_from=GROUND)
    top, bottom = GROUND_COLS[place]
    rng = np.random.default_rng(50 + q)
    # the land the path runs on, with a soft rolling edge
    xs = np.linspace(x0, x1, int(w / 20))
    c.move_to(xs[0], H + 10)
    for x in xs:
        c.line_to(x, GROUND + 14 * math.sin(x / 170.0) + 8 * math.sin(x / 53.0))
    c.line_to(xs[-1], H + 10)
    c.close_path()
    c.set_source(lin(0, GROUND, 0, H, [(0, top), (1, bottom)]))
    c.fill()
    # grass tufts and flowers away from the path
    def near_path(x, y, d):
        return np.min(np.hypot(path[:, 0] - x, path[:, 1] - y)) < d

    per_panel = w / PANEL_W
    for _ in range(int(420 * per_panel)):
        x, y = rng.uniform(x0, x1), rng.uniform(GROUND + 20, H)
        if near_path(x, y, 40):
            continue
        c.move_to(x - 4, y)
        c.curve_to(x - 3, y - 6, x - 1, y - 8, x, y - 10)
        c.curve_to(x + 1, y - 8, x + 3, y - 6, x + 4, y)
        c.set_source_rgba(*shade(bottom, rng.uniform(0.7, 0.9)))
        c.fill()
    S.flowers(c, rng, x0, x1, GROUND + 20, H, int(260 * per_panel),
              ['#FFFFFF', '#F8D86A', '#F28AAE', S.PALETTES[place][4]], avoid=lambda x, y: near_path(x, y, 34))
    # props of the place beside the path
    props = []
    tries = 0
    while len(props) < int(16 * per_panel) and tries < 6000:
        tries += 1
        x, y = rng.uniform(x0 + BLEND + 20, x1 - BLEND - 20), rng.uniform(GROUND + 40, H - 10)
        if near_path(x, y, 95):
            continue
        if any(math.hypot(x - a, y - b) < 70 for a, b in props):
            continue
        props.append((x, y))
    for x, y in sorted(props, key=lambda q: q[1]):
        prop(c, place, x, y, rng)


def prop(c, place, x, y, rng):
    s = 0.8 + 0.4 * (y - GROUND) / (H - GROUND)
    ellipse(c, x, y + 2, 26 * s, 7 * s)
    c.set_source_rgba(0, 0, 0, 0.18)
    c.fill()
    kind = rng.uniform()
    if place in ('provence',):
        if kind < 0.5:
            S.cypress(c, x, y, 70 * s)
        else:
            for k in range(3):
                ellipse(c, x - 14 + k * 14, y - 6, 9 * s, 7 * s)
                c.set_source_rgba(*shade('#8E6BC8', 0.9 + 0.1 * k))
                c.fill()
    elif place in ('rome',):
        S.umbrella_pine(c, x, y, 70 * s) if kind < 0.5 else S.cypress(c, x, y, 70 * s)
    elif place in ('athens', 'crete'):
        S.olive_tree(c, x, y, 56 * s)
    elif place in ('naples',):
        S.lemon_tree(c, x, y, 56 * s)
    elif place in ('cannes',):
        S.palm(c, x, y, 90 * s, rng.uniform(-0.2, 0.2)) if kind < 0.6 else S.parasol(c, x, y, 60 * s, '#F06A5A')
    elif place in ('santorini',):
        if kind < 0.5:
            S.house(c, x - 14, y, 28 * s, 22 * s, '#FFFFFF', '#2A6CC8', kind='dome', shutter='#2A6CC8')
        else:
            S.bush(c, x, y, 16 * s, '#4A7A3A')
            for k in range(5):
                ellipse(c, x + rng.uniform(-16, 16), y - rng.uniform(4, 20), 3, 3)
                c.set_source_rgba(*hexc('#E84A9A'))
                c.fill()
    else:
        S.round_tree(c, x, y, 60 * s, '#4E8A3A')


def paint_path(c, path, spot_list):
    c.set_line_cap(cairo.LINE_CAP_ROUND)
    c.set_line_join(cairo.LINE_JOIN_ROUND)

    def line():
        c.move_to(*path[0])
        for q in path[1:]:
            c.line_to(*q)
    line()
    c.set_line_width(50)
    c.set_source_rgba(0, 0, 0, 0.16)
    c.save()
    c.translate(0, 5)
    c.stroke()
    c.restore()
    line()
    c.set_line_width(46)
    c.set_source_rgba(*hexc('#9A7A48'))
    c.stroke()
    line()
    c.set_line_width(38)
    c.set_source_rgba(*hexc('#EEDCAA'))
    c.stroke()
    line()
    c.set_line_width(6)
    c.set_dash([2, 20])
    c.set_source_rgba(*hexc('#D2B880'))
    c.stroke()
    c.set_dash([])
    # stone pads where the level buttons stand
    for x, y in spot_list:
        ellipse(c, x, y + 6, 34, 14)
        c.set_source_rgba(0, 0, 0, 0.2)
        c.fill()
        ellipse(c, x, y + 2, 33, 15)
        c.set_source(lin(0, y - 14, 0, y + 16, [(0, '#D8D0C0'), (1, '#A89C88')]))
        c.fill()


def paint_strip_panel(panel, path, spot_list):
    """one panel at HI; each place fades in over the one before across their border"""
    x0 = panel * PANEL_W
    cv = Canvas(PANEL_W, H)
    c = cv.c
    c.translate(-x0, 0)
    bounds = place_bounds()
    # every place that reaches into the panel, always painted whole and in the
    # same order, so that neighbouring panels meet without a seam
    for q in range(PLACES):
        if bounds[q + 1] + BLEND <= x0 or bounds[q] - BLEND >= x0 + PANEL_W:
            continue
        c.push_group()
        paint_place(c, q, path)
        c.pop_group_to_source()
        if q == 0:
            c.paint()
        else:
            g = cairo.LinearGradient(bounds[q] - BLEND, 0, bounds[q] + BLEND, 0)
            g.add_color_stop_rgba(0, 0, 0, 0, 0)
            g.add_color_stop_rgba(1, 0, 0, 0, 1)
            c.mask(g)
    paint_path(c, path, spot_list)
    return cv.array()


# ------------------------------------------------------------------ level buttons

SPOT = 76


def spot_button(look):
    cols = {'default': ('#FFE27A', '#F2A81D', '#8A4B00'), 'active': ('#FFF2A8', '#FFC23A', '#8A4B00'),
            'pressed': ('#F2C24A', '#D8860A', '#7A3E00'), 'disabled': ('#D8DADF', '#8E939C', '#4A4E56')}[look]

    def draw(c):
        o = 3 if look == 'pressed' else 0
        cx, cy, r = SPOT / 2, SPOT / 2 - 2, SPOT / 2 - 6
        ellipse(c, cx, cy + 4, r, r)
        c.set_source_rgba(*hexc(cols[2]))
        c.fill()
        ellipse(c, cx, cy + o, r, r)
        c.set_source(rad(cx, cy + o, 1, r, [(0, cols[0]), (1, cols[1])], fx=cx - r * 0.3, fy=cy + o - r * 0.4))
        c.fill()
        ellipse(c, cx, cy + o, r - 5, r - 5)
        c.set_source_rgba(1, 1, 1, 0.35)
        c.set_line_width(1.5)
        c.stroke()
        ellipse(c, cx, cy + o - r * 0.45, r * 0.55, r * 0.28)
        c.set_source(lin(0, cy + o - r, 0, cy + o - r * 0.2, [(0, (1, 1, 1, 0.6)), (1, (1, 1, 1, 0.0))]))
        c.fill()
        if look == 'active':
            ellipse(c, cx, cy, r + 2.5, r + 2.5)
            c.set_source_rgba(1, 1, 1, 0.9)
            c.set_line_width(2.5)
            c.stroke()
        if look == 'disabled':
            c.save()
            c.translate(cx - 14, cy - 15)
            c.scale(28 / 48, 28 / 48)
            from . import icons
            icons.lock(c)
            c.set_source_rgba(*hexc('#4A4E56'))
            c.fill()
            c.restore()
    return finish(draw, SPOT, SPOT, (0, 2, 2, 0.35))


def stars_row(n, w=SPOT, h=40):
    """three stars in a shallow arch, as wide as the button they stand over"""
    a = np.zeros((h * HI, w * HI, 4), np.float32)
    from .ui import _place
    from .common import over
    for k, (size, cx, bottom) in enumerate(((26, w / 2 - 25, 38), (30, w / 2, 34), (26, w / 2 + 25, 38))):
        st = star(size, empty=k >= n)
        a = over(a, _place(st, a.shape, cx - size / 2, bottom - size))
    return a


def current_marker(w=70, h=92):
    """a flag on a pole with the bear's face: 'you are here'"""
    from .tiles import bear_face

    def draw(c):
        c.rectangle(w / 2 - 2, 18, 4, h - 20)
        c.set_source(lin(w / 2 - 2, 0, w / 2 + 2, 0, [(0, '#A8743A'), (1, '#5A3A1A')]))
        c.fill()
        ellipse(c, w / 2, 16, 5, 5)
        c.set_source(rad(w / 2 - 1, 14, 0, 5, [(0, '#FFF2B0'), (1, '#C8901A')]))
        c.fill()
        c.move_to(w / 2 + 2, 22)
        c.curve_to(w / 2 + 20, 16, w / 2 + 26, 30, w - 2, 26)
        c.line_to(w - 8, 42)
        c.line_to(w - 2, 58)
        c.curve_to(w / 2 + 26, 62, w / 2 + 20, 48, w / 2 + 2, 54)
        c.close_path()
        c.set_source(lin(0, 20, 0, 60, [(0, '#F0584A'), (1, '#B02A22')]))
        c.fill()
        c.save()
        c.translate(w / 2 + 3, 24)
        c.scale(0.3, 0.3)
        bear_face(c, 0, -30)
        c.restore()
    return finish(draw, w, h, (2, 2, 2, 0.35))


def user_entry(w=240, h=56, selected=False):
    def draw(c):
        rrect(c, 2, 2, w - 4, h - 6, 16)
        c.set_source(lin(0, 2, 0, h - 4, [(0, '#FFFBEF' if not selected else '#FFF2C8'),
                                         (1, '#EEDFBE' if not selected else '#F6D88A')]))
        c.fill()
        rrect(c, 2.75, 2.75, w - 5.5, h - 7.5, 15.5)
        c.set_source_rgba(*hexc('#C8861A' if selected else '#8A5A2A'))
        c.set_line_width(2.4 if selected else 1.4)
        c.stroke()
    return finish(draw, w, h, (0, 2, 2, 0.3))


def make():
    from .ui import put, KIT
    path, _ = sample_path()
    spot_list = spots()
    for panel in range(PANELS):
        save_pair(paint_strip_panel(panel, path, spot_list), f'data/gfx/map/map_{panel + 1}.png', quantize=256)
    entries = []
    for k, (x, y) in enumerate(spot_list):
        entries.append({'level': k + 1, 'x': x, 'y': y, 'place': k // 16 + 1})
    write_text('data/gfx/map/spots.json', json.dumps(
        {'panelWidth': PANEL_W, 'panelHeight': H, 'panels': PANELS, 'spots': entries}, indent=1) + '\n')
    folder = 'data/gfx/map/'
    for look in ('default', 'active', 'pressed', 'disabled'):
        put(spot_button(look), 'level' + ('' if look == 'default' else '_' + look), f'level button, {look} look',
            folder)
    for n in range(4):
        put(stars_row(n), f'stars_{n}', f'{n} of 3 stars above a level button', folder)
    put(current_marker(), 'marker', 'flag over the current level', folder)
    put(user_entry(), 'user_entry', 'player list entry; image9 corner 20', folder)
    put(user_entry(selected=True), 'user_entry_selected', 'player list entry, selected; image9 corner 20', folder)
