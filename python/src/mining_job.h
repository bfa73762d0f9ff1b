// mining_job.h
//
// The work behind the Python module's calls, free of Python: each job
// loads the module library, makes a MemoryHost over its table, and drives
// the analysis as `linkan run` does (cmd_run.cpp): the task applied under
// automation, the run, then the outputs that apply to it (run_outputs.h)
// or the task's "Outputs", each kept in memory.
//
//   RunJob        mines `data` with `taskJson` into the project file.
//   OpenJob       shows the results stored in a project, mining nothing.
//   QueryJob      asks a PMML model which rules follow from a query.
//
// Errors: DataError (the table, the task's text or time settings),
// TaskError (the module refused the task: its message), CancelledError
// (the cancel flag was set), std::bad_alloc (memory ran out or passed the
// limit), std::runtime_error (anything else, with the module's message).
//
// Thread safety: a job runs on one thread; `control` is shared with the
// thread that watches it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame_table.h"
#include "linkanalysis/analysis_module.h"
#include "memory_host.h"

namespace linkan::python {

using app::KeptPicture;
using app::KeptReport;
using app::MemoryHost;
using app::ProgressSnapshot;

class TaskError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the job reads.
struct DataSource {
  std::string path;            // a file: csv (or tsv), basket or spmf
  std::string format = "csv";
  bool isFrame = false;        // else the columns of a DataFrame
  std::vector<FrameColumn> frame;
  std::optional<std::string> weight;
};

// Shared between the job's thread and the thread that watches it: the
// host, while it lives, for progress and cancelling.
class JobControl {
 public:
  void Attach(MemoryHost* host, SetExternallyCancelledFn moduleCancel);
  void Detach();
  // Asks the running job to stop; a job that starts later stops at once.
  void Cancel();
  bool Cancelled() const { return cancelled_.load(); }
  std::optional<ProgressSnapshot> Progress() const;

 private:
  mutable std::mutex mutex_;
  MemoryHost* host_ = nullptr;
  SetExternallyCancelledFn moduleCancel_ = nullptr;
  std::atomic<bool> cancelled_{false};
};

struct JobResult {
  bool haveSummary = false;
  RunSummary summary;
  double seconds = 0;
  std::string summaryLine;  // as `linkan run` prints it
  std::string project;
  std::vector<ResultsTable> tables;
  std::vector<KeptPicture> pictures;
  std::vector<KeptReport> reports;
  // Outputs that showed a message instead of a document: (name, message).
  std::vector<std::pair<std::string, std::string>> messages;
  std::vector<std::string> warnings;  // what `linkan run` prints on stderr
  bool modelsWritten = false;         // RunJob's model files
};

struct JobOptions {
  std::string modulePath;
  std::uint64_t memoryLimit = 0;  // 0: no limit
};

// `project` overrides the task's "DatabaseFile"; when neither names one,
// the project is LinkAnalysis.dbs in `defaultFolder`. A run that mined
// writes its model to `modelFolder` (unless empty) as `linkan run` does:
// model.pmml and model-4.4.pmml (run_models.h). The model is written here,
// with the data's variable names at hand.
JobResult RunJob(DataSource data, const std::string& taskJson,
                 const std::optional<std::string>& project, const std::string& defaultFolder,
                 const std::string& modelFolder, const JobOptions& options, JobControl& control);

JobResult OpenJob(const std::string& project, const JobOptions& options, JobControl& control);

// The queried rules of `model` (a PMML file) for `query`: the table
// "queried-rules", or a message (JobResult::messages) when no rule follows.
JobResult QueryJob(const std::string& model, const std::string& query, const JobOptions& options,
                   JobControl& control);

}  // namespace linkan::python
