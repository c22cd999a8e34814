# The Python package against the command line: frames value for value against the
# delimited output of the same settings, conversions byte for byte, the index, the
# bins, errors with the command line's messages, threads and a Dask cluster.
import concurrent.futures
import os
import subprocess

import numpy as np
import pandas as pd
import pytest

import quillon
import quillon.dask

DATA_VALUES = {"freq": "freq_mhz", "channel": "channel", "rssi": "rssi_dbm"}


def command_line(binary, log, output, *args):
    done = subprocess.run([binary, log, "-o", str(output), "--quiet", *args], capture_output=True, text=True)
    return done.returncode, done.stderr


def delimited_measurements(path, fields, data):
    """The measurements the delimited output prints: (row, entry, columns, data values)."""
    fixed = [f for f in fields if f != 0]
    out = []
    row = 0
    with open(path, newline="") as f:
        for line in f.read().split("\r\n"):
            if not line or line.startswith('"'):
                continue  # the header, repeated at each scan definition
            row += 1
            cells = line.split(",")
            columns, block = cells[:len(fixed)], cells[len(fixed):]
            groups = [block[i:i + len(data)] for i in range(0, len(block), len(data))] if 0 in fields else []
            if not groups:
                out.append((row, 0, columns, None))
            for entry, group in enumerate(groups):
                out.append((row, entry, columns, group))
    return out


def shown(value, kind):
    """A frame value as the delimited output prints it."""
    if value is pd.NA or value is None or (isinstance(value, float) and np.isnan(value)):
        return ""
    if kind.startswith("real("):
        return f"{value:.{int(kind[5:-1])}f}"
    return str(value)


SETTINGS = [
    dict(),
    dict(best_server=True),
    dict(receiver=2, data="freq,channel,rssi"),
    dict(fields=[32, 22, 18, 26, 5, 11, 49, 10, 46, 48, 0], lambda_average=True, frequencies=(1937.5, 1938.1)),
    dict(fields=[29, 37, 8, 0], data=["rssi"], drop_outages=20, skip_scans=[2, 3]),
]


def cli_args(settings):
    args = []
    for key, value in settings.items():
        flag = "--" + {"lambda_average": "lambda"}.get(key, key).replace("_", "-")
        if value is True:
            args.append(flag)
        else:
            args += [flag, ",".join(map(str, value)) if isinstance(value, (list, tuple)) else str(value)]
    return args


@pytest.mark.parametrize("settings", SETTINGS, ids=lambda s: ",".join(s) or "defaults")
def test_read_matches_the_delimited_output(settings, convert_binary, sample_log, catalogue, tmp_path):
    output = tmp_path / "drive.out"
    assert command_line(convert_binary, sample_log, output, *cli_args(settings))[0] == 0
    fields = settings.get("fields", [22, 18, 5, 11, 0])
    data = settings.get("data", "freq,rssi")
    data = data.split(",") if isinstance(data, str) else data
    expected = delimited_measurements(output, fields, data)
    frame = quillon.read(sample_log, **settings)
    assert len(frame) == len(expected) > 100
    columns = []
    for f in fields:
        short, kind = catalogue[f]
        if f != 0 and kind not in ("empty", "line break") and short not in [c[0] for c in columns]:
            columns.append((short, kind))
    assert list(frame.columns) == ["log", "row", "entry", "scan", "receiver"] + [DATA_VALUES[d] for d in
                                   ("freq", "channel", "rssi") if d in data] + ["time"] + [c[0] for c in columns] + ["lon", "lat"]
    assert (frame["receiver"] == settings.get("receiver", 1)).all()
    assert (frame["log"] == "drive-sample.klf").all()
    fixed = [f for f in fields if f != 0]
    records = frame.to_dict("list")
    for i, (row, entry, cells, group) in enumerate(expected):
        assert (records["row"][i], records["entry"][i]) == (row, entry)
        for short, kind in columns:
            position = [catalogue[f][0] for f in fixed].index(short)
            value, text = records[short][i], cells[position]
            if short.startswith("rtc_") and shown(value, kind) == "" and not text.strip("0/:-"):
                continue  # before the first clock record the clock has no value
            if kind == "integer" and text:  # some print two digits ("05")
                assert value == int(text), (i, short)
            else:
                assert shown(value, kind) == text, (i, short)
        for d, text in zip(data, group or [""] * len(data)):
            kind = "real(5)" if d == "freq" else "integer"
            if d == "rssi" and text == "-120":
                text = ""  # the receiver measured nothing: null
            assert shown(records[DATA_VALUES[d]][i], kind) == text, (i, d)
    # The position is the row's as the decimal-degree fields show it, none before the first fix.
    if "lat_dd" in frame:
        placed = frame["lat"].notna()
        assert (frame.loc[placed, "lat"] == frame.loc[placed, "lat_dd"]).all()
        assert frame.loc[~placed, "time"].isna().all()


def test_types_and_nulls(sample_log):
    frame = quillon.read(sample_log, fields="32,22,0")
    assert str(frame["time"].dtype) == "datetime64[ns, UTC]"
    assert str(frame["row"].dtype) == "Int64" and str(frame["record"].dtype) == "Int32"
    assert str(frame["freq_mhz"].dtype) == "Float64"
    assert frame["time"].iloc[0] == pd.Timestamp("2026-11-24 08:00:01", tz="UTC")
    # Rows before the first numbered scan have no scan; the columns' own buffers hold the values.
    assert frame["scan"].isna().any() or frame["scan"].min() == 1
    assert frame["gps_date"].dtype == "category"


@pytest.mark.parametrize("args,settings,name", [
    ([], {}, "drive.out"),
    (["--best-server", "--delimiter", "semicolon", "--no-header"],
     dict(best_server=True, delimiter="semicolon", no_header=True), "drive.out"),
    (["--ibwave", "--bins", "100"], dict(ibwave=True, bins=100), "drive.out"),
    (["--fields", "22,18,5,11,0,32"], dict(fields=[22, 18, 5, 11, 0, 32]), "drive.geojson"),
    ([], {}, "drive.kml"),
])
def test_convert_equals_the_command_line(args, settings, name, convert_binary, sample_log, tmp_path):
    (tmp_path / "cli").mkdir()
    (tmp_path / "py").mkdir()
    assert command_line(convert_binary, sample_log, tmp_path / "cli" / name, *args)[0] == 0
    quillon.convert(sample_log, tmp_path / "py" / name, **settings)
    written = sorted(p.name for p in (tmp_path / "cli").iterdir())
    assert written == sorted(p.name for p in (tmp_path / "py").iterdir())
    for file in written:
        assert (tmp_path / "py" / file).read_bytes() == (tmp_path / "cli" / file).read_bytes(), file


def test_convert_writes_the_command_lines_report(convert_binary, sample_log, tmp_path):
    assert command_line(convert_binary, sample_log, tmp_path / "cli.out", "--bins", "100",
                        "--report", str(tmp_path / "cli.html"))[0] == 0
    quillon.convert(sample_log, tmp_path / "py.out", bins=100, report=tmp_path / "py.html")
    assert (tmp_path / "py.html").read_bytes() == (tmp_path / "cli.html").read_bytes()
    assert b"<h1>Survey report</h1>" in (tmp_path / "py.html").read_bytes()


def test_convert_to_a_geopackage_has_the_frames_features(sample_log, tmp_path):
    quillon.convert(sample_log, tmp_path / "drive.gpkg", best_server=True)
    assert (tmp_path / "drive.gpkg").stat().st_size > 0
    frame = quillon.read(sample_log, best_server=True)
    listed = subprocess.run(["ogrinfo", "-so", str(tmp_path / "drive.gpkg"), "measurements"],
                            capture_output=True, text=True)
    if listed.returncode == 0:
        assert f"Feature Count: {len(frame)}" in listed.stdout


def test_index_equals_the_command_line(convert_binary, sample_log):
    listed = subprocess.run([convert_binary, "--index", sample_log], check=True, capture_output=True, text=True)
    index = quillon.index(sample_log)
    lines = [f"{root}\t{number}\t{label}" for root, number, label in index["scans"]] + index["statistics"]
    assert lines == listed.stdout.splitlines()
    assert len(index["statistics"]) == 7


def test_bins_of_paths_and_of_frames_equal_the_command_line(convert_binary, sample_log, simulator_logs, tmp_path):
    assert command_line(convert_binary, sample_log, tmp_path / "d.out", "--bins", "50")[0] == 0
    keys = ["receiver", "col", "row", "freq_mhz"]  # a frame's bins come in its rows' order
    text = pd.read_csv(tmp_path / "d-bins.out").sort_values(keys, ignore_index=True)
    from_path = quillon.bins(sample_log, 50).sort_values(keys, ignore_index=True)
    from_frame = quillon.bins(quillon.read(sample_log), 50).sort_values(keys, ignore_index=True)
    assert len(text) == len(from_path) == len(from_frame) > 100
    def values(column):  # nulls (a square where nothing was measured has no levels) as NaN
        return column.to_numpy(dtype=float, na_value=np.nan)

    assert (text["no_measurement"] > 0).any() and (text["count"] == 0).any()
    for name in ("col", "row", "count", "no_measurement", "rssi_min", "rssi_max", "logs", "receiver"):
        assert np.array_equal(values(from_path[name]), values(text[name]), equal_nan=True), name
        assert np.array_equal(values(from_frame[name]), values(text[name]), equal_nan=True), name
    for name in ("rssi_mean", "rssi_power_mean", "rssi_std", "freq_mhz"):
        assert np.allclose(values(from_path[name]), values(text[name]), atol=0, equal_nan=True), name
        assert np.allclose(values(from_frame[name]), values(text[name]), atol=0.006, equal_nan=True), name
    assert (from_path["lat"].to_numpy(float) == text["Latitude"].to_numpy()).all()
    first = pd.to_datetime(text["first_time"], utc=True)
    assert (from_path["first_time"] == first).all() and (from_frame["first_time"] == first).all()
    # Logs in one call share their bins, as a folder run --into does: a drive and
    # the same drive again count twice in every bin, from two logs.
    again = tmp_path / "again.klf"
    again.write_bytes(open(sample_log, "rb").read())
    once, twice = quillon.bins(sample_log, 100), quillon.bins([sample_log, again], 100)
    assert len(once) == len(twice) and (twice["logs"] == 2).all()
    assert (twice["count"] == 2 * once["count"]).all()
    both = quillon.bins(simulator_logs[:2], 100)
    frames = pd.concat([quillon.read(p) for p in simulator_logs[:2]], ignore_index=True)
    assert both["count"].sum() == (frames["rssi_dbm"].notna() & frames["lat"].notna()).sum()
    assert sorted(quillon.bins(frames, 100)["count"]) == sorted(both["count"])
    assert both["no_measurement"].sum() == (frames["rssi_dbm"].isna() & frames["entry"].notna()
                                            & frames["lat"].notna()).sum()


@pytest.mark.parametrize("call,exception,message", [
    (lambda log, tmp: quillon.read(tmp / "missing.klf"), quillon.ConversionError, "Input File Does Not Exist!"),
    (lambda log, tmp: quillon.read(log, receiver=3), quillon.UsageError, "--receiver takes 1 or 2"),
    (lambda log, tmp: quillon.read(log, data="freq,power"), quillon.UsageError, "--data takes a subset of freq,channel,rssi"),
    (lambda log, tmp: quillon.read(log, fields=[99]), quillon.UsageError, "--fields takes catalogue indexes 0 to 55"),
    (lambda log, tmp: quillon.read(log, frequencies="nan,1"), quillon.UsageError, "--frequencies takes two numbers"),
    (lambda log, tmp: quillon.read(log, colour=True), quillon.UsageError, "unknown setting: colour"),
    (lambda log, tmp: quillon.bins(log, 5), quillon.UsageError, "--bins takes a size of 10 to 1000 metres"),
    (lambda log, tmp: quillon.bins(log, 50, crs="EPSG:4326"), quillon.UsageError, "--bin-crs"),
    (lambda log, tmp: quillon.convert(log, tmp / "x.out", format="dxf"), quillon.UsageError, "--format takes one of"),
    (lambda log, tmp: quillon.convert(log, log), quillon.ConversionError, "is the input file itself"),
    (lambda log, tmp: quillon.index(tmp), quillon.ConversionError, None),
    # Arguments of the wrong type or value are usage errors, never pybind11's or Python's own.
    (lambda log, tmp: quillon.read(log, receiver="2"), quillon.UsageError, "--receiver takes 1 or 2"),
    (lambda log, tmp: quillon.read(log, receiver=1.5), quillon.UsageError, "--receiver takes 1 or 2"),
    (lambda log, tmp: quillon.read(log, receiver=2 ** 40), quillon.UsageError, "--receiver takes 1 or 2"),
    (lambda log, tmp: quillon.read(log, receiver=True), quillon.UsageError, "--receiver takes 1 or 2"),
    (lambda log, tmp: quillon.read(log, drop_outages=-3), quillon.UsageError, "--drop-outages takes a whole number"),
    (lambda log, tmp: quillon.read(log, drop_outages=2.5), quillon.UsageError, "--drop-outages takes a whole number"),
    (lambda log, tmp: quillon.read(log, best_server="yes"), quillon.UsageError, "best_server takes True or False"),
    (lambda log, tmp: quillon.read(42), quillon.UsageError, "a path is a str, bytes or os.PathLike"),
    (lambda log, tmp: quillon.bins(log, 50.5), quillon.UsageError, "--bins takes a size of 10 to 1000 metres"),
    (lambda log, tmp: quillon.bins(quillon.read(log), 50.5), quillon.UsageError, "--bins takes a size"),
    (lambda log, tmp: quillon.bins(quillon.read(log), 5), quillon.UsageError, "--bins takes a size"),
    (lambda log, tmp: quillon.convert(log, tmp / "x.gpkg", layer="w" * 300), quillon.UsageError, "at most 200"),
    (lambda log, tmp: quillon.convert(log, tmp / "x.out", delimiter=""), quillon.UsageError, "--delimiter takes"),
])
def test_bad_input_raises_the_command_lines_message(call, exception, message, convert_binary, sample_log, tmp_path):
    with pytest.raises(exception) as raised:
        call(sample_log, tmp_path)
    assert isinstance(raised.value, quillon.Error)
    if message:
        assert message in str(raised.value)


@pytest.mark.parametrize("make,args", [
    (lambda p: p.write_bytes(b"not a log at all\n" * 50), []),
    (lambda p: p.write_bytes(open(__import__("os").environ["KLF_SAMPLE"], "rb").read()[:1000]), []),
    (lambda p: p.mkdir(), []),
    (lambda p: p.write_bytes(b""), []),
])
def test_bad_logs_fail_as_on_the_command_line(make, args, convert_binary, tmp_path):
    log = tmp_path / "bad.klf"
    make(log)
    code, stderr = command_line(convert_binary, str(log), tmp_path / "cli.out", *args)
    if code == 0:
        with __import__("warnings").catch_warnings(record=True) as said:
            __import__("warnings").simplefilter("always")
            quillon.read(log)  # read as the command line converts it, with its Warnings
        assert [str(w.message) for w in said] == [l[len("Warning: "):] for l in stderr.splitlines()
                                                  if l.startswith("Warning: ")]
        return
    with pytest.raises(quillon.ConversionError) as raised:
        quillon.read(log)
    assert "Error: " + str(raised.value) in stderr


NEEDS_FREQUENCIES = __import__("os").path.join(__import__("os").path.dirname(__file__), "..", "data", "conformance",
                                               "03-convert", "input.klf")


@pytest.mark.parametrize("settings,cli", [
    (dict(), []),
    (dict(frequencies=(1.5, 459.675)), ["--frequencies", "1.5,459.675"]),
])
def test_a_log_needing_frequencies_is_refused_as_on_the_command_line(settings, cli, convert_binary, tmp_path):
    code, stderr = command_line(convert_binary, NEEDS_FREQUENCIES, tmp_path / "m.out", *cli)
    assert code == 1
    with pytest.raises(quillon.ConversionError) as raised:
        quillon.read(NEEDS_FREQUENCIES, **settings)
    assert stderr.startswith("Error: " + str(raised.value))


def test_a_log_with_its_frequencies_given_reads_as_it_converts(convert_binary, tmp_path):
    assert command_line(convert_binary, NEEDS_FREQUENCIES, tmp_path / "m.out", "--frequencies", "1931,460")[0] == 0
    frame = quillon.read(NEEDS_FREQUENCIES, frequencies=[1931, 460])
    expected = delimited_measurements(tmp_path / "m.out", [22, 18, 5, 11, 0], ["freq", "rssi"])
    assert [shown(v, "real(5)") for v in frame["freq_mhz"]] == [g[0] if g else "" for _, _, _, g in expected]


def test_progress_and_interruption(sample_log):
    seen = []
    quillon.read(sample_log, progress=seen.append)
    assert seen[-1] == 100 and seen == sorted(seen)

    def stop(percent):
        if percent >= 10:
            raise KeyboardInterrupt
    with pytest.raises(KeyboardInterrupt):
        quillon.read(sample_log, progress=stop)


def test_threads_read_logs_at_once(simulator_logs):
    serial = [quillon.read(p, best_server=True) for p in simulator_logs]
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        parallel = list(pool.map(lambda p: quillon.read(p, best_server=True), simulator_logs))
    for a, b in zip(serial, parallel):
        pd.testing.assert_frame_equal(a, b)


def test_a_local_cluster_of_two_processes_gives_the_serial_result(simulator_logs):
    distributed = pytest.importorskip("distributed")
    serial = pd.concat([quillon.read(p) for p in simulator_logs], ignore_index=True)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        frame = quillon.dask.read_many(simulator_logs)
        assert frame.npartitions == 4
        per_scan = frame.groupby(["log", "scan"]).rssi_dbm.mean().compute()
        whole = frame.compute().reset_index(drop=True)
    assert list(whole["log_path"].astype(object).unique()) == [str(p) for p in simulator_logs]
    whole = whole.drop(columns="log_path")
    for name in ("log", "gps_date", "gps_time"):  # the categories of one log each, joined
        whole[name] = whole[name].astype(object)
        serial[name] = serial[name].astype(object)
    pd.testing.assert_frame_equal(whole, serial)
    per_scan = per_scan[per_scan.astype("float64").notna()]  # the log names' pairs with scans of other logs
    expected = serial.groupby(["log", "scan"]).rssi_dbm.mean()
    per_scan.index = per_scan.index.set_levels(per_scan.index.levels[0].astype(object), level=0)
    pd.testing.assert_series_equal(per_scan.sort_index(), expected.sort_index())


@pytest.mark.parametrize("as_path", [str, bytes, __import__("pathlib").Path, lambda p: __import__("os").fsencode(p)])
def test_paths_as_str_bytes_and_pathlike(as_path, sample_log, tmp_path):
    log = tmp_path / "drive.klf"
    log.write_bytes(open(sample_log, "rb").read())
    path = as_path(str(log)) if as_path is not bytes else str(log).encode()
    frame = quillon.read(path, best_server=True)
    assert list(frame["log"].cat.categories) == ["drive.klf"]
    assert len(quillon.index(path)["statistics"]) == 7
    quillon.convert(path, as_path(str(tmp_path / "drive.out")) if as_path is not bytes else str(tmp_path / "drive.out").encode())
    assert (tmp_path / "drive.out").stat().st_size > 0


def test_read_many_tells_drives_of_one_name_apart(sample_log, tmp_path):
    """Two days' drives of the same file name: one log name, two paths."""
    paths = []
    for day in ("day1", "day2"):
        (tmp_path / day).mkdir()
        paths.append(tmp_path / day / "drive.klf")
        paths[-1].write_bytes(open(sample_log, "rb").read())
    frame = quillon.dask.read_many(paths, best_server=True).compute(scheduler="synchronous")
    assert list(frame.columns[:2]) == ["log", "log_path"]
    assert set(frame["log"]) == {"drive.klf"}
    assert set(frame["log_path"]) == {str(p) for p in paths}
    counts = frame.groupby("log_path", observed=True).size()
    assert counts.iloc[0] == counts.iloc[1] == len(quillon.read(paths[0], best_server=True))


def test_a_name_that_is_no_utf8(sample_log, tmp_path):
    """A Latin-1 name opens (as os.fsencode gives it) and shows U+FFFD for its byte."""
    import os
    raw = os.fsencode(str(tmp_path)) + b"/Montr\xe9al.klf"
    open(raw, "wb").write(open(sample_log, "rb").read())
    name = os.fsdecode(raw)  # a str holding the byte as a surrogate
    frame = quillon.read(name)
    assert list(frame["log"].cat.categories) == ["Montr\ufffdal.klf"]
    assert len(quillon.read(raw)) == len(frame)
    with pytest.raises(quillon.ConversionError) as raised:
        quillon.read(os.fsencode(str(tmp_path)) + b"/missing-\xe9.klf")
    assert "missing-\ufffd.klf" in str(raised.value)


def test_calibrate_gives_the_command_line_s_fits(convert_binary, tmp_path):
    log = tmp_path / "cw.klf"
    subprocess.run([os.environ["KLF_SYNTH"], str(log), "--cw-site", "45.5,-73.6,62,130,35,6", "--seed", "4"], check=True)
    status, _ = command_line(convert_binary, str(log), tmp_path / "cw.gpkg", "--site", "45.5,-73.6", "--eirp", "62",
                             "--fit-rssi", "-105,-45")
    assert status == 0
    text = pd.read_csv(tmp_path / "cw-calibration.csv", keep_default_na=False)
    fits, points = quillon.calibrate(log, (45.5, -73.6, 62), fit_rssi=(-105, -45))
    frame_fits, frame_points = quillon.calibrate(quillon.read(log), (45.5, -73.6, 62), fit_rssi=(-105, -45))
    dask_fits, _ = quillon.calibrate(quillon.dask.read_many([log]), (45.5, -73.6, 62), fit_rssi=(-105, -45))
    assert len(text) == len(fits) == 2
    for name, digits in (("k1_db", 2), ("k2_db_per_decade", 2), ("exponent", 3), ("std_dev_db", 2), ("r2", 4),
                         ("min_distance_m", 1), ("max_distance_m", 1)):
        for got in (fits, frame_fits, dask_fits):
            assert [f"{v:.{digits}f}" for v in got[name]] == [f"{v:.{digits}f}" for v in text[name]], name
    assert (fits["points"] == text["points"]).all() and (frame_fits["points"] == fits["points"]).all()
    assert fits["freq_mhz"].isna().tolist() == [False, True]
    # The points: those of the calibration layer, their errors against the fit.
    assert len(points) == len(frame_points) == fits["points"][0]
    k1, k2 = fits["k1_db"][0], fits["k2_db_per_decade"][0]
    predicted = k1 + k2 * np.log10(points["distance_m"].to_numpy(float) / 1000)
    assert np.allclose(points["predicted_db"].to_numpy(float), predicted, atol=0.006)
    assert np.allclose(points["error_db"].to_numpy(float),
                       points["path_loss_db"].to_numpy(float) - points["predicted_db"].to_numpy(float), atol=0.011)
    assert set(points["site"]) == {"site"} and points["time"].notna().all()


def test_calibrate_refuses_bad_sites(sample_log, tmp_path):
    sites = tmp_path / "sites.csv"
    sites.write_text("name,latitude,longitude,eirp_dbm,frequency_mhz\nmast,45.5,-73.6,43,1935\nhill,95,0,40,1936\n")
    with pytest.raises(quillon.UsageError, match="sites.csv line 3: latitude 95 is outside -90 to 90"):
        quillon.calibrate(sample_log, sites)
    with pytest.raises(quillon.UsageError, match="sites takes a sites file"):
        quillon.calibrate(sample_log, 45.5)
    with pytest.raises(quillon.UsageError, match="--fit-rssi takes MIN,MAX"):
        quillon.calibrate(sample_log, (45.5, -73.6, 43), fit_rssi=(-40, -110))
