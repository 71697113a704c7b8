"""Python values to VARIANTs and back: each conversion on its own, then
through the object's members."""

import math
import os
import unittest

import vellum
from support import PdfTestCase
from vellum import _vellum

VT_EMPTY, VT_I4, VT_R8, VT_BSTR, VT_BOOL, VT_BYTES = 0, 3, 5, 8, 11, 0x2000 | 17


class RoundTrip(unittest.TestCase):
    def test_each_python_type_becomes_its_variant_and_comes_back(self):
        cases = [
            (None, VT_EMPTY, None),
            (True, VT_BOOL, True),
            (False, VT_BOOL, False),
            (0, VT_I4, 0),
            (2**31 - 1, VT_I4, 2**31 - 1),
            (-2**31, VT_I4, -2**31),
            (2**31, VT_R8, 2147483648.0),
            (-2**31 - 1, VT_R8, -2147483649.0),
            (10**300, VT_R8, 1e300),
            (1.5, VT_R8, 1.5),
            (-0.0, VT_R8, -0.0),
            (math.inf, VT_R8, math.inf),
            (-math.inf, VT_R8, -math.inf),
            ("", VT_BSTR, ""),
            ("plain", VT_BSTR, "plain"),
            ("Zoë € 😀 \u0000 end", VT_BSTR, "Zoë € 😀 \u0000 end"),
            ("lone \ud800 surrogate", VT_BSTR, "lone \ud800 surrogate"),
            (b"", VT_BYTES, b""),
            (b"\x00\xffbytes", VT_BYTES, b"\x00\xffbytes"),
            (bytearray(b"array"), VT_BYTES, b"array"),
            (memoryview(b"view"), VT_BYTES, b"view"),
        ]
        for value, vartype, back in cases:
            with self.subTest(value=value):
                got_type, got = _vellum._variant_round_trip(value)
                self.assertEqual(got_type, vartype)
                self.assertEqual(got, back)
                self.assertIs(type(got), type(back))
        vartype, nan = _vellum._variant_round_trip(math.nan)
        self.assertEqual(vartype, VT_R8)
        self.assertTrue(math.isnan(nan))
        self.assertEqual(math.copysign(1, _vellum._variant_round_trip(-0.0)[1]), -1)

    def test_values_without_a_variant_form(self):
        for value, error in ((object(), TypeError), ([1, 2], TypeError), ({}, TypeError),
                             (10**400, OverflowError), (1j, TypeError)):
            with self.subTest(value=type(value).__name__):
                with self.assertRaises(error):
                    _vellum._variant_round_trip(value)


def resident_mib():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") / 2**20


class ThroughTheObject(PdfTestCase):
    def setUp(self):
        super().setUp()
        self.doc = vellum.Dispatch()
        self.doc.NewPDF("Conversions")

    def test_text(self):
        self.doc.Author = "Zoë – “quoted”"
        self.assertEqual(self.doc.Author, "Zoë – “quoted”")
        # Document strings keep every character, beyond Windows-1252 too.
        self.doc.Subject = "snow ☃ \U0001F600"
        self.assertEqual(self.doc.Subject, "snow ☃ \U0001F600")

    def test_numbers(self):
        self.doc.FontHeight = 9          # int into a double
        self.assertEqual(self.doc.FontHeight, 9.0)
        self.assertIs(type(self.doc.FontHeight), float)
        self.doc.TextRendering = 1.0     # float into a long
        self.assertEqual(self.doc.TextRendering, 1)
        self.assertIs(type(self.doc.TextRendering), int)
        # An int beyond 32 bits arrives as a double, here beyond what a PDF carries.
        with self.assertRaises(vellum.COMError) as refused:
            self.doc.TextOut("at a big number", 2**31, 10)
        self.assertIn("2.14748e+09", refused.exception.description)
        self.doc.FontHeight = "12.5"     # text into a double, as late-bound hosts allow
        self.assertEqual(self.doc.FontHeight, 12.5)

    def test_bool_none_and_bytes_in(self):
        self.doc.Keywords = True         # VT_BOOL reaches a text as "True"
        self.assertEqual(self.doc.Keywords, "True")
        self.doc.TextRendering = False
        self.assertEqual(self.doc.TextRendering, 0)
        self.doc.Keywords = None         # VT_EMPTY: the empty text
        self.assertEqual(self.doc.Keywords, "")
        with self.assertRaises(TypeError):
            self.doc.FontHeight = None   # but not a silent zero for a number
        # A command nobody knows returns VT_EMPTY; every operand is accepted.
        self.assertIsNone(self.doc.SendCmd("NoSuchCommand", b"\x01\x02", None, 1.5, True, 7))

    @unittest.skipIf(os.environ.get("VELLUM_SANITIZE"), "the sanitizer holds freed memory back")
    def test_failed_conversions_free_what_was_converted(self):
        # Each call converts a long text, then fails on the next argument.
        text = "x" * 10_000
        start = resident_mib()
        for batch in range(10):
            for _ in range(10_000):
                try:
                    self.doc.SendCmd(text, object(), None, None, None, None)
                except vellum.ArgumentError:
                    pass
            self.assertLess(resident_mib() - start, 8, f"after {(batch + 1) * 10_000} failed calls")

    def test_bytes_out(self):
        self.doc.FontHeight = 12
        self.doc.TextOut("bytes out", 20, 20)
        content = self.doc.GetPDFContent()
        self.assertIs(type(content), bytes)
        self.assertTrue(content.startswith(b"%PDF-1.3"))
        self.assertTrue(content.rstrip().endswith(b"%%EOF"))
        path = self.write("bytes.pdf", content)
        self.assertValidPdf(path)
        self.assertIn("bytes out", self.pdf_text(path))

    def test_text_out_and_back_in_a_document(self):
        self.doc.TextOut("Grüße €5", 20, 20)
        path = self.write("text.pdf", self.doc.GetPDFContent())
        self.assertValidPdf(path)
        self.assertIn("Grüße €5", self.pdf_text(path))


if __name__ == "__main__":
    unittest.main()
