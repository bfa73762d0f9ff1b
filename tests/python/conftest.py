"""Shared fixtures: this build's linkan and the bundled examples.

ctest sets LINKAN (the linkan executable), LINKAN_EXAMPLES and PYTHONPATH
(BUILD/python); by hand:
    PYTHONPATH=build/python LINKAN=build/app/linkan python3 -m pytest tests/python
"""

import json
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = pathlib.Path(os.environ.get("LINKAN_EXAMPLES", ROOT / "examples"))
EXAMPLE_NAMES = sorted(p.name[: -len(".task.json")] for p in EXAMPLES.glob("*.task.json"))


@pytest.fixture(scope="session")
def linkan():
    path = os.environ.get("LINKAN", str(ROOT / "build" / "app" / "linkan"))
    if not os.path.exists(path):
        pytest.fail("no linkan executable at %s (set LINKAN)" % path)
    return path


def example_task(name):
    """The example's task as a dict, its taxonomy file found beside it."""
    with open(EXAMPLES / (name + ".task.json"), encoding="utf-8") as f:
        task = json.load(f)
    if "DataFileNameForTaxonomy" in task:
        task["DataFileNameForTaxonomy"] = str(EXAMPLES / task["DataFileNameForTaxonomy"])
    return task


def linkan_run(linkan, data, task_path, out, *args):
    """Runs `linkan run` and returns its output folder as a Path."""
    subprocess.run([linkan, "--progress", "none", "run", str(data), "--task", str(task_path),
                    "--out", str(out), *args], check=True, capture_output=True)
    return pathlib.Path(out)


@pytest.fixture(autouse=True)
def temporary_folders_in_tmp_path(tmp_path, monkeypatch):
    """Default projects and model folders go to the test's own folder."""
    import tempfile

    monkeypatch.setattr(tempfile, "tempdir", str(tmp_path))
