"""Builds the wheel of the Python package vellum from the CMake project.

The package's files, the library and its modules come from the CMake install
component python_wheel (see bindings/python/CMakeLists.txt); this file only
configures and builds the project, installs that component where setuptools
packs the wheel, and names the wheel after the project's version.

Environment:
  VELLUM_WHEEL_WORK_DIR   setuptools' own build files (default build-pywheel/)
  VELLUM_WHEEL_CMAKE_DIR  the CMake build folder; one that is already
                          configured (with VELLUM_PYTHON=ON) is built and
                          reused as it is, e.g. build/ after scripts/test.sh
                          (default: VELLUM_WHEEL_WORK_DIR/cmake)
  CMAKE_ARGS              further options for configuring a new folder
"""

import os
import re
import shlex
import shutil
import subprocess
import sys
import sysconfig
from pathlib import Path

from setuptools import Distribution, setup
from setuptools.command.build_py import build_py

ROOT = Path(__file__).resolve().parent
WORK_DIR = Path(os.environ.get("VELLUM_WHEEL_WORK_DIR") or ROOT / "build-pywheel").resolve()
CMAKE_DIR = Path(os.environ.get("VELLUM_WHEEL_CMAKE_DIR") or WORK_DIR / "cmake").resolve()


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    match = re.search(r"project\(\s*vellum\s+VERSION\s+([0-9][0-9.]*)", text)
    if match is None:
        sys.exit("setup.py: CMakeLists.txt names no project version")
    return match.group(1)


def cache_value(name):
    cache = CMAKE_DIR / "CMakeCache.txt"
    for line in cache.read_text(encoding="utf-8").splitlines():
        key, _, value = line.partition("=")
        if key.partition(":")[0] == name:
            return value
    return None


def run(command):
    print("setup.py:", shlex.join(command), flush=True)
    subprocess.run(command, check=True)


def configure():
    if (CMAKE_DIR / "CMakeCache.txt").exists():
        if (cache_value("VELLUM_PYTHON") or "").upper() not in ("ON", "TRUE", "YES", "1"):
            sys.exit(f"setup.py: {CMAKE_DIR} was configured without -DVELLUM_PYTHON=ON")
        if cache_value("VELLUM_SANITIZE"):
            sys.exit(f"setup.py: {CMAKE_DIR} is a sanitizer build; its module loads only into an interpreter "
                     "started with the sanitizer's runtime preloaded, which is no state to ship a wheel in")
        return
    # The interpreter that builds the wheel is the one the module is built for.
    command = ["cmake", "-S", str(ROOT), "-B", str(CMAKE_DIR), "-DVELLUM_PYTHON=ON",
               "-DVELLUM_TESTS=OFF", "-DVELLUM_BENCH=OFF", "-DVELLUM_GUIDEBOOK=OFF",
               f"-DPython3_EXECUTABLE={sys.executable}"]
    if shutil.which("ninja"):
        command += ["-G", "Ninja"]
    run(command + shlex.split(os.environ.get("CMAKE_ARGS", "")))


def check_module_suffix(package):
    expected = sysconfig.get_config_var("EXT_SUFFIX")
    modules = [path.name for path in package.glob("_vellum*")]
    if modules != ["_vellum" + expected]:
        sys.exit(f"setup.py: {CMAKE_DIR} built {', '.join(modules) or 'no module'} for another Python than "
                 f"{sys.executable} (which loads _vellum{expected}); use a build folder configured with "
                 f"-DPython3_EXECUTABLE={sys.executable}")


class BuildWithCMake(build_py):
    """Fills the package folder from the CMake install component python_wheel."""

    def run(self):
        configure()
        run(["cmake", "--build", str(CMAKE_DIR), "--target", "vellum_wheel_files"])
        package = Path(self.build_lib) / "vellum"
        shutil.rmtree(package, ignore_errors=True)
        run(["cmake", "--install", str(CMAKE_DIR), "--component", "python_wheel",
             "--prefix", str(Path(self.build_lib).resolve()), "--strip"])
        check_module_suffix(package)


class BinaryDistribution(Distribution):
    """The package holds compiled code: the wheel is tagged for this Python and platform."""

    def has_ext_modules(self):
        return True


WORK_DIR.mkdir(parents=True, exist_ok=True)
setup(
    version=project_version(),
    packages=["vellum"],
    package_dir={"vellum": "bindings/python/vellum"},
    distclass=BinaryDistribution,
    cmdclass={"build_py": BuildWithCMake},
    options={"build": {"build_base": str(WORK_DIR / "setuptools")},
             "egg_info": {"egg_base": str(WORK_DIR)}},
    zip_safe=False,
)
