"""The PDFDocument object from Python: names, properties, methods, errors,
help, and how the object is found."""

import inspect
import math
import os
import pydoc
import re
import subprocess
import unittest

import vellum
from support import PdfTestCase, scratch_folder


class Names(PdfTestCase):
    def test_members_answer_to_any_letter_case(self):
        doc = vellum.Dispatch()
        for spelling in ("NewPDF", "newpdf", "NEWPDF", "nEwPdF"):
            with self.subTest(spelling=spelling):
                getattr(doc, spelling)("Title " + spelling)
        for spelling, value in (("FontHeight", 11.0), ("fontheight", 12.5), ("FONTHEIGHT", 14.0)):
            with self.subTest(spelling=spelling):
                setattr(doc, spelling, value)
                self.assertEqual(doc.FontHeight, value)
                self.assertEqual(getattr(doc, spelling.swapcase()), value)
        doc.textout("lower case", 20, 30)
        self.assertEqual(inspect.signature(doc.textOUT), inspect.signature(doc.TextOut))
        path = self.write("names.pdf", doc.GETPDFCONTENT())
        self.assertValidPdf(path)
        self.assertIn("lower case", self.pdf_text(path))
        self.assertEqual(self.pdf_info(path)["Title"].strip(), "Title nEwPdF")

    def test_unknown_names_are_attribute_errors(self):
        doc = vellum.Dispatch()
        self.assertFalse(hasattr(doc, "NoSuchMember"))
        with self.assertRaises(AttributeError):
            doc.NoSuchMember = 1
        with self.assertRaises(AttributeError):
            doc._private = 1


class Properties(PdfTestCase):
    def test_get_and_put(self):
        doc = vellum.Dispatch()
        doc.NewPDF("Properties")
        cases = [("FontHeight", 17.25), ("ParagraphWidth", 80.0), ("UnitOfMeasure", "inch"),
                 ("ParagraphAlignment", "RIGHT"), ("TextRendering", 2), ("TextInclinationDegrees", 15),
                 ("Author", "Zoë Writer"), ("Subject", "Tests"), ("Keywords", "one two")]
        for name, value in cases:
            with self.subTest(name=name):
                setattr(doc, name, value)
                self.assertEqual(getattr(doc, name), value)
                self.assertIs(type(getattr(doc, name)), type(value))
        path = self.write("properties.pdf", doc.GetPDFContent())
        self.assertValidPdf(path)
        info = self.pdf_info(path)
        self.assertEqual(info["Author"].strip(), "Zoë Writer")
        self.assertEqual(info["Keywords"].strip(), "one two")

    def test_write_only_property_and_methods(self):
        doc = vellum.Dispatch()
        doc.NewPDF("View")
        doc.ViewMode = 1
        with self.assertRaises(AttributeError):
            doc.ViewMode
        with self.assertRaises(vellum.COMError) as failure:
            doc.NewPDF = "not a property"
        self.assertEqual(failure.exception.hresult, vellum.DISP_E_MEMBERNOTFOUND)

    def test_method_results(self):
        doc = vellum.Dispatch()
        doc.NewPDF("Results")
        self.assertRegex(doc.OCXVersion(), r"^Vellum XP Vers\. \d+\.\d+$")
        self.assertGreater(doc.GetTextBoxWidth("Width"), 0.0)
        self.assertIsInstance(doc.GetTextBoxLines("one"), int)
        self.assertEqual(doc.AddChildOutline(1, 0, 0, 0, "Top", -1), doc.GetLastOutlineID())
        doc.ParagraphWidth = 50
        self.assertEqual(doc.GetTextBoxLines(Txt="a long text " * 20) > 1, True)


class Errors(PdfTestCase):
    def test_a_failing_member_reports_hresult_description_and_source(self):
        doc = vellum.Dispatch()
        with self.assertRaises(vellum.COMError) as failure:
            doc.TextOut("no document yet", 10, 10)
        error = failure.exception
        self.assertIsInstance(error, Exception)
        self.assertEqual(error.hresult, 0x8000FFFF)
        self.assertEqual(error.hresult, vellum.E_UNEXPECTED)
        self.assertEqual(error.source, "VELLUM_XP.PDFDocument")
        self.assertTrue(error.description)
        self.assertEqual(str(error), "0x8000FFFF: " + error.description)
        self.assertEqual(error.args, (0x8000FFFF, error.description, "VELLUM_XP.PDFDocument"))

    def test_dispatch_failures_name_what_was_wrong(self):
        doc = vellum.Dispatch()
        doc.NewPDF("Errors")
        cases = [
            (lambda: doc.TextOut("too few", 1), vellum.DISP_E_BADPARAMCOUNT, "number of arguments"),
            (lambda: doc.TextOut("x", "not a number", 1), vellum.DISP_E_TYPEMISMATCH, "argument 2"),
            (lambda: doc.SetCurrentPage(2.0 ** 40), vellum.DISP_E_TYPEMISMATCH, "argument 1"),
        ]
        for call, code, words in cases:
            with self.subTest(code=hex(code)):
                with self.assertRaises(vellum.COMError) as failure:
                    call()
                self.assertEqual(failure.exception.hresult, code)
                self.assertIn(words, failure.exception.description)
                self.assertIsNone(failure.exception.source)

    def test_values_without_a_variant_form_are_type_errors(self):
        doc = vellum.Dispatch()
        doc.NewPDF("Types")
        with self.assertRaises(TypeError):
            doc.TextOut(["a list"], 1, 1)
        with self.assertRaises(TypeError):
            doc.TextOut("x", 1, 1, extra=3)

    def test_non_finite_numbers_are_refused_and_append_nothing(self):
        def build(extra):
            doc = vellum.Dispatch()
            doc.NewPDF("Finite")
            doc.TextOut("kept", 20, 20)
            extra(doc)
            return doc.GetPDFContent()

        reference = build(lambda doc: None)
        calls = {
            "TextOut": lambda doc, x: doc.TextOut("lost", x, 20),
            "DrawLine": lambda doc, x: doc.DrawLine(1, 10, x, 10, 40),
            "DrawCircle": lambda doc, x: doc.DrawCircle(1, 0, 1, 50, 50, x),
            "SetPageDimensions": lambda doc, x: doc.SetPageDimensions(x, 200),
            "AddTextAnnotation": lambda doc, x: doc.AddTextAnnotation(x, 10, "note"),
        }
        for value in (math.inf, -math.inf, math.nan):
            for name, call in calls.items():
                with self.subTest(member=name, value=value):
                    def refused(doc):
                        with self.assertRaises(vellum.COMError) as failure:
                            call(doc, value)
                        self.assertEqual(failure.exception.hresult, vellum.E_UNEXPECTED)
                        self.assertIn("finite", failure.exception.description)
                    self.assertEqual(build(refused), reference)
        self.assertValidPdf(self.write("finite.pdf", reference))


class Help(unittest.TestCase):
    def test_dir_and_help_list_members_with_argument_names(self):
        doc = vellum.Dispatch()
        listed = dir(doc)
        for name in ("NewPDF", "TextOut", "FontName", "ViewMode", "GetPDFContent", "AddFontMonospaced"):
            self.assertIn(name, listed)
        text = pydoc.render_doc(doc, renderer=pydoc.plaintext)
        self.assertIn("TextOut(Txt: str, xpos: float, ypos: float) -> None", text)
        self.assertIn("DrawArc(CenterXPos: float, CenterYPos: float, Radius: int", text)
        self.assertIn("FontName: str (read and write)", text)
        self.assertIn("ViewMode: int (write only)", text)
        self.assertEqual(list(inspect.signature(doc.SendCmd).parameters),
                         ["Param1", "Param2", "Param3", "Param4", "Param5", "Param6"])

    def test_every_member_of_the_type_information_is_an_attribute(self):
        doc = vellum.Dispatch()
        members = doc._object.members()
        # The stub's interface classes are written from the member table: the same names.
        stub_path = os.path.join(os.path.dirname(vellum.__file__), "__init__.pyi")
        with open(stub_path, encoding="utf-8") as file:
            stub = file.read()
        interfaces = stub[stub.index("class IPDFDocument(DispatchObject):"):stub.index("\ndef Dispatch(")]
        declared = set(re.findall(r"^    (?:def )?(\w+)[(:]", interfaces, re.M))
        self.assertEqual({name for name, *_ in members}, declared)
        for name, kind, dispid, params, result in members:
            self.assertIn(name, type(doc).__dict__)
            if kind == 1:
                self.assertEqual(list(inspect.signature(getattr(doc, name)).parameters), [p for p, _ in params])

    def test_type_stub_beside_the_module(self):
        stub_path = os.path.join(os.path.dirname(vellum.__file__), "__init__.pyi")
        with open(stub_path, encoding="utf-8") as file:
            stub = file.read()
        compile(stub, stub_path, "exec")
        self.assertIn("    def TextOut(self, Txt: str, xpos: float, ypos: float) -> None: ...", stub)
        self.assertIn("    FontHeight: float\n", stub)
        self.assertEqual(stub.count("    FontHeight:"), 1)
        self.assertIn("def Dispatch(", stub)
        self.assertIn("class IPDFDocument2(IPDFDocument):\n    def Encrypt(self, UserPassword: str, OwnerPassword: str, "
                      "Permissions: str, Method: str) -> None: ...\n", stub)
        self.assertIn("def PDFDocument() -> IPDFDocument2: ...", stub)

    def test_members_of_the_second_interface_by_name(self):
        doc = vellum.Dispatch()
        self.assertEqual(type(doc).__name__, "IPDFDocument2")
        self.assertEqual(list(inspect.signature(doc.Sign).parameters),
                         ["CertificateFile", "Password", "Reason", "Location"])
        self.assertIn("Encrypt", pydoc.render_doc(doc.Encrypt, renderer=pydoc.plaintext))
        calls = [lambda: doc.Encrypt("", "owner", "print", "AES-256"),
                 lambda: doc.Sign(CertificateFile="missing.p12", Password="x", Reason="", Location="")]
        for call in calls:
            with self.assertRaises(vellum.COMError) as failure:
                call()
            self.assertEqual(failure.exception.hresult, vellum.E_UNEXPECTED)
            self.assertEqual(failure.exception.description, "There is no document: call NewPDF first")


class Activation(unittest.TestCase):
    def setUp(self):
        self._scratch = scratch_folder()
        self.registry = os.path.join(self._scratch.name, "registry.reg")
        self._saved = {name: os.environ.get(name) for name in ("VELLUM_REGISTRY", "VELLUM_LIBRARY")}
        os.environ["VELLUM_REGISTRY"] = self.registry
        os.environ.pop("VELLUM_LIBRARY", None)

    def tearDown(self):
        for name, value in self._saved.items():
            if value is None:
                os.environ.pop(name, None)
            else:
                os.environ[name] = value
        self._scratch.cleanup()

    def register(self):
        subprocess.run([os.environ["VELLUM_CLIENT"], "register"], check=True, capture_output=True)

    def test_registered_progid_is_used(self):
        self.register()
        with open(self.registry, encoding="utf-8") as file:
            text = file.read()
        self.assertIn("Vellum_XP.so", text)
        vellum.Dispatch().NewPDF("registered")
        vellum.Dispatch("vellum_xp.pdfdocument").NewPDF("any case")
        # The registered library is the one loaded: a broken entry fails.
        library = next(line for line in text.splitlines() if "Vellum_XP.so" in line).split('"')[-2]
        with open(self.registry, "w", encoding="utf-8") as file:
            file.write(text.replace(library, "/nonexistent/Vellum_XP.so"))
        with self.assertRaises(vellum.COMError) as failure:
            vellum.Dispatch()
        self.assertIn("registered, but its library could not be loaded", failure.exception.description)

    def test_unregistered_progids(self):
        with self.assertRaises(vellum.COMError) as failure:
            vellum.Dispatch("Other.Thing")
        self.assertEqual(failure.exception.hresult, vellum.CO_E_CLASSSTRING)
        self.assertEqual(vellum.Dispatch().OCXVersion(), vellum.Dispatch(vellum.PROGID).OCXVersion())
        self.assertIs(type(vellum.PDFDocument()), type(vellum.Dispatch()))

    def test_library_named_by_path_or_environment(self):
        os.environ["VELLUM_LIBRARY"] = "/nonexistent/Vellum_XP.so"
        with self.assertRaises(vellum.COMError) as failure:
            vellum.Dispatch()
        self.assertIn("/nonexistent/Vellum_XP.so", failure.exception.description)
        found = os.path.join(os.path.dirname(os.environ["VELLUM_CLIENT"]), "Vellum_XP.so")
        vellum.Dispatch(library=found).NewPDF("by path")
        os.environ["VELLUM_LIBRARY"] = found
        vellum.Dispatch().NewPDF("by environment")


if __name__ == "__main__":
    unittest.main()
