"""The survey report as a user gets it: written by quillon-convert, its numbers
checked against the delimited output, --index, the bins and the calibration file,
and the page rendered by headless Chromium (nothing fetched, figures drawn)."""
import collections
import html.parser
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import time
import zlib

import pytest

CONVERT = os.environ["QUILLON_CONVERT"]
SAMPLE = os.environ["KLF_SAMPLE"]
SYNTH = os.environ["KLF_SYNTH"]
CHROMIUM = shutil.which("chromium")


class Page(html.parser.HTMLParser):
    """The page's tables (by id or class) as rows of cell texts, and every attribute."""

    def __init__(self, text):
        super().__init__()
        self.tables, self.attributes, self.tags = {}, [], collections.Counter()
        self._table, self._row, self._cell = None, None, None
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        self.tags[tag] += 1
        self.attributes += attrs
        a = dict(attrs)
        if tag == "table":
            self._table = self.tables.setdefault(a.get("id") or a.get("class"), [])
        elif tag == "tr" and self._table is not None:
            self._row = []
            self._table.append(self._row)
        elif tag in ("td", "th") and self._row is not None:
            self._cell = ""

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self._cell is not None:
            self._row.append(self._cell)
            self._cell = None
        elif tag == "table":
            self._table = None

    def handle_data(self, data):
        if self._cell is not None:
            self._cell += data


def run(*args):
    result = subprocess.run([CONVERT, *args, "--quiet"], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    return result


@pytest.fixture(scope="module")
def survey(tmp_path_factory):
    """A simulated CW survey of one site, converted to its data block with bins,
    the analysis and the report."""
    d = tmp_path_factory.mktemp("report")
    log = d / "survey.klf"
    subprocess.run([SYNTH, str(log), "--seed", "3", "--megabytes", "2", "--cw-site",
                    "45.50,-73.57,43,128,35,6"], check=True)
    run(str(log), "-o", str(d / "survey.csv"), "--fields", "0", "--data", "freq,rssi", "--no-header",
        "--bins", "100", "--site", "45.50,-73.57", "--eirp", "43", "--report", str(d / "survey.html"))
    return d


def test_levels_are_those_of_the_delimited_output(survey):
    counts = collections.defaultdict(collections.Counter)
    for line in (survey / "survey.csv").read_text().splitlines():
        cells = line.split(",")[1:]  # the data block comes after its delimiter
        for frequency, rssi in zip(cells[0::2], cells[1::2]):
            counts[frequency][int(rssi)] += 1
    table = Page((survey / "survey.html").read_text()).tables["levels"]
    assert table[0][:4] == ["receiver", "frequency (MHz)", "measured", "no measurement"]
    shown = {row[1]: row for row in table[1:] if row[1] != "all"}
    assert set(shown) == set(counts)
    for frequency, levels in counts.items():
        row = shown[frequency]
        measured = sum(n for rssi, n in levels.items() if rssi != -120)
        assert int(row[2]) == measured and int(row[3]) == levels[-120]
        for threshold, cell in zip((-75, -85, -95, -105), row[5:9]):
            above = sum(n for rssi, n in levels.items() if threshold <= rssi != -120)
            assert cell == f"{100.0 * above / measured:.1f} %", (frequency, threshold)
        ordered = sorted(rssi for rssi, n in levels.items() if rssi != -120 for _ in range(n))
        assert int(row[4]) == ordered[(measured + 1) // 2 - 1]  # the least level with half at or below


def test_statistics_scans_fits_and_bins_are_those_of_the_run(survey):
    page = Page((survey / "survey.html").read_text())
    index = subprocess.run([CONVERT, "--index", str(survey / "survey.klf")], capture_output=True, text=True).stdout
    statistics = [line for line in index.splitlines() if " = " in line]
    assert [" = ".join(row) for row in page.tables["statistics"]] == statistics
    logs = page.tables["logs"]
    assert int(logs[1][6]) == len(index.splitlines()) - len(statistics)  # the scans
    calibration = [line.split(",") for line in (survey / "survey-calibration.csv").read_text().splitlines()]
    assert page.tables["fits"] == calibration
    bins = [line.split(",") for line in (survey / "survey-bins.csv").read_text().splitlines()]
    squares = {(b[4], b[5]) for b in bins if b[2] == "1" and int(b[6]) > 0}
    route = (survey / "survey.html").read_text().split('aria-label="Route map')[1].split("</svg>")[0]
    assert route.count("<polygon") == len(squares)
    assert f"over the {len(squares)} coverage bins of 100 metres" in (survey / "survey.html").read_text()


def test_outages_are_counted_as_the_analysis_counts_them(tmp_path):
    result = subprocess.run([CONVERT, SAMPLE, "-o", str(tmp_path / "s.csv"), "--site", "45.5,-73.57", "--eirp", "40",
                             "--report", str(tmp_path / "s.html")], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    said = re.search(r"GPS outages (\d+) \((\d+) s\)", result.stderr)
    row = Page((tmp_path / "s.html").read_text()).tables["outages"][1]
    assert said and row[1:3] == [said.group(1), said.group(2)] and said.group(1) != "0"


def test_the_page_is_self_contained(survey):
    page = Page((survey / "survey.html").read_text())
    for name, value in page.attributes:
        if name in ("src", "href", "xlink:href"):
            pytest.fail(f"the page refers to {value}")
        assert "url(" not in (value or "") or value == "url(#ramp)", value
    assert page.tags["script"] == 0 and page.tags["link"] == 0 and page.tags["img"] == 0
    assert "@import" not in (survey / "survey.html").read_text()


def test_a_report_refused_or_interrupted_leaves_the_earlier_one(tmp_path):
    report = tmp_path / "r.html"
    report.write_text("earlier")
    bad = subprocess.run([CONVERT, SAMPLE, "-o", str(tmp_path / "s.csv"), "--report", SAMPLE, "--quiet"],
                         capture_output=True, text=True)
    assert bad.returncode == 1 and "would overwrite the input file" in bad.stderr
    same = subprocess.run([CONVERT, SAMPLE, "-o", str(report), "--report", str(report), "--quiet"],
                          capture_output=True, text=True)
    assert same.returncode == 1 and "The report file" in same.stderr
    assert report.read_text() == "earlier"
    alone = subprocess.run([CONVERT, "--index", SAMPLE, "--report", str(report)], capture_output=True, text=True)
    assert alone.returncode == 2 and "--report goes with a conversion" in alone.stderr
    folder = subprocess.run([CONVERT, SAMPLE, "-o", str(tmp_path / "s.csv"), "--report", str(tmp_path), "--quiet"],
                            capture_output=True, text=True)
    assert folder.returncode == 1 and not (tmp_path / "s.csv").exists()


def test_folder_run_makes_one_report(tmp_path):
    (tmp_path / "in").mkdir()
    for seed in (1, 2):
        subprocess.run([SYNTH, str(tmp_path / "in" / f"d{seed}.klf"), "--seed", str(seed), "--megabytes", "1"],
                       check=True)
    run("--folder", str(tmp_path / "in"), "--out-folder", str(tmp_path), "--report", str(tmp_path / "run.html"))
    logs = Page((tmp_path / "run.html").read_text()).tables["logs"]
    assert [os.path.basename(row[0]) for row in logs[1:]] == ["d1.klf", "d2.klf"]


def test_the_report_of_a_large_drive_stays_small(tmp_path):
    log = tmp_path / "large.klf"
    subprocess.run([SYNTH, str(log), "--seed", "9", "--megabytes", "200"], check=True)
    report = tmp_path / "large.html"
    report.write_text("earlier")
    # Interrupted: the earlier report stays as it was.
    process = subprocess.Popen([CONVERT, str(log), "-o", str(tmp_path / "large.csv"), "--bins", "50",
                                "--report", str(report), "--quiet"], stderr=subprocess.PIPE, text=True)
    time.sleep(0.3)
    process.send_signal(signal.SIGINT)
    assert process.wait(60) == 1 and report.read_text() == "earlier"
    run(str(log), "-o", str(tmp_path / "large.csv"), "--bins", "50", "--report", str(report))
    size = report.stat().st_size
    assert 100_000 < size < 5_000_000, size


def png_pixels(path):
    """(width, height, rows of RGB(A) bytes) of an 8-bit PNG."""
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, chunks, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks += body
        pos += 12 + length
    width, height, depth, colour = header[:4]
    assert depth == 8 and colour in (2, 6)
    step = 3 if colour == 2 else 4
    raw, stride, rows, previous = zlib.decompress(chunks), width * step, [], bytearray(width * step)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b = previous[i]
            c = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        previous = line
    return width, height, step, rows


def render(page, tmp_path):
    """Chromium's picture of a page and the requests the page made."""
    shot, log = tmp_path / "shot.png", tmp_path / "net.json"
    subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                    "--hide-scrollbars", "--window-size=900,2600", f"--log-net-log={log}", f"--screenshot={shot}",
                    page.as_uri()], capture_output=True, timeout=120, check=True)
    requests = set()
    for event in json.loads(log.read_text())["events"]:
        params = event.get("params", {})
        if "url" in params and params.get("network_isolation_key", "").startswith("file://"):
            requests.add(params["url"])
    return shot, requests


@pytest.mark.skipif(CHROMIUM is None, reason="Chromium is not installed")
def test_chromium_shows_the_figures_and_fetches_nothing(survey, tmp_path):
    # The check sees a page that fetches something.
    fetching = tmp_path / "fetching.html"
    fetching.write_text('<html><body><img src="http://example.invalid/x.png"></body></html>')
    assert render(fetching, tmp_path)[1] == {"http://example.invalid/x.png"}

    shot, requests = render(survey / "survey.html", tmp_path)
    assert requests == set()
    width, height, step, rows = png_pixels(shot)
    coloured = 0
    for row in rows[::2]:
        for x in range(0, width * step, step * 2):
            r, g, b = row[x], row[x + 1], row[x + 2]
            coloured += max(r, g, b) - min(r, g, b) > 80
    assert coloured > 2000, "the route and the charts are drawn in colour"
