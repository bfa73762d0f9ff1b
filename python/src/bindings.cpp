// bindings.cpp
//
// linkanalysis._core: the Python side of the mining jobs (mining_job.h),
// each run by Watch (job_watch.h), and the conversions of their tables:
// results to dicts of columns for _frames.py, a DataFrame's columns to the
// job's input, and a table back to the CSV `linkan run` writes.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <limits>

#include "csv_writer.h"
#include "job_watch.h"
#include "memory_limit.h"
#include "mining_job.h"

namespace py = pybind11;

namespace linkan::python {
namespace {

// A module table as a dict: name, titles, corner, rows (the row names) and
// columns, a list of (name, values): a float64 array for a column of
// numbers (NaN missing), else a list of str, float or None.
py::dict TableToPython(const ResultsTable& t) {
  py::dict table;
  table["name"] = t.documentName;
  table["titles"] = py::make_tuple(t.titles[0], t.titles[1], t.titles[2]);
  table["corner"] = t.corner;
  table["rows"] = t.rowNames;
  py::list columns;
  for (int c = 0; c < t.cols; ++c) {
    const std::string& name = c < static_cast<int>(t.columnNames.size()) ? t.columnNames[c] : "";
    bool text = false;
    for (int r = 0; r < t.rows && !text; ++r) text = t.IsText(r, c);
    if (text) {
      py::list values(t.rows);
      for (int r = 0; r < t.rows; ++r) {
        values[r] = t.IsText(r, c)      ? py::object(py::str(t.Text(r, c)))
                    : t.IsMissing(r, c) ? py::object(py::none())
                                        : py::object(py::float_(t.Number(r, c)));
      }
      columns.append(py::make_tuple(name, values));
    } else {
      py::array_t<double> values(t.rows);
      double* out = values.mutable_data();
      for (int r = 0; r < t.rows; ++r) out[r] = t.Number(r, c);
      columns.append(py::make_tuple(name, values));
    }
  }
  table["columns"] = columns;
  return table;
}

py::dict ResultToPython(const JobResult& r) {
  py::dict out;
  py::dict summary;
  if (r.haveSummary) {
    summary["analysis"] = r.summary.recommendation ? "recommendation"
                          : r.summary.association  ? "association"
                                                   : "sequence";
    summary["transactions"] = r.summary.transactions;
    summary["items"] = r.summary.items;
    summary["frequent_items"] = r.summary.frequentItems;
    summary["patterns"] = r.summary.patterns;
    summary["rules"] = r.summary.rules;
  }
  summary["seconds"] = r.seconds;
  summary["text"] = r.summaryLine;
  out["summary"] = summary;
  out["project"] = r.project;
  py::list tables;
  for (const ResultsTable& t : r.tables) tables.append(TableToPython(t));
  out["tables"] = tables;
  py::list pictures;
  for (const KeptPicture& p : r.pictures) pictures.append(py::make_tuple(p.name, p.titles, p.svg));
  out["pictures"] = pictures;
  py::list reports;
  for (const KeptReport& p : r.reports) reports.append(py::make_tuple(p.title, p.text));
  out["reports"] = reports;
  out["messages"] = r.messages;
  out["warnings"] = r.warnings;
  out["models"] = r.modelsWritten;
  return out;
}

// A DataFrame's columns, as _frames.py passes them: (name, array) for
// numbers, (name, (codes, labels)) for texts.
std::vector<FrameColumn> FrameFromPython(const py::list& columns) {
  std::vector<FrameColumn> frame;
  frame.reserve(columns.size());
  for (const py::handle item : columns) {
    const py::tuple pair = item.cast<py::tuple>();
    FrameColumn column;
    column.name = pair[0].cast<std::string>();
    if (py::isinstance<py::tuple>(pair[1])) {
      const py::tuple coded = pair[1].cast<py::tuple>();
      const auto codes = coded[0].cast<py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>>();
      column.codes.assign(codes.data(), codes.data() + codes.size());
      column.labels = coded[1].cast<std::vector<std::string>>();
    } else {
      const auto numbers = pair[1].cast<py::array_t<double, py::array::c_style | py::array::forcecast>>();
      column.numeric = true;
      column.numbers.assign(numbers.data(), numbers.data() + numbers.size());
    }
    frame.push_back(std::move(column));
  }
  return frame;
}

JobOptions MakeOptions(const std::string& modulePath, std::uint64_t memoryLimit) {
  return JobOptions{.modulePath = modulePath, .memoryLimit = memoryLimit};
}

py::dict Run(const std::string& modulePath, std::uint64_t memoryLimit, const py::object& data,
             const std::string& format, const std::optional<std::string>& weight,
             const std::string& taskJson, const std::optional<std::string>& project,
             const std::string& defaultFolder, const std::string& modelFolder,
             const py::object& progress) {
  DataSource source;
  source.weight = weight;
  source.format = format;
  if (py::isinstance<py::list>(data)) {
    source.isFrame = true;
    source.frame = FrameFromPython(data.cast<py::list>());
  } else {
    source.path = data.cast<std::string>();
  }
  const JobOptions options = MakeOptions(modulePath, memoryLimit);
  return ResultToPython(Watch<JobResult>(
      [&](JobControl& control) {
        return RunJob(std::move(source), taskJson, project, defaultFolder, modelFolder, options,
                      control);
      },
      progress));
}

py::dict Open(const std::string& modulePath, std::uint64_t memoryLimit, const std::string& project,
              const py::object& progress) {
  const JobOptions options = MakeOptions(modulePath, memoryLimit);
  return ResultToPython(Watch<JobResult>(
      [&](JobControl& control) { return OpenJob(project, options, control); }, progress));
}

py::dict Query(const std::string& modulePath, const std::string& model, const std::string& query) {
  const JobOptions options = MakeOptions(modulePath, 0);
  return ResultToPython(Watch<JobResult>(
      [&](JobControl& control) { return QueryJob(model, query, options, control); }, py::none()));
}

// The CSV `linkan run` writes for a table: `columns` as TableToPython
// gives them (a list of str, float or None, or an array of numbers).
std::string TableCsv(const std::vector<std::string>& rows, const py::list& columns) {
  ResultsTable t;
  t.rows = static_cast<int>(rows.size());
  t.cols = static_cast<int>(columns.size());
  t.rowNames = rows;
  const std::size_t cells = rows.size() * columns.size();
  t.numbers.assign(cells, std::numeric_limits<double>::quiet_NaN());
  t.texts.assign(cells, "");
  t.hasText.assign(cells, 0);
  t.textColumn.assign(columns.size(), 0);
  for (int c = 0; c < t.cols; ++c) {
    const py::tuple pair = columns[c].cast<py::tuple>();
    t.columnNames.push_back(pair[0].cast<std::string>());
    if (py::isinstance<py::list>(pair[1])) {
      const py::list values = pair[1].cast<py::list>();
      if (static_cast<int>(values.size()) != t.rows) throw py::value_error("columns of unequal length");
      for (int r = 0; r < t.rows; ++r) {
        const py::handle v = values[r];
        if (v.is_none()) continue;
        if (py::isinstance<py::str>(v)) {
          t.texts[t.Index(r, c)] = v.cast<std::string>();
          t.hasText[t.Index(r, c)] = 1;
          t.textColumn[c] = 1;
        } else {
          t.numbers[t.Index(r, c)] = v.cast<double>();
        }
      }
    } else {
      const auto values = pair[1].cast<py::array_t<double, py::array::c_style | py::array::forcecast>>();
      if (static_cast<int>(values.size()) != t.rows) throw py::value_error("columns of unequal length");
      for (int r = 0; r < t.rows; ++r) t.numbers[t.Index(r, c)] = values.data()[r];
    }
  }
  return app::ResultsTableToCsv(t);
}

}  // namespace
}  // namespace linkan::python

PYBIND11_MODULE(_core, m) {
  using namespace linkan::python;
  m.doc() = "The link analysis engine; use the linkanalysis package, not this module.";
  m.def("run", &Run);
  m.def("open", &Open);
  m.def("query", &Query);
  m.def("table_csv", &TableCsv);
  m.def("default_memory_limit", &linkan::app::DefaultMemoryLimit);
}
