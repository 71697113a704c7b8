"""Invoices from a list of records, many at a time: on every core of this
machine, or on a Dask cluster when one machine is no longer enough.

    PYTHONPATH=build/bindings/python python3 examples/batch.py OUTDIR [COUNT]
    PYTHONPATH=build/bindings/python python3 examples/batch.py OUTDIR [COUNT] --dask [SCHEDULER]

The first form runs a process pool; --dask runs the same function on a Dask
cluster: the one at SCHEDULER (such as tcp://10.0.0.5:8786), else a local one
started for the run (python3-distributed on Debian). render_invoice takes a
record and gives the PDF's bytes, so it needs nothing but the package vellum
where it runs: the workers send the documents back and this program writes
them, and no folder has to be shared between machines.
"""

import concurrent.futures
import multiprocessing
import os
import sys

import vellum

LEFT, RIGHT, AMOUNT_RIGHT = 20.0, 190.0, 150.0  # millimetres
FIRST_ROW, ROW_HEIGHT = 80.0, 7.0


def sample_records(count):
    """Made-up invoices: number, customer, address and items (text, quantity, unit price in cents)."""
    customers = [("Ada Lovelace", "12 St James's Square, London"), ("Grace Hopper", "1 Navy Yard, Arlington"),
                 ("Emmy Noether", "Bunsenstrasse 3, Goettingen"), ("Alan Turing", "Hollymeade, Wilmslow")]
    goods = [("Paper, A4, 500 sheets", 499), ("Fountain pen", 3450), ("Ink, blue, 50 ml", 725),
             ("Envelopes, 100", 899), ("Stapler", 1550)]
    for number in range(1, count + 1):
        name, address = customers[number % len(customers)]
        items = [(text, (number + k) % 4 + 1, price) for k, (text, price) in enumerate(goods) if (number + k) % 3]
        yield {"number": f"2024-{number:04d}", "customer": name, "address": address, "items": items}


def money(cents):
    return f"{cents // 100:,}.{cents % 100:02d}"


def total_cents(record):
    return sum(quantity * price for _, quantity, price in record["items"])


def right_aligned(doc, text, right_edge, y):
    doc.TextOut(text, right_edge - doc.GetTextBoxWidth(text), y)


def render_invoice(record):
    """One invoice as PDF bytes."""
    with vellum.Dispatch() as doc:
        doc.NewPDF(f"Invoice {record['number']}")
        doc.Author = "Vellum batch example"
        doc.FontName = "Helvetica-Bold"
        doc.FontHeight = 18
        doc.TextOut(f"Invoice {record['number']}", LEFT, 30)
        doc.FontName = "Helvetica"
        doc.FontHeight = 11
        doc.TextOut(f"{record['customer']}\r\n{record['address']}", LEFT, 45)
        y = FIRST_ROW
        for text, quantity, price in record["items"]:
            doc.TextOut(f"{quantity} x {text}", LEFT, y)
            right_aligned(doc, money(quantity * price), AMOUNT_RIGHT, y)
            y += ROW_HEIGHT
        doc.DrawLine(0.5, LEFT, RIGHT, y - 4, y - 4)
        doc.FontName = "Helvetica-Bold"
        doc.TextOut("Total", LEFT, y + 2)
        right_aligned(doc, money(total_cents(record)), AMOUNT_RIGHT, y + 2)
        return doc.GetPDFContent()


def file_name(folder, record):
    return os.path.join(folder, f"invoice-{record['number']}.pdf")


def write_all(folder, records, documents):
    """Writes each document beside its record's name, in order; the paths."""
    paths = []
    for record, content in zip(records, documents):
        paths.append(file_name(folder, record))
        with open(paths[-1], "wb") as file:
            file.write(content)
    return paths


def render_in_processes(records, folder, workers=None):
    """Every core of this machine. Workers are fresh interpreters (spawn), so
    they inherit nothing of the caller's threads or objects."""
    records = list(records)
    context = multiprocessing.get_context("spawn")
    with concurrent.futures.ProcessPoolExecutor(workers, mp_context=context) as pool:
        return write_all(folder, records, pool.map(render_invoice, records, chunksize=8))


def render_on_dask(records, folder, client):
    """The same function on the Dask cluster `client` is connected to. Results
    come back in order and are written as they arrive."""
    records = list(records)
    client.upload_file(__file__)  # the workers import this module; vellum they must have
    futures = client.map(render_invoice, records, pure=False)
    try:
        return write_all(folder, records, (future.result() for future in futures))
    finally:
        client.cancel(futures)


def main(argv):
    if len(argv) < 2 or argv[1].startswith("-"):
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    folder = argv[1]
    count = int(argv[2]) if len(argv) > 2 and not argv[2].startswith("-") else 20
    os.makedirs(folder, exist_ok=True)
    records = sample_records(count)
    if "--dask" not in argv:
        paths = render_in_processes(records, folder)
    else:
        from dask.distributed import Client, LocalCluster
        following = argv[argv.index("--dask") + 1:]
        if following:
            with Client(following[0]) as client:
                paths = render_on_dask(records, folder, client)
        else:
            with LocalCluster(dashboard_address=None) as cluster, Client(cluster) as client:
                paths = render_on_dask(records, folder, client)
    print(f"{len(paths)} invoices in {folder}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
