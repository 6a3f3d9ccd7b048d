"""Layout shapes of our own: a base layer cut from a tile lattice by a shape
predicate, upper layers stacked by a recipe, then fitted to a tile count.

Coordinates are the game's grid cells: a tile covers (x, x+1) x (y, y+1) on
its layer z; the grid is 36 x 20 x 10. Places of one layer never share a
cell, and every cell under a tile above the ground is covered (tiles rest on
tiles, half-shifted stacking included).
"""
import math

GRID_W, GRID_H, GRID_D = 36, 20, 10


class LayoutError(ValueError):
    pass


def cells(p):
    x, y, z = p
    return [(x, y, z), (x + 1, y, z), (x, y + 1, z), (x + 1, y + 1, z)]


def validate(places):
    """refuse overlapping places, places off the grid and unsupported tiles"""
    seen = {}
    for p in places:
        x, y, z = p
        if not (0 <= x <= GRID_W - 2 and 0 <= y <= GRID_H - 2 and 0 <= z <= GRID_D - 1):
            raise LayoutError(f'place {p} lies outside the {GRID_W} x {GRID_H} x {GRID_D} grid')
        for c in cells(p):
            if c in seen:
                raise LayoutError(f'places {seen[c]} and {p} overlap in cell {c}')
            seen[c] = p
    for p in places:
        x, y, z = p
        if z > 0:
            for cx, cy, _ in cells(p):
                if (cx, cy, z - 1) not in seen:
                    raise LayoutError(f'place {p} does not rest on tiles below (cell {(cx, cy, z - 1)})')
    return True


# ------------------------------------------------------------------ base shapes (u, v in tiles from the centre)

def _heart(u, v, C, R):
    x = u / (C / 2) * 1.25
    y = -v / (R / 2) * 1.25 + 0.25
    return (x * x + y * y - 1) ** 3 - x * x * y ** 3 <= 0.02


def _flower(u, v, C, R):
    a, b = C / 2, R / 2
    if (u / (a * 0.42)) ** 2 + (v / (b * 0.42)) ** 2 <= 1.05:
        return True
    for k in range(6):
        ang = k * math.pi / 3 + math.pi / 6
        cu, cv = math.cos(ang) * a * 0.62, math.sin(ang) * b * 0.62
        if ((u - cu) / (a * 0.36)) ** 2 + ((v - cv) / (b * 0.36)) ** 2 <= 1.0:
            return True
    return False


def _turtle(u, v, C, R):
    a, b = C / 2, R / 2
    if (u / (a * 0.68)) ** 2 + (v / (b * 0.72)) ** 2 <= 1.0:
        return True
    if abs(u) >= a - 1.01 and abs(v) <= 0.6:
        return True            # head and tail
    if abs(abs(u) - a * 0.5) <= 0.5 and abs(v) >= b - 1.01:
        return True            # legs
    return False



def _inside(poly, x, y):
    """even-odd rule: whether (x, y) lies inside the polygon"""
    inside = False
    for k in range(len(poly)):
        (x1, y1), (x2, y2) = poly[k], poly[(k + 1) % len(poly)]
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def _polygons(*polys):
    """a shape made of polygons in coordinates running -1..1 across and down the lattice"""
    def pred(u, v, C, R):
        x, y = u / (C / 2), v / (R / 2)
        return any(_inside(poly, x, y) for poly in polys)
    return pred


def _star(points, inner):
    out = []
    for k in range(2 * points):
        r = 1.08 if k % 2 == 0 else inner
        ang = -math.pi / 2 + k * math.pi / points
        out.append((r * math.cos(ang), r * math.sin(ang) + 0.08))
    return out


def _disc(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def _house(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    roof = y <= -0.05 and abs(x) <= (y + 1.1) * 0.95
    body = -0.1 <= y and abs(x) <= 0.72
    door = abs(u) <= 0.6 and y >= 0.5
    return (roof or body) and not door


def _tree(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    tiers = ((-1.05, 0.45, 0.55), (-0.55, 0.05, 0.8), (-0.1, 0.55, 1.02))
    for top, bottom, half in tiers:
        if top <= y <= bottom and abs(x) <= half * (y - top) / (bottom - top) + 0.12:
            return True
    return y > 0.5 and abs(u) <= 0.9


def _boat(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    hull = y >= 0.4 and abs(x) <= 1.02 - (y - 0.4) * 0.55
    mast = abs(u) <= 0.6 and y >= -1
    sail = -0.95 <= y <= 0.25 and 0 < x <= 0.85 * (y + 0.95) / 1.2 + 0.1
    jib = -0.6 <= y <= 0.25 and 0 > x >= -0.6 * (y + 0.6) / 0.85 - 0.1
    return hull or mast or sail or jib


def _castle(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    b = R / 2
    wall = v >= -b + 2.2 and abs(x) <= 0.8
    merlons = -b + 1.2 <= v < -b + 2.2 and abs(x) <= 0.8 and round(abs(u) + (0.5 if C % 2 == 0 else 0)) % 2 == 0
    towers = abs(x) >= 0.62
    gate = abs(u) <= 0.9 and y >= 0.35
    return (wall or merlons or towers) and not gate


def _bridge(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    arch = (x / 0.62) ** 2 + ((y - 1.05) / 1.25) ** 2 <= 1.0
    side_arches = ((abs(x) - 0.93) / 0.2) ** 2 + ((y - 1.05) / 0.7) ** 2 <= 1.0
    return not (arch or side_arches)


def _rainbow(u, v, C, R):
    x, y = u / (C / 2), (v + R / 2 - 0.5) / (R - 1) if R > 1 else 0
    r = x * x + (y - 1.0) ** 2 / 1.0
    return 0.3 <= r <= 1.08 and y <= 1.0


def _spectacles(u, v, C, R):
    a, b = C / 2, R / 2
    for s in (-1, 1):
        cu = s * a * 0.5
        outer = ((u - cu) / (a * 0.5)) ** 2 + (v / b) ** 2 <= 1.05
        inner = ((u - cu) / max(0.3, a * 0.5 - 1.3)) ** 2 + (v / max(0.3, b - 1.3)) ** 2 <= 1.0
        if outer and not inner:
            return True
    return abs(u) <= 1.1 and abs(v + b * 0.2) <= 0.6


def _dumbbell(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    return _disc(x, y, -0.64, 0, 0.38, 1.05) or _disc(x, y, 0.64, 0, 0.38, 1.05) or abs(v) <= 0.6


def _clover(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    leaves = (_disc(x, y, 0, -0.45, 0.36, 0.58) or _disc(x, y, -0.5, 0.3, 0.36, 0.58)
              or _disc(x, y, 0.5, 0.3, 0.36, 0.58))
    return leaves or (abs(u) <= 0.6 and y > 0)


def _quincunx(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    corner = abs(x) >= 0.3 and abs(y) >= 0.32
    centre = abs(x) <= 0.18 and abs(y) <= 0.5
    return corner or centre


def _target(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    r = x * x + y * y
    return r <= 1.06 and not (0.18 <= r <= 0.42)


def _window(u, v, C, R):
    a, b = C / 2, R / 2
    return abs(u) >= a - 1.1 or abs(v) >= b - 1.1 or abs(u) <= 0.6 or abs(v) <= 0.6


def _hash(u, v, C, R):
    a, b = C / 2, R / 2
    return abs(abs(u) - a / 3) <= 0.6 or abs(abs(v) - b / 3) <= 0.6


def _ladder(u, v, C, R):
    b = R / 2
    return abs(v) >= b - 1.1 or round(u + (C - 1) / 2) % 3 == 0


def _comb(u, v, C, R):
    b = R / 2
    return v <= -b + 2.1 or round(u + (C - 1) / 2) % 2 == 0


def _band(f, width):
    """tiles within `width` tiles (up or down) of the curve v = f(u, C, R)"""
    return lambda u, v, C, R: abs(v - f(u, C, R)) <= width


def _chevron_curve(u, C, R):
    return -R / 2 + 1.0 + (R - 2.4) * abs(u) / (C / 2)


def _wave_curve(u, C, R):
    return (R / 2 - 1.3) * math.sin(2 * math.pi * u / (C * 0.55))


def _zigzag_curve(u, C, R):
    period = C / 2
    t = (u / period) % 1.0
    return (R / 2 - 1.2) * (4 * abs(t - 0.5) - 1)


def _diamonds(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    return any(abs(x - c) / 0.36 + abs(y) / 1.0 <= 1.05 for c in (-0.66, 0, 0.66))


def _pagoda(u, v, C, R):
    x = u / (C / 2)
    t = (v + R / 2) / R
    tier = min(2, int(t * 3))
    frac = t * 3 - tier
    half = (0.42 + 0.28 * tier) * (1.15 if frac < 0.4 else 0.72)
    return abs(x) <= half


def _ziggurat(u, v, C, R):
    x = u / (C / 2)
    t = (v + R / 2) / R
    return abs(x) <= 0.2 + 0.85 * (math.floor(t * 4) + 1) / 4


def _torii(u, v, C, R):
    x = u / (C / 2)
    b = R / 2
    beam = v <= -b + 1.1
    tie = -b + 2 <= v <= -b + 3 and abs(x) <= 0.85
    posts = abs(abs(x) - 0.58) <= 0.16
    return beam or tie or posts


def _brackets(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    a, b = C / 2, R / 2
    side = abs(u) >= a - 1.6 or (abs(v) >= b - 1.1 and abs(x) >= 0.6)
    core = abs(x) / 0.34 + abs(y) / 0.75 <= 1.0
    return side or core


def _eye(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    almond = abs(y) <= 1.05 * (1 - x * x)
    iris = 0.28 <= (x / 0.42) ** 2 + (y / 0.8) ** 2 <= 1.0
    return almond and not iris


def _drop(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    bulb = _disc(x, y, 0, 0.3, 0.62, 0.75)
    tip = -1.05 <= y <= 0.3 and abs(x) <= 0.62 * (y + 1.05) / 1.35
    return bulb or tip


def _leaf(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    return abs(y) <= 1.05 * (1 - x * x) ** 0.8 and not (abs(v) <= 0.6 and abs(x) <= 0.7)


def _gull(u, v, C, R):
    a, b = C / 2, R / 2
    wing = -b + 0.8 + (b - 1.2) * abs(math.sin(math.pi * u / a)) * 1.3
    return abs(v - min(wing, b - 1)) <= 0.9 or (abs(u) <= 1.1 and abs(v) <= b * 0.5)


def _sun(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    if x * x + y * y <= 0.3:
        return True
    r = math.hypot(x, y)
    ang = math.atan2(y, x)
    ray = abs(((ang / (math.pi / 4)) + 0.5) % 1.0 - 0.5) <= 0.14
    return ray and 0.72 <= r <= 1.12


def _cat(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    head = _disc(x, y, 0, 0.15, 0.78, 0.9)
    ears = y <= -0.3 and 0.35 <= abs(x) <= 0.8 and y >= -1.05 + (abs(abs(x) - 0.62)) * 3.5
    eyes = abs(abs(x) - 0.35) <= 0.09 and abs(y) <= 0.15
    return (head or ears) and not eyes


def _concentric(u, v, C, R):
    i, j = round(u + (C - 1) / 2), round(v + (R - 1) / 2)
    d = min(i, j, C - 1 - i, R - 1 - j)
    return d % 2 == 0 or (abs(v) <= 0.6 and abs(u) < C / 2 - 2.5)


def _blocks(u, v, C, R):
    i, j = round(u + (C - 1) / 2), round(v + (R - 1) / 2)
    return (i // 2 + j // 2) % 2 == 0


def _bars(u, v, C, R):
    i = round(u + (C - 1) / 2)
    return i % 3 != 2


def _bricks(u, v, C, R):
    i, j = round(u + (C - 1) / 2), round(v + (R - 1) / 2)
    return (i + 2 * (j % 2)) % 4 != 3


def _wedge(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    return y >= -x * 0.9 - 0.15


def _lattice(u, v, C, R):
    i, j = round(u + (C - 1) / 2), round(v + (R - 1) / 2)
    return (i + j) % 3 == 0 or (i - j) % 3 == 0


def _gem(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    crown = -1.05 <= y <= -0.2 and abs(x) <= 0.62 + (y + 1.05) * 0.45
    pavilion = y > -0.2 and abs(x) <= 1.0 * (1.05 - y) / 1.25
    return crown or pavilion


def _mountains(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    peaks = max(1.0 - abs(x) * 2.4 + 0.55, 0.85 - abs(abs(x) - 0.62) * 2.6)
    return y >= 1.0 - 2 * peaks * 0.98


def _skyline(u, v, C, R):
    i = round(u + (C - 1) / 2)
    heights = (0.45, 0.75, 0.55, 1.0, 0.35, 0.85, 0.6, 0.9, 0.4, 0.7, 0.5, 0.8, 0.65, 0.95)
    k = min(i, C - 1 - i)
    t = (R / 2 - v) / R
    return t <= heights[k % len(heights)] + 0.01


def _cactus(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    trunk = abs(u) <= 0.9 and y <= 0.7
    arms = abs(abs(x) - 0.62) <= 0.14 and -0.75 <= y <= 0.15 or (abs(x) <= 0.7 and abs(y - 0.05) <= 0.2)
    pot = y > 0.55 and abs(x) <= 0.42
    return trunk or arms or pot


def _letter_e(u, v, C, R):
    a, b = C / 2, R / 2
    return u <= -a + 2.1 or abs(v) >= b - 1.1 or (abs(v) <= 0.6 and u <= a * 0.5)


def _letter_m(u, v, C, R):
    a, b = C / 2, R / 2
    legs = abs(u) >= a - 1.6
    diag = abs(abs(u) - (a - 1.6) * (1 - (v + b) / (1.35 * b))) <= 0.9 and v <= b * 0.35
    return legs or diag


def _shield(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    top = y <= 0.05 and abs(x) <= 0.95
    point = y > 0.05 and abs(x) <= 0.95 * max(0.0, 1 - ((y - 0.05) / 1.0) ** 2) ** 0.5
    inner = abs(x) <= 0.7 and -0.8 <= y <= 0.6
    # the arms of a cross cut into the face; its middle stays
    channel = (abs(u) <= 0.6) != (abs(v + R * 0.12) <= 0.6)
    return (top or point) and not (inner and channel)


def _mushroom(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    cap = y <= 0.05 and _disc(x, y, 0, 0.05, 1.02, 1.1)
    stem = y > 0.05 and abs(x) <= 0.3
    return cap or stem


def _bell(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    body = -0.95 <= y <= 0.65 and abs(x) <= 0.35 + 0.5 * ((y + 0.95) / 1.6) ** 2
    rim = 0.55 <= y <= 0.85 and abs(x) <= 0.95
    clapper = y > 0.8 and abs(u) <= 0.6
    return body or rim or clapper


def _kite(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    if y <= -0.25:
        return abs(x) <= (y + 1.08) / 0.83 * 0.85
    return abs(x) <= (1.08 - y) / 1.33 * 0.85


def _anchor(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    b = R / 2
    shaft = abs(u) <= 0.6 and y >= -0.95
    stock = abs(v + b * 0.55) <= 0.6 and abs(x) <= 0.45
    r = (x / 0.95) ** 2 + ((y - 0.05) / 0.95) ** 2
    arms = y >= 0.2 and 0.55 <= r <= 1.1
    tips = y >= 0.05 and abs(abs(x) - 0.88) <= 0.12 and y <= 0.45
    return shaft or stock or arms or tips


def _trophy(u, v, C, R):
    x, y = u / (C / 2), v / (R / 2)
    bowl = y >= -1.05 and _disc(x, y, 0, -1.05, 0.68, 1.3)
    handles = y <= 0.05 and 0.4 <= ((abs(x) - 0.68) / 0.3) ** 2 + ((y + 0.55) / 0.45) ** 2 <= 1.2 and abs(x) > 0.6
    stem = abs(u) <= 0.6 and y >= 0.1
    foot = y >= 0.75 and abs(x) <= 0.42
    return bowl or handles or stem or foot


def _arcade(u, v, C, R):
    """three arches on a base"""
    x, y = u / (C / 2), v / (R / 2)
    cell = 2.0 / 3
    cx = -1 + cell * (min(2, max(0, int((x + 1) / cell))) + 0.5)
    opening = y <= 0.72 and ((x - cx) / (cell * 0.3)) ** 2 + ((y - 0.72) / 1.15) ** 2 <= 1.0
    return not opening


SHAPES = {
    'rect': lambda u, v, C, R: True,
    'diamond': lambda u, v, C, R: abs(u) / (C / 2) + abs(v) / (R / 2) <= 1.05,
    'ellipse': lambda u, v, C, R: (u / (C / 2)) ** 2 + (v / (R / 2)) ** 2 <= 1.08,
    'cross': lambda u, v, C, R: abs(u) <= max(0.6, C / 6) or abs(v) <= max(0.6, R / 6),
    'xshape': lambda u, v, C, R: abs(abs(u) * R / C - abs(v)) <= 0.8,
    'ring': lambda u, v, C, R: not (abs(u) < C / 2 - 1.4 and abs(v) < R / 2 - 1.4),
    'heart': _heart,
    'butterfly': lambda u, v, C, R: abs(u) <= 0.6 or (((abs(u) - C / 4) / (C / 4.2)) ** 2
                                                    + ((abs(v) - R / 4) / (R / 3.6)) ** 2 <= 1.0),
    'bowtie': lambda u, v, C, R: abs(v) <= abs(u) * R / C + 0.7,
    'hourglass': lambda u, v, C, R: abs(u) <= abs(v) * C / R + 0.7,
    'arrow': lambda u, v, C, R: (v <= 0.2 and abs(u) <= (v + R / 2) * C / R + 0.5) or (v > 0 and abs(u) <= 0.9),
    'triangle': lambda u, v, C, R: abs(u) <= (v + R / 2) * C / (2 * R) + 0.6,
    'flower': _flower,
    'turtle': _turtle,
    'letter_h': lambda u, v, C, R: abs(u) >= C / 2 - 1.6 or abs(v) <= 0.6,
    'letter_t': lambda u, v, C, R: v <= -R / 2 + 1.6 or abs(u) <= 0.9,
    'letter_u': lambda u, v, C, R: abs(u) >= C / 2 - 1.6 or v >= R / 2 - 1.6,
    'crown': lambda u, v, C, R: v >= -R / 2 + 2.2 or (abs(u) % 2.0 <= 0.6 if C % 2 else abs(u - 0.5) % 2 <= 0.6),
    'frame_core': lambda u, v, C, R: (not (abs(u) < C / 2 - 1.2 and abs(v) < R / 2 - 1.2))
                                     or (abs(u) <= C / 2 - 2.5 and abs(v) <= R / 2 - 2.5),
    'moon': lambda u, v, C, R: (u / (C / 2)) ** 2 + (v / (R / 2)) ** 2 <= 1.05
                               and ((u - C * 0.3) / (C / 2.4)) ** 2 + (v / (R / 2.3)) ** 2 > 1.0,
    'fish': lambda u, v, C, R: ((u + C * 0.12) / (C * 0.36)) ** 2 + (v / (R / 2)) ** 2 <= 1.0
                               or (u >= C * 0.22 and abs(v) <= (u - C * 0.18) * R / C * 1.6),
    'stairs': lambda u, v, C, R: abs(v - u * R / C * 0.9) <= R * 0.3,
    'octagon': lambda u, v, C, R: abs(u) / (C / 2) + abs(v) / (R / 2) <= 1.45,
    'hexagon': lambda u, v, C, R: abs(u) / (C / 2) + 0.55 * abs(v) / (R / 2) <= 1.02,
    'star': _polygons(_star(5, 0.48)),
    'sparkle': _polygons([(0, -1.1), (0.3, -0.3), (1.08, 0), (0.3, 0.3), (0, 1.1), (-0.3, 0.3), (-1.08, 0),
                          (-0.3, -0.3)]),
    'house': _house,
    'tree': _tree,
    'boat': _boat,
    'castle': _castle,
    'bridge': _bridge,
    'rainbow': _rainbow,
    'spectacles': _spectacles,
    'dumbbell': _dumbbell,
    'clover': _clover,
    'quincunx': _quincunx,
    'target': _target,
    'window': _window,
    'hash': _hash,
    'ladder': _ladder,
    'comb': _comb,
    'chevron': _band(_chevron_curve, 1.0),
    'wave': _band(_wave_curve, 1.2),
    'zigzag': _band(_zigzag_curve, 1.1),
    'diamonds': _diamonds,
    'trapezoid': lambda u, v, C, R: abs(u) / (C / 2) <= 0.58 + 0.47 * (v / (R / 2) + 1) / 2,
    'funnel': lambda u, v, C, R: abs(u) / (C / 2) <= 0.12 + 0.95 * (1 - v / (R / 2)) / 2,
    'pagoda': _pagoda,
    'ziggurat': _ziggurat,
    'torii': _torii,
    'brackets': _brackets,
    'eye': _eye,
    'drop': _drop,
    'leaf': _leaf,
    'gull': _gull,
    'sun': _sun,
    'cat': _cat,
    'concentric': _concentric,
    'blocks': _blocks,
    'bars': _bars,
    'bricks': _bricks,
    'wedge': _wedge,
    'lattice': _lattice,
    'gem': _gem,
    'mountains': _mountains,
    'skyline': _skyline,
    'cactus': _cactus,
    'letter_e': _letter_e,
    'letter_m': _letter_m,
    'shield': _shield,
    'mushroom': _mushroom,
    'bell': _bell,
    'kite': _kite,
    'anchor': _anchor,
    'trophy': _trophy,
    'arcade': _arcade,
    'columns': lambda u, v, C, R: True,
    'checker': lambda u, v, C, R: True,
    'stripes': lambda u, v, C, R: True,
    'islands': lambda u, v, C, R: True,
}

# shapes whose lattice skips positions by index
INDEX_FILTER = {
    'columns': lambda i, j: i % 2 == 0,
    'checker': lambda i, j: (i + j) % 2 == 0,
    'stripes': lambda i, j: j % 2 == 0,
    'islands': lambda i, j: i % 4 != 3 and j % 3 != 2,
}


def base_layer(shape, C, R, stagger=None):
    """stagger: None, 'rows' (odd rows half a tile right) or 'cols' (odd columns half a tile down)"""
    pred = SHAPES[shape]
    filt = INDEX_FILTER.get(shape)
    out = []
    for j in range(R):
        for i in range(C):
            dx = 1 if stagger == 'rows' and j % 2 else 0
            dy = 1 if stagger == 'cols' and i % 2 else 0
            u = i - (C - 1) / 2 + dx / 2
            v = j - (R - 1) / 2 + dy / 2
            if filt and not filt(i, j):
                continue
            if pred(u, v, C, R):
                out.append((2 * i + dx, 2 * j + dy, 0))
    if stagger == 'rows':
        # keep the staggered rows inside the even rows' span so the shape stays symmetric
        xs = [p[0] for p in out if (p[1] // 2) % 2 == 0]
        if xs:
            hi = max(xs)
            out = [p for p in out if p[0] <= hi]
    return out


# ------------------------------------------------------------------ stacking

def _covered(layer):
    s = set()
    for p in layer:
        for cx, cy, _ in cells(p):
            s.add((cx, cy))
    return s


def layer_above(prev, kind, keep, centre_x):
    """the next layer over `prev`: kind 'aligned' stacks on tiles, 'centered'
    sits over the meeting corners of four tiles; keep filters candidates"""
    cov = _covered(prev)
    z = prev[0][2] + 1 if prev else 1
    cand = []
    src = sorted({(x, y) for x, y, _ in prev})
    for x, y in src:
        if kind == 'centered':
            x, y = x + 1, y + 1
        if all((cx, cy) in cov for cx, cy in ((x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1))):
            cand.append((x, y))
    cand = [(x, y) for x, y in cand if keep(x, y, cand, centre_x)]
    taken, used = [], set()
    for x, y in cand:
        cs = [(x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1)]
        if any(c in used for c in cs):
            continue
        used.update(cs)
        taken.append((x, y, z))
    return taken


def _inner(x, y, cand, cx):
    s = set(cand)
    if (x - 2, y) not in s or (x + 2, y) not in s:
        return False
    return all(any((x + d, y + dy) in s for d in (-1, 0, 1)) for dy in (-2, 2))


KEEPS = {
    'full': lambda x, y, cand, cx: True,
    'inner': _inner,
    'rows': lambda x, y, cand, cx: (y // 2) % 2 == 0,
    'cols': lambda x, y, cand, cx: abs(round((x - cx) / 2)) % 2 == 0,
    'spots': lambda x, y, cand, cx: (abs(round((x - cx) / 2)) + y // 2) % 2 == 0,
    'spine': lambda x, y, cand, cx: abs(x + 1 - cx) <= 2.5,
    'edges': lambda x, y, cand, cx: not _inner(x, y, cand, cx),
}


def build(shape, C, R, recipe, stagger=None):
    base = base_layer(shape, C, R, stagger)
    if not base:
        return []
    xs = [p[0] for p in base]
    centre_x = (min(xs) + max(xs) + 2) / 2
    layers = [base]
    for kind, keep in recipe:
        nxt = layer_above(layers[-1], kind, KEEPS[keep], centre_x)
        if not nxt:
            break
        layers.append(nxt)
    return [p for layer in layers for p in layer]


# ------------------------------------------------------------------ fitting to a tile count

def _mirror_fn(places):
    base = [p for p in places if p[2] == 0]
    xs = [p[0] for p in base]
    s = min(xs) + max(xs)
    return lambda p: (s - p[0], p[1], p[2])


def fit(places, target, max_layers=GRID_D):
    """remove top tiles (in mirrored pairs) or add tiles on top, up to max_layers
    layers, until the count is target (or nothing more fits)"""
    places = list(dict.fromkeys(places))
    mirror = _mirror_fn(places)
    xs = [p[0] for p in places if p[2] == 0]
    ys = [p[1] for p in places if p[2] == 0]
    cx, cy = (min(xs) + max(xs)) / 2, (min(ys) + max(ys)) / 2

    def removable(ps):
        s = set(ps)
        cov = {}
        for p in ps:
            for c in cells(p):
                cov[c] = p
        out = []
        for p in ps:
            x, y, z = p
            if any((cx_, cy_, z + 1) in cov for cx_, cy_, _ in cells(p)):
                continue
            out.append(p)
        return out

    guard = 0
    while len(places) > target and guard < 1000:
        guard += 1
        rem = removable(places)
        rem.sort(key=lambda p: (-p[2], -(abs(p[0] - cx) + abs(p[1] - cy) * 1.2), p[0], p[1]))
        p = rem[0]
        m = mirror(p)
        places.remove(p)
        if len(places) > target and m != p and m in places and m in rem:
            places.remove(m)
    while len(places) < target and guard < 2000:
        guard += 1
        s = set(places)
        cov = set()
        for p in places:
            cov.update(cells(p))
        opts = []
        top = max(p[2] for p in places)
        for z in range(0, min(top + 1, GRID_D - 1, max_layers - 1)):
            layer = [p for p in places if p[2] == z]
            for x, y, _ in layer:
                for dx, dy in ((0, 0), (1, 1), (1, -1), (-1, 1), (-1, -1)):
                    q = (x + dx, y + dy, z + 1)
                    if q in s:
                        continue
                    if any(c in cov for c in cells(q)):
                        continue
                    if all((cx_, cy_, z) in cov for cx_, cy_, _ in cells(q)):
                        opts.append(q)
        if not opts:
            break
        # nearest the middle first, lower before higher: pyramids, not towers
        opts = sorted(set(opts), key=lambda q: (abs(q[0] - cx) / 2 + abs(q[1] - cy) / 2 + 1.5 * q[2], q[0], q[1]))
        q = opts[0]
        places.append(q)
        m = mirror(q)
        if len(places) < target and m != q and m not in places and not any(
                c in cov or c in cells(q) for c in cells(m)) and all(
                (a, b, m[2] - 1) in cov for a, b, _ in cells(m)):
            places.append(m)
    return places


def normalise(places):
    """shift to the grid's top left corner with one free cell of margin and sort"""
    mx = min(p[0] for p in places)
    my = min(p[1] for p in places)
    out = sorted(((x - mx + 1, y - my + 1, z) for x, y, z in places), key=lambda p: (p[2], p[1], p[0]))
    return out
