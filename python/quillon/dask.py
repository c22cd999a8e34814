"""Campaign archives on Dask: one partition per log, read by the workers.

    import distributed, quillon.dask
    client = distributed.Client("tcp://scheduler:8786")   # or distributed.LocalCluster()
    frame = quillon.dask.read_many(paths, best_server=True)
    frame.groupby("log").rssi_dbm.mean().compute()

The workers read the logs themselves (the paths must reach them: a shared folder);
only the frames travel.
"""
import os

import dask
import dask.dataframe as _dd
import pandas as _pd
from dask.dataframe.utils import clear_known_categories

import quillon as _quillon


def _shown(path):
    """A path (bytes) as text, a byte that is no UTF-8 shown as U+FFFD."""
    return path.decode("utf-8", "replace")


def _with_path(frame, logs, paths, path):
    # Every partition codes the log names (and paths) alike, so that they group and
    # join as names; two drives of one name stay apart by their paths.
    frame["log"] = frame["log"].cat.set_categories(logs)
    frame.insert(1, "log_path", _pd.Categorical([_shown(path)] * len(frame), categories=paths))
    return frame


def _read_one(path, settings, logs, paths):
    return _with_path(_quillon.read(path, **settings), logs, paths, path)


def read_many(paths, **settings):
    """A dask.dataframe.DataFrame of the measurement layer of every log in ``paths``, one
    partition per log, in their order; the settings are those of ``quillon.read``. Beside
    ``log`` (the file's name) each row has ``log_path``, the path as given."""
    paths = [_quillon._path(p) for p in paths]
    if not paths:
        raise _quillon.UsageError("no logs to read")
    # The columns and their types depend on the settings only. The log's categories
    # are the files' names; those of the other texts are each partition's own.
    logs = _pd.Index(list(dict.fromkeys(_shown(os.path.basename(p)) for p in paths)), dtype=object)
    shown = _pd.Index(list(dict.fromkeys(_shown(p) for p in paths)), dtype=object)
    meta = _with_path(_quillon._schema(**settings), logs, shown, b"")
    texts = [c for c in meta.columns if c not in ("log", "log_path") and str(meta[c].dtype) == "category"]
    if texts:
        meta = clear_known_categories(meta, cols=texts)
    parts = [dask.delayed(_read_one)(path, settings, logs, shown) for path in paths]
    return _dd.from_delayed(parts, meta=meta, verify_meta=False)
