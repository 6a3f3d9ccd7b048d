"""Shared drawing helpers for the data generators.

Pictures are drawn with pycairo at double resolution (the "@2x" files) in
design coordinates: a Canvas of design size w x h owns a 2w x 2h surface whose
context is pre-scaled by 2. The plain file is the exact 2x2 box average of the
double one, so both scales always agree. Pixel arrays are float32 RGBA with
premultiplied alpha while we work on them; files hold straight alpha.
"""
import math
import os
import subprocess

import cairo
import numpy as np
from PIL import Image

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
DATA = os.path.join(ROOT, 'data')
OUT = os.path.join(ROOT, 'out', 'art')

HI = 2          # pixels per design unit in the "@2x" files

UI_FONT = 'Comfortaa'
CJK_FONT = 'AR PL UKai TW'

# Every file written by a generator, relative to the repository root, so the
# driver can report sizes and the checker can list what exists.
WRITTEN = []

# Where generators write: the repository itself, or another root when the
# checker regenerates a sample to compare.
_target_root = [ROOT]


def set_target_root(path):
    _target_root[0] = path


def target(rel):
    path = os.path.join(_target_root[0], rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    return path


# ------------------------------------------------------------------ colours

def hexc(h, a=1.0):
    h = h.lstrip('#')
    return (int(h[0:2], 16) / 255, int(h[2:4], 16) / 255, int(h[4:6], 16) / 255, a)


def rgb(h):
    return np.array(hexc(h)[:3], np.float32)


def mix(c1, c2, t):
    a, b = hexc(c1) if isinstance(c1, str) else c1, hexc(c2) if isinstance(c2, str) else c2
    return tuple(a[i] * (1 - t) + b[i] * t for i in range(4))


def shade(col, k):
    """k < 1 darkens, k > 1 lightens towards white"""
    c = hexc(col) if isinstance(col, str) else col
    if k <= 1:
        return (c[0] * k, c[1] * k, c[2] * k, c[3])
    t = min(1.0, k - 1)
    return (c[0] + (1 - c[0]) * t, c[1] + (1 - c[1]) * t, c[2] + (1 - c[2]) * t, c[3])


# ------------------------------------------------------------------ canvas

class Canvas:
    """A cairo surface at HI pixels per design unit; draw in design units."""

    def __init__(self, w, h, scale=HI):
        self.w, self.h, self.k = w, h, scale
        self.surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, int(round(w * scale)), int(round(h * scale)))
        self.c = cairo.Context(self.surface)
        self.c.set_antialias(cairo.ANTIALIAS_BEST)
        self.c.scale(scale, scale)
        fo = cairo.FontOptions()
        fo.set_antialias(cairo.ANTIALIAS_GRAY)
        fo.set_hint_style(cairo.HINT_STYLE_NONE)
        fo.set_hint_metrics(cairo.HINT_METRICS_OFF)
        self.c.set_font_options(fo)

    def array(self):
        return surf_to_np(self.surface)

    def paint_array(self, a, x=0, y=0, alpha=1.0):
        """composite a premultiplied array (at this canvas's pixel scale) at design (x, y)"""
        s = np_to_surf(a)
        self.c.save()
        self.c.scale(1 / self.k, 1 / self.k)
        self.c.set_source_surface(s, x * self.k, y * self.k)
        self.c.paint_with_alpha(alpha)
        self.c.restore()


def surf_to_np(s):
    s.flush()
    h, w, st = s.get_height(), s.get_width(), s.get_stride()
    a = np.ndarray((h, st // 4, 4), np.uint8, s.get_data())[:, :w, :]
    return a[..., [2, 1, 0, 3]].astype(np.float32) / 255.0


def np_to_surf(a):
    a = np.clip(a, 0, 1)
    a[..., :3] = np.minimum(a[..., :3], a[..., 3:4])
    h, w = a.shape[:2]
    s = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)
    st = s.get_stride()
    buf = np.ndarray((h, st // 4, 4), np.uint8, s.get_data())
    buf[:, :w, :] = (a[..., [2, 1, 0, 3]] * 255 + 0.5).astype(np.uint8)
    s.mark_dirty()
    return s


def np_to_pil(a):
    a = np.clip(a, 0, 1)
    al = a[..., 3:4]
    col = np.where(al > 1e-5, a[..., :3] / np.maximum(al, 1e-5), 0)
    out = np.concatenate([np.clip(col, 0, 1), al], -1)
    return Image.fromarray((out * 255 + 0.5).astype(np.uint8), 'RGBA')


def pil_to_np(img):
    a = np.asarray(img.convert('RGBA')).astype(np.float32) / 255.0
    a[..., :3] *= a[..., 3:4]
    return a


def blank(h, w):
    return np.zeros((h, w, 4), np.float32)


def solid(h, w, col):
    a = np.empty((h, w, 4), np.float32)
    a[...] = np.array(hexc(col) if isinstance(col, str) else col, np.float32)
    a[..., :3] *= a[..., 3:4]
    return a


def over(dst, src):
    return src + dst * (1 - src[..., 3:4])


def tint_mask(mask, col, alpha=1.0):
    """premultiplied layer of one colour with coverage `mask` (h, w)"""
    c = np.array(hexc(col) if isinstance(col, str) else col, np.float32)
    m = np.clip(mask, 0, 1) * alpha * c[3]
    return np.dstack([c[0] * m, c[1] * m, c[2] * m, m]).astype(np.float32)


def shift(a, dx, dy):
    out = np.zeros_like(a)
    h, w = a.shape[:2]
    dx, dy = int(dx), int(dy)
    xs0, xs1 = max(0, -dx), min(w, w - dx)
    ys0, ys1 = max(0, -dy), min(h, h - dy)
    if xs1 > xs0 and ys1 > ys0:
        out[ys0 + dy:ys1 + dy, xs0 + dx:xs1 + dx] = a[ys0:ys1, xs0:xs1]
    return out


def blur(a, sigma):
    """separable gaussian (numpy only); outside the image counts as 0"""
    if sigma <= 0:
        return a
    r = max(1, int(math.ceil(sigma * 3)))
    x = np.arange(-r, r + 1, dtype=np.float32)
    k = np.exp(-x * x / (2 * sigma * sigma))
    k /= k.sum()

    def conv(arr, axis):
        pad = [(0, 0)] * arr.ndim
        pad[axis] = (r, r)
        p = np.pad(arr, pad)
        out = np.zeros_like(arr)
        n = arr.shape[axis]
        for i, kv in enumerate(k):
            sl = [slice(None)] * arr.ndim
            sl[axis] = slice(i, i + n)
            out += kv * p[tuple(sl)]
        return out
    return conv(conv(a.astype(np.float32), 0), 1)


def smooth_noise(h, w, cell, seed, octaves=1):
    """value noise in -1..1 with features about `cell` pixels across"""
    rng = np.random.default_rng(seed)
    out = np.zeros((h, w), np.float32)
    amp, total = 1.0, 0.0
    for o in range(octaves):
        c = max(2, int(cell / (2 ** o)))
        gh, gw = h // c + 3, w // c + 3
        g = rng.standard_normal((gh, gw)).astype(np.float32)
        img = Image.fromarray(g, 'F').resize((gw * c, gh * c), Image.BICUBIC)
        arr = np.asarray(img, np.float32)[c:c + h, c:c + w]
        out += arr * amp
        total += amp
        amp *= 0.5
    out /= total
    return out / (np.abs(out).max() + 1e-6)


def downscale2(a):
    """exact 2x2 box average of a premultiplied array"""
    h, w = a.shape[:2]
    a = a[:h - h % 2, :w - w % 2]
    return (a[0::2, 0::2] + a[1::2, 0::2] + a[0::2, 1::2] + a[1::2, 1::2]) * 0.25


def emboss(alpha, sigma, light=(-1.0, -1.0)):
    """shading in -1..1 for a soft bevel of the shape in alpha (h, w)"""
    b = blur(alpha, sigma)
    gy, gx = np.gradient(b)
    n = math.hypot(*light)
    s = -(gx * light[0] + gy * light[1]) / n
    m = np.abs(s).max() + 1e-6
    return s / m


def drop_shadow(a, dx, dy, sigma, alpha, col='#000000'):
    sh = blur(shift(a[..., 3], dx, dy), sigma)
    return tint_mask(sh, col, alpha)


# ------------------------------------------------------------------ paths

def rrect(c, x, y, w, h, r):
    r = max(0.0, min(r, w / 2, h / 2))
    c.new_sub_path()
    c.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    c.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    c.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    c.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    c.close_path()


def ellipse(c, cx, cy, rx, ry):
    c.save()
    c.translate(cx, cy)
    c.scale(rx, ry)
    c.new_sub_path()
    c.arc(0, 0, 1, 0, 2 * math.pi)
    c.restore()


def lin(x0, y0, x1, y1, stops):
    g = cairo.LinearGradient(x0, y0, x1, y1)
    for off, col in stops:
        g.add_color_stop_rgba(off, *(hexc(col) if isinstance(col, str) else col))
    return g


def rad(cx, cy, r0, r1, stops, fx=None, fy=None):
    g = cairo.RadialGradient(cx if fx is None else fx, cy if fy is None else fy, r0, cx, cy, r1)
    for off, col in stops:
        g.add_color_stop_rgba(off, *(hexc(col) if isinstance(col, str) else col))
    return g


def star_points(cx, cy, r_out, r_in, n=5, rot=-math.pi / 2):
    pts = []
    for i in range(2 * n):
        a = rot + i * math.pi / n
        r = r_out if i % 2 == 0 else r_in
        pts.append((cx + math.cos(a) * r, cy + math.sin(a) * r))
    return pts


def poly(c, pts, close=True):
    c.move_to(*pts[0])
    for p in pts[1:]:
        c.line_to(*p)
    if close:
        c.close_path()


def smooth_poly(c, pts, close=True, tension=0.5):
    """Catmull-Rom through the points as cairo curves"""
    n = len(pts)
    P = [np.array(p, float) for p in pts]
    c.move_to(*P[0])
    rng_ = range(n) if close else range(n - 1)
    for i in rng_:
        p0 = P[(i - 1) % n] if (close or i > 0) else P[i]
        p1, p2 = P[i], P[(i + 1) % n]
        p3 = P[(i + 2) % n] if (close or i + 2 < n) else P[(i + 1) % n]
        c1 = p1 + (p2 - p0) * tension / 3
        c2 = p2 - (p3 - p1) * tension / 3
        c.curve_to(c1[0], c1[1], c2[0], c2[1], p2[0], p2[1])
    if close:
        c.close_path()


def catmull(pts, n=24):
    """points along a Catmull-Rom spline through pts"""
    out = []
    P = [pts[0]] + list(pts) + [pts[-1]]
    for i in range(1, len(P) - 2):
        p0, p1, p2, p3 = (np.array(p, float) for p in P[i - 1:i + 3])
        for t in np.linspace(0, 1, n, endpoint=False):
            t2, t3 = t * t, t * t * t
            out.append(0.5 * ((2 * p1) + (-p0 + p2) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2
                              + (-p0 + 3 * p1 - 3 * p2 + p3) * t3))
    out.append(np.array(pts[-1], float))
    return np.array(out)


# ------------------------------------------------------------------ text

_fonts_checked = set()


def require_font(family, style=None):
    """cairo's toy font API silently falls back to another face: refuse instead"""
    key = (family, style)
    if key in _fonts_checked:
        return
    pattern = family if style is None else f'{family}:style={style}'
    out = subprocess.run(['fc-list', pattern, 'family', 'style'], capture_output=True, text=True).stdout
    if not out.strip():
        raise SystemExit(f'font {pattern!r} is not installed (scripts/setup.sh installs it)')
    _fonts_checked.add(key)


def text_path(c, text, size, cx, cy, family=UI_FONT, bold=True, maxw=None, maxh=None, anchor='center'):
    """add the outline of text to the path, its ink box centred on (cx, cy) (or left-aligned)"""
    require_font(family, 'Bold' if (bold and family == UI_FONT) else None)
    c.select_font_face(family, cairo.FONT_SLANT_NORMAL,
                       cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    c.set_font_size(size)
    xb, yb, w, h, _, _ = c.text_extents(text)
    k = 1.0
    if maxw and w > maxw:
        k = min(k, maxw / w)
    if maxh and h > maxh:
        k = min(k, maxh / h)
    if k < 1.0:
        c.set_font_size(size * k)
        xb, yb, w, h, _, _ = c.text_extents(text)
    x = cx - w / 2 - xb if anchor == 'center' else cx - xb
    c.move_to(x, cy - h / 2 - yb)
    c.text_path(text)
    return w, h


def label_text(c, text, size, cx, cy, fill='#FFFFFF', outline=None, ow=3.0, shadow=0.35, maxw=None):
    """interface lettering: soft shadow, outline, fill"""
    if shadow:
        c.save()
        text_path(c, text, size, cx, cy + size * 0.07, maxw=maxw)
        c.set_source_rgba(0, 0, 0, shadow)
        c.fill()
        c.restore()
    text_path(c, text, size, cx, cy, maxw=maxw)
    if outline:
        c.set_source_rgba(*hexc(outline))
        c.set_line_width(ow)
        c.set_line_join(cairo.LINE_JOIN_ROUND)
        c.stroke_preserve()
    c.set_source_rgba(*(hexc(fill) if isinstance(fill, str) else fill))
    c.fill()


# ------------------------------------------------------------------ files

def _png_bytes_image(a, quantize=0):
    img = np_to_pil(a)
    if quantize:
        opaque = bool((np.asarray(img)[..., 3] == 255).all())
        src = img.convert('RGB') if opaque else img
        img = src.quantize(colors=quantize, method=Image.Quantize.LIBIMAGEQUANT,
                           dither=Image.Dither.FLOYDSTEINBERG)
    elif (np.asarray(img)[..., 3] == 255).all():
        img = img.convert('RGB')
    return img


def save_png(a, rel, quantize=0):
    """write one premultiplied array as a PNG at rel (relative to the repository)"""
    img = _png_bytes_image(a, quantize)
    path = target(rel)
    img.save(path, optimize=True)
    WRITTEN.append(rel)
    return path


def save_pair(a2, rel, quantize=0, quantize_1x=None):
    """a2 is the double-resolution array: writes name@2x.png and its half-size name.png"""
    base, ext = os.path.splitext(rel)
    save_png(a2, base + '@2x' + ext, quantize)
    save_png(downscale2(a2), rel, quantize if quantize_1x is None else quantize_1x)


def save_canvas(cv, rel, quantize=0):
    assert cv.k == HI
    save_pair(cv.array(), rel, quantize)


def write_text(rel, text):
    path = target(rel)
    with open(path, 'w', encoding='utf-8', newline='\n') as f:
        f.write(text)
    WRITTEN.append(rel)
    return path


def write_bytes(rel, data):
    path = target(rel)
    with open(path, 'wb') as f:
        f.write(data)
    WRITTEN.append(rel)
    return path


def out_path(name):
    path = os.path.join(OUT, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    return path
