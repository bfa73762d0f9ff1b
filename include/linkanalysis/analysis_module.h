// analysis_module.h
//
// The module as the host sees it: what `Tov6NewAnalysis` returns. The host
// attaches its document, initialises the object and walks its step table.
//
// Example:
//   auto* factory = reinterpret_cast<linkan::NewAnalysisFn>(dlsym(lib, "Tov6NewAnalysis"));
//   std::unique_ptr<linkan::IAnalysisModule> module(factory());
//   module->AttachDocument(&host);
//   module->Initialize();
//   for (int step = module->FirstStep(); step != 0;) step = module->ExecuteStep(step);
//
// Thread safety: a module object is used from one thread (the host's).
#pragma once

#include <string>
#include <vector>

namespace linkan {

class CAnalysisDoc;

// One entry of the step table: the step id, and the id of the step that
// follows when the step succeeds (0 for none).
struct SequenceStep {
  int id = 0;
  int next = 0;
};

class IAnalysisModule {
 public:
  virtual ~IAnalysisModule() = default;

  // Hands the module the host document. REQUIRES: before Initialize().
  virtual void AttachDocument(CAnalysisDoc* doc) = 0;
  // Creates the project database handle and registers the project tables.
  virtual void Initialize() = 0;
  // The step table registered by the constructor.
  virtual std::vector<SequenceStep> GetSequenceTable() const = 0;
  // Runs step `id` and returns the id of the step that follows (0: stop).
  virtual int ExecuteStep(int id) = 0;
  virtual int GetAnalysisID() const = 0;
  virtual std::string GetAnalysisName() const = 0;
};

using NewAnalysisFn = IAnalysisModule* (*)();

}  // namespace linkan

// The exported factory: creates the analysis object, or returns null when
// memory runs out. The caller owns the result.
extern "C" linkan::IAnalysisModule* Tov6NewAnalysis();
