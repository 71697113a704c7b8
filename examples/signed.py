"""A signed letter: a reader shows who signed it and that nothing changed since.

    PYTHONPATH=build/bindings/python python3 examples/signed.py CERTIFICATE.p12 PASSWORD [letter.pdf]

CERTIFICATE.p12 holds the signer's private key and certificate chain (PKCS#12,
as exported by most certificate tools). To try it without one, make a
throwaway chain first (never use it for anything real):

    tests/support/make_test_certificate.sh /tmp/certs secret "Ada Lovelace"
    PYTHONPATH=build/bindings/python python3 examples/signed.py /tmp/certs/signer.p12 secret

and check the result with `pdfsig letter.pdf`.
"""

import sys

import vellum


def write_letter(certificate, password, path):
    with vellum.Dispatch() as doc:
        doc.NewPDF("Signed letter")
        doc.Author = "Accounts office"
        doc.UnitOfMeasure = "mm"
        # Checked now: a wrong password or an unreadable file fails here.
        doc.Sign(certificate, password, "Approval of the annual accounts", "London")

        doc.FontName = "Times-Bold"
        doc.FontHeight = 16
        doc.TextOut("Annual accounts approved", 25, 30)
        doc.FontName = "Times-Roman"
        doc.FontHeight = 12
        doc.ParagraphWidth = 160
        doc.ParagraphLeading = 6
        doc.TextOut("The board has approved the annual accounts as presented. This letter carries a digital "
                    "signature over every byte of the file: a reader shows the signer, the reason and the "
                    "place, and reports the signature as broken if anything is changed.", 25, 45)
        doc.SavePDF(path)


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    path = argv[3] if len(argv) > 3 else "letter.pdf"
    write_letter(argv[1], argv[2], path)
    print(f"Wrote {path}")


if __name__ == "__main__":
    main(sys.argv)
