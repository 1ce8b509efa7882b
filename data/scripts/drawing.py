"""Shared drawing helpers for the picture scripts: canvas, CJK font, boxes, arrows, JPEG output."""
import os
from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.dirname(HERE)
ROOT = os.path.dirname(DATA)
PIC = os.path.join(DATA, 'pic')
FONT_PATH = '/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc'

INK = (20, 20, 20)
BLUE = (30, 60, 160)
RED = (190, 30, 30)
GREEN = (20, 120, 40)
PALE = (235, 242, 255)
CHIP = (250, 246, 228)
WIDTH, HEIGHT = 640, 480

_fonts = {}


def font(size):
    if size not in _fonts:
        _fonts[size] = ImageFont.truetype(FONT_PATH, size)
    return _fonts[size]


def canvas(title, w=WIDTH, h=HEIGHT):
    """A white page with a title bar; returns (image, draw)."""
    img = Image.new('RGB', (w, h), 'white')
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, 34], fill=(225, 232, 245))
    d.text((w // 2, 17), title, font=font(20), fill=INK, anchor='mm')
    d.rectangle([0, 0, w - 1, h - 1], outline=(150, 150, 150))
    return img, d


def text_width(text, size):
    return font(size).getlength(text)


def box(d, x0, y0, x1, y1, label=None, size=15, fill=PALE, outline=INK, width=2):
    d.rectangle([x0, y0, x1, y1], fill=fill, outline=outline, width=width)
    if label:
        lines = label.split('\n')
        lh = size + 4
        top = (y0 + y1) / 2 - lh * (len(lines) - 1) / 2
        for i, line in enumerate(lines):
            d.text(((x0 + x1) / 2, top + i * lh), line, font=font(size), fill=INK, anchor='mm')


def arrow(d, pts, fill=INK, width=2, head=8):
    """A polyline ending in an arrow head at its last point."""
    d.line(pts, fill=fill, width=width)
    (xa, ya), (xb, yb) = pts[-2], pts[-1]
    import math
    ang = math.atan2(yb - ya, xb - xa)
    left = (xb - head * math.cos(ang - 0.4), yb - head * math.sin(ang - 0.4))
    right = (xb - head * math.cos(ang + 0.4), yb - head * math.sin(ang + 0.4))
    d.polygon([(xb, yb), left, right], fill=fill)


NO_LINE_START = '，。、；：！？）》”’'


def units(text):
    """The pieces a line may be broken between: a run of ASCII non-blanks (a name or number such as
    "FF28H" or "P1.0"), or any other single character; closing punctuation stays with what it follows."""
    out = []
    for ch in text:
        ascii_word = ch.isascii() and not ch.isspace()
        if out and ((ascii_word and out[-1][-1].isascii() and not out[-1][-1].isspace())
                    or ch in NO_LINE_START):
            out[-1] += ch
        else:
            out.append(ch)
    return out


def wrap(text, size, max_width):
    """Splits text (Chinese or Latin) into lines no wider than max_width, never inside an ASCII word or
    number unless the word alone is wider than a line."""
    lines = []
    for para in text.split('\n'):
        cur = ''
        for unit in units(para):
            if cur and text_width(cur + unit, size) > max_width:
                lines.append(cur.rstrip())
                cur = unit.lstrip()
            else:
                cur += unit
            # a word wider than a line is broken between its characters
            while len(cur) > 1 and text_width(cur, size) > max_width:
                n = len(cur) - 1
                while n > 1 and text_width(cur[:n], size) > max_width:
                    n -= 1
                lines.append(cur[:n])
                cur = cur[n:]
        lines.append(cur)
    if lines and not lines[-1]:
        lines.pop()
    return lines


def paragraph(d, x, y, text, size=14, max_width=600, fill=INK, spacing=4):
    """Draws wrapped text; returns the y below it."""
    for line in wrap(text, size, max_width):
        d.text((x, y), line, font=font(size), fill=fill)
        y += size + spacing
    return y


def save(img, name):
    """Saves under data/pic/ as JPEG (quality 85, optimised)."""
    path = os.path.join(PIC, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, 'JPEG', quality=85, optimize=True)
    return path
