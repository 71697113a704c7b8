"""Every Python example, unchanged but with every document declared PDF/UA-1
right after its NewPDF (in English unless it says otherwise, with words for
each picture), writes files that the PDF/UA checker finds conforming."""

import glob
import os
import subprocess

from example_runs import ACCESSIBLE, HERE, declaring, example_runs
from support import PdfTestCase

UA_CHECK = os.environ.get("VELLUM_UA_CHECK", os.path.join(HERE, "..", "support", "ua_check.py"))
EXAMPLES = ["report.py", "signed.py", "batch.py", "einvoice.py", "accessible_report.py", "logo.py"]


class AccessibleExamples(PdfTestCase):
    def test_every_example_passes_the_check(self):
        with declaring(ACCESSIBLE):
            for example, run in example_runs(self.folder, ACCESSIBLE, EXAMPLES).items():
                with self.subTest(example=example):
                    run()

        written = sorted(glob.glob(os.path.join(self.folder, "*.pdf")))
        self.assertEqual([os.path.basename(path) for path in written],
                         ["annual-report.pdf", "invoice-2024-0001.pdf", "invoice-2024-0002.pdf", "invoice.pdf",
                          "letter.pdf", "logo.pdf", "statement.pdf"])
        for path in written:
            with self.subTest(file=os.path.basename(path)):
                self.assertValidPdf(path)
        check = subprocess.run(["/usr/bin/python3", UA_CHECK, *written], capture_output=True, text=True)
        self.assertEqual(check.stdout, "".join(f"{path}: conforms\n" for path in written))
        self.assertEqual(check.returncode, 0, check.stderr)


if __name__ == "__main__":
    import unittest
    unittest.main()
