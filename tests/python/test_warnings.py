"""VellumWarning for calls that succeed yet most likely did not do what was
meant, the same ones the command-line client gives; results stay as they are."""

import gc
import os
import pathlib
import unittest
import warnings

import vellum
from support import PdfTestCase

FONT = str(pathlib.Path(__file__).resolve().parents[2] / "examples" / "assets" / "LiberationSans-Regular.ttf")
MISSING = "/nonexistent/font.ttf"
DROID = "/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf"
UNSAVED = "the document 'Letter' was never saved or read (SavePDF, GetPDFContent)"


def warned(action):
    """The VellumWarnings action gives, as (message, file name)."""
    with warnings.catch_warnings(record=True) as seen:
        warnings.simplefilter("always")
        action()
    return [(str(w.message), os.path.basename(w.filename)) for w in seen if issubclass(w.category, vellum.VellumWarning)]


class CallWarnings(PdfTestCase):
    def test_font_files_not_found_and_unknown_font_names(self):
        not_found = 'returned "Error - file not found": no font was added'
        cases = [  # action, the messages it gives
            (lambda d: d.AddFont("Sans", MISSING), ["AddFont " + not_found]),
            (lambda d: d.AddFontMonospaced("Mono", MISSING, 600), ["AddFontMonospaced " + not_found]),
            (lambda d: d.AddFont("", FONT),
             ['AddFont returned "Error - Font Name Void, please use a valid Font Name!": no font was added']),
            (lambda d: d.SendCmd("AddFontWithModKern", "K", MISSING, 0.9, None, None),
             ['SendCmd "AddFontWithModKern" ' + not_found]),
            (lambda d: setattr(d, "FontName", "Arial"), ['unknown font "Arial": Courier is used']),
            (lambda d: setattr(d, "fontname", "Comic Sans"), ['unknown font "Comic Sans": Courier is used']),
            (lambda d: d.AddFont("Sans", FONT), []),
            (lambda d: d.SendCmd("NoSuchCommand", "x", None, None, None, None), []),
            (lambda d: setattr(d, "FontName", "COURIER"), []),
            (lambda d: setattr(d, "FontName", "/f0"), []),
            (lambda d: setattr(d, "FontName", "helvetica-bold"), []),
            (lambda d: (d.AddFont("Sans", FONT), setattr(d, "FontName", "sans")), []),
            # Characters no Unicode font of the chain has: drawn as empty boxes.
            (lambda d: (d.SendCmd("AddFontUnicode", "U", FONT, None, None, None), setattr(d, "FontName", "U"),
                        d.TextOut("\u03a9 ok \u4e2d", 10, 10), d.TextOut("fine", 10, 20)),
             ['TextOut drew characters that no font has as empty boxes: "\u4e2d"']),
            (lambda d: (d.SendCmd("AddFontUnicode", "U", FONT, None, None, None), d.AddFontFallback("U", DROID),
                        setattr(d, "FontName", "U"), d.TextOut("2026\u5e74 \U0001F600", 10, 10)),
             ['TextOut drew characters that no font has as empty boxes: "\U0001F600"']),
        ]
        for action, expected in cases:
            with self.subTest(expected=expected):
                doc = vellum.Dispatch()
                doc.NewPDF("Fonts")
                self.assertEqual(warned(lambda: action(doc)), [(message, "test_warnings.py") for message in expected])
                doc.GetPDFContent()
        doc = vellum.Dispatch()
        doc.NewPDF("Result")
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            self.assertEqual(doc.AddFont("Sans", MISSING), "Error - file not found")
            doc.FontName = "Arial"
        self.assertEqual(doc.FontName, "/F0")
        doc.GetPDFContent()

    def test_documents_never_saved_or_read(self):
        def closed(*calls):
            def action():
                doc = vellum.Dispatch()
                for call in calls:
                    call(doc)
                doc.close()
            return action

        def collected():
            doc = vellum.Dispatch()
            doc.NewPDF("Letter")
            del doc
            gc.collect()

        def in_with_block():
            with vellum.Dispatch() as doc:
                doc.NewPDF("Letter")

        def in_failing_with_block():
            try:
                with vellum.Dispatch() as doc:
                    doc.NewPDF("Letter")
                    raise KeyError("the failure is the news")
            except KeyError:
                pass

        def failed_save(doc):
            try:
                doc.SavePDF(os.path.join(self.folder, "missing", "x.pdf"))
            except vellum.COMError:
                pass

        start = lambda doc: doc.NewPDF("Letter")
        here = "test_warnings.py"
        cases = [  # action, the warnings it gives
            (closed(start), [(UNSAVED, here)]),
            (collected, [(UNSAVED, here)]),
            (in_with_block, [(UNSAVED, here)]),
            (in_failing_with_block, []),
            (closed(start, lambda d: d.SavePDF(os.path.join(self.folder, "saved.pdf"))), []),
            (closed(start, lambda d: d.GetPDFContent()), []),
            (closed(lambda d: d.NewPDF("First"), lambda d: d.GetPDFContent(), start), [(UNSAVED, here)]),
            (closed(start, failed_save), [(UNSAVED, here)]),
            (closed(), []),
        ]
        for index, (action, expected) in enumerate(cases):
            with self.subTest(case=index):
                self.assertEqual(warned(action), expected)


if __name__ == "__main__":
    unittest.main()
