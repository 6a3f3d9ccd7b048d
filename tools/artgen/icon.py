"""The window icon, data/icons/101.png: a red-dragon tile from the game's own
tile art, 64 x 64 (the window asks for resource 101; the platform layer reads
resource N from data/icons/N.png)."""
import numpy as np
from PIL import Image

from . import tiles
from .common import np_to_pil, target, WRITTEN


def make():
    a = tiles.composite(32, 'default')
    img = np_to_pil(a)
    # crop the body and its shadow, keep the aspect, centre in 64 x 64
    box = img.getbbox()
    img = img.crop(box)
    k = 62 / max(img.size)
    img = img.resize((max(1, round(img.size[0] * k)), max(1, round(img.size[1] * k))), Image.LANCZOS)
    out = Image.new('RGBA', (64, 64), (0, 0, 0, 0))
    out.alpha_composite(img, ((64 - img.size[0]) // 2, (64 - img.size[1]) // 2))
    out.save(target('data/icons/101.png'), optimize=True)
    WRITTEN.append('data/icons/101.png')
