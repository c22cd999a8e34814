# The GIS module is loaded only by the runs that need it: the command line and the
# Python package are watched through the dynamic loader's own report (LD_DEBUG), and
# an installed copy of the build (cmake --install) finds its module, or, with the
# module moved away or broken, refuses each run that needs it with an Error that
# names the module, the system's reason and the option, writing nothing.
import os
import shutil
import subprocess
import sys

import pytest

GIS_LIBRARIES = ("libquillon-gis", "libgdal", "libproj", "libpq", "libgeos")


def loaded(command, env=None, cwd=None):
    """The shared objects the process loaded, by file name, and the completed process."""
    environment = dict(os.environ if env is None else env, LD_DEBUG="files")
    done = subprocess.run(command, capture_output=True, text=True, env=environment, cwd=cwd)
    files = set()
    for line in done.stderr.splitlines():
        if "file=" in line and ("needed by" in line or "dynamically loaded by" in line):
            files.add(os.path.basename(line.split("file=", 1)[1].split(" [", 1)[0]))
    return files, done


def gis_of(files):
    return sorted(f for f in files if f.startswith(GIS_LIBRARIES))


@pytest.fixture(scope="module")
def convert():
    return os.environ["QUILLON_CONVERT"]


@pytest.fixture(scope="module")
def sample():
    return os.environ["KLF_SAMPLE"]


# Runs that never need the module, then runs that do (each loads it, and GDAL or PROJ).
WITHOUT = [
    ["--version"],
    ["--help"],
    ["--list-fields"],
    ["--index", "{log}"],
    ["{log}", "-o", "{out}/a.out"],
    ["{log}", "-o", "{out}/a.kml", "--format", "kml"],
    ["{log}", "-o", "{out}/a.out", "--report", "{out}/a.html", "--best-server"],
]
WITH = [
    (["{log}", "-o", "{out}/a.gpkg", "--format", "gpkg"], "libgdal"),
    (["{log}", "-o", "{out}/a.out", "--bins", "50"], "libproj"),
    (["{log}", "-o", "{out}/a.out", "--site", "45.5,-73.6", "--eirp", "60"], "libproj"),
]


def filled(args, log, out):
    return [a.format(log=log, out=out) for a in args]


@pytest.mark.parametrize("args", WITHOUT, ids=lambda a: " ".join(a))
def test_runs_without_gis_load_none_of_it(convert, sample, tmp_path, args):
    files, done = loaded([convert, *filled(args, sample, tmp_path)])
    assert done.returncode == 0, done.stderr[-2000:]
    assert "libstdc++.so.6" in files  # the report is read as it should be
    assert gis_of(files) == []


@pytest.mark.parametrize("args,library", WITH, ids=lambda a: " ".join(a) if isinstance(a, list) else a)
def test_runs_with_gis_load_the_module(convert, sample, tmp_path, args, library):
    files, done = loaded([convert, *filled(args, sample, tmp_path)])
    assert done.returncode == 0, done.stderr[-2000:]
    assert "libquillon-gis.so" in files
    assert any(f.startswith(library) for f in files)


PYTHON_WITHOUT = "import quillon; f = quillon.read(LOG); quillon.index(LOG); quillon.convert(LOG, OUT + '/p.out')"
PYTHON_WITH = "import quillon; quillon.bins(quillon.read(LOG), 50)"


@pytest.mark.skipif(not os.environ.get("QUILLON_PYTHONPATH"), reason="a build without the Python package")
@pytest.mark.parametrize("code,gis", [(PYTHON_WITHOUT, False), (PYTHON_WITH, True)], ids=["read", "bins"])
def test_python_loads_gis_for_bins_only(sample, tmp_path, code, gis):
    env = dict(os.environ, PYTHONPATH=os.environ["QUILLON_PYTHONPATH"], PYTHONNOUSERSITE="1")
    script = f"LOG = {sample!r}; OUT = {str(tmp_path)!r}; {code}"
    files, done = loaded([sys.executable, "-c", script], env=env)
    assert done.returncode == 0, done.stderr[-2000:]
    assert ("libquillon-gis.so" in files) == gis
    assert bool(gis_of(files)) == gis


@pytest.fixture(scope="module")
def installed(tmp_path_factory):
    """The build installed into a scratch prefix: programs, module and package."""
    prefix = tmp_path_factory.mktemp("prefix")
    done = subprocess.run(["cmake", "--install", os.environ["QUILLON_BUILD_DIR"], "--prefix", str(prefix)],
                          capture_output=True, text=True)
    assert done.returncode == 0, done.stdout + done.stderr
    modules = list(prefix.rglob("libquillon-gis.so"))
    assert len(modules) == 1
    return prefix, modules[0]


def test_installed_programs_find_their_module(installed, sample, tmp_path):
    prefix, module = installed
    files, done = loaded([str(prefix / "bin/quillon-convert"), sample, "-o", str(tmp_path / "a.gpkg"), "--quiet"])
    assert done.returncode == 0, done.stderr[-2000:]
    assert (tmp_path / "a.gpkg").stat().st_size > 0
    assert str(module) in done.stderr  # the installed module, not the build tree's


# Each run that needs the module, and the words of the option its Error names.
NEEDING = [
    (["-o", "{out}/a.gpkg"], "GeoPackage (--format gpkg)"),
    (["-o", "{out}/a.shp"], "ESRI Shapefile (--format shp)"),
    (["-o", "PG:dbname=nothing", "--format", "postgis"], "PostgreSQL/PostGIS (--format postgis)"),
    (["-o", "{out}/a.out", "--bins", "50"], "Coverage bins (--bins)"),
    (["-o", "{out}/a.out", "--bins", "50", "--bin-crs", "EPSG:32618"], "Coverage bins (--bins)"),
    (["-o", "{out}/a.kml", "--bins", "50"], "Coverage bins (--bins)"),
    (["-o", "{out}/a.out", "--site", "45.5,-73.6", "--eirp", "60"], "The survey analysis (--sites, --site)"),
]


@pytest.fixture
def without_module(installed):
    prefix, module = installed
    away = module.with_name("moved-away")
    shutil.move(module, away)
    yield prefix, module
    shutil.move(away, module)


@pytest.mark.parametrize("args,needs", NEEDING, ids=[n[1] + " " + n[0][1] for n in NEEDING])
def test_missing_module_is_an_error_and_nothing_is_written(without_module, sample, tmp_path, args, needs):
    prefix, module = without_module
    out = tmp_path / "out"
    out.mkdir()
    (out / "a.out").write_bytes(b"an earlier output\r\n")
    done = subprocess.run([str(prefix / "bin/quillon-convert"), sample, *filled(args, sample, out), "--quiet"],
                          capture_output=True, text=True)
    assert done.returncode == 1, done.stderr
    message = done.stderr
    assert needs + " needs the GIS module libquillon-gis.so" in message
    assert "no such file in " + str(module.parent) in message
    assert sorted(p.name for p in out.iterdir()) == ["a.out"]
    assert (out / "a.out").read_bytes() == b"an earlier output\r\n"


def test_without_module_the_rest_works(without_module, sample, tmp_path, convert):
    prefix, _ = without_module
    program = str(prefix / "bin/quillon-convert")
    for args in ([sample, "-o", str(tmp_path / "a.out")], [sample, "-o", str(tmp_path / "a.kml")]):
        done = subprocess.run([program, *args, "--quiet"], capture_output=True, text=True)
        assert done.returncode == 0, done.stderr
    subprocess.run([convert, sample, "-o", str(tmp_path / "b.out"), "--quiet"], check=True)
    assert (tmp_path / "a.out").read_bytes() == (tmp_path / "b.out").read_bytes()
    index = subprocess.run([program, "--index", sample], capture_output=True, text=True)
    built = subprocess.run([convert, "--index", sample], capture_output=True, text=True)
    assert index.returncode == 0 and index.stdout == built.stdout


def test_broken_module_gives_the_systems_reason(installed, sample, tmp_path):
    prefix, module = installed
    away = module.with_name("moved-away")
    shutil.move(module, away)
    try:
        module.write_bytes(b"not a shared object\n")
        done = subprocess.run([str(prefix / "bin/quillon-convert"), sample, "-o", str(tmp_path / "a.gpkg")],
                              capture_output=True, text=True)
    finally:
        module.unlink()
        shutil.move(away, module)
    assert done.returncode == 1
    assert f"needs the GIS module {module}, which cannot be loaded: " in done.stderr
    assert "invalid ELF header" in done.stderr or "file too short" in done.stderr
    assert not (tmp_path / "a.gpkg").exists()


@pytest.mark.skipif(not os.environ.get("QUILLON_PYTHONPATH"), reason="a build without the Python package")
def test_installed_python_package_without_module(without_module, sample):
    prefix, _ = without_module
    packages = [p.parent for p in prefix.rglob("quillon/__init__.py")]
    assert len(packages) == 1
    env = dict(os.environ, PYTHONPATH=str(packages[0].parent), PYTHONNOUSERSITE="1")
    script = ("import quillon\nf = quillon.read(%r)\nassert len(f) > 0\n"
              "for ask in (lambda: quillon.bins(f, 50), lambda: quillon.bins(%r, 50)):\n"
              "    try:\n        ask()\n    except quillon.ConversionError as e:\n        print(e)\n" % (sample, sample))
    done = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, env=env)
    assert done.returncode == 0, done.stderr
    said = done.stdout.splitlines()
    assert len(said) == 2
    assert said[0].startswith("Coverage bins (quillon.bins) needs the GIS module libquillon-gis.so, which cannot be "
                              "loaded: no such file in ")
    assert said[1].startswith("Coverage bins (--bins) needs the GIS module libquillon-gis.so")
