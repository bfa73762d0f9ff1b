// run_models.cpp
#include "run_models.h"

#include <stdexcept>

#include "output_folder.h"

namespace linkan::app {

bool HasQuery(const TaskFile& task) { return task.json.contains("QueryStringForRules"); }

void WriteModelFiles(IAnalysisModule& module, OutputFolder& out) {
  const struct {
    const char* file;
    PmmlDialect dialect;
    const char* title;
  } models[] = {{kModelFile, PmmlDialect::kNative, "the model as PMML (this module's document)"},
                {kModel44File, PmmlDialect::kPmml44, "the model as standard PMML 4.4"}};
  for (const auto& m : models) {
    out.AddFile(m.file, m.title, [&](const std::string& staged) {
      std::string error;
      if (module.SaveModel(staged, m.dialect, error) != 0) {
        throw std::runtime_error(std::string(m.file) + ": " + error);
      }
    });
  }
}

std::vector<std::string> ModelOutputFiles() {
  return {kModelFile, kModel44File, std::string(kQueryTableName) + ".csv"};
}

}  // namespace linkan::app
