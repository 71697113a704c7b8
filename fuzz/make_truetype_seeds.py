#!/usr/bin/env python3
"""Writes the seeds of truetype_fuzz and unicode_font_fuzz: a minimal TrueType
font built from the format (three glyphs, a format 4 cmap), and damaged
variants of it."""
import pathlib
import struct
import sys


def checksum(data):
    data += b"\0" * (-len(data) % 4)
    return sum(struct.unpack(">%dI" % (len(data) // 4), data)) & 0xFFFFFFFF


def font(glyph_table=b"glyf", head_table=b"head", os2_tail=72):
    """os2_tail=76 makes the OS/2 table as long as its version 1 needs,
    which the subsetter of Unicode fonts insists on."""
    square = struct.pack(">hhhhh", 1, 50, 0, 550, 700) + struct.pack(">HH", 3, 0) + bytes([1, 1, 1, 1]) + \
        struct.pack(">hhhh", 50, 0, 500, 0) + struct.pack(">hhhh", 0, 700, 0, -700)
    square += b"\0" * (-len(square) % 4)
    glyf = square
    loca = struct.pack(">HHHH", 0, 0, 0, len(square) // 2)            # .notdef and space are empty
    hmtx = struct.pack(">HhHhHh", 500, 0, 250, 0, 600, 50)
    segments = [(0x20, 0x20, 1 - 0x20), (0x41, 0x41, 2 - 0x41), (0xFFFF, 0xFFFF, 1)]  # space, A
    count = len(segments)
    cmap4 = struct.pack(">HHHHHHH", 4, 16 + 8 * count, 0, 2 * count, 4, 1, 2 * count - 4)
    cmap4 += b"".join(struct.pack(">H", s[1]) for s in segments) + b"\0\0"
    cmap4 += b"".join(struct.pack(">H", s[0]) for s in segments)
    cmap4 += b"".join(struct.pack(">h", s[2]) for s in segments)
    cmap4 += b"\0\0" * count
    cmap = struct.pack(">HHHHI", 0, 1, 3, 1, 12) + cmap4
    head = struct.pack(">IIIIHHqqhhhhHHhhh", 0x10000, 0x10000, 0, 0x5F0F3CF5, 0, 1000, 0, 0,
                       0, 0, 550, 700, 0, 8, 2, 0, 0)
    hhea = struct.pack(">IhhhHhhhhhhhhhhhH", 0x10000, 800, -200, 0, 600, 0, 0, 550, 1, 0, 0, 0, 0, 0, 0, 0, 3)
    maxp = struct.pack(">IHHHHHHHHHHHHHH", 0x10000, 3, 4, 1, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0)
    name_text = "Seed".encode("utf-16-be")
    name = struct.pack(">HHH", 0, 1, 18) + struct.pack(">HHHHHH", 3, 1, 0x409, 4, len(name_text), 0) + name_text
    post = struct.pack(">IIhhIIIII", 0x30000, 0, 0, 0, 0, 0, 0, 0, 0)
    os2 = struct.pack(">HhHHH", 1, 500, 400, 5, 0) + b"\0" * os2_tail
    tables = {b"OS/2": os2, b"cmap": cmap, glyph_table: glyf, head_table: head, b"hhea": hhea, b"hmtx": hmtx,
              b"loca": loca, b"maxp": maxp, b"name": name, b"post": post}
    tags = sorted(tables)
    offset = 12 + 16 * len(tags)
    directory = struct.pack(">IHHHH", 0x10000, len(tags), 128, 3, len(tags) * 16 - 128)
    body = b""
    for tag in tags:
        data = tables[tag]
        directory += struct.pack(">4sIII", tag, checksum(data), offset + len(body), len(data))
        body += data + b"\0" * (-len(data) % 4)
    return directory + body


def table_offset(data, tag):
    count = struct.unpack(">H", data[4:6])[0]
    for entry in range(12, 12 + 16 * count, 16):
        if data[entry:entry + 4] == tag:
            return struct.unpack(">I", data[entry + 8:entry + 12])[0]
    raise KeyError(tag)


def main(folder):
    out = pathlib.Path(folder)
    out.mkdir(parents=True, exist_ok=True)
    good = font()
    unicode = font(os2_tail=76)
    seeds = {
        "minimal.ttf": good,
        "no-outlines.ttf": font(b"glyx"),
        "truncated.ttf": good[:len(good) // 2],
        "directory-only.ttf": good[:12 + 16 * 10],
        "unicode.ttf": unicode,
        # Damage the font libraries read past: cut inside the glyph table and
        # inside the last table; no head table (its tag changed, the
        # directory still in order).
        "cut-in-glyf.ttf": unicode[:table_offset(unicode, b"glyf") + 8],
        "cut-last-table.ttf": unicode[:-8],
        "no-head.ttf": font(head_table=b"hea_", os2_tail=76),
        "collection.ttc": b"ttcf" + good[4:],
        "cff.otf": b"OTTO" + good[4:],
    }
    for name, data in seeds.items():
        (out / name).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "fuzz/corpus/truetype")
