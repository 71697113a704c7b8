"""Objects on several threads: each thread its own document, the GIL free
while an object works, and one shared object kept consistent."""

import faulthandler
import os
import subprocess
import sys
import textwrap
import threading
import unittest

import vellum
from support import PdfTestCase


def run_threads(count, work):
    results, errors = [None] * count, []

    def run(index):
        try:
            results[index] = work(index)
        except BaseException as error:  # reported by the main thread
            errors.append(error)

    threads = [threading.Thread(target=run, args=(i,)) for i in range(count)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    if errors:
        raise errors[0]
    return results


def report(doc, title, pages, lines):
    doc.NewPDF(title)
    for page in range(pages):
        if page:
            doc.AddPage()
        for line in range(lines):
            doc.TextOut(f"{title} page {page + 1} line {line + 1}", 20, 20 + 6 * line)


class Threads(PdfTestCase):
    def test_an_object_per_thread(self):
        def work(index):
            doc = vellum.Dispatch()
            report(doc, f"Thread {index}", pages=12, lines=30)
            return doc.GetPDFContent()

        contents = run_threads(4, work)
        for index, content in enumerate(contents):
            path = self.write(f"thread{index}.pdf", content)
            self.assertValidPdf(path)
            info = self.pdf_info(path)
            self.assertEqual(info["Title"].strip(), f"Thread {index}")
            self.assertEqual(info["Pages"].strip(), "12")
            self.assertIn(f"Thread {index} page 12 line 30", self.pdf_text(path))

    def test_other_threads_run_while_an_object_works(self):
        # The object opens a named pipe for reading, which waits until someone
        # opens it for writing: only this thread can, and only if the call
        # let go of the GIL. Otherwise the watchdog ends the process.
        pipe = os.path.join(self.folder, "pipe.jpg")
        os.mkfifo(pipe)
        doc = vellum.Dispatch()
        doc.NewPDF("Pipe")
        failures = []

        def read_picture():
            try:
                doc.ImportImageAsResource(pipe, 90)
            except vellum.COMError as error:
                failures.append(error)

        faulthandler.dump_traceback_later(60, exit=True)
        try:
            worker = threading.Thread(target=read_picture)
            worker.start()
            os.close(os.open(pipe, os.O_WRONLY))
            worker.join()
        finally:
            faulthandler.cancel_dump_traceback_later()
        self.assertEqual(len(failures), 1)
        self.assertIn("not a regular file", failures[0].description)

    def test_one_object_shared_by_threads(self):
        doc = vellum.Dispatch()
        doc.NewPDF("Shared")

        def work(index):
            for line in range(100):
                doc.FontHeight = 8 + index
                doc.TextOut(f"writer {index} line {line}", 10 + 40 * index, 10 + (line % 40) * 6)
                doc.GetTextBoxWidth("measure")

        run_threads(4, work)
        path = self.write("shared.pdf", doc.GetPDFContent())
        self.assertValidPdf(path)
        # Every call arrived whole: each writer's hundred lines are there.
        text = subprocess.run(["pdftotext", "-raw", path, "-"], capture_output=True, text=True,
                              check=True).stdout
        for index in range(4):
            self.assertEqual(text.count(f"writer {index} line "), 100)

    def test_daemon_threads_inside_calls_when_the_interpreter_exits(self):
        # The main thread ends while the others are inside calls, or waiting
        # to take the GIL back after one.
        program = textwrap.dedent("""
            import threading, time, vellum

            def hammer():
                doc = vellum.Dispatch()
                while True:
                    doc.NewPDF("daemon")
                    for line in range(200):
                        doc.TextOut(f"line {line}", 10, 10)
                    doc.GetPDFContent()

            for _ in range(4):
                threading.Thread(target=hammer, daemon=True).start()
            time.sleep(0.1)
        """)
        # An exit handler that runs after the module's own still makes its
        # calls on the exiting thread, and the process ends.
        late_handler = textwrap.dedent("""
            import atexit
            def save():
                doc = vellum.Dispatch()
                doc.NewPDF("late")
                print(len(doc.GetPDFContent()) > 0)
            atexit.register(save)
            import vellum
        """)
        exited = subprocess.run([sys.executable, "-c", late_handler], capture_output=True, text=True, timeout=60)
        self.assertEqual((exited.returncode, exited.stdout), (0, "True\n"), exited.stderr)
        for run in range(10):
            with self.subTest(run=run):
                exited = subprocess.run([sys.executable, "-c", program], capture_output=True, text=True, timeout=60)
                self.assertEqual(exited.returncode, 0, exited.stderr)
                self.assertEqual(exited.stderr, "")


if __name__ == "__main__":
    unittest.main()
