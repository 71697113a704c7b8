"""Text in Unicode fonts in several scripts, checked against tools that do
not share our code paths: the glyphs and their positions against hb-shape, the
rendered line against hb-view, visual order against FriBidi, line breaks
against libunibreak, the text read back by poppler and pdf.js."""

import os
import re
import shutil
import subprocess
import unicodedata
import unittest
import warnings

import vellum

import shaped_pdf as shaped
from support import PdfTestCase

UA_CHECK = os.environ.get("VELLUM_UA_CHECK", os.path.join(os.path.dirname(__file__), "..", "support", "ua_check.py"))
PDFJS = "/usr/share/nodejs/pdfjs-dist/build/pdf.js"
DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
LOHIT = "/usr/share/fonts/truetype/lohit-devanagari/Lohit-Devanagari.ttf"
GARUDA = "/usr/share/fonts/truetype/tlwg/Garuda.ttf"
DROID = "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf"

SIZE = 16    # points
DPI = 288    # 1 em = 64 pixels
X, Y = 20, 40  # points from the page's top left corner

# name: font, text, hb-shape direction
SAMPLES = {
    # kerning (AV, To) and the fi and ffi ligatures
    "latin": (DEJAVU, "AVAST: To fix the office files", "ltr"),
    # lam-alef with a fatha between, harakat, shadda over damma
    "arabic": (DEJAVU, "لَا بَأْسَ، مَرْحَبًا بِكُمْ فِي السُّوقِ", "rtl"),
    # niqqud, shin dot with qamats on one letter
    "hebrew": (DEJAVU, "שָׁלוֹם, הָעוֹלָם יָפֶה מְאוֹד", "rtl"),
    # conjuncts (न्द, द्य, क्ष, स्व, त्र), i-matra before its consonant, reph
    "devanagari": (LOHIT, "हिन्दी में विद्यार्थी क्षमा और स्वतंत्रता पढ़ते हैं", "ltr"),
    # tone marks stacked over upper and lower vowels, sara am with and without one
    "thai": (GARUDA, "ผู้ใหญ่ทำงานและกินน้ำที่บ้านพี่น้อง", "ltr"),
}

# For reading back: poppler takes Arabic marks raised off the baseline for a
# line of their own, and this pdf.js splits text where a mark moves back over
# its letter, so the right-to-left samples are read back without marks.
UNPOINTED = {"arabic": "لا بأس، مرحبا بكم في السوق", "hebrew": "שלום, העולם יפה מאוד"}

# Characters poppler wraps right-to-left text in.
DIRECTION_MARKS = dict.fromkeys(map(ord, "\u200e\u200f\u202a\u202b\u202c\u202d\u202e"))


def comparable_text(text):
    """Readers guess word spaces from gaps between glyphs, and the offsets of
    marks make them guess some inside words: the characters alone count."""
    return unicodedata.normalize("NFC", re.sub(r"\s+", "", text.translate(DIRECTION_MARKS)))


def new_document(font_file, name="Scripts", fallbacks=()):
    doc = vellum.Dispatch()
    doc.NewPDF(name)
    doc.UnitOfMeasure = "pdfu"
    doc.FontHeight = SIZE
    doc.SendCmd("AddFontUnicode", "Text", font_file, None, None, None)
    for fallback in fallbacks:
        doc.AddFontFallback("Text", fallback)
    doc.FontName = "Text"
    return doc


class ScriptTestCase(PdfTestCase):
    def save(self, doc, name):
        path = os.path.join(self.folder, name + ".pdf")
        doc.SavePDF(path)
        return path

    def sample_pdf(self, name, text=None):
        font, sample, _ = SAMPLES[name]
        doc = new_document(font, name)
        doc.TextOut(sample if text is None else text, X, Y)
        self.assertEqual(doc.MissingCharacters, "")
        return self.save(doc, name)

    def assertPlacedLike(self, line, expected, upem):
        """Glyph ids equal, positions within 0.05 font units of `expected`
        ((glyph, x, y, ...) in font units, x from the line's start)."""
        placed = shaped.in_font_units(line, upem)
        self.assertEqual([g[0] for g in placed], [g[0] for g in expected])
        for index, (got, want) in enumerate(zip(placed, expected)):
            self.assertAlmostEqual(got[1], want[1], delta=0.05, msg=f"x of glyph {index}")
            self.assertAlmostEqual(got[2], want[2], delta=0.05, msg=f"y of glyph {index}")


class ShapedLikeHarfBuzz(ScriptTestCase):
    def test_glyphs_and_positions_equal_hb_shape(self):
        for name, (font, text, direction) in SAMPLES.items():
            with self.subTest(name):
                (line,) = shaped.page_lines(self.sample_pdf(name))
                expected, advance = shaped.hb_shape(font, text, direction)
                upem = shaped.units_per_em(font)
                self.assertPlacedLike(line, expected, upem)
                self.assertAlmostEqual(line.end * upem / SIZE, advance, delta=0.05)

    def test_rendering_matches_hb_view(self):
        # Antialiasing differs at the edges only (agreement above 0.997); a
        # line reversed, or set without shaping (no ligatures, joining or mark
        # positioning), stays below 0.975.
        threshold = 0.985
        crop = (0, (Y - 2 * SIZE) * DPI // 72, 1400, 3 * SIZE * DPI // 72)
        for name, (font, text, _) in SAMPLES.items():
            with self.subTest(name):
                page = shaped.render(self.sample_pdf(name), DPI, crop)
                view = lambda label, shown, shapers=None: shaped.render_hb_view(
                    font, shown, SIZE, DPI, self.folder, f"{name}-{label}", shapers)
                self.assertGreater(shaped.ink_agreement(page, view("hb", text)), threshold)
                self.assertLess(shaped.ink_agreement(page, view("reversed", text[::-1])), threshold)
                self.assertLess(shaped.ink_agreement(page, view("unshaped", text, "fallback")), threshold)


class TextReadBack(ScriptTestCase):
    def test_pdftotext_gives_the_logical_text(self):
        for name, (_, text, _) in SAMPLES.items():
            text = UNPOINTED.get(name, text) if name == "arabic" else text
            with self.subTest(name):
                read = subprocess.run(["pdftotext", self.sample_pdf(name, text), "-"], capture_output=True,
                                      text=True, check=True).stdout
                self.assertEqual(comparable_text(read), comparable_text(text))

    @unittest.skipUnless(shutil.which("node") and os.path.exists(PDFJS), "needs nodejs and libjs-pdf")
    def test_pdfjs_gives_the_logical_text(self):
        # This pdf.js ignores /ActualText, so the scripts that need it
        # (reordered vowels, split vowels) are read by poppler alone.
        script = ("const fs = require('fs'); const pdfjs = require(process.argv[1]);"
                  "pdfjs.getDocument({data: new Uint8Array(fs.readFileSync(process.argv[2])), verbosity: 0}).promise"
                  ".then(d => d.getPage(1)).then(p => p.getTextContent())"
                  ".then(c => console.log(c.items.map(i => i.str).join(' ')))")
        # Readers disagree on the order of a right-to-left ligature's
        # characters (poppler turns them, pdf.js does not); the map suits
        # poppler, so pdf.js reads Arabic without lam-alef here.
        pdfjs_texts = dict(UNPOINTED, arabic="مرحبا بكم في السوق")
        for name in ("latin", "arabic", "hebrew"):
            text = pdfjs_texts.get(name, SAMPLES[name][1])
            with self.subTest(name):
                read = subprocess.run(["node", "-e", script, PDFJS, self.sample_pdf(name, text)], capture_output=True,
                                      text=True, check=True).stdout
                self.assertEqual(comparable_text(read), comparable_text(text))


class BidirectionalText(ScriptTestCase):
    def test_visual_order_is_fribidis(self):
        upem = shaped.units_per_em(DEJAVU)
        mixed = "The price is 120 ريال today"
        cases = [  # text, TextDirection
            (mixed, "auto"), (mixed, "ltr"), (mixed, "rtl"),
            ("السعر (120 ريال) اليوم, OK", "auto"),
            ("السعر (120 ريال) اليوم, OK", "ltr"),
        ]
        for text, direction in cases:
            with self.subTest(text=text, direction=direction):
                doc = new_document(DEJAVU)
                doc.TextDirection = direction
                doc.TextOut(text, X, Y)
                (line,) = shaped.page_lines(self.save(doc, "bidi"))
                expected, pen = [], 0
                for start, end, right_to_left in shaped.visual_runs(text, direction):
                    glyphs, advance = shaped.hb_shape(DEJAVU, text[start:end], "rtl" if right_to_left else "ltr")
                    expected += [(g, x + pen, y) for g, x, y, _ in glyphs]
                    pen += advance
                self.assertPlacedLike(line, expected, upem)

    def test_wrapped_right_to_left_paragraph_keeps_alignment(self):
        text = ("كان يا ما كان في قديم الزمان رجل يحب القراءة كثيرا، وكان يقرأ 3 كتب كل أسبوع "
                "في مكتبة المدينة القديمة")
        width, left = 150, 300
        for alignment, edge in (("RIGHT", "right"), ("LEFT", "left")):
            with self.subTest(alignment):
                doc = new_document(DEJAVU)
                doc.TextDirection = "rtl"
                doc.ParagraphWidth = width
                doc.ParagraphAlignment = alignment
                doc.TextOut(text, left, Y)
                count = doc.GetTextBoxLines(text)
                path = self.save(doc, "wrapped")
                lines = shaped.page_lines(path)
                self.assertEqual(len(lines), count)
                self.assertGreater(count, 2)
                for line in lines:
                    self.assertLessEqual(line.end, width + 0.01)
                    # Measured widths in this unit are 0.05 % short, on purpose (callers rely on them).
                    position = line.x + line.end if edge == "right" else line.x
                    self.assertAlmostEqual(position, left, delta=0.1)
                read = subprocess.run(["pdftotext", path, "-"], capture_output=True, text=True, check=True).stdout
                self.assertEqual(comparable_text(read), comparable_text(text))


class LineBreaking(ScriptTestCase):
    def wrapped_lines(self, font, text, width):
        """The characters of each line drawn (as [start, end) of `text`),
        from the text poppler reads line by line."""
        doc = new_document(font)
        doc.ParagraphWidth = width
        doc.ParagraphLeading = 2 * SIZE
        doc.TextOut(text, X, Y)
        self.assertEqual(doc.MissingCharacters, "")
        # The layout mode keeps the hyphens lines end with.
        read = subprocess.run(["pdftotext", "-layout", self.save(doc, "lines"), "-"], capture_output=True,
                              text=True, check=True).stdout
        ranges, position = [], 0
        for line in filter(None, (re.sub(r"\s", "", part) for part in read.splitlines())):
            while text[position].isspace():
                position += 1
            start = position
            for character in line:
                while text[position].isspace():
                    position += 1
                self.assertEqual(text[position], character)
                position += 1
            ranges.append((start, position))
        self.assertEqual(position, len(text.rstrip()))
        return ranges

    def assertBrokenGreedily(self, font, text, width):
        """Every line but the last ends at a break opportunity and could not
        have taken the next segment (its trailing blanks hang)."""
        opportunities = shaped.break_opportunities(text)
        scale = SIZE / shaped.units_per_em(font)
        advances = [units * scale for units in shaped.character_advances(font, text)]

        def width_of(start, end):
            return sum(advances[start:len(text[:end].rstrip())])

        lines = self.wrapped_lines(font, text, width)
        self.assertGreater(len(lines), 2)
        for (start, end), (next_start, _) in zip(lines, lines[1:]):
            self.assertIn(next_start - 1, opportunities, f"line ends at {text[start:end]!r}")
            if any(start <= i < end - 1 for i in opportunities):  # a lone segment may be wider
                self.assertLessEqual(width_of(start, end), width + 0.01)
            following = min(i for i in opportunities if i >= next_start) + 1
            self.assertGreater(width_of(start, following), width - 0.01, f"{text[next_start:following]!r} fits")
        return [text[start:end] for start, end in lines]

    def test_lines_end_at_opportunities_and_are_filled(self):
        cases = [  # font, text, width in points
            (GARUDA, "ภาษาไทยเขียนติดกันไป แต่เว้นวรรคระหว่างวลี เช่น ผู้ใหญ่กินน้ำ และ เด็กเล่นที่บ้าน", 110),
            (DROID, "中文文本不需要空格：每两个汉字之间都可以换行。标点符号不会出现在行首，也不会出现在行尾的开括号（例如这里）。",
             100),
            (DEJAVU, "A well-known and/or long-winded input/output example of state-of-the-art line breaking", 90),
        ]
        for font, text, width in cases:
            with self.subTest(text[:10]):
                lines = self.assertBrokenGreedily(font, text, width)
                if font == DEJAVU:
                    self.assertTrue(any(line.endswith("-") for line in lines), lines)
                    self.assertTrue(any(line.endswith("/") for line in lines), lines)

    def test_trailing_blank_of_a_segment_does_not_count(self):
        # The line fits without the blank it is broken at.
        doc = new_document(DEJAVU)
        width = doc.GetTextBoxWidth("alpha beta")
        self.assertEqual(self.wrapped_lines(DEJAVU, "alpha beta gamma", width + 0.001), [(0, 10), (11, 16)])


class FallbackFonts(ScriptTestCase):
    def test_year_in_chinese_font_takes_digits_from_fallback(self):
        for fallbacks, missing in (([DEJAVU], ""), ([], "2026")):
            with self.subTest(fallbacks=fallbacks):
                doc = new_document(DROID, fallbacks=fallbacks)
                with warnings.catch_warnings():
                    warnings.simplefilter("ignore", vellum.VellumWarning)
                    doc.TextOut("2026年", X, Y)
                self.assertEqual(doc.MissingCharacters, missing)
                path = self.save(doc, "fallback")
                if missing:
                    continue
                fonts = subprocess.run(["pdffonts", path], capture_output=True, text=True, check=True).stdout
                embedded = [line.split()[0] for line in fonts.splitlines()[2:] if "yes yes" in line]
                self.assertEqual(sorted(re.sub(r"^[A-Z]{6}\+", "", name) for name in embedded),
                                 ["DejaVuSans", "DroidSansFallback"])
                self.assertTrue(all(re.match(r"[A-Z]{6}\+", name) for name in embedded), embedded)
                self.assertEqual(comparable_text(self.pdf_text(path)), "2026年")


class TaggedScripts(ScriptTestCase):
    def test_tagged_paragraphs_pass_the_structure_checks(self):
        doc = vellum.Dispatch()
        doc.NewPDF("Scripts")
        doc.Tagged = True
        doc.Language = "ar"
        doc.UnitOfMeasure = "pdfu"
        doc.FontHeight = SIZE
        texts = []
        for index, name in enumerate(("arabic", "devanagari")):
            font, text, _ = SAMPLES[name]
            doc.SendCmd("AddFontUnicode", name, font, None, None, None)
            doc.FontName = name
            doc.BeginStructure("P", "", "")
            doc.TextOut(text, X, Y + 40 * index)
            doc.EndStructure()
            texts.append(text)
        path = self.save(doc, "tagged")
        check = subprocess.run(["/usr/bin/python3", UA_CHECK, path], capture_output=True, text=True).stdout
        self.assertEqual([line for line in check.splitlines()[1:] if not line.startswith("  document: ")], [])
        # poppler's structure text neither reorders right-to-left text nor
        # follows /ActualText spans nested in an element's content, so the
        # page's text stands for what the structure holds.
        read = subprocess.run(["pdftotext", path, "-"], capture_output=True, text=True, check=True).stdout
        self.assertIn(comparable_text(texts[1]), comparable_text(read))


if __name__ == "__main__":
    unittest.main()
