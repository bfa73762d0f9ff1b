"""The Python API's own behaviour: typed columns, DataFrame typing as the CSV
reader types, errors, cancelling, reopening a project."""

import json
import os
import signal
import threading

import numpy as np
import pandas as pd
import pytest

import linkanalysis as la
from conftest import EXAMPLES, example_task

BASKET_TASK = {"GenerateNonsequentialAssociation": 1,
               "Variables": {"id": "ID", "responses": ["item"]},
               "MinimumSupport": 0.2, "MinimumConfidence": 0.5, "MaxSizeOfItemset": 3}


def market_basket():
    return pd.read_csv(EXAMPLES / "market_basket.csv")


def test_rule_table_columns_are_typed():
    result = la.run(market_basket(), example_task("market_basket"), progress=False)
    rules = result.rules
    assert rules.index.dtype == np.int64
    assert rules["Body"].map(type).eq(str).all()
    assert rules["Support(%)"].dtype == np.float64
    assert rules["Lift"].dtype == np.float64
    # The item lists name the items of the texts, each one an item of the item list.
    items = set(result.items.iloc[:, 0])
    for body, listed in zip(rules["Body"], rules["Body items"]):
        assert isinstance(listed, list) and listed and set(listed) <= items
        assert all(name in body for name in listed)
    assert result.summary["rules"] == len(rules)
    assert result.summary["analysis"] == "association"
    assert result.project and os.path.exists(result.project)


def random_frame(seed):
    """Baskets with text items, numeric-looking texts, missing cells and weights."""
    rng = np.random.default_rng(seed)
    n = 300
    items = rng.choice(["tea", "milk", "3.50", "bread", "jam", ""], size=n)
    frame = pd.DataFrame({"ID": rng.integers(1, 60, size=n),
                          "item": items,
                          "code": rng.choice(["1", "2", "2.5", None], size=n),
                          "w": rng.choice([1.0, 2.0, np.nan], size=n)})
    frame.loc[rng.integers(0, n, size=10), "ID"] = -9999  # the missing-data code
    return frame


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_frame_and_its_csv_give_the_same_tables(tmp_path, seed):
    frame = random_frame(seed)
    path = tmp_path / "data.csv"
    frame.to_csv(path, index=False)
    task = dict(BASKET_TASK, Variables={"id": "ID", "responses": ["item", "code"]},
                MinimumSupport=0.1)
    from_frame = la.run(frame, task, weight="w", progress=False)
    from_file = la.run(path, task, weight="w", progress=False)
    assert set(from_frame.tables) == set(from_file.tables)
    for name in from_file.tables:
        assert la.to_csv(from_frame.tables[name]) == la.to_csv(from_file.tables[name]), name
    assert from_frame.summary["transactions"] == from_file.summary["transactions"] > 0


@pytest.mark.parametrize("change, key", [
    ({"MinimumSupport": 7}, "MinimumSupport"),
    ({"MaxSizeOfItemset": "three"}, "MaxSizeOfItemset"),
    ({"MinimumSuport": 0.2}, "MinimumSuport"),
])
def test_a_refused_task_names_its_key(change, key):
    with pytest.raises(la.TaskError) as caught:
        la.run(market_basket(), dict(BASKET_TASK, **change), progress=False)
    assert caught.value.key == key
    assert key in str(caught.value)


def test_bad_data_is_a_data_error(tmp_path):
    ragged = tmp_path / "ragged.csv"
    ragged.write_text("ID,item\n1,a\n2\n", encoding="utf-8")
    with pytest.raises(la.DataError, match="ragged.csv:3"):
        la.run(ragged, BASKET_TASK, progress=False)
    with pytest.raises(la.DataError, match="weight"):
        la.run(market_basket(), BASKET_TASK, weight="item", progress=False)


def large_baskets():
    """Enough baskets that mining them takes seconds."""
    rng = np.random.default_rng(7)
    ids = np.repeat(np.arange(20000), 12)
    items = rng.integers(0, 40, size=ids.size)
    return pd.DataFrame({"ID": ids, "item": ["i%d" % k for k in items]})


LARGE_TASK = dict(BASKET_TASK, MinimumSupport=0.005, MaxSizeOfItemset=4, MinimumConfidence=0.9)


def test_an_exception_from_the_progress_callback_cancels(tmp_path):
    project = tmp_path / "p.dbs"
    before = la.run(market_basket(), BASKET_TASK, project=project, progress=False)
    seen = []

    def stop(title, position, total):
        seen.append(title)
        raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        la.run(large_baskets(), LARGE_TASK, project=project, progress=stop)
    assert len(seen) == 1
    # The project holds the run before, and is free for the next one.
    assert la.to_csv(la.open(project, progress=False).rules) == la.to_csv(before.rules)
    again = la.run(market_basket(), dict(BASKET_TASK, MinimumConfidence=0.8), project=project,
                   progress=False)
    assert len(again.rules) < len(before.rules)


def test_ctrl_c_cancels_a_run(tmp_path):
    project = tmp_path / "p.dbs"
    before = la.run(market_basket(), BASKET_TASK, project=project, progress=False)
    baskets = large_baskets()
    timer = threading.Timer(0.5, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            la.run(baskets, LARGE_TASK, project=project, progress=False)
    finally:
        timer.cancel()
    # Stopped while mining, the project holds the run before; while making
    # the tables (the mining done), it holds the new run. Either way whole.
    stored = la.open(project, progress=False)
    if stored.summary["transactions"] == before.summary["transactions"]:
        assert la.to_csv(stored.rules) == la.to_csv(before.rules)
    else:
        assert stored.summary["transactions"] == baskets["ID"].nunique()
        assert la.to_csv(stored.itemsets).count("\n") > 1


def test_progress_reaches_the_callback():
    calls = []
    la.run(large_baskets(), dict(LARGE_TASK, MinimumSupport=0.05),
           progress=lambda title, position, total: calls.append((title, position, total)))
    assert calls
    assert all(isinstance(p, int) and (t is None or p <= t) for _, p, t in calls)


def test_open_shows_the_stored_results(tmp_path):
    result = la.run(market_basket(), example_task("market_basket"), project=tmp_path / "m.dbs",
                    progress=False)
    stored = la.open(tmp_path / "m.dbs", progress=False)
    for name in ("items", "rules", "itemsets"):
        assert la.to_csv(stored.tables[name]) == la.to_csv(result.tables[name]), name
    assert stored.summary["rules"] == result.summary["rules"]


def test_open_of_a_file_that_is_not_a_project(tmp_path):
    other = tmp_path / "notes.dbs"
    other.write_text("not a project", encoding="utf-8")
    with pytest.raises(la.LinkanError):
        la.open(other, progress=False)
    assert other.read_text(encoding="utf-8") == "not a project"


def test_progress_true_drives_tqdm_bars(monkeypatch):
    import sys
    import types

    bars = []

    class FakeTqdm:
        def __init__(self, total=None, desc=None, leave=True):
            self.total, self.desc, self.n, self.closed = total, desc, 0, False
            bars.append(self)

        def refresh(self):
            assert self.total is None or self.n <= self.total

        def close(self):
            self.closed = True

    module = types.ModuleType("tqdm.auto")
    module.tqdm = FakeTqdm
    monkeypatch.setitem(sys.modules, "tqdm", types.ModuleType("tqdm"))
    monkeypatch.setitem(sys.modules, "tqdm.auto", module)
    la.run(large_baskets(), dict(LARGE_TASK, MinimumSupport=0.05), progress=True)
    assert bars and all(bar.closed for bar in bars)
    assert any(bar.desc for bar in bars)
