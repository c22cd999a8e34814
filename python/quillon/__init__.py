"""KTR Quillon CW for Python: read the receiver's drive logs (.klf, .kez) into pandas.

    import quillon
    frame = quillon.read("drive.klf", best_server=True)
    frame.groupby("scan").rssi_dbm.mean()

The functions take the command line's conversion options as keyword arguments,
named like its options (``--best-server`` is ``best_server=True``, ``--lambda`` is
``lambda_average=True``). Lists may be given as Python lists or as the command
line's comma-separated text.

read(path, **settings)             the measurement layer as a DataFrame
convert(path, output, **settings)  what quillon-convert writes, in any format
index(path)                        the scans and the file statistics
bins(frame_or_paths, metres)       coverage bins as a DataFrame
calibrate(frame_or_paths, sites)   a CW survey's path-loss fits and their points
quillon.dask.read_many(paths)      a Dask DataFrame, one partition per log

Errors raise quillon.Error (UsageError for wrong settings, ConversionError for a
run that failed) with the command line's message; what it warns of is issued as
a quillon.QuillonWarning. ``progress`` takes a callable of whole percentages.
"""
import os as _os
import warnings as _warnings

import numpy as _np
import pandas as _pd

from . import _quillon
from ._quillon import ConversionError, Error, UsageError

__all__ = ["read", "convert", "index", "bins", "calibrate", "Error", "UsageError", "ConversionError", "QuillonWarning"]


class QuillonWarning(UserWarning):
    """What a run warns of (files left out, rows dropped), as the command line's Warning."""


_SETTINGS = ("fields", "ibwave", "receiver", "data", "best_server", "lambda_average", "drop_outages",
             "frequencies", "skip_scans")
_CONVERT_SETTINGS = _SETTINGS + ("delimiter", "no_header", "split", "layer", "bins", "bin_crs", "replace", "report")
_ANALYSIS_SETTINGS = ("rx_gain", "fit_rssi", "fit_distance", "model", "bins", "bin_crs")


def _path(path):
    """A path as the system's bytes (str, bytes or os.PathLike, as os.fsencode takes
    them), so that a name that is no UTF-8 still opens."""
    try:
        return _os.fsencode(path)
    except TypeError:
        raise UsageError("a path is a str, bytes or os.PathLike, not " + type(path).__name__) from None


def _whole(value, message):
    """A whole number given as one (not a flag, a text or a fraction)."""
    if isinstance(value, bool) or not isinstance(value, int):
        raise UsageError(message)
    return value


def _listed(value):
    if isinstance(value, (list, tuple)):
        return ",".join(str(v) for v in value)
    return value


def _options(settings, allowed):
    unknown = sorted(set(settings) - set(allowed))
    if unknown:
        raise UsageError("unknown setting: " + ", ".join(unknown) + " (settings: " + ", ".join(allowed) + ")")
    options = {}
    for key, value in settings.items():
        if value is None or value is False:
            continue
        if key in ("fields", "data", "frequencies", "skip_scans"):
            value = _listed(value)
        elif key == "drop_outages":
            value = str(_whole(value, "--drop-outages takes a whole number of seconds from 1"))
        elif key in ("ibwave", "best_server", "lambda_average", "no_header", "split") and not isinstance(value, bool):
            raise UsageError(key + " takes True or False")
        elif key == "report":
            value = _path(value)
        elif key in ("layer", "bin_crs", "delimiter") and not isinstance(value, str):
            raise UsageError(key + " takes a text")
        options[key] = value
    return options


def _warn(messages):
    for message in messages:
        _warnings.warn(message, QuillonWarning, stacklevel=3)


def _frame(raw):
    """A DataFrame of the engine's columns, each over the engine's own buffer."""
    columns = {}
    for name, kind, values, nulls, texts in raw["columns"]:
        mask = nulls.view(_np.bool_)
        if kind == "int32":
            columns[name] = _pd.arrays.IntegerArray(values, mask)
        elif kind == "int64":
            columns[name] = _pd.arrays.IntegerArray(values, mask)
        elif kind == "float64":
            columns[name] = _pd.arrays.FloatingArray(values, mask)
        elif kind == "text":
            columns[name] = _pd.Categorical.from_codes(values, categories=_pd.Index(texts, dtype=object))
        elif kind == "datetime":
            columns[name] = _pd.DatetimeIndex(values.view("datetime64[ns]")).tz_localize("UTC").array
    return _pd.DataFrame(columns, copy=False)


def read(path, progress=None, **settings):
    """The measurement layer of the log at ``path``: one row per data-block entry the
    delimited output prints (the map layers' schema), ``time`` as UTC datetimes, the
    position as ``lon`` and ``lat``, missing values as nulls."""
    layer, _, messages = _quillon.read(_path(path), _options(settings, _SETTINGS), progress)
    _warn(messages)
    return _frame(layer)


def _schema(**settings):
    """An empty frame with the columns and types ``read`` gives for these settings."""
    return _frame(_quillon.schema(_options(settings, _SETTINGS)))


def convert(path, output, format=None, progress=None, **settings):
    """Writes what ``quillon-convert PATH -o OUTPUT`` writes with the same settings: the
    delimited text, or a map layer (the format from ``format`` or the extension);
    ``replace=True`` loads a log into a database in place of its earlier load;
    ``report="survey.html"`` also writes the survey report (``--report``)."""
    _warn(_quillon.convert(_path(path), _path(output), _options(settings, _CONVERT_SETTINGS), format, progress))


def index(path):
    """The scans of the log, as ``quillon-convert --index`` lists them, and the seven
    statistics lines: {"scans": [(root, number, label), ...], "statistics": [...]}."""
    return _quillon.index(_path(path))


def bins(frame_or_paths, metres, crs=None, progress=None, **settings):
    """Coverage bins of ``metres`` (10 to 1000) per receiver and frequency, in the UTM zone
    of the first position or the projected system ``crs`` ("EPSG:NNNN"): of the logs at
    the given paths (binned together, with the settings of ``read``), or of a frame that
    ``read`` (or ``dask.read_many(...).compute()``) returned. One row per bin: the
    centre's ``lon`` and ``lat`` and the bins' attributes."""
    _whole(metres, "--bins takes a size of 10 to 1000 metres")
    if crs is not None and not isinstance(crs, str):
        raise UsageError("--bin-crs takes a text: EPSG:NNNN")
    if isinstance(frame_or_paths, _pd.DataFrame):
        if settings:
            raise UsageError("settings apply to logs, not to a frame")
        return _bins_of_frame(frame_or_paths, metres, crs)
    single = isinstance(frame_or_paths, (str, bytes)) or hasattr(frame_or_paths, "__fspath__")
    try:
        paths = [_path(frame_or_paths)] if single else [_path(p) for p in frame_or_paths]
    except TypeError:
        raise UsageError("bins takes a frame, a path or a list of paths") from None
    options = _options(settings, _SETTINGS)
    options["bins"] = metres
    if crs:
        options["bin_crs"] = crs
    _, binned, messages = _quillon.bins_of_paths(paths, options, progress)
    _warn(messages)
    return _frame(binned)


def _bins_of_frame(frame, metres, crs):
    needed = ("log", "receiver", "lon", "lat", "rssi_dbm")
    missing = [c for c in needed if c not in frame.columns]
    if missing:
        raise UsageError("the frame has no column " + ", ".join(missing) + " (read it with data including rssi)")
    # Every entry is binned; one whose RSSI is null measured nothing (-120 dBm) and is
    # counted as such, as the bins of a log count it.
    frame = frame[frame["entry"].notna() if "entry" in frame.columns else frame["rssi_dbm"].notna()]
    logs = _pd.Categorical(frame["log"].astype(object), categories=_pd.unique(frame["log"].astype(object)))
    order = _np.argsort(logs.codes, kind="stable")  # the rows of each log together, in their order

    def column(name, dtype, missing):
        if name not in frame.columns:
            return _np.full(len(frame), missing, dtype=dtype)
        return frame[name].to_numpy(dtype=dtype, na_value=missing)[order]

    times = _np.full(len(frame), _np.iinfo(_np.int64).min, dtype=_np.int64)
    if "time" in frame.columns:
        t = frame["time"]
        present = t.notna().to_numpy()
        ns = t.dt.tz_convert("UTC").dt.tz_localize(None).to_numpy(dtype="datetime64[ns]").view(_np.int64)
        times = _np.where(present, ns, times)[order]
    raw = _quillon.bins_of_columns(
        _np.ascontiguousarray(logs.codes[order], dtype=_np.int32),
        column("receiver", _np.int32, 1), column("lon", _np.float64, _np.nan), column("lat", _np.float64, _np.nan),
        column("freq_mhz", _np.float64, _np.nan), column("rssi_dbm", _np.int32, -120), _np.ascontiguousarray(times),
        int(metres), crs or "")
    return _frame(raw)


def _analysis_options(sites, settings):
    """The command line's --sites or --site/--eirp and the fit's options, as text."""
    options = {}
    if isinstance(sites, (str, bytes)) or hasattr(sites, "__fspath__"):
        options["sites"] = _os.fsdecode(sites)
    else:
        try:
            lat, lon, eirp = sites
        except (TypeError, ValueError):
            raise UsageError("sites takes a sites file or (lat, lon, eirp_dbm)") from None
        options["site"] = "%r,%r" % (float(lat), float(lon))
        options["eirp"] = repr(float(eirp))
    for key in ("rx_gain", "fit_rssi", "fit_distance", "model"):
        value = settings.pop(key, None)
        if value is None:
            continue
        if isinstance(value, (tuple, list)):
            value = ",".join(repr(float(v)) for v in value)
        options[key] = str(value)
    return options


def calibrate(frame_or_paths, sites, progress=None, **settings):
    """The survey analysis of a CW drive: the path-loss fits and the points that entered
    them, as ``quillon-convert --sites`` gives them, as two DataFrames (fits, points).

    ``sites`` is a sites file (name,latitude,longitude,eirp_dbm,frequency_mhz[,height_m,
    receiver]) or one transmitter as (lat, lon, eirp_dbm). Settings: ``rx_gain`` (dB),
    ``fit_rssi`` and ``fit_distance`` as (min, max), ``model`` as (k1, k2) to evaluate
    instead of fitting, ``bins`` (metres) for one value per coverage bin, and, with
    paths, the settings of ``read``. ``frame_or_paths``: a log's path, a list of paths
    (analysed together), or a frame of ``read`` or ``dask.read_many`` (a site's
    frequency then matches within half a kilohertz)."""
    settings = dict(settings)
    analysis = _analysis_options(sites, settings)
    if hasattr(frame_or_paths, "compute") and hasattr(frame_or_paths, "npartitions"):
        needed = [c for c in ("receiver", "lon", "lat", "freq_mhz", "rssi_dbm", "time") if c in frame_or_paths.columns]
        frame_or_paths = frame_or_paths[needed].compute()
    if isinstance(frame_or_paths, _pd.DataFrame):
        options = _options(settings, ("bins", "bin_crs"))
        options.update(analysis)
        fits, points, messages = _calibrate_frame(frame_or_paths, options)
    else:
        single = isinstance(frame_or_paths, (str, bytes)) or hasattr(frame_or_paths, "__fspath__")
        try:
            paths = [_path(frame_or_paths)] if single else [_path(p) for p in frame_or_paths]
        except TypeError:
            raise UsageError("calibrate takes a frame, a path or a list of paths") from None
        options = _options(settings, _SETTINGS + ("bins", "bin_crs"))
        options.update(analysis)
        fits, points, messages = _quillon.calibrate_paths(paths, options, progress)
    _warn(messages)
    fits = _pd.DataFrame(fits).astype({"freq_mhz": "Float64", "receiver": "Int32", "points": "int64"})
    for column in fits.columns[4:]:
        fits[column] = fits[column].astype("Float64")
    return fits, _frame(points)


def _calibrate_frame(frame, options):
    needed = ("receiver", "lon", "lat", "freq_mhz", "rssi_dbm")
    missing = [c for c in needed if c not in frame.columns]
    if missing:
        raise UsageError("the frame has no column " + ", ".join(missing) + " (read it with data including rssi)")
    frame = frame[frame["entry"].notna() if "entry" in frame.columns else frame["rssi_dbm"].notna()]

    def column(name, dtype, missing):
        return _np.ascontiguousarray(frame[name].to_numpy(dtype=dtype, na_value=missing))

    times = _np.full(len(frame), _np.iinfo(_np.int64).min, dtype=_np.int64)
    if "time" in frame.columns:
        t = frame["time"]
        ns = t.dt.tz_convert("UTC").dt.tz_localize(None).to_numpy(dtype="datetime64[ns]").view(_np.int64)
        times = _np.where(t.notna().to_numpy(), ns, times)
    return _quillon.calibrate_columns(
        column("receiver", _np.int32, 1), column("lon", _np.float64, _np.nan), column("lat", _np.float64, _np.nan),
        column("freq_mhz", _np.float64, _np.nan), column("rssi_dbm", _np.int32, -120), _np.ascontiguousarray(times),
        options)
