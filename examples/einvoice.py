"""An e-invoice: a printable invoice that carries its machine-readable data.

    PYTHONPATH=build/bindings/python python3 examples/einvoice.py [invoice.pdf]

The file is archival (PDF/A-3b) and holds the invoice's data as an attached
XML file, "factur-x.xml", in the UN/CEFACT Cross Industry Invoice form of the
Factur-X and ZUGFeRD "MINIMUM" profile, marked as the document's alternative
form. The XMP metadata says so in the Factur-X schema, the way e-invoicing
software looks for it. Check it with `pdfdetach -list invoice.pdf`.
"""

import os
import sys
import tempfile

import vellum

SELLER = ("Lumen Lighting GmbH", "Lichtstrasse 12", "10115 Berlin", "DE123456789")
BUYER = ("Atelier Marchand SARL", "3 rue des Arts", "69001 Lyon")
NUMBER, ISSUED = "2026-118", "20261208"
LINES = [  # description, quantity, unit price in cents
    ("Desk lamp, brass", 4, 8900),
    ("Spare shade, linen", 4, 1450),
    ("Assembly and delivery", 1, 6000),
]
VAT_PERCENT = 19

FACTUR_X_METADATA = (
    '<rdf:Description rdf:about="" xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#" '
    'xmlns:fx="urn:factur-x:pdfa:CrossIndustryDocument:invoice:1p0#">'
    "<fx:DocumentType>INVOICE</fx:DocumentType>"
    "<fx:DocumentFileName>factur-x.xml</fx:DocumentFileName>"
    "<fx:Version>1.0</fx:Version>"
    "<fx:ConformanceLevel>MINIMUM</fx:ConformanceLevel>"
    "</rdf:Description>")


def amount(cents):
    return f"{cents // 100}.{cents % 100:02d}"


def totals():
    net = sum(quantity * price for _, quantity, price in LINES)
    vat = (net * VAT_PERCENT + 50) // 100
    return net, vat, net + vat


def invoice_xml():
    net, vat, gross = totals()
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<rsm:CrossIndustryInvoice xmlns:rsm="urn:un:unece:uncefact:data:standard:CrossIndustryInvoice:100"
    xmlns:ram="urn:un:unece:uncefact:data:standard:ReusableAggregateBusinessInformationEntity:100"
    xmlns:udt="urn:un:unece:uncefact:data:standard:UnqualifiedDataType:100">
  <rsm:ExchangedDocumentContext>
    <ram:GuidelineSpecifiedDocumentContextParameter>
      <ram:ID>urn:factur-x.eu:1p0:minimum</ram:ID>
    </ram:GuidelineSpecifiedDocumentContextParameter>
  </rsm:ExchangedDocumentContext>
  <rsm:ExchangedDocument>
    <ram:ID>{NUMBER}</ram:ID>
    <ram:TypeCode>380</ram:TypeCode>
    <ram:IssueDateTime><udt:DateTimeString format="102">{ISSUED}</udt:DateTimeString></ram:IssueDateTime>
  </rsm:ExchangedDocument>
  <rsm:SupplyChainTradeTransaction>
    <ram:ApplicableHeaderTradeAgreement>
      <ram:SellerTradeParty>
        <ram:Name>{SELLER[0]}</ram:Name>
        <ram:PostalTradeAddress><ram:CountryID>DE</ram:CountryID></ram:PostalTradeAddress>
        <ram:SpecifiedTaxRegistration><ram:ID schemeID="VA">{SELLER[3]}</ram:ID></ram:SpecifiedTaxRegistration>
      </ram:SellerTradeParty>
      <ram:BuyerTradeParty>
        <ram:Name>{BUYER[0]}</ram:Name>
      </ram:BuyerTradeParty>
    </ram:ApplicableHeaderTradeAgreement>
    <ram:ApplicableHeaderTradeDelivery/>
    <ram:ApplicableHeaderTradeSettlement>
      <ram:InvoiceCurrencyCode>EUR</ram:InvoiceCurrencyCode>
      <ram:SpecifiedTradeSettlementHeaderMonetarySummation>
        <ram:TaxBasisTotalAmount>{amount(net)}</ram:TaxBasisTotalAmount>
        <ram:TaxTotalAmount currencyID="EUR">{amount(vat)}</ram:TaxTotalAmount>
        <ram:GrandTotalAmount>{amount(gross)}</ram:GrandTotalAmount>
        <ram:DuePayableAmount>{amount(gross)}</ram:DuePayableAmount>
      </ram:SpecifiedTradeSettlementHeaderMonetarySummation>
    </ram:ApplicableHeaderTradeSettlement>
  </rsm:SupplyChainTradeTransaction>
</rsm:CrossIndustryInvoice>
"""


def draw_invoice(doc):
    doc.FontName = "Helvetica-Bold"
    doc.FontHeight = 18
    doc.TextOut(SELLER[0], 20, 25)
    doc.FontName = "Helvetica"
    doc.FontHeight = 9
    doc.TextOut(f"{SELLER[1]}, {SELLER[2]} - VAT {SELLER[3]}", 20, 31)
    doc.FontHeight = 11
    for row, text in enumerate(BUYER):
        doc.TextOut(text, 20, 50 + 5 * row)
    doc.FontName = "Helvetica-Bold"
    doc.FontHeight = 14
    doc.TextOut(f"Invoice {NUMBER}", 20, 80)
    doc.FontName = "Helvetica"
    doc.FontHeight = 10
    doc.TextOut(f"Date: {ISSUED[6:]}.{ISSUED[4:6]}.{ISSUED[:4]}", 150, 80)

    doc.SetFillColor(225, 232, 240)
    doc.DrawRect(0, 1, 0, 20, 170, 90, 8)
    doc.SetFillColor(0, 0, 0)  # text is drawn in the fill colour
    doc.FontName = "Helvetica-Bold"
    columns = (("Description", 22, "LEFT"), ("Qty", 120, "RIGHT"), ("Unit price", 150, "RIGHT"), ("Amount", 188, "RIGHT"))
    for title, x, alignment in columns:
        doc.ParagraphAlignment = alignment
        doc.TextOut(title, x, 95.5)
    doc.FontName = "Helvetica"
    y = 104
    for description, quantity, price in LINES:
        for text, (_, x, alignment) in zip((description, str(quantity), amount(price), amount(quantity * price)), columns):
            doc.ParagraphAlignment = alignment
            doc.TextOut(text, x, y)
        y += 6
    doc.DrawLine(0.3, 110, 190, y - 2, y - 2)
    net, vat, gross = totals()
    for label, cents in (("Net", net), (f"VAT {VAT_PERCENT} %", vat), ("Total EUR", gross)):
        y += 6
        if label.startswith("Total"):
            doc.FontName = "Helvetica-Bold"
        doc.ParagraphAlignment = "RIGHT"
        doc.TextOut(label, 150, y)
        doc.TextOut(amount(cents), 188, y)
    doc.ParagraphAlignment = "LEFT"
    doc.FontName = "Helvetica"
    doc.FontHeight = 9
    doc.TextOut("Payable within 30 days. The invoice's data is attached to this file as factur-x.xml.", 20, y + 20)


def write_invoice(path):
    with tempfile.TemporaryDirectory() as folder:
        data = os.path.join(folder, "factur-x.xml")
        with open(data, "w", encoding="utf-8") as file:
            file.write(invoice_xml())
        with vellum.Dispatch() as doc:
            doc.NewPDF(f"Invoice {NUMBER}")
            # Set first, so that the layout is measured by the fonts the file embeds.
            doc.Conformance = "PDF/A-3b"
            doc.Author = SELLER[0]
            doc.Subject = f"Invoice {NUMBER} to {BUYER[0]}"
            doc.UnitOfMeasure = "mm"
            doc.AttachFile(data, "factur-x.xml", "text/xml", "Alternative", "Factur-X invoice data")
            doc.AddMetadataXml(FACTUR_X_METADATA)
            draw_invoice(doc)
            doc.SavePDF(path)


def main(argv):
    path = argv[1] if len(argv) > 1 else "invoice.pdf"
    write_invoice(path)
    print(f"Wrote {path}")


if __name__ == "__main__":
    main(sys.argv)
