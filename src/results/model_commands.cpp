// model_commands.cpp
#include "results/model_commands.h"

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "pmml/model_export.h"
#include "resources/string_table.h"
#include "results/deployment_query.h"

namespace linkan {

bool SavePmmlFromDialog(CAnalysisSupport& support, const SalEngine& engine) {
  if (!support.HasDocument()) return false;
  const std::string file =
      support.doc().AskSaveFileName(support.GetResourceString(msg::kSavePmmlTitle), "Default.xml", ".XML");
  if (file.empty()) return false;
  return pmml::WritePmml(support, engine, file).empty();
}

bool RunQueryCommand(CAnalysisSupport& support, const SalEngine& engine, const std::string& queryText) {
  // A longer text is refused whole: a query cut short would answer
  // another question.
  if (queryText.size() > kMaxQueryBytes) {
    support.dsplst(0, "The query is too long (" + std::to_string(queryText.size()) +
                          " bytes; at most " + std::to_string(kMaxQueryBytes) + ").");
    return false;
  }
  return RunDeploymentQuery(support, engine, queryText);
}

}  // namespace linkan
