"""pdf.js (Debian's libjs-pdf, under Node.js) and PDFBox read the structure
tree that poppler's pdfinfo prints, and the logo's alternative text, from the
accessible letter that examples/accessible.vls writes. Skipped where a reader
is not installed."""

import os
import re
import shutil
import subprocess
import unittest

from support import PdfTestCase

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.environ.get("VELLUM_EXAMPLES", os.path.join(HERE, "..", "..", "examples"))
PDFJS = "/usr/share/nodejs/pdfjs-dist/build/pdf.js"
PDFBOX = [f"/usr/share/java/{jar}.jar" for jar in ("pdfbox2", "fontbox2", "commons-logging")]
LOGO = "  Figure [City Library logo]\n"


def comparable(tree):
    """The roles and texts alone: pdfinfo adds (block) and (inline) and names
    annotations' objects, the readers add alternative texts and pdf.js pages;
    pdf.js builds each page's tree from its marked content, so it leaves out
    elements that hold only an annotation (the Link)."""
    lines = (re.sub(r" \((block|inline)\)$| \[.*\]$", "", line) for line in tree.splitlines())
    return [line for line in lines
            if not re.fullmatch(r" *(Object \d+ \d+|Link)|page \d+", line)]


class StructTreeReaders(PdfTestCase):
    def setUp(self):
        super().setUp()
        os.symlink(EXAMPLES, os.path.join(self.folder, "examples"))
        os.mkdir(os.path.join(self.folder, "out"))
        client = os.environ.get("VELLUM_CLIENT", "vellum")
        subprocess.run([client, "run", os.path.join(EXAMPLES, "accessible.vls")], cwd=self.folder, check=True,
                       capture_output=True)
        self.pdf = os.path.join(self.folder, "out", "accessible.pdf")
        self.poppler = comparable(self.read(["pdfinfo", "-struct-text"]))

    def read(self, command):
        return subprocess.run(command + [self.pdf], capture_output=True, text=True, check=True).stdout

    def assertReadsTheTree(self, tree):
        self.assertIn(LOGO, tree)
        self.assertEqual(comparable(tree), self.poppler)

    @unittest.skipUnless(shutil.which("node") and os.path.exists(PDFJS), "needs nodejs and libjs-pdf")
    def test_pdfjs(self):
        self.assertReadsTheTree(self.read(["node", os.path.join(HERE, "struct_tree.js")]))

    @unittest.skipUnless(shutil.which("java") and all(map(os.path.exists, PDFBOX)),
                         "needs default-jre-headless and libpdfbox2-java")
    def test_pdfbox(self):
        self.assertReadsTheTree(self.read(["java", "-cp", ":".join(PDFBOX), os.path.join(HERE, "StructTree.java")]))


if __name__ == "__main__":
    unittest.main()
