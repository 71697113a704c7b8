"""The PDF/UA-1 checker (tests/support/ua_check.py) against documents built by hand:
one that conforms, and variants that each break one condition."""

import os
import subprocess
import sys
import tempfile
import unittest
from types import SimpleNamespace

import pikepdf
from pikepdf import Array, Dictionary, Name

HERE = os.path.dirname(os.path.abspath(__file__))
UA_CHECK = os.environ.get("VELLUM_UA_CHECK", os.path.join(HERE, "..", "support", "ua_check.py"))
FONT_FILE = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf"

XMP = """<?xpacket begin="\ufeff" id="W5M0MpCehiHzreSzNTczkc9d"?>
<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">
<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/"
  xmlns:pdfuaid="http://www.aiim.org/pdfua/ns/id/">
<dc:title><rdf:Alt><rdf:li xml:lang="x-default">Checked</rdf:li></rdf:Alt></dc:title>
<pdfuaid:part>1</pdfuaid:part>
</rdf:Description></rdf:RDF></x:xmpmeta>
<?xpacket end="w"?>"""

TO_UNICODE = b"""/CIDInit /ProcSet findresource begin 12 dict begin begincmap
/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def
/CMapName /Adobe-Identity-UCS def /CMapType 2 def
1 begincodespacerange <00> <FF> endcodespacerange
1 beginbfrange <20> <7E> <0020> endbfrange
endcmap CMapName currentdict /CMap defineresource pop end end"""

PAGE_ONE = b"""/H1 <</MCID 0>> BDC BT /F1 18 Tf 72 740 Td (Heading) Tj ET EMC
/P <</MCID 1>> BDC BT /F1 12 Tf 72 710 Td (A paragraph.) Tj ET EMC
/Figure <</MCID 2>> BDC q 100 0 0 50 72 600 cm /Im1 Do Q EMC
/Link <</MCID 3>> BDC BT /F1 12 Tf 72 560 Td (Next page) Tj ET EMC
/Artifact <</Type /Pagination>> BDC BT /F1 8 Tf 72 30 Td (1) Tj ET EMC"""
PAGE_TWO = b"""/P <</MCID 0>> BDC BT /F1 12 Tf 72 740 Td (More text.) Tj ET EMC
/Artifact BMC 72 40 m 540 40 l S EMC"""


def embedded_font(pdf):
    with open(FONT_FILE, "rb") as file:
        program = file.read()
    descriptor = pdf.make_indirect(Dictionary(
        Type=Name.FontDescriptor, FontName=Name.LiberationSans, Flags=32, FontBBox=[-544, -303, 1302, 980],
        ItalicAngle=0, Ascent=905, Descent=-212, CapHeight=688, StemV=80,
        FontFile2=pdf.make_stream(program, Length1=len(program))))
    return pdf.make_indirect(Dictionary(
        Type=Name.Font, Subtype=Name.TrueType, BaseFont=Name.LiberationSans, FirstChar=32, LastChar=126,
        Widths=[556] * 95, Encoding=Name.WinAnsiEncoding, FontDescriptor=descriptor,
        ToUnicode=pdf.make_stream(TO_UNICODE)))


def conforming_document():
    """Two pages: a heading, paragraphs, a figure, a link and artifacts, all tagged."""
    pdf = pikepdf.new()
    font = embedded_font(pdf)
    image = pdf.make_stream(b"\x80", Type=Name.XObject, Subtype=Name.Image, Width=1, Height=1,
                            ColorSpace=Name.DeviceGray, BitsPerComponent=8)
    pages = []
    for content, xobjects in ((PAGE_ONE, Dictionary(Im1=image)), (PAGE_TWO, Dictionary())):
        page = pdf.add_blank_page(page_size=(612, 792)).obj
        page.Contents = pdf.make_stream(content)
        page.Resources = Dictionary(Font=Dictionary(F1=font), XObject=xobjects)
        page.StructParents = len(pages)
        pages.append(page)
    root = pdf.make_indirect(Dictionary(Type=Name.StructTreeRoot, RoleMap=Dictionary(Picture=Name.Figure)))
    document = pdf.make_indirect(Dictionary(Type=Name.StructElem, S=Name.Document, P=root, K=Array()))
    root.K = document

    def element(kind, page, kids, **extra):
        made = pdf.make_indirect(Dictionary(Type=Name.StructElem, S=Name("/" + kind), P=document,
                                            Pg=page, K=Array(kids), **extra))
        document.K.append(made)
        return made

    link = pdf.make_indirect(Dictionary(Type=Name.Annot, Subtype=Name.Link, Rect=[72, 555, 140, 575],
                                        Border=[0, 0, 0], Contents="Go to page 2", StructParent=2,
                                        Dest=[pages[1], Name.Fit]))
    parts = SimpleNamespace(pdf=pdf, pages=pages, font=font, link=link, elements=[
        element("H1", pages[0], [0]),
        element("P", pages[0], [1]),
        element("Picture", pages[0], [2], Alt="A grey square"),
        element("Link", pages[0], [3, Dictionary(Type=Name.OBJR, Obj=link, Pg=pages[0])]),
        element("P", pages[1], [0])])
    elements = parts.elements
    root.ParentTree = Dictionary(Kids=[Dictionary(Limits=[0, 2], Nums=[
        0, Array(elements[:4]), 1, Array(elements[4:]), 2, elements[3]])])
    root.ParentTreeNextKey = 3
    pages[0].Annots = Array([link])
    pages[0].Tabs = Name.S
    pdf.Root.StructTreeRoot = root
    pdf.Root.MarkInfo = Dictionary(Marked=True)
    pdf.Root.Lang = "en-GB"
    pdf.Root.ViewerPreferences = Dictionary(DisplayDocTitle=True)
    pdf.Root.Metadata = pdf.make_stream(XMP.encode(), Type=Name.Metadata, Subtype=Name.XML)
    return parts


def edit_content(parts, page, old, new):
    content = parts.pages[page].Contents.read_bytes()
    assert old in content, old
    parts.pages[page].Contents = parts.pdf.make_stream(content.replace(old, new))


def swap_page_one_entries(parts):
    entries = parts.pdf.Root.StructTreeRoot.ParentTree.Kids[0].Nums[1]
    entries[0], entries[1] = entries[1], entries[0]


# Each variant breaks one condition: (name, condition, change).
VARIANTS = [
    ("untagged-text", "content-tagged",
     lambda p: edit_content(p, 1, b"EMC\n/Artifact", b"EMC BT /F1 12 Tf (Loose) Tj ET\n/Artifact")),
    ("artifact-in-tagged", "content-tagged",
     lambda p: edit_content(p, 1, b"ET EMC\n/Artifact BMC 72 40 m 540 40 l S EMC",
                            b"ET\n/Artifact BMC 72 40 m 540 40 l S EMC EMC")),
    ("stray-emc", "marked-content-balanced", lambda p: edit_content(p, 1, b"S EMC", b"S EMC EMC")),
    ("unclosed-sequence", "marked-content-balanced", lambda p: edit_content(p, 1, b"S EMC", b"S EMC /Span BMC")),
    ("parent-tree-swapped", "mcid-roundtrip", swap_page_one_entries),
    ("mcid-not-in-content", "mcid-roundtrip", lambda p: p.elements[4].K.append(7)),
    ("next-key-too-small", "mcid-roundtrip", lambda p: setattr(p.pdf.Root.StructTreeRoot, "ParentTreeNextKey", 2)),
    ("link-without-objr", "annotation-tagged", lambda p: setattr(p.elements[3], "K", Array([3]))),
    ("link-without-contents", "annotation-tagged", lambda p: delattr(p.link, "Contents")),
    ("page-without-tabs", "annotation-tagged", lambda p: delattr(p.pages[0], "Tabs")),
    ("figure-without-alt", "figure-alt", lambda p: delattr(p.elements[2], "Alt")),
    ("skipped-heading-level", "headings", lambda p: setattr(p.elements[4], "S", Name.H3)),
    ("first-heading-not-h1", "headings", lambda p: setattr(p.elements[0], "S", Name.H2)),
    ("no-language", "document", lambda p: delattr(p.pdf.Root, "Lang")),
    ("no-display-title", "document", lambda p: delattr(p.pdf.Root, "ViewerPreferences")),
    ("no-pdfua-part", "document", lambda p: setattr(p.pdf.Root, "Metadata", p.pdf.make_stream(
        XMP.replace("<pdfuaid:part>1</pdfuaid:part>", "").encode()))),
    ("font-not-embedded", "fonts", lambda p: delattr(p.font.FontDescriptor, "FontFile2")),
    ("symbolic-font-without-unicode", "fonts",
     lambda p: (delattr(p.font, "ToUnicode"), setattr(p.font.FontDescriptor, "Flags", 4))),
    ("unmapped-type", "structure-types", lambda p: setattr(p.elements[1], "S", Name.Fancy)),
    ("list-item-outside-list", "structure-types", lambda p: setattr(p.elements[1], "S", Name.LI)),
]


def run_check(*paths):
    return subprocess.run([sys.executable, UA_CHECK, *paths], capture_output=True, text=True)


def conditions_by_file(output):
    """{file: the conditions of its findings} from the checker's report."""
    found, current = {}, None
    for line in output.splitlines():
        if line.startswith("  "):
            found[current].add(line.split(":", 1)[0].strip())
        else:
            current = line.rsplit(": ", 1)[0]
            found[current] = set()
    return found


class UaCheckTest(unittest.TestCase):
    def setUp(self):
        base = os.environ.get("VELLUM_TEST_TMP")
        if base:
            os.makedirs(base, exist_ok=True)
        self._folder = tempfile.TemporaryDirectory(dir=base, prefix="ua-check-")
        self.folder = self._folder.name

    def tearDown(self):
        self._folder.cleanup()

    def save(self, name, parts):
        path = os.path.join(self.folder, name + ".pdf")
        parts.pdf.save(path)
        return path

    def test_conforming_document(self):
        path = self.save("conforming", conforming_document())
        result = run_check(path)
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, f"{path}: conforms\n", ""))

    def test_each_fault_is_caught_by_its_condition_alone(self):
        paths = {}
        for name, _, change in VARIANTS:
            parts = conforming_document()
            change(parts)
            paths[name] = self.save(name, parts)
        result = run_check(*paths.values())
        self.assertEqual(result.returncode, 1, result.stderr)
        found = conditions_by_file(result.stdout)
        for name, condition, _ in VARIANTS:
            with self.subTest(name):
                self.assertEqual(found.get(paths[name]), {condition}, result.stdout)
        with pikepdf.open(paths["figure-without-alt"]) as pdf:
            figure = pdf.Root.StructTreeRoot.K.K[2].objgen[0]
        self.assertIn(f"  figure-alt: Figure has no /Alt or /ActualText (page 1, object {figure})\n",
                      result.stdout)

    def test_unreadable_input_stops_the_check(self):
        text = os.path.join(self.folder, "text.pdf")
        with open(text, "w") as file:
            file.write("not a PDF\n")
        for path in (text, os.path.join(self.folder, "missing.pdf")):
            with self.subTest(path):
                result = run_check(self.save("conforming", conforming_document()), path)
                self.assertEqual((result.returncode, result.stdout), (2, ""))
                self.assertIn(path, result.stderr)


if __name__ == "__main__":
    unittest.main()
