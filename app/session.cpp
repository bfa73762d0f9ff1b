// session.cpp
#include "session.h"

#include <stdexcept>

#include "data_error.h"

namespace linkan::app {
namespace {

DataTable LoadImported(const std::string& path, ImportFormat format, const LoadOptions& load) {
  DataTable table = ImportFile(path, format, BasketSeparator::kAuto, load.encoding);
  if (load.weightVariable) {
    const std::string& name = *load.weightVariable;
    const int w = table.FindVariable(name);
    if (w < 0) throw DataError(path, 0, 0, "no variable named \"" + name + "\" for the weight");
    if (table.variable(w).kind != VariableKind::kNumeric) {
      throw DataError(path, 0, 0, "the weight variable \"" + name + "\" must be numeric");
    }
    table.SetWeightVariable(w);
  }
  return table;
}

}  // namespace

Session::Session(SessionOptions options, std::ostream& out, std::ostream& err, std::istream& in) {
  interrupt_ = std::make_unique<InterruptScope>(early_, nullptr);
  auto throwIfCancelled = [this] {
    if (early_.load()) throw CancelledError("cancelled: nothing was done");
  };
  // No data path: an empty table, for commands that need only the module.
  if (!options.dataPath.empty()) {
    table_ = options.format ? LoadImported(options.dataPath, *options.format, options.load)
                           : LoadDataTable(options.dataPath, options.load);
  }
  throwIfCancelled();
  library_ = std::make_unique<ModuleLibrary>(FindModule(options.modulePath));
  host_ = std::make_unique<TerminalHost>(table_, std::move(options.terminal), out, err, in);
  module_ = library_->NewAnalysis();
  throwIfCancelled();
  interrupt_->Retarget(host_->cancelFlag(), library_->externalCancel());
  module_->AttachDocument(host_.get());
  module_->Initialize();
}

Session::~Session() {
  interrupt_.reset();
  module_.reset();
  host_.reset();
}

std::vector<int> Session::WalkSteps(std::optional<int> first) {
  constexpr std::size_t kMaxSteps = 1000;
  if (!first) {
    const std::vector<SequenceStep> table = module_->GetSequenceTable();
    if (table.empty()) return {};
    first = table.front().id;
  }
  std::vector<int> run;
  for (int step = *first; step != 0;) {
    if (run.size() == kMaxSteps) {
      throw std::runtime_error("the module's step table does not end (stopped at step " +
                               std::to_string(step) + ")");
    }
    run.push_back(step);
    step = module_->ExecuteStep(step);
  }
  return run;
}

}  // namespace linkan::app
