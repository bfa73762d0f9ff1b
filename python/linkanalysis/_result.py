"""Result: the tables, pictures and summary of a run (or of a stored project)."""

import os
import shutil
import weakref
import warnings

import pandas as pd

from . import _core
from ._errors import LinkanError, LinkanWarning
from ._frames import table_frame

# Columns that list items: each gets a column of its item names as a list.
_ITEM_COLUMNS = ("Body", "Head")


class Picture:
    """A chart or graph of the results as SVG text; a notebook shows it."""

    def __init__(self, name, titles, svg):
        self.name = name
        self.titles = list(titles)
        self.svg = svg

    def _repr_svg_(self):
        return self.svg

    def save(self, path):
        """Writes the SVG to `path`."""
        with open(path, "w", encoding="utf-8") as f:
            f.write(self.svg)

    def __repr__(self):
        return "<Picture %s: %s>" % (self.name, " / ".join(self.titles))


def item_names(tables):
    """The names in the first column of the item list."""
    for t in tables:
        if t["name"] == "items" and t["columns"]:
            return [v for v in t["columns"][0][1] if isinstance(v, str)]
    return []


def warn_all(raw):
    for text in raw["warnings"]:
        warnings.warn(text, LinkanWarning, stacklevel=4)


class Result:
    """What a run gives back.

    tables    every result table by name ("items", "rules", "itemsets",
              "rules-selected", ...) as a DataFrame; `rules`, `items`,
              `itemsets` and the others also as attributes (with "_" for "-")
    pictures  every picture by name ("support-chart", "web-graph", ...)
    messages  outputs that gave a message instead of a table, by name
    summary   counts and seconds: analysis, transactions, items,
              frequent_items, patterns, rules, seconds, text
    project   the project file that keeps the run
    """

    def __init__(self, raw, module_path, models=None):
        self._module = module_path
        # The folder of the run's model files; it goes with the result.
        self._models = models if raw.get("models") else None
        if models:
            weakref.finalize(self, shutil.rmtree, models, True)
        self.summary = dict(raw["summary"])
        self.project = raw["project"] or None
        names = item_names(raw["tables"])
        self.tables = {t["name"]: table_frame(t, _ITEM_COLUMNS, names) for t in raw["tables"]}
        self.pictures = {name: Picture(name, titles, svg) for name, titles, svg in raw["pictures"]}
        self.messages = dict(raw["messages"])
        self.reports = dict(raw["reports"])

    @property
    def items(self):
        return self.tables.get("items")

    @property
    def rules(self):
        return self.tables.get("rules")

    @property
    def itemsets(self):
        return self.tables.get("itemsets")

    def __getattr__(self, name):
        if name.startswith("_"):
            raise AttributeError(name)
        key = name.replace("_", "-")
        tables = self.__dict__.get("tables", {})
        if key in tables:
            return tables[key]
        pictures = self.__dict__.get("pictures", {})
        if key in pictures:
            return pictures[key]
        raise AttributeError("%r: no table or picture of that name (tables: %s; pictures: %s)"
                             % (name, ", ".join(tables) or "none", ", ".join(pictures) or "none"))

    def _model(self, standard):
        if self._models is None:
            raise LinkanError("this result has no model: models come from run() (the model "
                              "names the data's variables, which a stored project lacks)")
        return os.path.join(self._models, "model-4.4.pmml" if standard else "model.pmml")

    def pmml(self, path, standard=False):
        """Writes the mined model to `path`, as `linkan run` writes model.pmml:
        the module's own PMML document, or with standard=True PMML 4.4 for
        other tools (model-4.4.pmml). Returns the path."""
        shutil.copyfile(self._model(standard), path)
        return os.fspath(path)

    def query(self, text):
        """The rules that follow from the itemsets of `text` ("beer, diapers",
        "(A; B) (C)", "Gender = Male") as a DataFrame, as `linkan query` gives
        them; an empty frame, with a warning, when no rule does."""
        from . import _ONE_JOB

        return query_model(self._module, self._model(False), text, _ONE_JOB)

    def _repr_html_(self):
        parts = ["<p>%s</p>" % (self.summary.get("text") or "linkanalysis result")]
        rules = self.rules
        if rules is not None:
            parts.append(rules.head(10)._repr_html_())
        return "\n".join(parts)

    def __repr__(self):
        return "<linkanalysis.Result: %s; tables: %s>" % (
            self.summary.get("text") or "no summary", ", ".join(self.tables) or "none")


def query_model(module_path, model, text, lock):
    with lock:
        raw = _core.query(module_path, os.fspath(model), str(text))
    warn_all(raw)
    for t in raw["tables"]:
        if t["name"] == "queried-rules":
            return table_frame(t, _ITEM_COLUMNS)
    for _, message in raw["messages"]:
        warnings.warn(message, LinkanWarning, stacklevel=3)
    return pd.DataFrame()
