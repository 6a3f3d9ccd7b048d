"""Tile bodies, their four looks, the hint glow, the gold and bear tiles, the
faces, and the three sprite files that put them together.

Geometry (design pixels): the tile's node box is 118 x 163, the grid step.
Its top face is the rounded rectangle (0, 0, 108, 148); the visible thickness
is 10 to the right and 15 downwards, exactly the shift of one layer, so a
tile stacked on another covers that one's face with its own face and sides.
Body pictures carry a margin of MARGIN on every side for the drop shadow, and
the glow frames a margin of GLOW_MARGIN. The face picture (label) sits at
(LABEL_X, LABEL_Y) on the face.
"""
import math

import numpy as np

from . import faces
from .common import (HI, Canvas, blur, emboss, hexc, lin, over, rad, rgb, rrect, save_pair, shift,
                     smooth_noise, text_path, tint_mask, write_text, ellipse)

W, H = 118, 163
FACE_W, FACE_H, R = 108, 148, 11
DEPTH_X, DEPTH_Y = 10, 15
MARGIN = 14
GLOW_MARGIN = 18
LABEL_X, LABEL_Y = 5, 5
GLOW_FRAMES = 8

LOOKS = ('default', 'locked', 'selected', 'hint')

# Colour the "locked" look multiplies the face picture by, the same dimming
# the locked body gets, so face and body darken together.
LOCK_K = 0.80
LOCK_TINT = (0.98, 0.985, 1.02)
LABEL_LOCKED_COLOR = ''.join(f'{round(255 * LOCK_K * t):02X}' for t in LOCK_TINT)

MATERIALS = {
    'ivory': dict(face=('#FFFDF6', '#F2E6CB'), slab='#EADCBE', back='#2C7A58', rim='#9C8762'),
    'gold': dict(face=('#FFF0AE', '#DFA02A'), slab='#D49A32', back='#8E2420', rim='#8A5A12'),
    'bear': dict(face=('#FFFDF6', '#F2E6CB'), slab='#EADCBE', back='#93592C', rim='#9C8762'),
}
LOOK_FACE = {
    'selected': ('#FFF7D6', '#FFD878'),
    'hint': ('#F4FFFA', '#BDF0DA'),
}


def _shape(w, h, x, y, fw, fh, r, k):
    cv = Canvas(w, h, k)
    rrect(cv.c, x, y, fw, fh, r)
    cv.c.set_source_rgba(1, 1, 1, 1)
    cv.c.fill()
    return cv.array()[..., 3]


def body(look='default', material='ivory', seed=5):
    """premultiplied array at HI of the whole body picture"""
    k = HI
    M = MATERIALS[material]
    iw, ih = W + 2 * MARGIN, H + 2 * MARGIN
    fx, fy = MARGIN, MARGIN
    face_a = _shape(iw, ih, fx, fy, FACE_W, FACE_H, R, k)
    hh, ww = face_a.shape

    # outward normals of the outline shade the side walls: the right wall
    # catches more light than the bottom one
    b = blur(face_a, 1.2 * k)
    gy, gx = np.gradient(b)
    mag = np.hypot(gx, gy) + 1e-6
    nx, ny = -gx / mag, -gy / mag
    wall = 1.0 - 0.16 * np.clip(nx, 0, 1) - 0.34 * np.clip(ny, 0, 1)

    steps = DEPTH_Y * k
    hull = np.zeros_like(face_a)
    for s in range(steps + 1):
        hull = np.maximum(hull, shift(face_a, round(s * DEPTH_X / DEPTH_Y), s))
    img = np.zeros((hh, ww, 4), np.float32)
    img = over(img, tint_mask(blur(shift(hull, 3 * k, 5 * k), 3.2 * k), '#000000', 0.42))
    img = over(img, tint_mask(blur(shift(hull, 1 * k, 1.5 * k), 1.0 * k), '#000000', 0.25))

    slab, back = rgb(M['slab']), rgb(M['back'])
    for s in range(steps, 0, -1):
        t = s / steps
        base = slab if t <= 0.5 else back
        if 0.47 < t < 0.56:
            base = base * 0.72
        dx, dy = round(s * DEPTH_X / DEPTH_Y), s
        a = shift(face_a, dx, dy)
        sh = shift(wall, dx, dy) * (1.0 - 0.22 * t)
        col = base[None, None, :] * sh[..., None]
        img = over(img, np.dstack([col * a[..., None], a]))

    # the top face: ivory gradient, a slow mottle, fine grain and a sheen
    fc = LOOK_FACE.get(look, M['face']) if material != 'gold' else M['face']
    cv = Canvas(iw, ih, k)
    rrect(cv.c, fx, fy, FACE_W, FACE_H, R)
    cv.c.set_source(lin(fx, fy, fx + FACE_W * 0.8, fy + FACE_H, [(0, fc[0]), (1, fc[1])]))
    cv.c.fill()
    face = cv.array()
    mottle = smooth_noise(hh, ww, 26 * k, seed, octaves=3) * 0.018
    grain = blur(np.random.default_rng(seed + 1).standard_normal((hh, ww)).astype(np.float32), 0.6) * 0.012
    face[..., :3] *= (1 + mottle + grain)[..., None]
    yy, xx = np.mgrid[0:hh, 0:ww].astype(np.float32) / k
    band = np.exp(-(((xx - fx) * 0.55 + (yy - fy) * 0.45 - 38) / 22) ** 2)
    sheen = band * 0.22 * (0.6 if material != 'gold' else 1.2)
    face[..., :3] += (face[..., 3:4] - face[..., :3]) * sheen[..., None]
    e = emboss(face_a, 2.4 * k)[..., None]
    hi = np.clip(e, 0, 1) * 0.6
    lo = np.clip(-e, 0, 1) * 0.24
    face[..., :3] = face[..., :3] + (face_a[..., None] - face[..., :3]) * hi
    face[..., :3] *= (1 - lo)
    img = over(img, face)

    cv = Canvas(iw, ih, k)
    c = cv.c
    rrect(c, fx + 0.4, fy + 0.4, FACE_W - 0.8, FACE_H - 0.8, R - 0.4)
    c.set_line_width(0.8)
    c.set_source_rgba(*hexc(M['rim'], 0.6))
    c.stroke()
    if material == 'gold':
        gold_emblem(c, fx, fy)
    elif material == 'bear':
        bear_face(c, fx + LABEL_X, fy + LABEL_Y)
    if look == 'selected':
        rrect(c, fx + 2.2, fy + 2.2, FACE_W - 4.4, FACE_H - 4.4, R - 2)
        c.set_line_width(3.0)
        c.set_source_rgba(*hexc('#F08A00', 0.95))
        c.stroke()
        rrect(c, fx + 4.4, fy + 4.4, FACE_W - 8.8, FACE_H - 8.8, R - 4)
        c.set_line_width(1.0)
        c.set_source_rgba(1, 1, 1, 0.8)
        c.stroke()
    elif look == 'hint':
        rrect(c, fx + 1.8, fy + 1.8, FACE_W - 3.6, FACE_H - 3.6, R - 1.5)
        c.set_line_width(2.4)
        c.set_source_rgba(*hexc('#12B886', 0.95))
        c.stroke()
    top = cv.array()
    if material == 'gold':
        top = faces.carve(top, k)
    elif material == 'bear':
        pass
    img = over(img, top)
    if look == 'locked':
        img = dim(img)
    return img


def dim(img):
    out = img.copy()
    col = out[..., :3]
    lum = (col * np.array([0.3, 0.59, 0.11], np.float32)).sum(-1, keepdims=True)
    col = col * 0.9 + lum * 0.1
    out[..., :3] = np.clip(col * LOCK_K * np.array(LOCK_TINT, np.float32), 0, out[..., 3:4])
    return out


def gold_emblem(c, fx, fy):
    cx, cy = fx + FACE_W / 2, fy + FACE_H / 2
    ellipse(c, cx, cy, 40, 40)
    c.set_source(rad(cx, cy, 20, 40, [(0, '#FFF4C0'), (1, '#F2C04A')], fx=cx - 12, fy=cy - 14))
    c.fill()
    c.set_line_width(3.2)
    c.set_source_rgba(*hexc('#A2222A'))
    ellipse(c, cx, cy, 40, 40)
    c.stroke()
    c.set_line_width(1.3)
    ellipse(c, cx, cy, 33, 33)
    c.stroke()
    for i in range(8):
        a = i * math.pi / 4
        ellipse(c, cx + math.cos(a) * 36.5, cy + math.sin(a) * 36.5, 1.6, 1.6)
        c.fill()
    faces.cjk(c, '金', 50, cx, cy + 1, '#A2222A', maxw=48, maxh=50, embolden=2.0)
    # cloud-scroll corners
    for sx, sy in ((1, 1), (-1, 1), (1, -1), (-1, -1)):
        x = fx + FACE_W / 2 - sx * (FACE_W / 2 - 12)
        y = fy + FACE_H / 2 - sy * (FACE_H / 2 - 12)
        c.move_to(x, y + sy * 12)
        c.line_to(x, y)
        c.line_to(x + sx * 12, y)
        c.set_line_width(2.2)
        c.set_source_rgba(*hexc('#A2222A'))
        c.stroke()
        c.arc(x + sx * 4, y + sy * 4, 2.2, 0, 2 * math.pi)
        c.fill()


def bear_face(c, x0, y0):
    """the bear waiting to be freed, drawn on the face (label area x0, y0)"""
    c.save()
    c.translate(x0 + faces.LW / 2, y0 + 74)
    fur = [(0, '#C98C52'), (1, '#7A4A24')]
    for sx in (-1, 1):
        ellipse(c, sx * 27, -34, 13, 13)
        c.set_source(rad(sx * 27, -34, 1, 13, fur, fx=sx * 27 - 4, fy=-38))
        c.fill()
        ellipse(c, sx * 27, -33, 6.5, 6.5)
        c.set_source_rgba(*hexc('#E8B888'))
        c.fill()
    ellipse(c, 0, 0, 38, 35)
    c.set_source(rad(0, 0, 4, 40, fur, fx=-12, fy=-16))
    c.fill()
    ellipse(c, 0, 13, 17, 12.5)
    c.set_source_rgba(*hexc('#F0D2A8'))
    c.fill()
    ellipse(c, 0, 6.5, 6.5, 4.6)
    c.set_source_rgba(*hexc('#2A1A12'))
    c.fill()
    ellipse(c, -2, 5.2, 1.8, 1.2)
    c.set_source_rgba(1, 1, 1, 0.7)
    c.fill()
    c.set_source_rgba(*hexc('#2A1A12'))
    c.set_line_width(1.8)
    c.move_to(0, 11)
    c.line_to(0, 15.5)
    c.stroke()
    c.arc(-4.5, 15.5, 4.5, 0.15 * math.pi, 0.85 * math.pi)
    c.stroke()
    c.arc(4.5, 15.5, 4.5, 0.15 * math.pi, 0.85 * math.pi)
    c.stroke()
    for sx in (-1, 1):
        ellipse(c, sx * 13.5, -9, 4.2, 4.6)
        c.set_source_rgba(*hexc('#1B120C'))
        c.fill()
        ellipse(c, sx * 13.5 - 1.4, -10.6, 1.5, 1.5)
        c.set_source_rgba(1, 1, 1, 1)
        c.fill()
        ellipse(c, sx * 24, 9, 5.5, 4)
        c.set_source_rgba(*hexc('#F07A8A', 0.4))
        c.fill()
    # paws holding the edge
    for sx in (-1, 1):
        ellipse(c, sx * 20, 44, 11, 8)
        c.set_source(rad(sx * 20, 44, 1, 11, fur, fx=sx * 20 - 3, fy=40))
        c.fill()
        for j in (-1, 0, 1):
            ellipse(c, sx * 20 + j * 4.5, 39.5, 1.6, 1.6)
            c.set_source_rgba(*hexc('#5A3418'))
            c.fill()
    c.restore()


def glow(phase):
    """one frame of the pulsing hint glow around the tile's outline"""
    k = HI
    iw, ih = W + 2 * GLOW_MARGIN, H + 2 * GLOW_MARGIN
    face_a = _shape(iw, ih, GLOW_MARGIN, GLOW_MARGIN, FACE_W, FACE_H, R, k)
    hull = np.zeros_like(face_a)
    steps = DEPTH_Y * k
    for s in range(0, steps + 1, 2):
        hull = np.maximum(hull, shift(face_a, round(s * DEPTH_X / DEPTH_Y), s))
    pulse = 0.5 - 0.5 * math.cos(2 * math.pi * phase)
    wide = np.clip(blur(hull, (4.5 + 2.5 * pulse) * k) * 2.0, 0, 1)
    tight = np.clip(blur(hull, 1.6 * k) * 2.2, 0, 1)
    a = np.clip(wide * (0.55 + 0.4 * pulse) + tight * 0.35, 0, 1)
    out = tint_mask(a, '#38E0AE')
    core = np.clip(blur(hull, 1.0 * k) * 1.6, 0, 1) * (0.25 + 0.25 * pulse)
    return over(out, tint_mask(core, '#E8FFF6'))


# ------------------------------------------------------------------ sprite files

def _look_nodes(name, body_file, label, label_color=None, glow_frames=False):
    lines = [f'    <container name="{name}">']
    if glow_frames:
        lines.append(f'      <animation x="{-GLOW_MARGIN}" y="{-GLOW_MARGIN}" frameTime="0.1" loop="true">')
        for i in range(GLOW_FRAMES):
            lines.append(f'        <frame filename="data/gfx/tiles/glow_{i}.png"/>')
        lines.append('      </animation>')
    lines.append(f'      <image x="{-MARGIN}" y="{-MARGIN}" filename="{body_file}"/>')
    if label:
        extra = f' color="{label_color}"' if label_color else ''
        lines.append(f'      <image name="label" x="{LABEL_X}" y="{LABEL_Y}"{extra}/>')
    lines.append('    </container>')
    return lines


def sprite_xml(prefix, label):
    lines = [f'<sprite w="{W}" h="{H}">', '  <animations>']
    lines += _look_nodes('default', f'data/gfx/tiles/{prefix}.png', label)
    lines += _look_nodes('locked', f'data/gfx/tiles/{prefix}_locked.png', label, LABEL_LOCKED_COLOR)
    lines += _look_nodes('selected', f'data/gfx/tiles/{prefix}_selected.png', label)
    lines += _look_nodes('hint', f'data/gfx/tiles/{prefix}_hint.png', label, glow_frames=True)
    lines += ['  </animations>', '</sprite>', '']
    return '\n'.join(lines)


def make():
    for material, prefix in (('ivory', 'tile'), ('gold', 'gold'), ('bear', 'bear')):
        for look in LOOKS:
            name = prefix if look == 'default' else f'{prefix}_{look}'
            save_pair(body(look, material), f'data/gfx/tiles/{name}.png')
    for i in range(GLOW_FRAMES):
        save_pair(glow(i / GLOW_FRAMES), f'data/gfx/tiles/glow_{i}.png')
    for t in faces.TYPES:
        save_pair(faces.draw_face(t), f'data/gfx/tiles/labels/{t}.png')
    write_text('data/gfx/tiles/tile.sprite.xml', sprite_xml('tile', True))
    write_text('data/gfx/tiles/gold.sprite.xml', sprite_xml('gold', False))
    write_text('data/gfx/tiles/bear.sprite.xml', sprite_xml('bear', False))


def composite(tid, look, material=None):
    """a tile as the engine shows it (body, face with its look's tint), at HI"""
    material = material or ('gold' if tid == 1000 else 'bear' if tid == 2000 else 'ivory')
    img = body(look, material)
    if look == 'hint':
        g = glow(0.5)
        d = (GLOW_MARGIN - MARGIN) * HI
        img = over(g[d:d + img.shape[0], d:d + img.shape[1]], img)
    if material == 'ivory' and tid > 0:
        lab = faces.draw_face(tid)
        if look == 'locked':
            lab = lab * np.array(list(np.array(LOCK_TINT) * LOCK_K) + [1], np.float32)
        x, y = (MARGIN + LABEL_X) * HI, (MARGIN + LABEL_Y) * HI
        layer = np.zeros_like(img)
        layer[y:y + lab.shape[0], x:x + lab.shape[1]] = lab
        img = over(img, layer)
    return img
