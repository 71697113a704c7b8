"""examples/einvoice.py writes a PDF/A-3b invoice whose attached XML and metadata readers find as written."""

import os
import runpy
import subprocess
import sys

import pikepdf

from support import PdfTestCase

EXAMPLE = os.path.join(os.environ.get("VELLUM_EXAMPLES", os.path.join(os.path.dirname(__file__), "..", "..", "examples")),
                       "einvoice.py")
FX = "{urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#}"


def example_namespace():
    return runpy.run_path(EXAMPLE)  # not as __main__: nothing is written


class EInvoiceExample(PdfTestCase):
    def test_invoice(self):
        path = os.path.join(self.folder, "invoice.pdf")
        run = subprocess.run([sys.executable, EXAMPLE, path], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertValidPdf(path)
        listed = subprocess.run(["pdfdetach", "-list", path], capture_output=True, text=True).stdout
        self.assertEqual(listed, "1 embedded files\n1: factur-x.xml\n")
        saved = os.path.join(self.folder, "saved.xml")
        subprocess.run(["pdfdetach", "-save", "1", "-o", saved, path], check=True)
        with open(saved, "rb") as file:
            self.assertEqual(file.read(), example_namespace()["invoice_xml"]().encode())

        with pikepdf.open(path) as pdf:
            self.assertEqual(pdf.pdf_version, "1.7")
            attached = pdf.attachments["factur-x.xml"].obj
            self.assertEqual(attached.AFRelationship, pikepdf.Name.Alternative)
            self.assertEqual(attached.EF.F.Subtype, pikepdf.Name("/text/xml"))
            self.assertEqual(list(pdf.Root.AF), [attached])
            metadata = pdf.open_metadata()
            self.assertEqual((metadata["pdfaid:part"], metadata["pdfaid:conformance"]), ("3", "B"))
            self.assertEqual(metadata[FX + "DocumentFileName"], "factur-x.xml")
            self.assertEqual(metadata[FX + "ConformanceLevel"], "MINIMUM")
            # The packet says what the information dictionary says.
            self.assertEqual(metadata["dc:title"], str(pdf.docinfo.Title))
            self.assertEqual(metadata["pdf:Producer"], str(pdf.docinfo.Producer))
            # The schema is declared, as archival readers require.
            self.assertIn("urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#", str(metadata))
            declared = pdf.Root.Metadata.read_bytes().decode()
            for name in ("DocumentType", "DocumentFileName", "Version", "ConformanceLevel"):
                self.assertIn(f"<pdfaProperty:name>{name}</pdfaProperty:name>", declared)
        self.assertIn("Invoice 2026-118", self.pdf_text(path))
