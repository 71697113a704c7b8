"""The Python examples run unchanged but for what a test declares in every
document they make, by patches of the document class (one class per
interface, shared by all objects), in this process and in Dask's workers."""

import contextlib
import functools
import io
import logging
import os
import runpy
import subprocess
import sys
import warnings
from unittest import mock

import vellum

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.environ.get("VELLUM_EXAMPLES", os.path.join(HERE, "..", "..", "examples"))
MAKE_CERTIFICATE = os.path.join(HERE, "..", "support", "make_test_certificate.sh")
ACCESSIBLE = "PDF/UA-1"
PICTURE_WORDS = "A picture"

sys.path.insert(0, EXAMPLES)
import batch  # noqa: E402  (the example, found through the path above)


def _document_class():
    with vellum.Dispatch() as probe:
        return type(probe)


def declaration_patches(level):
    """Patches that declare `level` right after NewPDF and keep it when an
    example declares a level of its own. A PDF/UA-1 document is also given a
    language (its own, if the example sets one later) and words for every
    picture, which that level requires and no example would otherwise have."""
    document_class = _document_class()
    started, conformance = document_class.NewPDF, document_class.Conformance

    @functools.wraps(started)
    def new_pdf(self, *args, **kwargs):
        result = started(self, *args, **kwargs)
        conformance.fset(self, level)
        if level == ACCESSIBLE:
            self.Language = "en"
        return result

    def declare(self, names):
        conformance.fset(self, names if level in names.split() else f"{names} {level}")

    patches = [mock.patch.object(document_class, "NewPDF", new_pdf),
               mock.patch.object(document_class, "Conformance", property(conformance.fget, declare))]
    if level == ACCESSIBLE:
        patches += _picture_patches(document_class)
    return patches


def _picture_patches(document_class):
    imported, placed = document_class.ImportImageAsResource, document_class.ImportImage

    @functools.wraps(imported)
    def import_resource(self, *args, **kwargs):
        index = imported(self, *args, **kwargs)
        self.SetImageAltText(index, PICTURE_WORDS)
        return index

    @functools.wraps(placed)
    def import_and_place(self, *args, **kwargs):
        # Placed at once, so described by the figure around it.
        self.BeginStructure("Figure", PICTURE_WORDS, "")
        result = placed(self, *args, **kwargs)
        self.EndStructure()
        return result

    return [mock.patch.object(document_class, "ImportImageAsResource", import_resource),
            mock.patch.object(document_class, "ImportImage", import_and_place)]


@contextlib.contextmanager
def declaring(level):
    with contextlib.ExitStack() as stack:
        for patch in declaration_patches(level):
            stack.enter_context(patch)
        yield


def declare_for_good(level):
    """For a Dask worker, which ends with the test's cluster: nothing to undo."""
    for patch in declaration_patches(level):
        patch.start()


def run_script(path, *arguments):
    """Runs an example's main in this process, where the patches hold."""
    with mock.patch.object(sys, "argv", [path, *arguments]), contextlib.redirect_stdout(io.StringIO()):
        runpy.run_path(path, run_name="__main__")


def render_on_dask(folder, level):
    from dask.distributed import Client, LocalCluster
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", DeprecationWarning)  # Debian's tornado and Dask disagree on event loops
        with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None,
                          silence_logs=logging.ERROR) as cluster, Client(cluster) as client:
            # The workers are processes of their own: the patches are made in each.
            client.run(declare_for_good, level)
            batch.render_on_dask(batch.sample_records(2), folder, client)


def example_runs(folder, level, names):
    """Name to a call that runs the example, writing its PDFs into `folder`."""
    def example(name, *arguments):
        return lambda: run_script(os.path.join(EXAMPLES, name), *arguments)

    def signed():
        subprocess.run(["sh", MAKE_CERTIFICATE, folder, "secret", "Ada Lovelace"], check=True, capture_output=True)
        run_script(os.path.join(EXAMPLES, "signed.py"), os.path.join(folder, "signer.p12"), "secret",
                   os.path.join(folder, "letter.pdf"))

    runs = {
        "report.py": example("report.py", os.path.join(folder, "statement.pdf")),
        "signed.py": signed,
        "batch.py": lambda: render_on_dask(folder, level),
        "einvoice.py": example("einvoice.py", os.path.join(folder, "invoice.pdf")),
        "accessible_report.py": example("accessible_report.py", os.path.join(folder, "annual-report.pdf")),
        "logo.py": example("logo.py", os.path.join(folder, "logo.pdf")),
    }
    return {name: runs[name] for name in names}
