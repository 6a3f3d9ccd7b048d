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
