// deployment_query_fuzzer.cpp
//
// The deployment query's parser on any text, against a small loaded model
// with a dichotomy and a continuous variable. Every text ends in an
// antecedent or one of the four messages; an antecedent holds only items
// of the model, each itemset ascending without repeats.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "results/deployment_query.h"

namespace {

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
  std::abort();
}

class Analysis : public linkan::CAnalysisSupport {
 public:
  void Initialize() override {}
  int GetAnalysisID() const override { return 0; }
  std::string GetAnalysisName() const override { return "fuzz"; }
  int RunTask(const std::string&, std::string&) override { return 1; }
  int RunResultCommand(int, std::string&) override { return 1; }
};

linkan::SalEngine& Model() {
  static Analysis analysis;
  static linkan::SalEngine engine(analysis, nullptr);
  static const bool ready = [] {
    linkan::AnalysisSettings& s = engine.settings;
    s.ResetToDefaults(4);
    s.noseq = 1;
    s.nresvars = 1, s.resvars[0] = 1;
    s.ndichvars = 1, s.dichvars[0] = 2;
    s.ncontvars = 1, s.contvars[0] = 3;
    s.nmdcontvars = 1, s.mdcontvars[0] = 4;
    engine.contStats = {{.min = 0, .max = 100, .width = 10, .mean = 50, .m2 = 400}};
    engine.mdContStats = {{.min = 0, .max = 0, .width = 0, .mean = 0, .m2 = 0}};
    engine.model.fieldNames = {"item", "Gender", "Age", "Flat"};
    const char* names[] = {"A", "b", "B", "Gender=Male", "\"q\"", "7", "Age<=10.000", "x y"};
    linkan::ItemNumber id = 1;
    for (const char* name : names) {
      engine.modelItems.Insert(name, id);
      engine.model.lowerCaseNames.emplace(linkan::AsciiLower(name), id);
      ++id;
    }
    return true;
  }();
  (void)ready;
  return engine;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Analysis support;
  const linkan::SalEngine& engine = Model();
  const auto result = linkan::ParseDeploymentQuery(
      support, engine, std::string_view(reinterpret_cast<const char*>(data), size));
  if (const auto* message = std::get_if<std::string>(&result)) {
    if (*message != linkan::kQueryEmpty && *message != linkan::kQuerySyntaxError &&
        message->rfind("There is no item matching '", 0) != 0) {
      Fail("unexpected message: " + *message);
    }
    return 0;
  }
  const linkan::Pattern& p = std::get<linkan::Pattern>(result);
  if (p.empty()) Fail("an empty antecedent");
  for (const linkan::Itemset& set : p) {
    if (set.empty() || !std::is_sorted(set.begin(), set.end()) ||
        std::adjacent_find(set.begin(), set.end()) != set.end()) {
      Fail("an itemset that is empty, unsorted or repeats an item");
    }
    for (const linkan::ItemNumber item : set) {
      if (!engine.modelItems.ContainsNumber(item)) Fail("an item the model lacks");
    }
  }
  return 0;
}
