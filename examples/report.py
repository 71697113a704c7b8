"""A multi-page account statement from a list of records.

    PYTHONPATH=build/bindings/python python3 examples/report.py [statement.pdf]

Each record is one row: date, description, amount. Amounts and the running
balance are right-aligned by measuring their text (GetTextBoxWidth); rows
continue on a new page when one is full; every page gets a header and, once
the number of pages is known, a footer "Page n of N".
"""

import sys

import vellum

LEFT, RIGHT = 20.0, 190.0          # millimetres
AMOUNT_RIGHT, BALANCE_RIGHT = 150.0, RIGHT
FIRST_ROW, LAST_ROW, ROW_HEIGHT = 45.0, 270.0, 6.0


def sample_records(count=120):
    """Made-up records: (date, description, amount in cents)."""
    kinds = [("Rent", -95000), ("Salary", 312550), ("Groceries", -8734), ("Electricity", -6120),
             ("Book shop", -2399), ("Refund", 1500), ("Train ticket", -4280), ("Interest", 117)]
    for number in range(count):
        description, cents = kinds[number % len(kinds)]
        day, month = number % 28 + 1, number // 28 % 12 + 1
        yield f"2024-{month:02d}-{day:02d}", f"{description} #{number + 1}", cents - number * 7


def money(cents):
    return f"{'-' if cents < 0 else ''}{abs(cents) // 100:,}.{abs(cents) % 100:02d}"


def right_aligned(doc, text, right_edge, y):
    doc.TextOut(text, right_edge - doc.GetTextBoxWidth(text), y)


def page_header(doc, title):
    doc.FontName = "Helvetica-Bold"
    doc.FontHeight = 16
    doc.TextOut(title, LEFT, 25)
    doc.FontHeight = 10
    doc.TextOut("Date", LEFT, 37)
    doc.TextOut("Description", LEFT + 28, 37)
    right_aligned(doc, "Amount", AMOUNT_RIGHT, 37)
    right_aligned(doc, "Balance", BALANCE_RIGHT, 37)
    doc.DrawLine(0.5, LEFT, RIGHT, 39, 39)
    doc.FontName = "Helvetica"


def build_report(doc, title, records):
    doc.NewPDF(title)
    doc.UnitOfMeasure = "mm"
    doc.Author = "examples/report.py"
    page_header(doc, title)
    y, balance, pages = FIRST_ROW, 0, 1
    for date, description, cents in records:
        if y > LAST_ROW:
            doc.AddPage()
            pages += 1
            page_header(doc, title)
            y = FIRST_ROW
        balance += cents
        doc.TextOut(date, LEFT, y)
        doc.TextOut(description, LEFT + 28, y)
        right_aligned(doc, money(cents), AMOUNT_RIGHT, y)
        right_aligned(doc, money(balance), BALANCE_RIGHT, y)
        y += ROW_HEIGHT
    doc.DrawLine(0.5, LEFT, RIGHT, y - 3, y - 3)
    doc.FontName = "Helvetica-Bold"
    doc.TextOut("Closing balance", LEFT + 28, y + 2)
    right_aligned(doc, money(balance), BALANCE_RIGHT, y + 2)
    doc.FontName = "Helvetica"
    doc.FontHeight = 8
    for page in range(1, pages + 1):
        doc.SetCurrentPage(page)
        right_aligned(doc, f"Page {page} of {pages}", RIGHT, 285)
    return pages


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else "statement.pdf"
    doc = vellum.Dispatch()
    pages = build_report(doc, "Account statement 2024", sample_records())
    doc.SavePDF(path)
    print(f"{path}: {pages} pages")


if __name__ == "__main__":
    main()
