"""examples/logo.py keeps its logo without loss: the PNG's samples and its
alpha as a soft mask, the band showing through where the logo is clear."""

import os
import subprocess
import sys

import pikepdf
from PIL import Image

from support import PdfTestCase

EXAMPLES = os.environ.get("VELLUM_EXAMPLES", os.path.join(os.path.dirname(__file__), "..", "..", "examples"))


class LogoExample(PdfTestCase):
    def test_logo_on_the_band(self):
        path = os.path.join(self.folder, "logo.pdf")
        run = subprocess.run([sys.executable, os.path.join(EXAMPLES, "logo.py"), path], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.strip(), f"{path}: logo 160 x 64 pixels")
        self.assertValidPdf(path)
        with Image.open(os.path.join(EXAMPLES, "assets", "badge.png")) as logo:
            rgba = logo.convert("RGBA")
        with pikepdf.open(path) as pdf:
            self.assertEqual(str(pdf.pdf_version), "1.4")
            image = pdf.pages[0].Resources.XObject["/Im0"]
            self.assertEqual(image.read_bytes(), rgba.convert("RGB").tobytes())
            self.assertEqual(image.SMask.read_bytes(), rgba.getchannel("A").tobytes())
        # The logo's top-left corner is clear: the band's blue shows there.
        out = os.path.join(self.folder, "page")
        subprocess.run(["pdftoppm", "-r", "72", "-png", "-singlefile", path, out], check=True)
        with Image.open(out + ".png") as page:
            corner = page.convert("RGB").getpixel((round(15 / 25.4 * 72) + 1, round(18 / 25.4 * 72) + 1))
        self.assertTrue(all(abs(got - band) <= 2 for got, band in zip(corner, (24, 64, 112))), corner)


if __name__ == "__main__":
    import unittest
    unittest.main()
