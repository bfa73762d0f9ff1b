// module_loader.h
//
// ModuleLibrary: the analysis module's shared library, loaded with dlopen.
// The host reaches the module only through its exported C functions:
// `Tov6NewAnalysis` (required) and `LinkanSetExternallyCancelled`
// (optional: the module's external cancellation switch).
//
// Where the library is looked for (FindModule):
//   1. the path given on the command line (--module);
//   2. the path in the environment variable LINKAN_MODULE;
//   3. liblinkanalysis.so in the folder of the running executable
//      (/proc/self/exe), then in ../lib beside that folder.
//
// Lifetime: every analysis object made by NewAnalysis must be destroyed
// before its ModuleLibrary. The module is linked not to be unloaded (its
// worker threads outlive its objects), so destroying the ModuleLibrary only
// drops the handle.
// Thread safety: load and create on one thread.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "linkanalysis/analysis_module.h"

namespace linkan::app {

inline constexpr const char* kModuleFileName = "liblinkanalysis.so";

// The folder of the running executable ("" when unknown).
std::string ExecutableFolder();

// The module path to load, by the order above. Throws std::runtime_error
// naming the places tried when none holds the library.
std::string FindModule(const std::optional<std::string>& commandLinePath);

class ModuleLibrary {
 public:
  // Loads the library now (every symbol resolved). Throws std::runtime_error
  // with the loader's reason when it cannot be loaded or lacks the factory.
  explicit ModuleLibrary(const std::string& path);
  ~ModuleLibrary();
  ModuleLibrary(const ModuleLibrary&) = delete;
  ModuleLibrary& operator=(const ModuleLibrary&) = delete;

  const std::string& path() const { return path_; }

  // A new analysis object. Throws std::runtime_error when the factory
  // returns null (out of memory).
  std::unique_ptr<IAnalysisModule> NewAnalysis() const;

  // The module's cancellation switch, or null when not exported.
  SetExternallyCancelledFn externalCancel() const { return setCancelled_; }

 private:
  std::string path_;
  void* handle_ = nullptr;
  NewAnalysisFn factory_ = nullptr;
  SetExternallyCancelledFn setCancelled_ = nullptr;
};

}  // namespace linkan::app
