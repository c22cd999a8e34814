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


def _read_one(path, settings, logs):
    frame = _quillon.read(path, **settings)
    # Every partition codes the log names alike, so that they group and join as names.
    frame["log"] = frame["log"].cat.set_categories(logs)
    return frame


def read_many(paths, **settings):
    """A dask.dataframe.DataFrame of the measurement layer of every log in ``paths``, one
    partition per log, in their order; the settings are those of ``quillon.read``."""
    paths = [_quillon._path(p) for p in paths]
    if not paths:
        raise _quillon.UsageError("no logs to read")
    # The columns and their types depend on the settings only. The log's categories
    # are the files' names; those of the other texts are each partition's own.
    logs = _pd.Index(list(dict.fromkeys(os.path.basename(p).decode("utf-8", "replace") for p in paths)), dtype=object)
    meta = _quillon._schema(**settings)
    meta["log"] = meta["log"].cat.set_categories(logs)
    texts = [c for c in meta.columns if c != "log" and str(meta[c].dtype) == "category"]
    if texts:
        meta = clear_known_categories(meta, cols=texts)
    parts = [dask.delayed(_read_one)(path, settings, logs) for path in paths]
    return _dd.from_delayed(parts, meta=meta, verify_meta=False)
