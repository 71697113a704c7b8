"""Independent readings of shaped text: where a PDF page puts each glyph (read
with pikepdf), what HarfBuzz's hb-shape and hb-view make of a text, FriBidi's
visual order and libunibreak's break opportunities (both through ctypes), and
a comparison of rendered lines."""

import ctypes
import json
import re
import struct
import subprocess
from dataclasses import dataclass, field

import pikepdf


def units_per_em(font_file):
    """The font's units per em, from its head table."""
    with open(font_file, "rb") as file:
        data = file.read()
    count = struct.unpack_from(">H", data, 4)[0]
    for index in range(count):
        tag, _, offset, _ = struct.unpack_from(">4sIII", data, 12 + 16 * index)
        if tag == b"head":
            return struct.unpack_from(">H", data, offset + 18)[0]
    raise ValueError(f"{font_file} has no head table")


# ---- where the page puts its glyphs

@dataclass
class Glyph:
    font: str      # the resource name
    glyph: int     # the glyph id
    x: float       # the origin, in text space units from the line's start
    y: float       # the text rise
    size: float
    advance: float  # in text space units


@dataclass
class Line:
    """One BT ... ET block: its origin on the page and its glyphs, in drawing order."""
    x: float = 0
    y: float = 0
    glyphs: list = field(default_factory=list)
    end: float = 0  # the pen's position after the last glyph and adjustment


def _widths(descendant):
    widths, default = {}, float(descendant.get("/DW", 1000))
    entries = list(descendant.get("/W", []))
    i = 0
    while i < len(entries):
        first = int(entries[i])
        if isinstance(entries[i + 1], pikepdf.Array):
            for k, width in enumerate(entries[i + 1]):
                widths[first + k] = float(width)
            i += 2
        else:
            for cid in range(first, int(entries[i + 1]) + 1):
                widths[cid] = float(entries[i + 2])
            i += 3
    return widths, default


class _Font:
    def __init__(self, font):
        descendant = font.DescendantFonts[0]
        self.widths, self.default = _widths(descendant)
        gid_map = descendant.get("/CIDToGIDMap", pikepdf.Name.Identity)
        self.gids = None if gid_map == pikepdf.Name.Identity else gid_map.read_bytes()

    def glyph(self, cid):
        return cid if self.gids is None else struct.unpack_from(">H", self.gids, 2 * cid)[0]

    def width(self, cid):
        return self.widths.get(cid, self.default)


def page_lines(path, page=0):
    """The text lines of a page drawn in composite fonts (two-byte codes)."""
    with pikepdf.open(path) as pdf:
        source = pdf.pages[page]
        fonts = {str(name): _Font(font) for name, font in source.Resources.Font.items()
                 if font.Subtype == pikepdf.Name.Type0}
        lines, line, state = [], None, {}
        for operands, operator in pikepdf.parse_content_stream(source):
            op = str(operator)
            if op == "BT":
                line, state = Line(), {"rise": 0.0, "spacing": 0.0, "scale": 1.0, "x": 0.0}
            elif op == "ET":
                line.end = state["x"]
                lines.append(line)
            elif op == "Tm":
                line.x, line.y = float(operands[4]), float(operands[5])
            elif op == "Tf":
                state["font"], state["size"] = str(operands[0]), float(operands[1])
            elif op == "Ts":
                state["rise"] = float(operands[0])
            elif op == "Tc":
                state["spacing"] = float(operands[0])
            elif op == "Tz":
                state["scale"] = float(operands[0]) / 100
            elif op in ("TJ", "Tj"):
                items = operands[0] if op == "TJ" else [operands[0]]
                for item in items:
                    _show(item, fonts.get(state.get("font")), state, line)
    return lines


def _show(item, font, state, line):
    size, scale = state["size"], state["scale"]
    if not isinstance(item, pikepdf.String):
        state["x"] -= float(item) / 1000 * size * scale
        return
    data = bytes(item)
    for k in range(0, len(data), 2):
        cid = struct.unpack_from(">H", data, k)[0]
        advance = (font.width(cid) / 1000 * size + state["spacing"]) * scale
        line.glyphs.append(Glyph(state["font"], font.glyph(cid), state["x"], state["rise"], size, advance))
        state["x"] += advance


def in_font_units(line, upem):
    """(glyph id, x, y) of each glyph of the line, in font units."""
    return [(g.glyph, g.x * upem / g.size, g.y * upem / g.size) for g in line.glyphs]


# ---- HarfBuzz

def _hb_glyphs(font_file, text, direction=None, shapers=None):
    command = ["hb-shape", "--language=und", "--no-glyph-names", "--output-format=json",
               f"--font-file={font_file}", f"--text={text}"]
    if direction:
        command.append(f"--direction={direction}")
    if shapers:
        command.append(f"--shapers={shapers}")
    return json.loads(subprocess.run(command, capture_output=True, text=True, check=True).stdout)


def hb_shape(font_file, text, direction=None):
    """The glyphs hb-shape gives, as (glyph id, x, y, cluster) in font units
    with x accumulated from the start, and the total advance."""
    placed, pen = [], 0
    for g in _hb_glyphs(font_file, text, direction):
        placed.append((g["g"], pen + g["dx"], g["dy"], g["cl"]))
        pen += g["ax"]
    return placed, pen


def character_advances(font_file, text):
    """Each character's share of hb-shape's advances, in font units: a
    cluster's goes to its first character."""
    advances = [0] * len(text)
    for g in _hb_glyphs(font_file, text):
        advances[g["cl"]] += g["ax"]
    return advances


def render_hb_view(font_file, text, size, dpi, folder, name, shapers=None):
    """The text drawn by hb-view, rendered by pdftoppm like the pages are, as
    rows of grey values. hb-view clips its drawing to the glyphs' extents,
    which cut off stacked marks of some fonts, so its outlines are taken from
    its SVG output without the clip and redrawn in a PDF."""
    command = ["hb-view", "--language=und", "--margin=16", f"--font-size={size}", "--output-format=svg",
               f"--font-file={font_file}", f"--text={text}"]
    if shapers:
        command.append(f"--shapers={shapers}")
    svg = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    pdf = f"{folder}/{name}.pdf"
    _svg_glyphs_as_pdf(svg, pdf, 72 / dpi)
    return render(pdf, dpi)


def _svg_glyphs_as_pdf(svg, path, pixel):
    width, height = (float(v) for v in re.search(r'viewBox="0 0 ([\d.]+) ([\d.]+)"', svg).groups())
    outlines = {}
    for symbol, body in re.findall(r'<symbol[^>]*id="([^"]+)">(.*?)</symbol>', svg, re.S):
        outlines[symbol] = " ".join(_pdf_path(d) for d in re.findall(r' d="([^"]*)"', body))
    uses = re.findall(r'<use xlink:href="#([^"]+)" x="([-\d.]+)" y="([-\d.]+)"', svg)
    # The baseline on a pixel boundary, as on the pages compared with it.
    baseline = float(uses[0][2]) if uses else 0
    shift = round(baseline / pixel) * pixel - baseline
    content = [f"1 0 0 -1 0 {height} cm 1 0 0 1 0 {shift} cm"]
    for symbol, x, y in uses:
        content.append(f"q 1 0 0 1 {x} {y} cm {outlines[symbol]} f Q")
    pdf = pikepdf.new()
    pdf.add_blank_page(page_size=(width, height))
    pdf.pages[0].Contents = pdf.make_stream("\n".join(content).encode())
    pdf.save(path)


def _pdf_path(d):
    """An SVG path of cairo's (M, L, C and Z, absolute) as PDF path operators."""
    operators = {"M": "m", "L": "l", "C": "c", "Z": "h"}
    out = []
    for command, numbers in re.findall(r"([MLCZ])([^MLCZ]*)", d):
        out.append(f"{numbers.strip()} {operators[command]}".strip())
    return " ".join(out)


def render(pdf, dpi, crop=None):
    """The first page of a PDF as rows of grey values (0 black), cropped to
    `crop` = (x, y, width, height) in pixels when given."""
    command = ["pdftoppm", "-gray", "-r", str(dpi), "-f", "1", "-l", "1"]
    if crop:
        command += ["-x", str(crop[0]), "-y", str(crop[1]), "-W", str(crop[2]), "-H", str(crop[3])]
    data = subprocess.run(command + [pdf], capture_output=True, check=True).stdout
    header = data.split(maxsplit=4)  # P5 width height maxval pixels
    width, height = int(header[1]), int(header[2])
    pixels = header[4]
    return [pixels[row * width:(row + 1) * width] for row in range(height)]


def _ink(image, threshold=128):
    """The ink (dark pixels) cropped to its bounding box, as a set of (x, y)."""
    points = {(x, y) for y, row in enumerate(image) for x, value in enumerate(row) if value < threshold}
    if not points:
        return set(), (0, 0)
    left, top = min(x for x, _ in points), min(y for _, y in points)
    right, bottom = max(x for x, _ in points), max(y for _, y in points)
    return {(x - left, y - top) for x, y in points}, (right - left + 1, bottom - top + 1)


def ink_agreement(image, reference):
    """How much of each image's ink lies within a pixel of the other's, the
    smaller share, after aligning the inks' bounding boxes: 1 for the same
    drawing; the two renderers' antialiasing differs at the edges only."""
    a, _ = _ink(image)
    b, _ = _ink(reference)
    if not a or not b:
        return 0.0
    near = [(dx, dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
    grown_a = {(x + dx, y + dy) for x, y in a for dx, dy in near}
    grown_b = {(x + dx, y + dy) for x, y in b for dx, dy in near}
    return min(len(a & grown_b) / len(a), len(b & grown_a) / len(b))


# ---- FriBidi and libunibreak

FRIBIDI_PAR = {"ltr": 0x110, "rtl": 0x111, "auto": 0x40}


def visual_runs(text, direction):
    """FriBidi's visual order of a one-line paragraph as runs of one level:
    (start, end, right_to_left) in logical indices, left to right."""
    library = ctypes.CDLL("libfribidi.so.0")
    n = len(text)
    characters = (ctypes.c_uint32 * n)(*map(ord, text))
    base = ctypes.c_uint32(FRIBIDI_PAR[direction])
    visual_to_logical = (ctypes.c_int * n)()
    levels = (ctypes.c_int8 * n)()
    if not library.fribidi_log2vis(characters, n, ctypes.byref(base), None, None, visual_to_logical, levels):
        raise RuntimeError("fribidi_log2vis failed")
    runs = []
    for logical in visual_to_logical:
        level = levels[logical]
        step = -1 if level % 2 else 1
        if runs and runs[-1][2] == level and logical == runs[-1][1] + step:
            runs[-1][1] = logical
        else:
            runs.append([logical, logical, level])
    return [(min(a, b), max(a, b) + 1, level % 2 == 1) for a, b, level in runs]


LINEBREAK_MUSTBREAK, LINEBREAK_ALLOWBREAK = 0, 1


def break_opportunities(text, language=None):
    """The indices i after which libunibreak allows (or demands) a line break."""
    library = ctypes.CDLL("libunibreak.so.1")
    library.init_linebreak()
    data = text.encode("utf-8")
    breaks = ctypes.create_string_buffer(len(data))
    library.set_linebreaks_utf8(data, ctypes.c_size_t(len(data)), language, breaks)
    opportunities, end = set(), 0
    for index, character in enumerate(text):
        end += len(character.encode("utf-8"))
        if breaks.raw[end - 1] in (LINEBREAK_MUSTBREAK, LINEBREAK_ALLOWBREAK):
            opportunities.add(index)
    return opportunities
