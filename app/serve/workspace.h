// workspace.h
//
// Workspace: one browser tab's analysis in `linkan serve`: the data table,
// the module loaded over a WebHost, its task and results dialogs driven by
// control id (linkanalysis/dialog_model.h), the documents its commands
// produced, and the run in progress.
//
// Calls that use the module need a pass of the server's ModuleGate, held
// by the caller for the call (the members below marked so). A run (the
// task dialog's OK) goes on in a thread of its own, which holds the run's
// pass until the run ends; Job(), Cancel() and Touch() may be called
// meanwhile from any thread.
//
// Answers are JSON objects ready for the page: every action answers
//   {"click": {"code", "message", "control"}, "dialog": the host dialog
//    the module asked for and the page must answer (or null),
//    "messages": [the module's messages]} plus the state it changed.
//
// Thread safety: as above.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "data_table.h"
#include "linkanalysis/analysis_module.h"
#include "module_loader.h"
#include "task_file.h"
#include "serve/module_gate.h"
#include "serve/root_folder.h"
#include "serve/table_pages.h"
#include "serve/web_host.h"

namespace linkan::app {

// The task dialog's project file edit, read when OK starts the run.
inline constexpr int kProjectFileEdit = 1054;

struct ServeOptions {
  std::string modulePath;         // empty: found beside linkan
  std::uint64_t memoryLimit = 0;  // bytes a run may hold (0: no limit)
  // A run that no page has watched for this long is cancelled (the tab
  // that started it was closed).
  std::chrono::seconds unwatchedRunLimit{30};
};

// A downloadable file made from a document.
struct DocumentFile {
  std::string bytes;
  std::string mime;
  std::string name;
};

class Workspace {
 public:
  // `dataName` is how the page names the data ("" for a project opened
  // without data). Loads the module and opens the task dialog. Throws
  // std::runtime_error when the module cannot be loaded.
  Workspace(std::string id, DataTable table, std::string dataName, const RootFolder& root,
            const ServeOptions& options);
  // Cancels a run and waits for it.
  ~Workspace();
  Workspace(const Workspace&) = delete;
  Workspace& operator=(const Workspace&) = delete;

  const std::string& id() const { return id_; }
  // The variables of the table: number, name, kind, missing cells, labels.
  nlohmann::json TableInfo() const;
  void Touch() { lastSeen_.store(Now()); }
  std::chrono::steady_clock::duration SinceSeen() const { return Now() - lastSeen_.load(); }

  // ---- The task dialog (with a call pass) ----
  nlohmann::json TaskState();
  nlohmann::json TypeTask(int id, const std::string& text);
  // Any control but OK (StartRun presses OK).
  nlohmann::json ClickTask(int id, const nlohmann::json& answers);
  // The task as a task file, as `linkan task` prints it: every property
  // by its get, in declaration order, those that hold nothing left out.
  nlohmann::ordered_json TaskProperties();
  // Applies a task file's properties (no checks, no run): its time texts
  // read against this table, its "Outputs" left out. Throws DataError for
  // a time text or "Outputs" that cannot be read.
  nlohmann::json LoadTask(TaskFile task);
  // The project file OK would use: the name typed into the project field
  // (empty when none).
  std::string ProjectPath();

  // ---- Runs ----
  // Puts `puts` (automation member, value) on the task dialog, then
  // presses OK, in a thread of its own that holds `pass` until the run
  // ends. REQUIRES: no run is going on here.
  void StartRun(ModuleGate::Pass pass, const nlohmann::json& answers,
                std::vector<std::pair<std::string, nlohmann::json>> puts);
  // {"state": "idle"|"running"|"done"|"failed"|"cancelled", "phase",
  //  "position", "total", "elapsed", "message", "summary", "results",
  //  "dialog", "control", "messages"}
  nlohmann::json Job() const;
  bool Running() const { return running_.load(); }
  // Stops the run, if one is going on; `why` becomes its message.
  void Cancel(const std::string& why = "cancelled");

  // ---- The results dialog (with a call pass) ----
  nlohmann::json ResultsState();
  nlohmann::json TypeResults(int id, const std::string& text);
  nlohmann::json ClickResults(int id);
  nlohmann::json SortItems(int column);
  nlohmann::json SelectItems(const std::vector<std::size_t>& rows);
  // Rows of table document `doc` (TablePages::Page); null when none.
  nlohmann::json DocumentPage(const std::string& doc, std::size_t offset, std::size_t limit,
                              int column, bool descending);
  // Document `doc` as "csv", "svg", "png" or "txt"; nothing when none.
  std::optional<DocumentFile> Download(const std::string& doc, const std::string& format);
  // A consistent copy of the project file `project` (project_copy.h);
  // nothing with `error` set.
  std::optional<DocumentFile> ProjectCopy(const std::string& project, std::string& error);
  // The model as PMML ("native" or "4.4"); nothing with `error` set.
  std::optional<DocumentFile> Model(const std::string& dialect, std::string& error);

 private:
  static std::chrono::steady_clock::time_point Now() { return std::chrono::steady_clock::now(); }
  // The messages and lines the module showed since the last call.
  nlohmann::json TakeMessages();
  nlohmann::json ClickAnswer(const DialogClick& click);
  // Moves the host's new documents into this workspace; their metadata.
  nlohmann::json TakeDocuments();
  nlohmann::json DocumentMeta(const std::string& id) const;
  void RunThread(ModuleGate::Pass pass, nlohmann::json answers,
                 std::vector<std::pair<std::string, nlohmann::json>> puts);

  const std::string id_;
  const DataTable table_;
  const std::string dataName_;
  const RootFolder& root_;
  ModuleLibrary library_;
  WebHost host_;
  std::unique_ptr<IAnalysisModule> module_;
  std::atomic<std::chrono::steady_clock::time_point> lastSeen_;

  // Documents, by id "t<n>" (tables), "p<n>" (pictures), "r<n>" (reports).
  // Deques: references stay valid as documents are added.
  std::deque<ResultsTable> tables_;
  std::deque<KeptPicture> pictures_;
  std::deque<KeptReport> reports_;
  std::map<std::size_t, TablePages> pagers_;

  // The run.
  mutable std::mutex jobMutex_;
  nlohmann::json job_;
  std::chrono::steady_clock::time_point jobStarted_;
  std::atomic<bool> running_{false};
  std::string cancelReason_;
  std::thread runThread_;
};

}  // namespace linkan::app
