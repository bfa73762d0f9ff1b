"""The bundled examples give the same tables and pictures through Python as
through `linkan run`, from a file and from a DataFrame."""

import warnings

import pandas as pd
import pytest

import linkanalysis as la
from conftest import EXAMPLE_NAMES, EXAMPLES, example_task, linkan_run

MODEL_FILES = {"model.pmml", "model-4.4.pmml"}


def csv_files(out):
    return {p.name[:-4]: p.read_bytes() for p in out.glob("*.csv")}


def assert_same_as_files(result, out):
    files = csv_files(out)
    assert set(result.tables) == set(files)
    for name, frame in result.tables.items():
        assert la.to_csv(frame).encode() == files[name], name
    svgs = {p.name[:-4]: p.read_text(encoding="utf-8") for p in out.glob("*.svg")}
    assert set(result.pictures) == set(svgs)
    for name, picture in result.pictures.items():
        assert picture._repr_svg_() == svgs[name], name


@pytest.mark.parametrize("name", EXAMPLE_NAMES)
def test_example_matches_linkan_run(linkan, tmp_path, name):
    out = linkan_run(linkan, EXAMPLES / (name + ".csv"), EXAMPLES / (name + ".task.json"),
                     tmp_path / "out")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", la.LinkanWarning)
        from_file = la.run(EXAMPLES / (name + ".csv"), example_task(name), progress=False)
        frame = pd.read_csv(EXAMPLES / (name + ".csv"), float_precision="round_trip")
        from_frame = la.run(frame, example_task(name), progress=False)
    assert_same_as_files(from_file, out)
    assert_same_as_files(from_frame, out)
    assert from_frame.summary["rules"] == from_file.summary["rules"] > 0


def test_weighted_frame_matches_weighted_file(linkan, tmp_path):
    name = "shopping_survey"
    out = linkan_run(linkan, EXAMPLES / (name + ".csv"), EXAMPLES / (name + ".task.json"),
                     tmp_path / "out", "--weight", "weight")
    frame = pd.read_csv(EXAMPLES / (name + ".csv"))
    result = la.run(frame, example_task(name), weight="weight", progress=False)
    assert_same_as_files(result, out)


def test_model_and_query_match_linkan(linkan, tmp_path):
    import subprocess

    out = linkan_run(linkan, EXAMPLES / "market_basket.csv", EXAMPLES / "market_basket.task.json",
                     tmp_path / "out")
    result = la.run(EXAMPLES / "market_basket.csv", example_task("market_basket"), progress=False)
    for standard, file in ((False, "model.pmml"), (True, "model-4.4.pmml")):
        written = result.pmml(tmp_path / file, standard=standard)
        assert open(written, "rb").read() == (out / file).read_bytes()
    expected = subprocess.run([linkan, "query", str(out / "model.pmml"), "beer", "--csv"],
                              check=True, capture_output=True).stdout
    rules = result.query("beer")
    assert rules["Head items"].tolist() == [["diapers"]]
    assert la.to_csv(rules).encode() == expected
    with pytest.warns(la.LinkanWarning, match="no rule"):
        assert result.query("beer, diapers").empty


def test_dates_and_categories_read_as_their_texts(linkan, tmp_path):
    name = "web_log"
    out = linkan_run(linkan, EXAMPLES / (name + ".csv"), EXAMPLES / (name + ".task.json"),
                     tmp_path / "out")
    frame = pd.read_csv(EXAMPLES / (name + ".csv"))
    frame["time"] = pd.to_datetime(frame["time"])  # datetime64[ns, UTC]
    frame["page"] = frame["page"].astype("category")
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", la.LinkanWarning)
        assert_same_as_files(la.run(frame, example_task(name), progress=False), out)
