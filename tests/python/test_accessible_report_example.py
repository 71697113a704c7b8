"""examples/accessible_report.py writes a PDF/UA-1 report whose structure
readers walk as headings, a list and a table, without the page furniture."""

import os
import subprocess
import sys

from support import PdfTestCase

HERE = os.path.dirname(__file__)
EXAMPLE = os.path.join(os.environ.get("VELLUM_EXAMPLES", os.path.join(HERE, "..", "..", "examples")),
                       "accessible_report.py")
UA_CHECK = os.environ.get("VELLUM_UA_CHECK", os.path.join(HERE, "..", "support", "ua_check.py"))


def item(number, text):
    return ["    LI (block)", "      Lbl (block)", f'        "{number}."', "      LBody (block)", f'        "{text}"']


def row(role, *cells):
    """A table row as pdfinfo prints it; header cells head their columns."""
    head = ["        TH:", "           /Scope /Column"] if role == "TH" else [f"        {role}"]
    return ["      TR"] + [line for cell in cells for line in (*head, f'          "{cell}"')]


# The footers "City Library annual report 2025 - page n of 2", the table's
# shading and its rule are not in it.
EXPECTED_TREE = [
    "Document",
    "  H1 (block)", '    "City Library annual report 2025"',
    "  P (block)", '''    "This report sums up the library's year: what changed, how much was borrowed and where."''',
    "  H2 (block)", '    "Highlights"',
    "  L (block)",
    *item(1, "The children's library reopened in March after its refit."),
    *item(2, "Loans rose by a tenth, e-books by almost a half."),
    *item(3, "Volunteers gave 2,300 hours to the reading clubs."),
    "  H2 (block)", '    "Loans by branch"',
    "  Table (block)",
    "    THead", *row("TH", "Branch", "Loans", "Change"),
    "    TBody",
    *row("TD", "Central", "182,400", "+8 %"),
    *row("TD", "Riverside", "64,150", "+14 %"),
    *row("TD", "Hill Street", "39,870", "+11 %"),
    "  P (block)", '    "Changes are against 2024."',
]


class AccessibleReportExample(PdfTestCase):
    def test_report(self):
        path = os.path.join(self.folder, "annual-report.pdf")
        run = subprocess.run([sys.executable, EXAMPLE, path], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, f"{path}: 2 pages\n")
        self.assertValidPdf(path)
        tree = subprocess.run(["pdfinfo", "-struct-text", path], capture_output=True, text=True, check=True)
        self.assertEqual(tree.stdout.splitlines(), EXPECTED_TREE)
        check = subprocess.run(["/usr/bin/python3", UA_CHECK, path], capture_output=True, text=True)
        self.assertEqual(check.stdout, f"{path}: conforms\n")
        text = self.pdf_text(path)
        for shown in ("Loans by branch", "Hill Street", "page 1 of 2", "page 2 of 2"):
            self.assertIn(shown, text)
        self.assertEqual(self.pdf_info(path)["Pages"].strip(), "2")


if __name__ == "__main__":
    import unittest
    unittest.main()
