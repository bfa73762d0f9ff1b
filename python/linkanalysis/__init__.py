"""linkanalysis: association rules and sequences from pandas DataFrames.

    import linkanalysis as la
    result = la.run(frame, {"GenerateNonsequentialAssociation": 1,
                            "Variables": {"id": "ID", "responses": ["item"]},
                            "MinimumSupport": 0.2})
    result.rules          # a DataFrame
    la.open(result.project).itemsets

The task is a dict with the task file's keys (docs/task-file.md). See
docs/python.md.
"""

import builtins
import json
import os
import shutil
import tempfile
import threading

from . import _core
from ._errors import DataError, LinkanError, LinkanWarning, OutOfMemoryError, TaskError
from ._frames import csv_columns, frame_columns
from ._progress import make_progress
from ._result import Picture, Result, query_model, warn_all

__all__ = ["run", "open", "query", "to_csv", "Result", "Picture", "LinkanError", "DataError",
           "TaskError", "OutOfMemoryError", "LinkanWarning"]

_MODULE_FILE = "liblinkanalysis.so"


def _module_path():
    """The analysis module: $LINKAN_MODULE, else beside this package (the build
    tree), else in a lib folder above it (an installed prefix)."""
    given = os.environ.get("LINKAN_MODULE")
    if given:
        return given
    folder = os.path.dirname(os.path.abspath(__file__))
    places = [os.path.join(folder, _MODULE_FILE)]
    up = folder
    for _ in range(4):
        up = os.path.dirname(up)
        places += [os.path.join(up, _MODULE_FILE), os.path.join(up, "lib", _MODULE_FILE)]
    for place in places:
        if os.path.isfile(place):
            return place
    raise LinkanError("the analysis module %s is not beside the package or in a lib folder "
                      "above it (%s); set LINKAN_MODULE to its path" % (_MODULE_FILE, folder))


def _memory_limit(limit):
    if limit is None:
        return _core.default_memory_limit()
    if isinstance(limit, str):
        units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30, "T": 1 << 40}
        text = limit.strip().upper().rstrip("B")
        if text and text[-1] in units:
            return int(float(text[:-1]) * units[text[-1]])
        return int(text)
    return int(limit)


def _task_text(task):
    if isinstance(task, (str, os.PathLike)):
        path = os.fspath(task)
        with builtins.open(path, encoding="utf-8") as f:
            task = json.load(f)
        # A relative taxonomy file goes with its task file, as in linkan.
        taxonomy = task.get("DataFileNameForTaxonomy") if isinstance(task, dict) else None
        if isinstance(taxonomy, str) and taxonomy.strip() and \
                not os.path.isabs(taxonomy.strip()):
            task["DataFileNameForTaxonomy"] = os.path.normpath(
                os.path.join(os.path.dirname(path), taxonomy.strip()))
    if not isinstance(task, dict):
        raise TypeError("task: a dict of task keys (or the path of a task file)")
    return task, json.dumps(task)


def _named_key(message, task):
    """The task key the module's message names, longest first."""
    keys = set(task)
    variables = task.get("Variables")
    if isinstance(variables, dict):
        keys |= set(variables)
    for key in sorted(keys, key=len, reverse=True):
        if '"%s"' % key in message or "'%s'" % key in message:
            return key
    for key in sorted(keys, key=len, reverse=True):
        if key in message:
            return key
    return None


# The module's cancellation switch is one per process: one job at a time.
_ONE_JOB = threading.Lock()


def _watch(call, task, progress):
    callback, close = make_progress(progress)
    try:
        with _ONE_JOB:
            return call(callback)
    except TaskError as e:
        raise TaskError(str(e), _named_key(str(e), task)) from None
    finally:
        close()


def run(data, task, project=None, weight=None, format="csv", progress="auto", memory_limit=None):
    """Mines `data` as `linkan run DATA --task TASK` does and returns a Result.

    data          a pandas DataFrame, or the path of a CSV (TSV for .tsv/.tab),
                  basket (format="basket") or SPMF (format="spmf") file
    task          a dict with the task file's keys, or a task file's path
    project       the project file; default the task's "DatabaseFile", else
                  LinkAnalysis.dbs in a new temporary folder
    weight        the numeric variable holding the case weights
    progress      a callable progress(title, position, total or None), True
                  for tqdm, False for none; "auto": tqdm when installed
    memory_limit  bytes (or "4G"); default 3/4 of the machine's memory; 0 none

    Raises DataError, TaskError (with .key), OutOfMemoryError, LinkanError;
    KeyboardInterrupt (Ctrl-C, or raised by the progress callback) cancels
    the run and leaves the project as it was.
    """
    task, text = _task_text(task)
    if hasattr(data, "columns") and hasattr(data, "dtypes"):
        source = frame_columns(data)
        kind = "csv"
    elif isinstance(data, (str, os.PathLike)):
        source = os.fspath(data)
        kind = format
    else:
        raise TypeError("data: a pandas DataFrame or the path of a data file")
    folder = "."
    if project is None and "DatabaseFile" not in task:
        folder = tempfile.mkdtemp(prefix="linkanalysis-")
    module = _module_path()
    limit = _memory_limit(memory_limit)
    models = tempfile.mkdtemp(prefix="linkanalysis-model-")
    try:
        raw = _watch(lambda cb: _core.run(module, limit, source, kind, weight, text,
                                          None if project is None else os.fspath(project), folder,
                                          models, cb),
                     task, progress)
    except BaseException:
        shutil.rmtree(models, ignore_errors=True)
        raise
    warn_all(raw)
    return Result(raw, module, models)


def open(project, progress="auto", memory_limit=None):  # noqa: A001 - the module's verb
    """The results stored in `project` (a project file), without mining."""
    module = _module_path()
    limit = _memory_limit(memory_limit)
    raw = _watch(lambda cb: _core.open(module, limit, os.fspath(project), cb), {}, progress)
    warn_all(raw)
    return Result(raw, module)


def query(model, text):
    """The rules a PMML model (the module's own or PMML 4.4) gives for the
    itemsets of `text`, as a DataFrame (as `linkan query MODEL TEXT`)."""
    return query_model(_module_path(), model, text, _ONE_JOB)


def to_csv(frame, path=None):
    """`frame` as `linkan run` writes its tables (the row names first, numbers
    that read back exactly); columns of lists are left out. Writes `path`
    when given, else returns the text."""
    text = _core.table_csv([str(i) for i in frame.index], csv_columns(frame))
    if path is None:
        return text
    with builtins.open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)
    return None
