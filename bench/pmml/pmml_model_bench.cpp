// Mines retail at a minimum support of 0.05% (confidence from 0.5, heads of
// up to 10 items), then times: building and writing the model as the native
// and the standard PMML 4.4 document, reading each back and loading it into
// an engine for recommendation, and 100,000 deployment queries (parse, rule
// lookup and the rows' texts) over the loaded model's antecedents in turn.
//
//   pmml_model_bench [--data DIR] [--queries N]
//
// Release builds only.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <variant>

#include "dataset_reader.h"
#include "engine/mining/item_frequency.h"
#include "engine/mining/pattern_enumeration.h"
#include "engine/mining/rule_generation.h"
#include "engine/sal_engine.h"
#include "engine/text/pattern_text.h"
#include "pmml/model_export.h"
#include "pmml/model_import.h"
#include "pmml/pmml_reader.h"
#include "pmml/pmml_writer.h"
#include "results/deployment_query.h"
#include "testutil/test_host.h"

namespace linkan::bench {
namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The text a user would type for `p`: "(a, b) (c)".
std::string QueryText(const ItemDictionary& names, const Pattern& p) {
  std::string text;
  for (const Itemset& set : p) {
    text += "(";
    for (std::size_t k = 0; k < set.size(); ++k) text += (k ? ", " : "") + names.Name(set[k]);
    text += ") ";
  }
  return text;
}

}  // namespace
}  // namespace linkan::bench

int main(int argc, char** argv) {
  using namespace linkan;
  using namespace linkan::bench;
  std::string dir = LINKAN_DATASET_DIR;
  long queries = 100000;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--data") == 0) dir = argv[i + 1];
    if (std::strcmp(argv[i], "--queries") == 0) queries = std::atol(argv[i + 1]);
  }
  testing::TestHost host;
  host.AddNumeric("ID", {1});
  host.AddText("item", {"x"});
  testing::TestAnalysis analysis(&host);

  SalEngine engine(analysis, nullptr);
  AnalysisSettings& s = engine.settings;
  s.ResetToDefaults(2);
  s.noseq = 1;
  s.nsidvar = 1, s.sidvar[0] = 1;
  s.nresvars = 1, s.resvars[0] = 2;
  s.minsupp = 0.0005, s.maxpat = 200, s.minconf = 0.5, s.maxhead = 10;
  auto start = std::chrono::steady_clock::now();
  Dataset data = ReadDataset(dir + "/retail.dat", DatasetFormat::kBasket);
  const SequenceDatabase db = BuildDatabase(data, ItemsetCombining::FromSettings(s));
  engine.items = data.items;
  s.size = db.size();
  MiningContext ctx;
  ctx.threads = MiningContext::DefaultThreads();
  EnumerateFrequentPatterns(engine, db, ctx);
  GenerateRules(engine);
  RebuildItemFrequency(engine);
  std::printf("retail at 0.05%%: %zu transactions, %zu frequent items, %zu itemsets, %zu rules (mined in %.2f s)\n",
              static_cast<std::size_t>(s.size), engine.itemFrequency.size(), engine.patterns.size(),
              engine.rules.size(), Seconds(start));

  std::printf("| dialect | build doc (s) | write text (s) | size (MB) | read (s) | load (s) |\n");
  std::printf("|---|---|---|---|---|---|\n");
  SalEngine recommender(analysis, nullptr);
  recommender.settings.ResetToDefaults(2);
  for (const pmml::Dialect dialect : {pmml::Dialect::kNative, pmml::Dialect::kPmml44}) {
    start = std::chrono::steady_clock::now();
    const pmml::Document doc = pmml::MakeDocument(analysis, engine);
    const double build = Seconds(start);
    start = std::chrono::steady_clock::now();
    const std::string text = pmml::WriteDocument(doc, dialect);
    const double write = Seconds(start);
    start = std::chrono::steady_clock::now();
    const pmml::ReadResult read = pmml::ReadDocument(text);
    const double reading = Seconds(start);
    if (read.error) {
      std::fprintf(stderr, "read failed: %s\n", read.error->description.c_str());
      return 1;
    }
    start = std::chrono::steady_clock::now();
    const std::string why = pmml::LoadDocument(read.doc, recommender);
    const double load = Seconds(start);
    if (!why.empty()) {
      std::fprintf(stderr, "load failed: %s\n", why.c_str());
      return 1;
    }
    std::printf("| %s | %.3f | %.3f | %.1f | %.3f | %.3f |\n",
                dialect == pmml::Dialect::kNative ? "native" : "PMML 4.4", build, write,
                static_cast<double>(text.size()) / 1e6, reading, load);
  }

  std::vector<std::string> texts;
  for (const auto& [body, heads] : recommender.model.rules) texts.push_back(QueryText(recommender.modelItems, body));
  start = std::chrono::steady_clock::now();
  std::size_t rows = 0;
  for (long q = 0; q < queries; ++q) {
    const auto parsed = ParseDeploymentQuery(analysis, recommender, texts[static_cast<std::size_t>(q) % texts.size()]);
    const Pattern* p = std::get_if<Pattern>(&parsed);
    if (!p) {
      std::fprintf(stderr, "query failed: %s\n", std::get<std::string>(parsed).c_str());
      return 1;
    }
    const auto it = recommender.model.rules.find(*p);
    if (it == recommender.model.rules.end()) return 1;
    const std::string body = DeploymentPatternText(recommender, *p);
    for (const ModelConsequent& c : it->second) rows += DeploymentPatternText(recommender, c.head).size() > 0;
    rows += body.empty() ? 0 : 0;
  }
  const double querySeconds = Seconds(start);
  std::printf("%ld queries over %zu antecedents: %.3f s (%.2f us per query), %zu rows\n", queries, texts.size(),
              querySeconds, querySeconds * 1e6 / static_cast<double>(queries), rows);
  return 0;
}
