#!/usr/bin/python3
"""Breaks the catalogue's texts into lines that fit the text viewer, which does not wrap.

The viewer shows 实验目的, 实验要求 and 实验说明. As it first opens, its memo shows 545 pixels of a line
in its 11-pixel font (MS Sans Serif, drawn with Liberation Sans, and WenQuanYi Zen Hei for what Liberation
Sans lacks). Lines are kept to LIMIT pixels; the rest is room for hinting that differs between displays.
Only lines wider than LIMIT are broken, with CR LF as the texts separate their paragraphs; a text that
already fits is left as it is. A line is broken after Chinese punctuation where one is near its end, else
where Chinese meets an ASCII name or number, else between two Chinese characters: never inside an ASCII
word, number or phrase, never before closing or after opening punctuation, and never so that a few
characters are left alone on the last line.

    /usr/bin/python3 data/scripts/break_texts.py [FILE.json ...]   (default: data/catalogue/*/*.json)

The test SampleCatalogue.TextsFitTheirFieldsAndTheTextViewerWithoutSidewaysScrolling checks the result
with the viewer itself.
"""
import glob
import json
import os
import sys

from PIL import ImageFont

from drawing import DATA, FONT_PATH

COLUMNS = ['实验目的', '实验要求', '实验说明']
LIMIT = 533
LATIN_PATH = '/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf'
NO_LINE_START = '，。、；：！？）》”’,.;:!?)'
NO_LINE_END = '（《“‘('
GOOD_END = '，。、；：！？）”'
ORPHAN = 44  # four Chinese characters

LATIN = ImageFont.truetype(LATIN_PATH, 11)
CJK = ImageFont.truetype(FONT_PATH, 11)
_NOTDEF = LATIN.getmask('\ue000')
_in_latin = {}


def in_latin(ch):
    """Whether Liberation Sans draws the character (it does not draw its missing-glyph box)."""
    if ch not in _in_latin:
        m = LATIN.getmask(ch)
        _in_latin[ch] = not (m.size == _NOTDEF.size and bytes(m) == bytes(_NOTDEF))
    return _in_latin[ch]


def width(text):
    """The text's width in the viewer's font: each run in the face that draws it."""
    total, run, run_latin = 0.0, '', None
    for ch in text:
        latin = in_latin(ch)
        if run and latin != run_latin:
            total += (LATIN if run_latin else CJK).getlength(run)
            run = ''
        run, run_latin = run + ch, latin
    if run:
        total += (LATIN if run_latin else CJK).getlength(run)
    return total


def allowed(s, k):
    """Whether a line may end before s[k]."""
    a, b = s[k - 1], s[k]
    return b not in NO_LINE_START and a not in NO_LINE_END and not (a.isascii() and b.isascii())


def break_line(rest):
    lines = []
    while width(rest) > LIMIT:
        n = 1
        while n < len(rest) and width(rest[:n + 1]) <= LIMIT:
            n += 1
        candidates = [k for k in range(n, 0, -1) if k < len(rest) and allowed(rest, k)]
        chosen = next((k for k in candidates if rest[k - 1] in GOOD_END and width(rest[:k]) >= 0.6 * LIMIT),
                      None)
        if chosen is None:
            chosen = next((k for k in candidates if rest[k - 1].isascii() != rest[k].isascii()
                           and width(rest[:k]) >= 0.8 * LIMIT), None)
        if chosen is None:
            chosen = next(iter(candidates), None)
        if chosen is None:
            raise SystemExit('no place to break: ' + rest)
        if width(rest[chosen:]) < ORPHAN:
            earlier = [k for k in range(chosen - 1, 0, -1) if allowed(rest, k)]
            chosen = next((k for k in earlier if rest[k - 1] in GOOD_END and width(rest[:k]) >= 0.4 * LIMIT),
                          next((k for k in earlier if width(rest[k:]) >= ORPHAN), chosen))
        lines.append(rest[:chosen].strip())
        rest = rest[chosen:].strip()
    lines.append(rest)
    return lines


def break_text(text):
    return '\r\n'.join(line for para in text.split('\r\n') for line in break_line(para))


def main(files):
    changed = 0
    for path in files:
        with open(path, encoding='utf-8') as f:
            row = json.load(f)
        new = dict(row, **{c: break_text(row[c]) for c in COLUMNS if c in row})
        if new != row:
            with open(path, 'w', encoding='utf-8', newline='') as f:
                f.write(json.dumps(new, ensure_ascii=False, indent=2) + '\n')
            changed += 1
    print('%d of %d files changed' % (changed, len(files)))


if __name__ == '__main__':
    main(sys.argv[1:] or sorted(glob.glob(os.path.join(DATA, 'catalogue', '*', '*.json'))))
