#!/usr/bin/env python3
"""Writes api_sequence_fuzz seeds: call sequences in the target's encoding.
A call is the member's index in the member table, a shape byte (0: the
member's own form), then each argument: a file name is one choice byte (from
0xF0 up: a file written from the input, two length bytes and its bytes);
anything else is a type byte (2 double, 3 long, 4 text, 0 empty, 1 null)
and its value (a choice byte, then what the choice needs). A structure
role, artifact kind, language, description or path mode is first a choice
byte: below 0x80 one of the target's words for it (ROLES, KINDS, ...)."""
import pathlib
import re
import struct
import sys
import zlib

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from make_truetype_seeds import font  # noqa: E402



def member_indices():
    """Each member's index in the member table, a property's setter as "Name="."""
    table = pathlib.Path(__file__).resolve().parent.parent / "automation" / "member_table.h"
    rows = re.findall(r'\{I[12], (\d+), "(\w+)", \d+, K::(\w+),', table.read_text())
    indices = {}
    for order, name, kind in rows:
        if kind != "PropertyGet":
            indices[name + "=" if kind == "PropertyPut" else name] = int(order) - 1
    return indices


MEMBERS = member_indices()
SPECIAL = {0.0: 0, 1.0: 2, 10.0: 5, 100.0: 6, 1e9: 8, 1e300: 14, -1e300: 15, 1e308: 16,
           float("inf"): 18, float("-inf"): 19, float("nan"): 20}


def double(value):
    if value in SPECIAL:
        return bytes([2, SPECIAL[value]])
    return bytes([2, 255]) + struct.pack(">d", value)


def long(value):
    return bytes([3, 255]) + struct.pack(">i", value)


def text(value):
    units = value.encode("utf-16-be")
    return bytes([4, 60, len(units) // 2]) + units


def call(member, *args):
    return bytes([MEMBERS[member], 0]) + b"".join(args)


FILE = lambda choice: bytes([choice])
TRUE = bytes([7, 1])
ROLES = ("Document Part Sect Div P H1 H2 H3 H4 H5 H6 L LI Lbl LBody Table THead TBody TR TH TD Figure Caption "
         "BlockQuote Quote Note Code Span Link Annot Para").split()
KINDS = ["Pagination", "Layout", "Background", "Header"]
LANGUAGES = ["en-GB", "", "en GB", "de"]
DESCRIPTIONS = ["A picture", ""]
MODES = ["stroke", "fill", "fill-stroke", "fill-evenodd", "fill-stroke-evenodd", "clip", "clip-evenodd", "CLIP",
         "outline"]
EMPTY, NULL = bytes([0]), bytes([1])
WORD_MM, WORD_FULL, WORD_LONG = bytes([4, 0]), bytes([4, 7]), bytes([4, 251])
WORD_ADD_FONT_UNICODE = bytes([4, 17])
WORD_AES_128, WORD_PRINT_COPY = bytes([4, 18]), bytes([4, 20])


def word(words, value):
    return bytes([words.index(value)])


def structure(role, alt="", language=""):
    return call("BeginStructure", word(ROLES, role), word(DESCRIPTIONS, alt), word(LANGUAGES, language))


def artifact(kind):
    return call("BeginArtifact", word(KINDS, kind))


def end_structures(count):
    return call("EndStructure") * count


def file_from_input(data):
    """A file holding `data`, named without an extension: its content decides."""
    return bytes([0xF0]) + struct.pack(">H", len(data)) + data


def png_chunk(kind, data, length=None):
    length = len(data) if length is None else length
    return struct.pack(">I", length) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(rows_after=0, text_claim=None):
    """A 16x16 RGB picture; text_claim: a text chunk stating that many bytes,
    then the end of the file; rows_after: that many zero bytes compressed
    after the rows, in the same stream."""
    head = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0))
    if text_claim is not None:
        return head + struct.pack(">I", text_claim) + b"tEXt" + b"Comment\0" + b"x" * 12
    compressor = zlib.compressobj(9)
    rows = b"".join(b"\0" + bytes((x * 16 + y) % 256 for x in range(48)) for y in range(16))
    stream = compressor.compress(rows + b"\0" * rows_after) + compressor.flush()
    return head + png_chunk(b"IDAT", stream) + png_chunk(b"IEND", b"")


def font_with_glyphs_past_the_end():
    data = bytearray(font())
    for entry in range(12, 12 + 16 * 10, 16):
        if data[entry:entry + 4] == b"glyf":
            data[entry + 8:entry + 12] = struct.pack(">I", 0xFFFF0000)
    return bytes(data)


def picture_call(member, data):
    return call(member, file_from_input(data), long(80), double(10), double(10), double(10), double(10))


def unicode_font(name, data):
    return call("SendCmd", WORD_ADD_FONT_UNICODE, text(name), file_from_input(data), EMPTY, EMPTY, EMPTY)

def path(*points):
    """MoveTo the first point, then LineTo (two numbers) or CurveTo (six) each of the others."""
    calls = call("MoveTo", double(points[0][0]), double(points[0][1]))
    for point in points[1:]:
        calls += call("LineTo" if len(point) == 2 else "CurveTo", *(double(v) for v in point))
    return calls


def paint(mode):
    return call("DrawPath", word(MODES, mode))


SEEDS = {
    "text-and-shapes": call("NewPDF", text("Seed")) + call("TextOut", text("Hello (world)"), double(10), double(10))
    + call("DrawLine", double(1), double(10), double(100), double(10), double(100))
    + call("DrawRect", long(1), long(1), long(1), double(10), double(10), double(100), double(10))
    + call("DrawArc", double(100), double(100), long(30), double(0), double(100), double(1), long(1), long(1), long(1))
    + call("SavePDF", FILE(0)),
    "fonts-pictures-links": call("NewPDF", text("Seed")) + call("AddFont", text("Sans"), FILE(0))
    + call("FontName=", text("Sans")) + call("TextOut", text("Embedded"), double(10), double(10))
    + call("ImportImage", FILE(0), long(80), double(10), double(10), double(10), double(10))
    + call("ImportImageAsResource", FILE(0), long(80))
    + call("DrawImageResource", double(10), double(10), double(10), double(10), long(0))
    + call("AddPage") + call("CreateLink_Internal", double(1), double(1), double(10), double(10), long(1), long(0),
                             long(0), long(255), long(2))
    + call("CreateLink_Internet", double(1), double(1), double(10), double(10), long(1), long(0), long(0), long(255),
           text("https://example.org"))
    + call("AddOutline", long(1), long(100), long(10), long(10), text("Start"))
    + call("AddChildOutline", long(2), long(100), long(10), long(10), text("Child"), long(1))
    + call("AddTextAnnotation", double(10), double(10), text("Note")) + call("GetPDFContent"),
    "huge-numbers": call("NewPDF", text("Seed")) + call("SetPageDimensions", double(1e300), double(float("inf")))
    + call("ParagraphWidth=", double(1e308)) + call("ParagraphLeading=", double(float("nan")))
    + call("UnitOfMeasure=", bytes([4, 2])) + call("DrawCircle", long(1), long(1), long(1), double(1e9), double(0),
                                                   double(1e9))
    + call("SetDashLineProperties", double(1e300), double(1)) + call("ParagraphAlignment=", WORD_FULL)
    + call("ParagraphWidth=", double(100)) + call("TextOut", WORD_LONG, double(10), double(10))
    + call("SendCmd", text("AddFontWithModKern"), text("Wide"), FILE(0), double(1e300), EMPTY, NULL)
    + call("GetPDFContent") + call("TextOut", text("after the write"), double(1), double(1)) + call("SavePDF", FILE(2)),
    "damaged-pictures": call("NewPDF", text("Seed")) + picture_call("ImportImage", png(text_claim=0x7FFFFFFF))
    + picture_call("ImportImage", png(rows_after=2 << 20))
    + call("ImportImageAsResource", file_from_input(png()), long(80))
    + call("DrawImageResource", double(10), double(10), double(10), double(10), long(0))
    + picture_call("ImportImage", png()[:100]) + call("GetPDFContent"),
    "tagged-letter": call("NewPDF", text("Seed")) + call("Tagged=", TRUE) + call("Language=", word(LANGUAGES, "en-GB"))
    + structure("H1") + call("TextOut", text("Dear reader"), double(10), double(10)) + end_structures(1)
    + call("TextOut", text("First paragraph."), double(10), double(20))
    + call("ImportImageAsResource", FILE(0), long(80))
    + call("SetImageAltText", long(0), word(DESCRIPTIONS, "A picture"))
    + call("DrawImageResource", double(10), double(10), double(10), double(10), long(0))
    + call("DrawLine", double(1), double(10), double(100), double(10), double(100))
    + structure("L") + structure("LI") + structure("LBody") + call("TextOut", text("An item"), double(10), double(30))
    + end_structures(3) + artifact("Pagination") + call("TextOut", text("Page 1"), double(10), double(100))
    + call("EndArtifact") + call("CreateLink_Internet", double(1), double(1), double(10), double(10), long(1), long(0),
                                 long(0), long(255), text("https://example.org"))
    + call("AddTextAnnotation", double(10), double(10), text("Note")) + call("AddPage")
    + call("TextOut", text("Second page."), double(10), double(10)) + call("SavePDF", FILE(0)),
    "tagged-table-refusals-encrypted": call("NewPDF", text("Seed")) + call("Tagged=", TRUE) + structure("Table")
    + structure("TR") + call("TextOut", text("loose"), double(10), double(10)) + structure("TD")
    + call("TextOut", text("cell"), double(10), double(10)) + end_structures(3) + artifact("Background")
    + call("DrawRect", long(1), long(1), long(1), double(10), double(10), double(100), double(10)) + artifact("Header")
    + call("EndArtifact") + structure("Para") + structure("Figure", "A picture", "de")
    + call("ImportImage", FILE(0), long(80), double(10), double(10), double(10), double(10)) + end_structures(2)
    + call("AddPage") + call("CreateLink_Internal", double(1), double(1), double(10), double(10), long(1), long(0),
                             long(0), long(255), long(1))
    + structure("Note") + call("AddTextAnnotation", double(10), double(10), text("Note")) + end_structures(1)
    + call("Encrypt", text("user"), text("owner"), WORD_PRINT_COPY, WORD_AES_128) + call("GetPDFContent"),
    "paths-clips-opacity": call("NewPDF", text("Seed")) + call("LineTo", double(1), double(1)) + paint("fill")
    + call("RestoreGraphicsState") + call("SaveGraphicsState") + call("SetLineStyle", long(1), long(2), double(10))
    + call("SetOpacity", double(0.5), double(1.0)) + path((10, 10), (100, 10), (100, 100, 10, 100, 10, 10))
    + call("ClosePath") + paint("fill-stroke-evenodd") + path((10, 10), (100, 10), (10, 100)) + paint("clip")
    + call("ImportImage", FILE(0), long(80), double(10), double(10), double(100), double(100))
    + call("RestoreGraphicsState") + call("SaveGraphicsState") + path((1e9, 0), (0, 0)) + paint("outline")
    + paint("stroke") + call("AddPage") + call("SaveGraphicsState") + path((10, 10), (10, 100)) + call("SavePDF", FILE(0)),
    "tagged-paths": call("NewPDF", text("Seed")) + call("Tagged=", TRUE) + call("SaveGraphicsState")
    + path((10, 10), (100, 10), (10, 100)) + paint("clip-evenodd") + structure("Figure", "A picture")
    + path((10, 10), (100, 100, 10, 100, 10, 10)) + paint("fill") + end_structures(1)
    + path((10, 10), (100, 10)) + paint("stroke") + call("TextOut", text("Clipped"), double(10), double(20))
    + call("SetOpacity", double(0.0), double(1.0)) + call("GetPDFContent"),
    "damaged-fonts": call("NewPDF", text("Seed")) + unicode_font("Cut", font()[:300])
    + unicode_font("Far", font_with_glyphs_past_the_end()) + unicode_font("Uni", font())
    + call("FontName=", text("Uni")) + call("TextOut", text("A A"), double(10), double(10))
    + call("AddFont", text("Bad"), file_from_input(font_with_glyphs_past_the_end()))
    + call("FontName=", text("Bad")) + call("TextOut", text("A"), double(10), double(20)) + call("GetPDFContent"),
}


def main(folder):
    out = pathlib.Path(folder)
    out.mkdir(parents=True, exist_ok=True)
    for name, data in SEEDS.items():
        (out / name).write_bytes(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "fuzz/corpus/api")
