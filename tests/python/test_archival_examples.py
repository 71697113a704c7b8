"""The Python examples, unchanged but with every document declared PDF/A-1b
right after its NewPDF, write files that PDFBox Preflight accepts."""

import contextlib
import functools
import glob
import io
import logging
import os
import runpy
import subprocess
import sys
import warnings
from unittest import mock

import vellum
from support import PdfTestCase

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.environ.get("VELLUM_EXAMPLES", os.path.join(HERE, "..", "..", "examples"))
PREFLIGHT = os.environ.get("VELLUM_PREFLIGHT", os.path.join(HERE, "..", "support", "preflight.sh"))
MAKE_CERTIFICATE = os.path.join(HERE, "..", "support", "make_test_certificate.sh")
LEVEL = "PDF/A-1b"

sys.path.insert(0, EXAMPLES)
import batch  # noqa: E402  (the example, found through the path above)


def _archival_patch():
    """Replaces NewPDF of the class every document object is made of (one
    class per interface, shared by all objects) with one that declares LEVEL
    after starting the document, so the examples run as they are."""
    with vellum.Dispatch() as probe:
        document_class = type(probe)
    started = document_class.NewPDF

    @functools.wraps(started)
    def new_pdf(self, *args, **kwargs):
        result = started(self, *args, **kwargs)
        self.Conformance = LEVEL
        return result

    return mock.patch.object(document_class, "NewPDF", new_pdf)


def _declare_archival_for_good():
    """For a Dask worker, which ends with the test's cluster: nothing to undo."""
    _archival_patch().start()


def run_script(path, *arguments):
    """Runs an example's main in this process, where the patch holds."""
    with mock.patch.object(sys, "argv", [path, *arguments]), contextlib.redirect_stdout(io.StringIO()):
        runpy.run_path(path, run_name="__main__")


class ArchivalExamples(PdfTestCase):
    def render_on_dask(self):
        from dask.distributed import Client, LocalCluster
        with warnings.catch_warnings():
            warnings.simplefilter("ignore", DeprecationWarning)  # Debian's tornado and Dask disagree on event loops
            with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None,
                              silence_logs=logging.ERROR) as cluster, Client(cluster) as client:
                # The workers are processes of their own: the patch is made in each.
                client.run(_declare_archival_for_good)
                batch.render_on_dask(batch.sample_records(2), self.folder, client)

    def test_every_example_passes_preflight(self):
        subprocess.run(["sh", MAKE_CERTIFICATE, self.folder, "secret", "Ada Lovelace"], check=True,
                       capture_output=True)
        runs = {
            "report.py": lambda: run_script(os.path.join(EXAMPLES, "report.py"),
                                            os.path.join(self.folder, "statement.pdf")),
            "signed.py": lambda: run_script(os.path.join(EXAMPLES, "signed.py"),
                                            os.path.join(self.folder, "signer.p12"), "secret",
                                            os.path.join(self.folder, "letter.pdf")),
            "batch.py": self.render_on_dask,
        }
        with _archival_patch():
            for example, run in runs.items():
                with self.subTest(example=example):
                    run()

        written = sorted(glob.glob(os.path.join(self.folder, "*.pdf")))
        self.assertEqual([os.path.basename(path) for path in written],
                         ["invoice-2024-0001.pdf", "invoice-2024-0002.pdf", "letter.pdf", "statement.pdf"])
        for path in written:
            with self.subTest(file=os.path.basename(path)):
                self.assertValidPdf(path)
        check = subprocess.run(["sh", PREFLIGHT, *written], capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        self.assertEqual(check.stdout, "".join(f"{path}: valid\n" for path in written))


if __name__ == "__main__":
    import unittest
    unittest.main()
