"""What a caller sees when a call cannot be made as written (misspelt names,
arguments that do not fit), what fits besides the plain types (paths, number
objects), the object as a context manager, and the manual as help."""

import decimal
import fractions
import os
import pathlib
import pydoc
import re
import subprocess
import unittest

import vellum
from support import PdfTestCase

SOURCE = pathlib.Path(__file__).resolve().parents[2]
FONT = SOURCE / "examples" / "assets" / "LiberationSans-Regular.ttf"
PICTURE = SOURCE / "examples" / "assets" / "logo.jpg"


def suggestion(message):
    return message.partition("; did you mean ")[2]


class Names(unittest.TestCase):
    def test_misspelt_members_suggest_what_the_client_suggests(self):
        names = ["TextOutt", "setlinecolour", "FontNam", "GETPDFCONTNT", "Xyzzy"]
        script = "On Error Resume Next\n" + "".join(f"{name} 1\nPrint Err.Description\n" for name in names)
        run = subprocess.run([os.environ["VELLUM_CLIENT"], "run", "-"], input=script, capture_output=True,
                             text=True, check=True)
        client = run.stdout.splitlines()
        self.assertEqual(len(client), len(names), run.stdout)
        doc = vellum.Dispatch()
        for name, said in zip(names, client):
            with self.subTest(name=name):
                with self.assertRaises(AttributeError) as read:
                    getattr(doc, name)
                with self.assertRaises(AttributeError) as assigned:
                    setattr(doc, name, 1)
                for error in (read.exception, assigned.exception):
                    self.assertIn(repr(name), str(error))
                    self.assertEqual(suggestion(str(error)), suggestion(said))
        self.assertEqual(suggestion(client[0]), "TextOut?")
        self.assertEqual(suggestion(client[1]), "SetLineColor or SetFillColor?")
        self.assertEqual(suggestion(client[-1]), "")


class Arguments(PdfTestCase):
    def test_arguments_that_do_not_fit_name_the_argument_and_change_nothing(self):
        mismatch, count = vellum.DISP_E_TYPEMISMATCH, vellum.DISP_E_BADPARAMCOUNT
        cases = [  # call, hresult, argument, words of the message
            (lambda d: d.TextOut("x", None, 1), mismatch, 2, "argument 2 (xpos)", "a number", "not NoneType"),
            (lambda d: d.TextOut(b"x", 1, 1), mismatch, 1, "argument 1 (Txt)", "a text", "not bytes"),
            (lambda d: d.TextOut(["x"], 1, 1), mismatch, 1, "argument 1 (Txt)", "not list"),
            (lambda d: d.TextOut("x", "far", 1), mismatch, 2, "argument 2 (xpos)", "got 'far'"),
            (lambda d: d.SetCurrentPage(2.0 ** 40), mismatch, 1, "argument 1 (PageNumber)", "a whole number"),
            (lambda d: d.SendCmd("ChangeCreator", [1], None, None, None, None), mismatch, 2, "(Param2)"),
            (lambda d: d.SavePDF(3j), mismatch, 1, "argument 1 (AFilename)", "a file name"),
            (lambda d: setattr(d, "FontHeight", None), mismatch, 1, "FontHeight: the value assigned"),
            (lambda d: setattr(d, "fontheight", b"9"), mismatch, 1, "FontHeight: the value assigned"),
            (lambda d: d.TextOut("x", 1), count, None, "TextOut takes 3 (Txt, xpos, ypos), 2 given"),
            (lambda d: d.AddPage(1), count, None, "AddPage takes no arguments, 1 given"),
        ]
        doc = vellum.Dispatch()
        doc.NewPDF("Arguments")
        for call, code, argument, *words in cases:
            with self.subTest(words=words):
                with self.assertRaises(TypeError) as failure:
                    call(doc)
                error = failure.exception
                self.assertIsInstance(error, vellum.COMError)
                self.assertEqual((error.hresult, error.argument), (code, argument))
                for word in words:
                    self.assertIn(word, str(error))
        untouched = vellum.Dispatch()
        untouched.NewPDF("Arguments")
        self.assertEqual(doc.GetPDFContent(), untouched.GetPDFContent())

    def test_what_fits_keeps_working(self):
        def build(text, x, y, height):
            doc = vellum.Dispatch()
            doc.NewPDF("Fits")
            doc.FontHeight = height
            doc.TextOut(text, x, y)
            doc.Keywords = None
            return doc.GetPDFContent()

        plain = build("42", 10.5, 20, 12.5)
        for text, x, y, height in ((42, decimal.Decimal("10.5"), fractions.Fraction(40, 2), "12.5"),
                                   ("42", 10.5, True * 20, 12.5)):
            with self.subTest(x=x):
                self.assertEqual(build(text, x, y, height), plain)

    def test_file_names_take_paths(self):
        doc = vellum.Dispatch(library=pathlib.Path(os.environ["VELLUM_CLIENT"]).with_name("Vellum_XP.so"))
        doc.NewPDF("Paths")
        self.assertRegex(doc.AddFont("Sans", FONT), r"^/F\d+$")
        self.assertRegex(doc.SendCmd("AddFontWithModKern", "Wide", FONT, 1.2, None, None), r"^/F\d+$")
        doc.DrawImageResource(20, 30, 40, 20, doc.ImportImageAsResource(PICTURE, 90))
        doc.FontName = "Sans"
        doc.TextOut("by path", 20, 20)
        target = pathlib.Path(self.folder) / "paths.pdf"
        doc.SavePDF(target)
        self.assertValidPdf(target)
        self.assertIn("by path", self.pdf_text(target))


class ContextManager(PdfTestCase):
    def test_the_end_of_a_with_block_releases_the_object(self):
        with vellum.Dispatch() as doc:
            doc.NewPDF("With")
            content = doc.GetPDFContent()
        self.assertTrue(content.startswith(b"%PDF"))
        with self.assertRaisesRegex(ValueError, "closed"):
            doc.TextOut("after", 1, 1)
        with self.assertRaises(ZeroDivisionError):
            with vellum.Dispatch() as doc:
                doc.NewPDF("Failing")
                1 / 0
        with self.assertRaisesRegex(ValueError, "closed"):
            doc.GetPDFContent()


class Help(unittest.TestCase):
    def test_every_member_carries_its_description_from_the_manual(self):
        with open(SOURCE / "docs" / "manual-src" / "members.txt", encoding="utf-8") as file:
            summaries = dict(re.findall(r"^@member (\w+)\n@summary (.*)$", file.read(), re.M))
        cls = type(vellum.Dispatch())
        self.assertEqual(set(summaries), set(cls._names))
        for name, summary in summaries.items():
            with self.subTest(name=name):
                doc = getattr(cls, name).__doc__
                words = " ".join(re.sub(r"<[^>]*>", "", summary).split())
                self.assertIn(words, " ".join(doc.split()))
                self.assertNotRegex(doc, r"</?[a-z]+[ >]")
        text = pydoc.render_doc(cls.TextOut, renderer=pydoc.plaintext)
        self.assertIn("TextOut(Txt: str, xpos: float, ypos: float) -> None", text)
        self.assertIn("xpos: Horizontal position", text)


if __name__ == "__main__":
    unittest.main()
