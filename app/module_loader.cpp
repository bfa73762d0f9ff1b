// module_loader.cpp
#include "module_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace linkan::app {

std::string ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

std::string FindModule(const std::optional<std::string>& commandLinePath) {
  if (commandLinePath && !commandLinePath->empty()) return *commandLinePath;
  if (const char* env = std::getenv("LINKAN_MODULE"); env && *env) return env;
  std::vector<std::string> tried;
  const std::string folder = ExecutableFolder();
  if (!folder.empty()) {
    for (const std::filesystem::path& p :
         {std::filesystem::path(folder) / kModuleFileName,
          std::filesystem::path(folder) / ".." / "lib" / kModuleFileName}) {
      std::error_code ec;
      if (std::filesystem::exists(p, ec)) return p.lexically_normal().string();
      tried.push_back(p.lexically_normal().string());
    }
  }
  std::string message = std::string("cannot find the analysis module ") + kModuleFileName +
                        " (give --module PATH or set LINKAN_MODULE); looked in:";
  for (const std::string& t : tried) message += " " + t;
  throw std::runtime_error(message);
}

ModuleLibrary::ModuleLibrary(const std::string& path) : path_(path) {
  dlerror();
  // The module is linked not to be unloaded (-z nodelete): dlclose leaves
  // it, and the thread pool it brings, mapped until the process ends.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* reason = dlerror();
    throw std::runtime_error("cannot load the analysis module: " +
                             std::string(reason ? reason : path));
  }
  factory_ = reinterpret_cast<NewAnalysisFn>(dlsym(handle_, "Tov6NewAnalysis"));
  if (!factory_) {
    dlclose(handle_);
    handle_ = nullptr;
    throw std::runtime_error(path + ": not an analysis module (no Tov6NewAnalysis)");
  }
  setCancelled_ =
      reinterpret_cast<SetExternallyCancelledFn>(dlsym(handle_, "LinkanSetExternallyCancelled"));
}

ModuleLibrary::~ModuleLibrary() {
  if (handle_) dlclose(handle_);
}

std::unique_ptr<IAnalysisModule> ModuleLibrary::NewAnalysis() const {
  std::unique_ptr<IAnalysisModule> module(factory_());
  if (!module) throw std::runtime_error("the analysis module could not be created (out of memory)");
  return module;
}

}  // namespace linkan::app
