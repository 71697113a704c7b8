#!/usr/bin/env python3
"""Writes the shaped-text seeds of unicode_font_fuzz (shape-*.bin beside its
font seeds): one short text per script in the input layout the target's
header describes, text given as characters and coded as (piece, offset)
pairs against the target's table of pieces, which PIECES repeats."""
import pathlib
import struct
import sys

from make_truetype_seeds import font

# (first, count) in the order of the target's kPieces.
PIECES = [(0x20, 1), (0x61, 26), (0x41, 26), (0x21, 31), (0xC0, 0xC0), (0x300, 0x70), (0x621, 0x2A),
          (0x64B, 8), (0x660, 10), (0x5D0, 27), (0x5B0, 0x18), (0x900, 0x80), (0xE01, 0x5B), (0x4E00, 0x100),
          (0x3000, 0x40), (0x3041, 0x5F), (0x1F600, 0x50), (0x1F3FB, 5), (0x1F1E6, 26), (0x200C, 4),
          (0x202A, 5), (0x2066, 4), (0xAD, 1), (0x2D, 1), (0x09, 5)]
LAM_ALEF = len(PIECES)
DIRECTIONS = {"auto": 0, "ltr": 1, "rtl": 2}
ALIGNMENTS = {"left": 0, "center": 1, "right": 2, "full": 3}
WIDTHS = [0, 0.001, 0.5, 3, 12, 40, 150, 2000]


def pairs(text):
    out = bytearray()
    for c in map(ord, text):
        index = next(i for i, (first, count) in enumerate(PIECES) if first <= c < first + count)
        out += bytes([index, c - PIECES[index][0]])
    return bytes(out)


def seed(text, direction="auto", alignment="left", width=40, inclination=0, height=0, carried_font=None):
    settings = bytes([DIRECTIONS[direction], ALIGNMENTS[alignment], WIDTHS.index(width),
                      (inclination // 3) & 0xFF, height, 1 if carried_font else 0])
    body = pairs(text)
    if carried_font:
        body = struct.pack(">H", len(body)) + body + carried_font
    return b"SHAPE" + settings + body


def main(folder):
    out = pathlib.Path(folder)
    out.mkdir(parents=True, exist_ok=True)
    seeds = {
        "latin-marks": seed("Cafe\u0301 na\u0308ive A\u030A \u00C5ngstr\u00F6m", width=12),
        "arabic": seed("\u0644\u0627 \u0628\u0650\u0633\u0652\u0645\u0650 \u0627\u0644\u0644\u0651\u0647 \u0661\u0662",
                       direction="rtl", alignment="full", width=12) + bytes([LAM_ALEF, 3]),
        "hebrew-points": seed("\u05E9\u05B8\u05C1\u05DC\u05D5\u05B9\u05DD abc 123", alignment="right"),
        "devanagari": seed("\u0915\u094D\u0937\u093F \u0928\u092E\u0938\u094D\u0924\u0947", alignment="center"),
        "thai": seed("\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22 \u0E01\u0E33\u0E19\u0E49\u0E33", width=0.5),
        "cjk": seed("\u4E2D\u4E00\u4E0A\u4E0B\u3001\u3042\u3044\u3002", width=3, height=3),
        "emoji": seed("\U0001F600\U0001F3FD \U0001F1EF\U0001F1F5 a\u200D\U0001F602", width=0),
        "bidi-controls": seed("abc \u202E\u05D0\u05D1 123\u202C \u2067\u0627\u0644\u2069 \u200F!", direction="ltr",
                              inclination=30),
        "soft-hyphen-joiners": seed("hy\u00ADphen\u00ADation \u0644\u200D \u0915\u094D\u200C\u0937", width=3,
                                    alignment="full", direction="rtl"),
        "carried-font": seed("A A\u05D0 A", carried_font=font(os2_tail=76)),
    }
    for name, data in seeds.items():
        (out / f"shape-{name}.bin").write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "fuzz/corpus/truetype")
