"""An accessible annual report (PDF/UA-1): headings, a list and a table that
screen readers announce as such, and footers they skip.

    PYTHONPATH=build/bindings/python python3 examples/accessible_report.py [annual-report.pdf]

Every part is a structure element opened with BeginStructure: the headings
H1 and H2, the list (L, with an LI of a label and a body for each item) and the
table (a THead row of TH cells, TBody rows of TD cells). Text drawn outside an
element becomes a paragraph of its own, the table's shading and rules become
layout that readers skip, and each page's footer is marked as pagination.
`pdfinfo -struct-text annual-report.pdf` prints the tree.
"""

import contextlib
import sys

import vellum

TITLE = "City Library annual report 2025"
LEFT, RIGHT, FOOTER = 20.0, 190.0, 285.0  # millimetres
HIGHLIGHTS = [
    "The children's library reopened in March after its refit.",
    "Loans rose by a tenth, e-books by almost a half.",
    "Volunteers gave 2,300 hours to the reading clubs.",
]
COLUMNS = (("Branch", LEFT + 2, "LEFT"), ("Loans", 120.0, "RIGHT"), ("Change", RIGHT - 2, "RIGHT"))
BRANCHES = [("Central", "182,400", "+8 %"), ("Riverside", "64,150", "+14 %"), ("Hill Street", "39,870", "+11 %")]
ROW_HEIGHT = 8.0


@contextlib.contextmanager
def element(doc, role):
    """Everything drawn in the block belongs to one structure element."""
    doc.BeginStructure(role, "", "")
    yield
    doc.EndStructure()


def heading(doc, role, text, y):
    doc.FontName = "Helvetica-Bold"
    doc.FontHeight = 18 if role == "H1" else 14
    with element(doc, role):
        doc.TextOut(text, LEFT, y)
    doc.FontName = "Times-Roman"
    doc.FontHeight = 12


def highlights_list(doc, y):
    with element(doc, "L"):
        for number, text in enumerate(HIGHLIGHTS, 1):
            with element(doc, "LI"):
                with element(doc, "Lbl"):
                    doc.TextOut(f"{number}.", LEFT + 2, y)
                with element(doc, "LBody"):
                    doc.TextOut(text, LEFT + 10, y)
            y += 8


def table_row(doc, role, cells, y):
    with element(doc, "TR"):
        for text, (_, x, alignment) in zip(cells, COLUMNS):
            doc.ParagraphAlignment = alignment
            with element(doc, role):
                doc.TextOut(text, x, y)
    doc.ParagraphAlignment = "LEFT"


def loans_table(doc, y):
    doc.SetFillColor(225, 232, 240)
    doc.DrawRect(0, 1, 0, LEFT, y - 6, RIGHT - LEFT, ROW_HEIGHT)
    doc.SetFillColor(0, 0, 0)  # text is drawn in the fill colour
    with element(doc, "Table"):
        doc.FontName = "Helvetica-Bold"
        with element(doc, "THead"):
            table_row(doc, "TH", [title for title, _, _ in COLUMNS], y)
        doc.FontName = "Times-Roman"
        with element(doc, "TBody"):
            for branch in BRANCHES:
                y += ROW_HEIGHT
                table_row(doc, "TD", branch, y)
    doc.DrawLine(0.3, LEFT, RIGHT, y + 3, y + 3)
    return y + 3


def footers(doc, pages):
    doc.FontName = "Helvetica"
    doc.FontHeight = 9
    for page in range(1, pages + 1):
        doc.SetCurrentPage(page)
        doc.BeginArtifact("Pagination")
        doc.TextOut(f"{TITLE} - page {page} of {pages}", LEFT, FOOTER)
        doc.EndArtifact()


def build_report(doc):
    doc.NewPDF(TITLE)
    # Right after NewPDF, so that text is measured by the fonts the file embeds.
    doc.Conformance = "PDF/UA-1"
    doc.Language = "en-GB"
    doc.Author = "City Library"
    doc.Subject = "Loans and highlights of the year"
    doc.UnitOfMeasure = "mm"
    heading(doc, "H1", TITLE, 30)
    doc.TextOut("This report sums up the library's year: what changed, how much was borrowed and where.", LEFT, 45)
    heading(doc, "H2", "Highlights", 62)
    highlights_list(doc, 74)

    doc.AddPage()
    heading(doc, "H2", "Loans by branch", 30)
    y = loans_table(doc, 45)
    doc.TextOut("Changes are against 2024.", LEFT, y + 8)
    pages = 2  # the list's and the table's
    footers(doc, pages)
    return pages


def main(argv):
    path = argv[1] if len(argv) > 1 else "annual-report.pdf"
    with vellum.Dispatch() as doc:
        pages = build_report(doc)
        doc.SavePDF(path)
    print(f"{path}: {pages} pages")


if __name__ == "__main__":
    main(sys.argv)
