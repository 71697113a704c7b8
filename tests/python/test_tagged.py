"""Tagged documents through the Python module: the flag reads back as a bool, the tree readers build."""

import os
import subprocess

import vellum

from support import PdfTestCase

UA_CHECK = os.environ.get("VELLUM_UA_CHECK", os.path.join(os.path.dirname(__file__), "..", "support", "ua_check.py"))
ASSETS = os.path.join(os.environ.get("VELLUM_EXAMPLES", os.path.join(os.path.dirname(__file__), "..", "..", "examples")),
                      "assets")


class TaggedDocument(PdfTestCase):
    def test_report(self):
        path = os.path.join(self.folder, "report.pdf")
        with vellum.Dispatch() as doc:
            doc.NewPDF("Report")
            self.assertIs(doc.Tagged, False)
            doc.Tagged = True
            self.assertIs(doc.Tagged, True)
            doc.Language = "en-GB"
            self.assertEqual(doc.Language, "en-GB")
            doc.BeginStructure("H1", "", "")
            doc.TextOut("Results", 20, 20)
            doc.EndStructure()
            logo = doc.ImportImageAsResource(os.path.join(ASSETS, "logo.jpg"), 90)
            doc.SetImageAltText(logo, "The logo")
            doc.DrawImageResource(150, 10, 30, 15, logo)
            for role, text, x in (("TH", "Year", 20), ("TD", "2026", 60)):
                if role == "TH":
                    doc.BeginStructure("Table", "", "")
                    doc.BeginStructure("TR", "", "")
                doc.BeginStructure(role, "", "")
                doc.TextOut(text, x, 40)
                doc.EndStructure()
            doc.EndStructure()
            doc.EndStructure()
            doc.BeginArtifact("Pagination")
            doc.TextOut("Page 1", 100, 280)
            doc.EndArtifact()
            with self.assertRaisesRegex(vellum.COMError, "no open structure element"):
                doc.EndStructure()
            with self.assertRaisesRegex(vellum.COMError, "before anything is drawn"):
                doc.Tagged = False
            doc.SavePDF(path)
        self.assertValidPdf(path)
        tree = subprocess.run(["pdfinfo", "-struct-text", path], capture_output=True, text=True).stdout
        self.assertEqual(tree, 'Document\n  H1 (block)\n    "Results"\n  Figure\n    ""\n  Table (block)\n'
                               '    TR\n      TH:\n         /Scope /Column\n        "Year"\n      TD\n        "2026"\n')
        check = subprocess.run(["/usr/bin/python3", UA_CHECK, path], capture_output=True, text=True).stdout
        structural = [line for line in check.splitlines()[1:]
                      if not line.startswith(("  document: ", "  fonts: "))]
        self.assertEqual(structural, [])
