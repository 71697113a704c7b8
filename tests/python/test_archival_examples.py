"""The Python examples, unchanged but with every document declared PDF/A-1b
right after its NewPDF, write files that PDFBox Preflight accepts."""

import glob
import os
import subprocess

from example_runs import HERE, declaring, example_runs
from support import PdfTestCase

PREFLIGHT = os.environ.get("VELLUM_PREFLIGHT", os.path.join(HERE, "..", "support", "preflight.sh"))
LEVEL = "PDF/A-1b"


class ArchivalExamples(PdfTestCase):
    def test_every_example_passes_preflight(self):
        # einvoice.py declares PDF/A-3b, which no document can combine with PDF/A-1b.
        runs = example_runs(self.folder, LEVEL, ["report.py", "signed.py", "batch.py", "accessible_report.py",
                                                 "logo.py"])
        with declaring(LEVEL):
            for example, run in runs.items():
                with self.subTest(example=example):
                    run()

        written = sorted(glob.glob(os.path.join(self.folder, "*.pdf")))
        self.assertEqual([os.path.basename(path) for path in written],
                         ["annual-report.pdf", "invoice-2024-0001.pdf", "invoice-2024-0002.pdf", "letter.pdf",
                          "logo.pdf", "statement.pdf"])
        for path in written:
            with self.subTest(file=os.path.basename(path)):
                self.assertValidPdf(path)
        check = subprocess.run(["sh", PREFLIGHT, *written], capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertEqual(check.stdout, "".join(f"{path}: valid\n" for path in written))


if __name__ == "__main__":
    import unittest
    unittest.main()
