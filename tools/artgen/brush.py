"""Brush-painting primitives: tapered strokes, leaves and petals built as
filled outlines, so motifs read as ink painting rather than clip-art."""
import math

import numpy as np

from .common import catmull, hexc


def _normals(p):
    d = np.gradient(p, axis=0)
    n = np.stack([-d[:, 1], d[:, 0]], 1)
    return n / (np.linalg.norm(n, axis=1, keepdims=True) + 1e-9)


def stroke_outline(pts, widths, samples=18):
    """polygon around a spline through pts whose width follows `widths`:
    a callable of t in 0..1 or a pair (start, end) interpolated smoothly"""
    p = catmull([tuple(q) for q in pts], samples)
    t = np.linspace(0, 1, len(p))
    if callable(widths):
        w = np.array([widths(x) for x in t])
    else:
        w0, w1 = widths
        w = w0 + (w1 - w0) * t
    n = _normals(p)
    left = p + n * (w[:, None] / 2)
    right = p - n * (w[:, None] / 2)
    return np.concatenate([left, right[::-1]])


def brush(c, pts, widths, col, alpha=1.0, samples=18):
    outline = stroke_outline(pts, widths, samples)
    c.move_to(*outline[0])
    for q in outline[1:]:
        c.line_to(*q)
    c.close_path()
    if col is not None:
        c.set_source_rgba(*(hexc(col, alpha) if isinstance(col, str) else col))
        c.fill()


def taper(peak=1.0, at=0.35, end=0.08, start=0.25):
    """width profile: starts at start*peak, swells to peak at `at`, thins to end*peak"""
    def f(t):
        if t < at:
            u = t / at
            return peak * (start + (1 - start) * math.sin(u * math.pi / 2))
        u = (t - at) / (1 - at)
        return peak * (end + (1 - end) * math.cos(u * math.pi / 2) ** 1.2)
    return f


def leaf_path(c, x, y, length, width, angle, bend=0.0):
    """a pointed leaf from its base at (x, y) along `angle` (radians)"""
    ca, sa = math.cos(angle), math.sin(angle)

    def P(u, v):
        return (x + ca * u - sa * v, y + sa * u + ca * v)
    b = bend * length
    c.move_to(*P(0, 0))
    c.curve_to(*P(length * 0.25, -width + b * 0.3), *P(length * 0.7, -width * 0.8 + b), *P(length, b * 1.2))
    c.curve_to(*P(length * 0.7, width * 0.8 + b), *P(length * 0.25, width + b * 0.3), *P(0, 0))
    c.close_path()


def petal_path(c, cx, cy, r_in, r_out, angle, half_width):
    """a rounded petal between radii r_in and r_out around (cx, cy)"""
    ca, sa = math.cos(angle), math.sin(angle)

    def P(u, v):
        return (cx + ca * u - sa * v, cy + sa * u + ca * v)
    c.move_to(*P(r_in, 0))
    c.curve_to(*P(r_in + (r_out - r_in) * 0.2, -half_width * 1.1), *P(r_out, -half_width * 0.9), *P(r_out, 0))
    c.curve_to(*P(r_out, half_width * 0.9), *P(r_in + (r_out - r_in) * 0.2, half_width * 1.1), *P(r_in, 0))
    c.close_path()
