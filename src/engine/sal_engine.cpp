// sal_engine.cpp
#include "engine/sal_engine.h"

#include "frame/host/analysis_support.h"

namespace linkan {

SalEngine::SalEngine(CAnalysisSupport& analysis, ProjectDatabase* projectDb)
    : analysis_(&analysis), projectDb_(projectDb) {
  settings.ResetToDefaults(analysis.GetNbVars());
  settings.ncases = static_cast<std::int32_t>(analysis.GetNbCases());
}

void SalEngine::ClearResults() {
  patterns.Clear();
  leaves.clear();
  rules.clear();
  itemFrequency.clear();
  clusters.clear();
  clusterSteps.clear();
  // A loaded model is a result too: the next run or load replaces it whole.
  modelItems.Clear();
  model.Clear();
}

}  // namespace linkan
