"""Pictures imported with ImageEncoding "Lossless" keep every sample: PNGs of
every kind at their own depth with their alpha as a soft mask, JPEG files as
their own bytes, bitmaps and icons as decoded. Checked by reading the image
objects back (pikepdf) against the sources (pypng, Pillow), by rendering over
a coloured band (poppler and MuPDF), and by PDFBox Preflight for PDF/A-1b."""

import glob
import io
import os
import subprocess

import pikepdf
import png
from PIL import Image

import vellum
from support import PdfTestCase

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, "..", "..")
PREFLIGHT = os.environ.get("VELLUM_PREFLIGHT", os.path.join(HERE, "..", "support", "preflight.sh"))
BAND = (40, 160, 90)
SCALE = 4  # points per picture pixel, rendered at 72 dpi

WIDTH, HEIGHT = 9, 6


def sample(x, y, channel, depth):
    return (x * 7 + y * 13 + channel * 29 + x * y) % (1 << depth)


def alpha_sample(x, y, depth):
    top = (1 << depth) - 1
    return [0, top, top // 3, top // 2 + 1][(x + y) % 4]


# name: (pypng writer options, samples per pixel, bit depth, transparency option)
PNG_KINDS = {
    "grey-1": (dict(greyscale=True), 1, 1, None),
    "grey-2": (dict(greyscale=True), 1, 2, None),
    "grey-4": (dict(greyscale=True), 1, 4, None),
    "grey-8": (dict(greyscale=True), 1, 8, None),
    "grey-16": (dict(greyscale=True), 1, 16, None),
    "grey-8-key": (dict(greyscale=True), 1, 8, "key"),
    "rgb-8": (dict(greyscale=False), 3, 8, None),
    "rgb-16": (dict(greyscale=False), 3, 16, None),
    "rgb-8-key": (dict(greyscale=False), 3, 8, "key"),
    "rgb-16-key": (dict(greyscale=False), 3, 16, "key"),
    "grey-alpha-8": (dict(greyscale=True, alpha=True), 2, 8, None),
    "grey-alpha-16": (dict(greyscale=True, alpha=True), 2, 16, None),
    "rgba-8": (dict(greyscale=False, alpha=True), 4, 8, None),
    "rgba-16": (dict(greyscale=False, alpha=True), 4, 16, None),
    "palette-1": (dict(), 1, 1, None),
    "palette-2": (dict(), 1, 2, None),
    "palette-4": (dict(), 1, 4, None),
    "palette-8": (dict(), 1, 8, None),
    "palette-1-trns": (dict(), 1, 1, "palette"),
    "palette-2-trns": (dict(), 1, 2, "palette"),
    "palette-4-trns": (dict(), 1, 4, "palette"),
    "palette-8-trns": (dict(), 1, 8, "palette"),
}


def write_png(path, kind, interlace=False):
    options, channels, depth, transparency = PNG_KINDS[kind]
    options = dict(options, bitdepth=depth, interlace=interlace)
    rows = [[sample(x, y, c, depth) if c < channels - options.get("alpha", 0) else alpha_sample(x, y, depth)
             for x in range(WIDTH) for c in range(channels)] for y in range(HEIGHT)]
    if kind.startswith("palette"):
        entries = 1 << depth
        palette = [((i * 53) % 256, (i * 101) % 256, (i * 197) % 256) for i in range(entries)]
        if transparency:
            palette = [colour + ((0, 90, 255)[i % 3],) if i < entries - 1 else colour
                       for i, colour in enumerate(palette)]
        options["palette"] = palette
    elif transparency == "key":
        options["transparent"] = rows[1][:channels] if channels > 1 else rows[1][0]
    with open(path, "wb") as file:
        png.Writer(WIDTH, HEIGHT, **options).write(file, rows)


def pack_rows(rows, depth):
    """Rows of samples packed as a PDF image stores them."""
    out = bytearray()
    for row in rows:
        if depth == 16:
            for value in row:
                out += value.to_bytes(2, "big")
        elif depth == 8:
            out += bytes(row)
        else:
            bits = "".join(format(value, f"0{depth}b") for value in row)
            bits += "0" * (-len(bits) % 8)
            out += int(bits, 2).to_bytes(len(bits) // 8, "big") if bits else b""
    return bytes(out)


def png_expectation(path):
    """The samples (as stored, palette indices for a palette) and the alpha
    (None when opaque) a lossless image of the PNG must hold, with the
    picture's RGBA at 8 bits for rendering."""
    reader = png.Reader(filename=path)
    width, height, rows, info = reader.read()
    rows = [list(row) for row in rows]
    depth, planes = info["bitdepth"], info["planes"]
    if info.get("alpha"):
        colour_rows = [[v for i, v in enumerate(row) if i % planes != planes - 1] for row in rows]
        alpha_rows = [row[planes - 1::planes] for row in rows]
        alpha = pack_rows(alpha_rows, depth)
    else:
        colour_rows = rows
        alpha_rows = None
        if "palette" in info and any(len(entry) == 4 for entry in info["palette"]):
            full = [entry + (255,) * (4 - len(entry)) for entry in info["palette"]]
            alpha_rows = [[full[i][3] for i in row] for row in rows]
        elif "transparent" in info:
            key = info["transparent"]
            key = key if isinstance(key, tuple) else (key,)
            alpha_rows = [[0 if tuple(row[x * planes:(x + 1) * planes]) == key else 255 for x in range(width)]
                          for row in rows]
        alpha = pack_rows(alpha_rows, 8) if alpha_rows else None
    if alpha is not None and set(alpha) == {255}:
        alpha = None
    direct = png.Reader(filename=path).asRGBA8()[2]
    rgba = [list(row) for row in direct]
    return pack_rows(colour_rows, depth), alpha, rgba


def image_objects(path):
    with pikepdf.open(path) as pdf:
        found = []
        for name, image in sorted(pdf.pages[0].Resources.XObject.items()):
            mask = image.get("/SMask")
            found.append({
                "dict": {key: image.stream_dict[key] for key in image.stream_dict.keys()},
                "samples": image.read_bytes() if image.Filter != "/DCTDecode" else image.read_raw_bytes(),
                "mask": dict(bits=int(mask.BitsPerComponent), data=mask.read_bytes(),
                             space=str(mask.ColorSpace)) if mask is not None else None,
            })
        return found, str(pdf.pdf_version)


class LosslessPictures(PdfTestCase):
    def document(self, encoding="Lossless"):
        doc = vellum.Dispatch()
        doc.NewPDF("Lossless")
        doc.UnitOfMeasure = "pdfu"
        doc.ImageEncoding = encoding
        return doc

    def save_one(self, picture, width, height, conformance=None, band=True):
        """A page with the picture over a band of colour, SCALE points per pixel."""
        doc = self.document()
        if conformance:
            doc.Conformance = conformance
        if band:
            doc.SetFillColor(*BAND)
            doc.DrawRect(0, 1, 0, 0, 400, 0, 300)
        doc.ImportImage(picture, 10, 0, 0, width * SCALE, height * SCALE)
        path = os.path.join(self.folder, os.path.basename(picture) + ".pdf")
        doc.SavePDF(path)
        self.assertValidPdf(path)
        return path

    def assertRendersAsComposite(self, path, rgba, band=BAND):
        """Each picture pixel, rendered by poppler and MuPDF, is the picture's
        colour over the band within 2 levels."""
        expected = [[tuple(round((c * a + b * (255 - a)) / 255) for c, b in zip(row[4 * x:4 * x + 3], band))
                     for x in range(len(row) // 4)
                     for a in [row[4 * x + 3]]] for row in rgba]
        for renderer in ("pdftoppm", "mutool"):
            out = os.path.join(self.folder, renderer)
            if renderer == "pdftoppm":
                subprocess.run(["pdftoppm", "-r", "72", "-png", "-singlefile", path, out], check=True)
            else:
                subprocess.run(["mutool", "draw", "-q", "-r", "72", "-o", out + ".png", path, "1"], check=True,
                               capture_output=True)
            with Image.open(out + ".png") as page:
                page = page.convert("RGB")
                for y, row in enumerate(expected):
                    for x, colour in enumerate(row):
                        got = page.getpixel((x * SCALE + SCALE // 2, y * SCALE + SCALE // 2))
                        self.assertTrue(all(abs(g - e) <= 2 for g, e in zip(got, colour)),
                                        f"{renderer} at {x},{y}: {got}, expected {colour}")

    def test_png_kinds_keep_samples_and_alpha(self):
        for kind in PNG_KINDS:
            for interlace in (False, True):
                with self.subTest(kind=kind, interlace=interlace):
                    source = os.path.join(self.folder, f"{kind}{'-interlaced' if interlace else ''}.png")
                    write_png(source, kind, interlace)
                    samples, alpha, rgba = png_expectation(source)
                    path = self.save_one(source, WIDTH, HEIGHT)
                    (image,), version = image_objects(path)
                    depth = PNG_KINDS[kind][2]
                    self.assertEqual(int(image["dict"]["/BitsPerComponent"]), depth)
                    self.assertEqual(image["samples"], samples)
                    if kind.startswith("palette"):
                        self.assertEqual(str(image["dict"]["/ColorSpace"][0]), "/Indexed")
                    if alpha is None:
                        self.assertIsNone(image["mask"])
                    else:
                        self.assertEqual(image["mask"]["space"], "/DeviceGray")
                        self.assertEqual(image["mask"]["data"], alpha)
                    sixteen = depth == 16
                    self.assertEqual(version, "1.5" if sixteen else "1.4" if alpha else "1.3")
                    self.assertRendersAsComposite(path, rgba)

    def test_bitmaps_and_icons_keep_pixels(self):
        made = os.path.join(self.folder, "made-32.ico")
        with Image.new("RGBA", (16, 16)) as icon:
            icon.putdata([(x * 15, y * 15, 120, (x * y * 3) % 256) for y in range(16) for x in range(16)])
            icon.save(made, sizes=[(16, 16)], bitmap_format="bmp")
        # Files Pillow reads as we do: it scales 16-bit bitmaps otherwise,
        # fills run-length gaps otherwise, and shows a 32-bit icon entry with
        # no alpha at all as transparent where we (as the JPEG encoding) take
        # the entry's AND mask.
        pictures = [os.path.join(ROOT, "examples", "assets", name) for name in ("logo.bmp", "mark.ico")]
        pictures += [os.path.join(ROOT, "fuzz", "corpus", "bmp", name) for name in
                     ("indexed-0.bmp", "indexed-13.bmp", "whole-24-bit.bmp", "whole-4-bit.bmp")]
        pictures += [os.path.join(ROOT, "fuzz", "corpus", "ico", name) for name in
                     ("masked-1.ico", "masked-4.ico", "masked-8.ico", "masked-24.ico", "png.ico")]
        pictures.append(made)
        for picture in pictures:
            with self.subTest(picture=os.path.basename(picture)):
                with Image.open(picture) as source:
                    if picture.endswith(".ico"):
                        source.size = max(source.info["sizes"])
                    rgba = source.convert("RGBA")
                path = self.save_one(picture, *rgba.size)
                (image,), _ = image_objects(path)
                if image["dict"]["/ColorSpace"] == "/DeviceRGB":
                    self.assertEqual(image["samples"], rgba.convert("RGB").tobytes())
                alpha = rgba.getchannel("A").tobytes()
                if set(alpha) == {255}:
                    self.assertIsNone(image["mask"])
                else:
                    self.assertEqual(image["mask"]["data"], alpha)
                rows = list(rgba.tobytes())
                row_bytes = rgba.size[0] * 4
                if rgba.size[0] * SCALE <= 400 and rgba.size[1] * SCALE <= 300:
                    self.assertRendersAsComposite(path, [rows[i:i + row_bytes]
                                                         for i in range(0, len(rows), row_bytes)])

    def test_jpeg_files_are_their_own_bytes(self):
        cases = {"grey": ("L", "/DeviceGray", None), "rgb": ("RGB", "/DeviceRGB", None),
                 "cmyk": ("CMYK", "/DeviceCMYK", [1, 0] * 4)}
        for name, (mode, space, decode) in cases.items():
            with self.subTest(jpeg=name):
                source = os.path.join(self.folder, name + ".jpg")
                with Image.new(mode, (20, 12)) as picture:
                    picture.putdata([tuple((x * 12 + y * 20 + c * 60) % 256 for c in range(len(mode)))
                                     if len(mode) > 1 else (x * 12 + y * 20) % 256
                                     for y in range(12) for x in range(20)])
                    picture.save(source, quality=90)
                with open(source, "rb") as file:
                    data = file.read()
                self.assertEqual(b"Adobe" in data, mode == "CMYK")
                path = self.save_one(source, 20, 12, band=False)
                (image,), version = image_objects(path)
                self.assertEqual(image["samples"], data)
                self.assertEqual(str(image["dict"]["/ColorSpace"]), space)
                self.assertEqual(image["dict"].get("/Decode"), decode)
                self.assertEqual(version, "1.3")

    def test_jpeg_without_its_end_is_decoded(self):
        # Readers may not show what follows a file's last marker; libjpeg
        # decodes it, as the JPEG encoding always did.
        with open(os.path.join(ROOT, "fuzz", "corpus", "jpeg", "baseline.jpg"), "rb") as file:
            data = file.read()
        self.assertEqual(data[-2:], b"\xff\xd9")
        source = self.write("no-end.jpg", data[:-2])
        with Image.open(io.BytesIO(data)) as picture:
            expected = picture.convert("RGB")
        path = self.save_one(source, *expected.size, band=False)
        (image,), _ = image_objects(path)
        self.assertEqual(str(image["dict"]["/Filter"]), "/FlateDecode")
        self.assertEqual(image["samples"], expected.tobytes())

    def test_archival_levels(self):
        source = os.path.join(self.folder, "rgba-16.png")
        write_png(source, "rgba-16")
        _, _, rgba = png_expectation(source)
        cmyk = os.path.join(self.folder, "cmyk.jpg")
        Image.new("CMYK", (8, 8), (10, 200, 30, 0)).save(cmyk)
        written = {}
        for level in ("PDF/A-1b", "PDF/A-2b"):
            doc = self.document()
            doc.Conformance = level
            doc.SetFillColor(*BAND)
            doc.DrawRect(0, 1, 0, 0, 400, 0, 300)
            doc.ImportImage(source, 10, 0, 0, WIDTH * SCALE, HEIGHT * SCALE)
            doc.ImportImage(cmyk, 10, 0, 100, 32, 32)
            path = os.path.join(self.folder, level[-2:] + ".pdf")
            doc.SavePDF(path)
            self.assertValidPdf(path)
            written[level] = path
        (flat, rgb), version = image_objects(written["PDF/A-1b"])
        self.assertEqual((version, flat["mask"], int(flat["dict"]["/BitsPerComponent"])), ("1.4", None, 8))
        self.assertEqual(str(rgb["dict"]["/ColorSpace"]), "/DeviceRGB")
        self.assertRendersAsComposite(written["PDF/A-1b"], rgba, band=(255, 255, 255))
        (masked, rgb), version = image_objects(written["PDF/A-2b"])
        self.assertEqual((version, masked["mask"]["bits"]), ("1.7", 16))
        self.assertEqual(str(rgb["dict"]["/ColorSpace"]), "/DeviceRGB")
        check = subprocess.run(["sh", PREFLIGHT, written["PDF/A-1b"]], capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_encrypted_document_decrypts_to_the_same_samples(self):
        source = os.path.join(self.folder, "rgba-8.png")
        write_png(source, "rgba-8")
        samples, alpha, _ = png_expectation(source)
        doc = self.document()
        doc.ImportImage(source, 10, 0, 0, 36, 24)
        doc.Encrypt("", "owner", "print", "AES-256")
        path = os.path.join(self.folder, "encrypted.pdf")
        doc.SavePDF(path)
        plain = os.path.join(self.folder, "decrypted.pdf")
        subprocess.run(["qpdf", "--decrypt", path, plain], check=True)
        self.assertValidPdf(plain)
        (image,), _ = image_objects(plain)
        self.assertEqual((image["samples"], image["mask"]["data"]), (samples, alpha))

    def test_setting(self):
        doc = vellum.Dispatch()
        doc.NewPDF("Setting")
        self.assertEqual(doc.ImageEncoding, "JPEG")
        doc.ImageEncoding = "LOSSLESS"
        self.assertEqual(doc.ImageEncoding, "Lossless")
        with self.assertRaisesRegex(Exception, "JPEG or Lossless"):
            doc.ImageEncoding = "PNG"
        self.assertEqual(doc.ImageEncoding, "Lossless")
        doc.NewPDF("Again")
        self.assertEqual(doc.ImageEncoding, "JPEG")
        doc.GetPDFContent()


if __name__ == "__main__":
    import unittest
    unittest.main()
