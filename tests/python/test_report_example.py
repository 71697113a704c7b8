"""examples/report.py runs and writes a valid, right-aligned statement."""

import os
import re
import subprocess
import sys

from support import PdfTestCase

EXAMPLE = os.path.join(os.environ.get("VELLUM_EXAMPLES", os.path.join(os.path.dirname(__file__), "..", "..", "examples")),
                       "report.py")
MM = 72 / 25.4


class ReportExample(PdfTestCase):
    def test_statement(self):
        path = os.path.join(self.folder, "statement.pdf")
        run = subprocess.run([sys.executable, EXAMPLE, path], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.strip(), f"{path}: 4 pages")
        self.assertValidPdf(path)
        self.assertEqual(self.pdf_info(path)["Pages"].strip(), "4")
        text = self.pdf_text(path)
        for expected in ("Account statement 2024", "Rent #1", "Interest #120", "Closing balance",
                         "Page 1 of 4", "Page 4 of 4"):
            self.assertIn(expected, text)

        # Amounts end at the amount column's edge, balances at the page's.
        boxes = subprocess.run(["pdftotext", "-bbox", path, "-"], capture_output=True, text=True,
                               check=True).stdout
        right_edges = [float(x) for x in re.findall(r'xMax="([\d.]+)"[^>]*>-?[\d,]+\.\d\d<', boxes)]
        self.assertGreater(len(right_edges), 240)
        for edge in right_edges:
            self.assertTrue(abs(edge - 150 * MM) < 0.5 or abs(edge - 190 * MM) < 0.5, edge)
