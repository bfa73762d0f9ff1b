"""DataFrames in and out: a frame's columns as the engine's variables, and the
engine's tables as typed frames."""

import numpy as np
import pandas as pd
from pandas.api import types as pdt

# Columns of counts: integers when every value is whole.
_COUNT_WORDS = ("count", "number", "frequency", "size", "length", "n")


def frame_columns(frame):
    """The columns of `frame` as _core.run takes them: (name, float64 array) for
    numbers (NaN missing), (name, (codes, labels)) for anything else, whose
    texts the engine types as the CSV reader does."""
    columns = []
    for name in frame.columns:
        series = frame[name]
        if not isinstance(name, str):
            name = str(name)
        if pdt.is_bool_dtype(series.dtype) or (
            pdt.is_numeric_dtype(series.dtype) and not pdt.is_complex_dtype(series.dtype)
        ):
            values = series.to_numpy(dtype="float64", na_value=np.nan)
            columns.append((name, values))
            continue
        if pdt.is_datetime64_any_dtype(series.dtype):
            series = _iso_texts(series)
        codes, uniques = pd.factorize(series, use_na_sentinel=True)
        labels = [u if isinstance(u, str) else str(u) for u in uniques]
        columns.append((name, (np.asarray(codes, dtype="int64"), labels)))
    return columns


def _iso_texts(series):
    """Date-times as ISO 8601 texts (the time variable's form): plain dates
    when every value is at midnight; UTC with "Z" when the column has a zone."""
    if series.dt.tz is not None:
        series = series.dt.tz_convert("UTC")
        return series.dt.strftime("%Y-%m-%dT%H:%M:%SZ")
    valid = series.dropna()
    if len(valid) and (valid == valid.dt.normalize()).all():
        return series.dt.strftime("%Y-%m-%d")
    return series.dt.strftime("%Y-%m-%dT%H:%M:%S")


def _is_count(name):
    words = "".join(c if c.isalnum() else " " for c in name.lower()).split()
    return any(w in _COUNT_WORDS for w in words) or name.lower().startswith("n(")


def _whole(values):
    finite = values[~np.isnan(values)]
    return len(finite) == len(values) and np.all(finite == np.floor(finite)) and np.all(
        np.abs(finite) < 2**53
    )


def _integer_texts(values):
    """The integers of a column of whole-number texts (the module writes some
    counts as texts), or None."""
    out = []
    for v in values:
        if isinstance(v, str) and v.lstrip("-").isdigit():
            out.append(int(v))
        elif isinstance(v, float) and v == v and v == int(v):
            out.append(int(v))
        else:
            return None
    return out


def table_frame(table, list_columns=(), item_names=()):
    """A table of _core's results as a DataFrame: the row names as the index
    (integers when they all are), text columns as text (None missing),
    number columns as float64, counts as int64. For each column named in
    `list_columns` present in the table, a column "<name> items" holding its
    item names as a list follows it (split_items)."""
    rows = table["rows"]
    index = pd.Index(rows, dtype=object)
    if rows and all(r.isdigit() and (r == "0" or not r.startswith("0")) for r in rows):
        index = pd.Index([int(r) for r in rows], dtype="int64")
    names = sorted(set(item_names), key=len, reverse=True)
    data = {}
    for name, values in table["columns"]:
        counts = _integer_texts(values) if isinstance(values, list) and _is_count(name) else None
        if counts is not None:
            data[name] = pd.Series(counts, index=index, dtype="int64")
        elif isinstance(values, list):
            data[name] = pd.Series(values, index=index, dtype=object)
        elif _is_count(name) and _whole(values):
            data[name] = pd.Series(values.astype("int64"), index=index)
        else:
            data[name] = pd.Series(values, index=index)
        if name in list_columns:
            data[name + " items"] = pd.Series(
                [split_items(v, names) for v in data[name]], index=index, dtype=object
            )
    frame = pd.DataFrame(data, index=index)
    frame.attrs["titles"] = list(table["titles"])
    frame.attrs["name"] = table["name"]
    return frame


def split_items(text, names=()):
    """The item names of a rule's body or head text: items are separated by
    ", " and a sequence's itemsets of several items are in parentheses
    ("(home, product), cart"). `names` (the item list, longest first) are
    matched whole, so that a name holding ", " or parentheses stays one item;
    other texts are split at the separators."""
    if not isinstance(text, str):
        return []
    items = []
    i = 0
    while i < len(text):
        if text[i] in " ,()":
            i += 1
            continue
        for name in names:
            end = i + len(name)
            rest = text[end:].lstrip(" ")
            if text.startswith(name, i) and (not rest or rest[0] in ",)"):
                items.append(name)
                i = end
                break
        else:
            end = i
            while end < len(text) and text[end] != "," and not (
                text[end] == ")" and (end + 1 == len(text) or text[end + 1] == ",")
            ):
                end += 1
            items.append(text[i:end].strip())
            i = end
    return items


def csv_columns(frame):
    """The columns of `frame` as _core.table_csv takes them; columns of lists
    (the item lists) are left out."""
    columns = []
    for name in frame.columns:
        series = frame[name]
        if pdt.is_bool_dtype(series.dtype) or pdt.is_numeric_dtype(series.dtype):
            columns.append((str(name), series.to_numpy(dtype="float64", na_value=np.nan)))
            continue
        values = []
        skip = False
        for v in series:
            if isinstance(v, (list, tuple)):
                skip = True
                break
            if v is None or (isinstance(v, float) and np.isnan(v)) or v is pd.NA:
                values.append(None)
            elif isinstance(v, str):
                values.append(v)
            elif isinstance(v, (int, float, np.integer, np.floating)):
                values.append(float(v))
            else:
                values.append(str(v))
        if not skip:
            columns.append((str(name), values))
    return columns
