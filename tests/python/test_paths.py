"""Paths, clipping and opacity as readers draw them: poppler's pages match
cairo drawing the same paths (pycairo, an independent rasteriser), away from
the edges where antialiasing differs; clipping keeps a picture inside its
path; translucent colours blend as poppler and MuPDF compute them."""

import os
import subprocess

import cairo
import vellum

from support import PdfTestCase

SIZE = 200  # the page, in points, rendered at 72 dpi: one pixel a point
WHITE = (255, 255, 255)

# Each shape: ("m", x, y), ("l", x, y), ("c", x1, y1, x2, y2, x3, y3), ("h",).
STAR = [("m", 100, 10), ("l", 155, 180), ("l", 10, 70), ("l", 190, 70), ("l", 45, 180), ("h",)]
FRAME = [("m", 20, 20), ("l", 180, 20), ("l", 180, 180), ("l", 20, 180), ("h",),
         ("m", 60, 60), ("l", 140, 60), ("l", 140, 140), ("l", 60, 140), ("h",)]
BLOB = [("m", 20, 100), ("c", 20, 10, 180, 10, 180, 100), ("c", 180, 190, 100, 120, 60, 170),
        ("c", 30, 190, 20, 150, 20, 100), ("h",)]
WAVE = [("m", 10, 100), ("c", 50, 10, 90, 190, 130, 100), ("c", 150, 55, 170, 55, 190, 100)]
# The parts of FRAME drawn in opposite directions: a hole by either rule.
HOLLOW = FRAME[:5] + [("m", 60, 60), ("l", 60, 140), ("l", 140, 140), ("l", 140, 60), ("h",)]


HOLLOW_CENTRES = {"star-nonzero": False, "star-evenodd": True, "frame-nonzero": False, "frame-evenodd": True,
                  "hollow-nonzero": True}


def build(doc, shape):
    calls = {"m": doc.MoveTo, "l": doc.LineTo, "c": doc.CurveTo, "h": doc.ClosePath}
    for op, *points in shape:
        calls[op](*points)


def trace(context, shape):
    calls = {"m": context.move_to, "l": context.line_to, "c": context.curve_to, "h": context.close_path}
    for op, *points in shape:
        calls[op](*points)


def read_ppm(path):
    with open(path, "rb") as file:
        data = file.read()
    fields = data.split(maxsplit=4)
    assert fields[0] == b"P6" and int(fields[3]) == 255, fields[:4]
    width, height, pixels = int(fields[1]), int(fields[2]), fields[4]
    return [[tuple(pixels[3 * (y * width + x):3 * (y * width + x) + 3]) for x in range(width)]
            for y in range(height)]


def cairo_pixels(surface):
    surface.flush()
    data, stride = surface.get_data(), surface.get_stride()
    return [[(data[y * stride + 4 * x + 2], data[y * stride + 4 * x + 1], data[y * stride + 4 * x])
             for x in range(surface.get_width())] for y in range(surface.get_height())]


def differing_away_from_edges(expected, actual, tolerance=40):
    """Pixels that differ where the expected picture is uniform around them."""
    count = 0
    for y in range(1, SIZE - 1):
        for x in range(1, SIZE - 1):
            if max(abs(a - b) for a, b in zip(expected[y][x], actual[y][x])) <= tolerance:
                continue
            around = {expected[y + dy][x + dx] for dy in (-1, 0, 1) for dx in (-1, 0, 1)}
            count += len(around) == 1
    return count


class Drawing(PdfTestCase):
    def document(self, name, draw):
        """A SIZE x SIZE page in points drawn by draw(doc), saved and checked by qpdf."""
        path = os.path.join(self.folder, name + ".pdf")
        with vellum.Dispatch() as doc:
            doc.NewPDF(name)
            doc.UnitOfMeasure = "pdfu"
            doc.SetPageDimensions(SIZE, SIZE)
            draw(doc)
            doc.SavePDF(path)
        self.assertValidPdf(path)
        return path

    def poppler(self, path):
        out = os.path.join(self.folder, os.path.basename(path)[:-4] + "-poppler")
        subprocess.run(["pdftoppm", "-r", "72", "-singlefile", path, out], check=True)
        return read_ppm(out + ".ppm")

    def mupdf(self, path):
        out = os.path.join(self.folder, os.path.basename(path)[:-4] + "-mupdf.pnm")
        subprocess.run(["mutool", "draw", "-q", "-r", "72", "-c", "rgb", "-o", out, path, "1"], check=True, capture_output=True)
        return read_ppm(out)

    def cairo(self, draw):
        surface = cairo.ImageSurface(cairo.FORMAT_RGB24, SIZE, SIZE)
        context = cairo.Context(surface)
        context.set_source_rgb(1, 1, 1)
        context.paint()
        draw(context)
        return cairo_pixels(surface)

    def test_curves_fill_and_stroke_as_cairo_draws_them(self):
        fill, line = (0, 120, 200), (200, 30, 0)
        cases = [  # shape, mode, cairo fill rule or None, whether stroked
            ("star-nonzero", STAR, "fill", cairo.FILL_RULE_WINDING, False),
            ("star-evenodd", STAR, "FILL-EVENODD", cairo.FILL_RULE_EVEN_ODD, False),
            ("frame-nonzero", FRAME, "fill-stroke", cairo.FILL_RULE_WINDING, True),
            ("frame-evenodd", FRAME, "fill-stroke-evenodd", cairo.FILL_RULE_EVEN_ODD, True),
            ("hollow-nonzero", HOLLOW, "fill", cairo.FILL_RULE_WINDING, False),
            ("blob", BLOB, "fill-stroke", cairo.FILL_RULE_WINDING, True),
            ("wave", WAVE, "stroke", None, True),
        ]
        for name, shape, mode, rule, stroked in cases:
            with self.subTest(name):
                def draw_pdf(doc):
                    doc.SetFillColor(*fill)
                    doc.SetLineColor(*line)
                    doc.SetLineWidth(6)
                    build(doc, shape)
                    doc.DrawPath(mode)

                def draw_cairo(context):
                    trace(context, shape)
                    context.set_line_width(6)
                    if rule is not None:
                        context.set_fill_rule(rule)
                        context.set_source_rgb(*(c / 255 for c in fill))
                        context.fill_preserve()
                    if stroked:
                        context.set_source_rgb(*(c / 255 for c in line))
                        context.stroke()

                rendered = self.poppler(self.document(name, draw_pdf))
                expected = self.cairo(draw_cairo)
                self.assertEqual(differing_away_from_edges(expected, rendered), 0)
                # The rules differ where they should: in the middle of the star and the frame.
                if name in HOLLOW_CENTRES:
                    self.assertEqual(rendered[100][100] == WHITE, HOLLOW_CENTRES[name])

    def test_clipping_keeps_a_picture_inside_the_path(self):
        picture = os.path.join(self.folder, "red.png")
        surface = cairo.ImageSurface(cairo.FORMAT_RGB24, 20, 20)
        context = cairo.Context(surface)
        context.set_source_rgb(0.8, 0, 0)
        context.paint()
        surface.write_to_png(picture)

        def draw_pdf(doc):
            doc.SaveGraphicsState()
            build(doc, STAR)
            doc.DrawPath("clip-evenodd")
            doc.ImportImage(picture, 100, 0, 0, SIZE, SIZE)
            doc.RestoreGraphicsState()
            doc.SetFillColor(0, 0, 200)
            doc.DrawRect(1, 1, 0, 0, 20, 180, 20)  # after the restore: not clipped

        def draw_cairo(context):
            trace(context, STAR)
            context.set_fill_rule(cairo.FILL_RULE_EVEN_ODD)
            context.set_source_rgb(0.8, 0, 0)
            context.fill()
            context.set_source_rgb(0, 0, 0.8)
            context.rectangle(0, 180, 20, 20)
            context.fill()

        rendered = self.poppler(self.document("clipped", draw_pdf))
        self.assertEqual(differing_away_from_edges(self.cairo(draw_cairo), rendered), 0)

    def test_translucent_colours_blend_in_poppler_and_mupdf(self):
        def draw_pdf(doc):
            doc.SetFillColor(0, 0, 200)
            doc.DrawRect(1, 1, 0, 0, 100, 0, 200)
            doc.SaveGraphicsState()
            doc.SetOpacity(0.5, 0.25)
            doc.SetFillColor(200, 0, 0)
            doc.DrawRect(1, 1, 0, 50, 100, 50, 100)
            doc.SetLineColor(0, 0, 0)
            doc.DrawLine(20, 150, 190, 175, 175)
            doc.RestoreGraphicsState()
            doc.SetFillColor(200, 0, 0)
            doc.DrawRect(1, 1, 0, 150, 40, 0, 40)  # opaque again

        path = self.document("translucent", draw_pdf)
        self.assertEqual(self.pdf_info(path)["PDF version"].strip(), "1.4")
        probes = {(75, 100): (100, 0, 100), (125, 100): (228, 128, 128), (170, 175): (191, 191, 191),
                  (170, 20): (200, 0, 0), (25, 25): (0, 0, 200)}
        for reader, pixels in (("poppler", self.poppler(path)), ("mupdf", self.mupdf(path))):
            for (x, y), colour in probes.items():
                with self.subTest(reader=reader, x=x, y=y):
                    self.assertLessEqual(max(abs(a - b) for a, b in zip(pixels[y][x], colour)), 3, pixels[y][x])

    def test_calls_out_of_order_fail_clearly(self):
        with vellum.Dispatch() as doc:
            doc.NewPDF("Order")
            with self.assertRaisesRegex(vellum.COMError, "LineTo needs a current point"):
                doc.LineTo(1, 1)
            with self.assertRaisesRegex(vellum.COMError, "no path to paint"):
                doc.DrawPath("fill")
            doc.MoveTo(1, 1)
            with self.assertRaisesRegex(vellum.COMError, "use stroke, fill, fill-stroke, fill-evenodd"):
                doc.DrawPath("outline")
            doc.LineTo(20, 20)
            doc.DrawPath("stroke")  # the path was kept
            with self.assertRaisesRegex(vellum.COMError, "no saved graphics state"):
                doc.RestoreGraphicsState()
            with self.assertRaisesRegex(vellum.COMError, "Invalid fill opacity"):
                doc.SetOpacity(2, 1)
            doc.GetPDFContent()
