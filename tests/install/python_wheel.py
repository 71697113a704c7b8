"""The wheel as a user gets it: built with pip from the clone (reusing the
test build's folder, so nothing is compiled again), installed without network
into a new virtual environment, and used there from a folder outside the
source and build trees, with nothing of ours on any search path.

    python_wheel.py SOURCE_DIR BUILD_DIR VERSION
"""

import json
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tempfile
import unittest
import zipfile
from pathlib import Path

SOURCE_DIR, BUILD_DIR, VERSION = (Path(sys.argv[1]), Path(sys.argv[2]), sys.argv[3])

BINARIES = ["_vellum" + sysconfig.get_config_var("EXT_SUFFIX"), "Vellum_XP.so", "libvellum_com.so.1",
            "Vellum_Pictures.so", "Vellum_Metafiles.so", "Vellum_Fonts.so", "Vellum_Crypto.so"]
PACKAGE_FILES = ["__init__.py", "__init__.pyi", "py.typed"] + BINARIES

# Run inside the environment: every module the library loads on first use is
# reached, and the files the process loaded are reported.
USE_IN_VENV = r"""
import json, sys, vellum
assets = sys.argv[1]
d = vellum.Dispatch(); d.NewPDF('x'); d.TextOut('hi', 10, 10)
d.ImportImage(assets + '/logo.bmp', 80, 20, 40, 40, 16)
d.ImportImage(assets + '/chart.wmf', 80, 70, 40, 40, 30)
d.AddFont('Liberation Sans', assets + '/LiberationSans-Regular.ttf')
d.FontName = 'Liberation Sans'; d.TextOut('own font', 10, 100)
d.Encrypt('', 'owner', 'print', '')
d.SavePDF('x.pdf')
maps = open('/proc/self/maps').read().split()
print(json.dumps(sorted({p for p in maps if p.startswith('/') and '.so' in p})))
"""


def clean_environment(home):
    """The caller's PATH and locale; no PYTHONPATH, no VELLUM_* variable."""
    keep = ("PATH", "LANG", "LC_ALL", "TMPDIR")
    environment = {name: os.environ[name] for name in keep if name in os.environ}
    environment.update(HOME=str(home), PIP_NO_INDEX="1", PIP_DISABLE_PIP_VERSION_CHECK="1", PIP_NO_INPUT="1")
    return environment


def run(command, **options):
    result = subprocess.run([str(part) for part in command], capture_output=True, text=True, **options)
    if result.returncode != 0:
        raise AssertionError(f"{command[0]} failed ({result.returncode}):\n{result.stdout}\n{result.stderr}")
    return result.stdout


class WheelTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp(prefix="vellum-wheel-"))
        home = cls.scratch / "home"
        home.mkdir()
        cls.environment = clean_environment(home)
        build_environment = dict(cls.environment, VELLUM_WHEEL_WORK_DIR=str(cls.scratch / "work"),
                                 VELLUM_WHEEL_CMAKE_DIR=str(BUILD_DIR))
        run([sys.executable, "-m", "pip", "wheel", "--no-build-isolation", "--no-deps", "-w",
             cls.scratch / "dist", SOURCE_DIR], env=build_environment, cwd=cls.scratch)
        cls.wheels = sorted((cls.scratch / "dist").glob("*.whl"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def wheel(self):
        self.assertEqual(len(self.wheels), 1, self.wheels)
        return self.wheels[0]

    def test_wheel_is_named_for_the_version_python_and_platform(self):
        python = f"cp{sys.version_info.major}{sys.version_info.minor}"
        self.assertEqual(self.wheel().name, f"vellum-{VERSION}-{python}-{python}-linux_x86_64.whl")

    def test_wheel_holds_the_package_library_and_modules_without_build_paths(self):
        unpacked = self.scratch / "unpacked"
        with zipfile.ZipFile(self.wheel()) as wheel:
            self.assertEqual(sorted(n for n in wheel.namelist() if n.startswith("vellum/")),
                             sorted("vellum/" + name for name in PACKAGE_FILES))
            wheel.extractall(unpacked)
        for name in BINARIES:
            with self.subTest(binary=name):
                path = unpacked / "vellum" / name
                dynamic = run(["readelf", "-d", path])
                search_paths = re.findall(r"\((?:RUNPATH|RPATH)\)\s+Library r\w*path: \[(.*)\]", dynamic)
                self.assertTrue(all(p == "$ORIGIN" for p in search_paths), search_paths)
                contents = path.read_bytes()
                for tree in (BUILD_DIR, SOURCE_DIR):
                    self.assertNotIn(str(tree.resolve()).encode(), contents)

    def test_installed_wheel_makes_a_document_from_its_own_files(self):
        venv = self.scratch / "venv"
        run([sys.executable, "-m", "venv", venv], env=self.environment)
        run([venv / "bin/pip", "install", "--no-index", self.wheel()], env=self.environment)
        work = self.scratch / "work-folder"
        work.mkdir()
        loaded = json.loads(run([venv / "bin/python", "-c", USE_IN_VENV, SOURCE_DIR / "examples/assets"],
                                env=self.environment, cwd=work))
        package = next(venv.glob("lib/python3*/site-packages/vellum")).resolve()
        ours = [Path(p) for p in loaded if re.match(r"(_vellum|Vellum_|libvellum)", Path(p).name)]
        self.assertEqual(sorted(p.name for p in ours), sorted(BINARIES))
        self.assertTrue(all(p.parent == package for p in ours), ours)
        run(["qpdf", "--check", work / "x.pdf"])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
