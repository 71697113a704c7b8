"""examples/batch.py renders invoices in a process pool and on a Dask
cluster, each one whole and about its own record."""

import logging
import os
import sys
import warnings

from support import PdfTestCase

sys.path.insert(0, os.environ.get("VELLUM_EXAMPLES", os.path.join(os.path.dirname(__file__), "..", "..", "examples")))
import batch  # noqa: E402  (the example, found through the path above)

COUNT = 4


class BatchExample(PdfTestCase):
    def check(self, paths):
        records = list(batch.sample_records(COUNT))
        self.assertEqual(paths, [batch.file_name(self.folder, record) for record in records])
        for record, path in zip(records, paths):
            with self.subTest(invoice=record["number"]):
                self.assertValidPdf(path)
                self.assertEqual(self.pdf_info(path)["Pages"].strip(), "1")
                text = self.pdf_text(path)
                for expected in (f"Invoice {record['number']}", record["customer"], record["items"][0][0],
                                 batch.money(batch.total_cents(record))):
                    self.assertIn(expected, text)

    def test_process_pool(self):
        self.check(batch.render_in_processes(batch.sample_records(COUNT), self.folder, workers=2))

    def test_dask_cluster(self):
        from dask.distributed import Client, LocalCluster
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)  # Debian's tornado and Dask disagree on event loops
            with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None,
                              silence_logs=logging.ERROR) as cluster, Client(cluster) as client:
                paths = batch.render_on_dask(batch.sample_records(COUNT), self.folder, client)
        self.check(paths)


if __name__ == "__main__":
    import unittest
    unittest.main()
