#!/usr/bin/env bash
# Writes the picture files tests/native/pictures.vls and lossless.vls import
# into folder $1: a 24-bit bitmap, a 32-bit icon with an alpha channel and a
# placeable metafile byte by byte from their formats, and PNGs of every
# colour type and depth. The JPEG is made by the caller.
set -euo pipefail
out=$1

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
byte() { printf "\\x$(printf %02x $(($1 & 255)))"; }

# 40 x 30 bitmap, rows bottom-up, a colour gradient with a dark diagonal.
bitmap() {
  local width=40 height=30 row=$((40 * 3))
  le16 0x4D42; le32 $((54 + row * height)); le32 0; le32 54
  le32 40; le32 $width; le32 $height; le16 1; le16 24; le32 0; le32 $((row * height)); le32 2835; le32 2835; le32 0; le32 0
  LC_ALL=C awk -v w=$width -v h=$height 'BEGIN {
    for (y = 0; y < h; y++) for (x = 0; x < w; x++)
      if (x == y) printf "%c%c%c", 0, 0, 0; else printf "%c%c%c", y * 8, 128, x * 6 }'
}

# 16 x 16 icon, 32 bits: a blue square whose left half fades out over white.
icon() {
  local size=16
  le16 0; le16 1; le16 1
  byte $size; byte $size; byte 0; byte 0; le16 1; le16 32; le32 $((40 + size * size * 4 + size * 4)); le32 22
  le32 40; le32 $size; le32 $((size * 2)); le16 1; le16 32; le32 0; le32 0; le32 0; le32 0; le32 0; le32 0
  LC_ALL=C awk -v s=$size 'BEGIN {
    for (y = 0; y < s; y++) for (x = 0; x < s; x++) printf "%c%c%c%c", 200, 60, 20, (x < 8 ? x * 32 : 255)
    for (y = 0; y < s * 4; y++) printf "%c", 0 }'   # the AND mask: all opaque
}

# Placeable metafile, 1440 units per inch, 0..1440 x 0..960 (96 x 64 pixels):
# a red rectangle with the default black pen and a green ellipse inside it.
metafile() {
  local words=(0xCDD7 0x9AC6 0 0 0 1440 960 1440 0 0) checksum=0 w
  for w in "${words[@]}"; do checksum=$((checksum ^ w)); done
  for w in "${words[@]}"; do le16 "$w"; done
  le16 $checksum
  local records=$((7 + 4 + 7 + 7 + 4 + 7 + 3))
  le16 1; le16 9; le16 0x0300; le32 $((9 + records)); le16 2; le32 7; le16 0
  le32 7; le16 0x02FC; le16 0; byte 220; byte 30; byte 30; byte 0; le16 0   # CreateBrushIndirect red
  le32 4; le16 0x012D; le16 0                                                # SelectObject 0
  le32 7; le16 0x041B; le16 860; le16 1300; le16 100; le16 140              # Rectangle
  le32 7; le16 0x02FC; le16 0; byte 30; byte 160; byte 60; byte 0; le16 0   # CreateBrushIndirect green
  le32 4; le16 0x012D; le16 1                                                # SelectObject 1
  le32 7; le16 0x0418; le16 760; le16 1100; le16 200; le16 340              # Ellipse
  le32 3; le16 0                                                             # end
}

bitmap >"$out/picture.bmp"
icon >"$out/picture.ico"
metafile >"$out/picture.wmf"

# The PNGs of tests/native/lossless.vls, one of each way PNG stores samples
# (pypng writes exactly the colour type, depth, palette and tRNS asked for),
# 24 x 16 with every sample value the depth allows appearing.
/usr/bin/python3 - "$out" <<'PY'
import sys
import png

out, w, h = sys.argv[1], 24, 16

def grey(depth):
    top = (1 << depth) - 1
    return [[(x * 7 + y * 5) * top // (w * 7 + h * 5) if (x + y) % 5 else top - (x * top // w) for x in range(w)]
            for y in range(h)]

def rgb(depth):
    top = (1 << depth) - 1
    return [[v for x in range(w) for v in (x * top // (w - 1), y * top // (h - 1), (x * y * 997) % (top + 1))]
            for y in range(h)]

def with_alpha(rows, colours, depth):
    top = (1 << depth) - 1
    return [[v for x in range(w) for v in (*row[x * colours:(x + 1) * colours], (x * 11 + y * 3) * top // (w * 11 + h * 3))]
            for y, row in enumerate(rows)]

def palette(depth, alpha):
    count = min(1 << depth, 200)  # 8-bit: some indices beyond the palette's end stay unused
    entries = [((i * 53) % 256, (i * 101) % 256, (255 - i * 29) % 256) for i in range(count)]
    if alpha:
        entries = [e + ((i * 37) % 256,) if i < count // 2 else e for i, e in enumerate(entries)]
    rows = [[(x + y * 3) % count for x in range(w)] for y in range(h)]
    return rows, entries

def write(name, rows, **options):
    with open(f"{out}/{name}.png", "wb") as f:
        png.Writer(w, h, **options).write(f, rows)

write("grey1", grey(1), greyscale=True, bitdepth=1)
write("grey8", grey(8), greyscale=True, bitdepth=8)
write("grey16", grey(16), greyscale=True, bitdepth=16)
write("grey4-key", grey(4), greyscale=True, bitdepth=4, transparent=3)
write("rgb8", rgb(8), greyscale=False, bitdepth=8)
write("rgb16", rgb(16), greyscale=False, bitdepth=16)
write("rgb8-key", rgb(8), greyscale=False, bitdepth=8, transparent=rgb(8)[2][6:9])
for depth in (4, 8):
    for alpha in (False, True):
        rows, entries = palette(depth, alpha)
        write(f"palette{depth}{'-trns' if alpha else ''}", rows, palette=entries, bitdepth=depth)
write("grey-alpha8", with_alpha(grey(8), 1, 8), greyscale=True, alpha=True, bitdepth=8)
write("grey-alpha16", with_alpha(grey(16), 1, 16), greyscale=True, alpha=True, bitdepth=16)
write("rgba8", with_alpha(rgb(8), 3, 8), greyscale=False, alpha=True, bitdepth=8)
write("rgba16", with_alpha(rgb(16), 3, 16), greyscale=False, alpha=True, bitdepth=16)
write("interlaced", rgb(8), greyscale=False, bitdepth=8, interlace=True)
PY
