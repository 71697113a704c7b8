"""A letterhead band with a transparent logo, kept without loss.

    PYTHONPATH=build/bindings/python python3 examples/logo.py [logo.pdf]

The logo is a PNG with soft edges and see-through parts. With ImageEncoding
"Lossless" every pixel is stored as the file has it and its transparency
becomes a soft mask, so the band's colour shows through the logo's gaps and
around its edges; with the default "JPEG" the logo would be laid over white
first and show as a white box on the band.
"""

import os
import sys

import vellum

ASSETS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "assets")
BAND = (24, 64, 112)  # dark blue
LEFT, TOP, BAND_HEIGHT = 15.0, 15.0, 30.0  # millimetres


def main(path="logo.pdf"):
    with vellum.Dispatch() as doc:
        doc.NewPDF("Letterhead")
        doc.ImageEncoding = "Lossless"
        doc.SetFillColor(*BAND)
        doc.DrawRect(0, 1, 0, 0, 210, TOP, BAND_HEIGHT)

        logo = doc.ImportImageAsResource(os.path.join(ASSETS, "badge.png"), 0)
        pixels_wide, pixels_high = doc.GetImageWidth(logo), doc.GetImageHeight(logo)
        height = BAND_HEIGHT - 6
        doc.DrawImageResource(LEFT, TOP + 3, height * pixels_wide / pixels_high, height, logo)

        doc.SetFillColor(255, 255, 255)
        doc.FontName = "Helvetica-Bold"
        doc.FontHeight = 16
        doc.TextOut("Northwind Traders", 90, TOP + 17)
        doc.SetFillColor(0, 0, 0)
        doc.FontName = "Helvetica"
        doc.FontHeight = 11
        doc.TextOut("The logo's soft edges and gaps show the band beneath them.", LEFT, TOP + BAND_HEIGHT + 15)
        doc.SavePDF(path)
    print(f"{path}: logo {pixels_wide} x {pixels_high} pixels")


if __name__ == "__main__":
    main(*sys.argv[1:2])
