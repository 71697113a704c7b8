"""examples/signed.py signs a letter that pdfsig verifies, and refuses a wrong password."""

import os
import subprocess
import sys

from support import PdfTestCase

HERE = os.path.dirname(__file__)
EXAMPLE = os.path.join(os.environ.get("VELLUM_EXAMPLES", os.path.join(HERE, "..", "..", "examples")), "signed.py")
MAKE_CERTIFICATE = os.path.join(HERE, "..", "support", "make_test_certificate.sh")


class SignedExample(PdfTestCase):
    def test_letter(self):
        subprocess.run(["sh", MAKE_CERTIFICATE, self.folder, "secret", "Ada Lovelace"], check=True,
                       capture_output=True)
        certificate = os.path.join(self.folder, "signer.p12")
        path = os.path.join(self.folder, "letter.pdf")
        run = subprocess.run([sys.executable, EXAMPLE, certificate, "secret", path], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertValidPdf(path)
        report = subprocess.run(["pdfsig", path], capture_output=True, text=True).stdout
        for expected in ("Signer Certificate Common Name: Ada Lovelace", "Signing Hash Algorithm: SHA-256",
                         "Signature Type: ETSI.CAdES.detached", "Signature is Valid"):
            self.assertIn(expected, report)

        wrong = subprocess.run([sys.executable, EXAMPLE, certificate, "guess", path], capture_output=True, text=True)
        self.assertNotEqual(wrong.returncode, 0)
        self.assertIn("password is wrong", wrong.stderr)
