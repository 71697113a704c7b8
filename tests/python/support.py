"""Scratch folders and independent checks of the PDF files the tests write."""

import os
import subprocess
import tempfile
import unittest
import warnings

import vellum

# Many tests start a document only to try a call on it; test_warnings checks
# the warning that such a document gives, in a context of its own.
warnings.filterwarnings("ignore", "the document .* was never saved", vellum.VellumWarning)


def scratch_folder():
    """A temporary folder under the build's scratch area (removed by the caller)."""
    base = os.environ.get("VELLUM_TEST_TMP")
    if base:
        os.makedirs(base, exist_ok=True)
    return tempfile.TemporaryDirectory(dir=base, prefix="python-")


class PdfTestCase(unittest.TestCase):
    """A test case with a scratch folder and checks by qpdf and poppler."""

    def setUp(self):
        self._scratch = scratch_folder()
        self.folder = self._scratch.name
        # Reproducible files: the creation date comes from here.
        self._epoch = os.environ.get("SOURCE_DATE_EPOCH")
        os.environ["SOURCE_DATE_EPOCH"] = "1700000000"

    def tearDown(self):
        if self._epoch is None:
            os.environ.pop("SOURCE_DATE_EPOCH", None)
        else:
            os.environ["SOURCE_DATE_EPOCH"] = self._epoch
        self._scratch.cleanup()

    def write(self, name, content):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as file:
            file.write(content)
        return path

    def assertValidPdf(self, path):
        """qpdf --check accepts the file without warnings."""
        check = subprocess.run(["qpdf", "--check", path], capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertIn("No syntax or stream encoding errors", check.stdout)

    def pdf_text(self, path):
        return subprocess.run(["pdftotext", "-layout", path, "-"], capture_output=True, text=True,
                              check=True).stdout

    def pdf_info(self, path):
        lines = subprocess.run(["pdfinfo", path], capture_output=True, text=True, check=True).stdout
        return dict(line.split(":", 1) for line in lines.splitlines() if ":" in line)
