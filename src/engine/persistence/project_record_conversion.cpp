// project_record_conversion.cpp
#include "engine/persistence/project_record_conversion.h"

#include "engine/sal_engine.h"
#include "frame/host/module_error.h"

namespace linkan {
namespace {

constexpr std::size_t kStatsPerVariable = 5;

std::vector<double> StatsOf(const std::vector<ContinuousStats>& stats) {
  std::vector<double> out;
  out.reserve(stats.size() * kStatsPerVariable);
  for (const ContinuousStats& s : stats) {
    out.insert(out.end(), {s.max, s.mean, s.min, s.m2, s.width});
  }
  return out;
}

std::vector<ContinuousStats> StatsFrom(const std::vector<double>& values) {
  if (values.size() % kStatsPerVariable != 0) {
    throw ModuleError(ErrorKind::kInvalidInput,
                      "Project record: the statistics hold no whole number of variables");
  }
  std::vector<ContinuousStats> out(values.size() / kStatsPerVariable);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double* v = values.data() + i * kStatsPerVariable;
    out[i].max = v[0];
    out[i].mean = v[1];
    out[i].min = v[2];
    out[i].m2 = v[3];
    out[i].width = v[4];
  }
  return out;
}

}  // namespace

ProjectRecord MakeProjectRecord(const SalEngine& engine) {
  ProjectRecord r;
  r.itemNames = engine.items.NamesByNumber();  // may throw "value not found": nothing built
  r.settings = engine.settings;
  r.transactionIds = engine.transactionIds;
  r.stoplist.assign(engine.stoplist.begin(), engine.stoplist.end());
  r.ncodes = engine.ncodes;
  r.codes = engine.Codes;
  r.coinfo = StatsOf(engine.contStats);
  r.mdcoinfo = StatsOf(engine.mdContStats);
  r.taxonomies.assign(engine.taxonomies.begin(), engine.taxonomies.end());
  return r;
}

void RestoreFromProjectRecord(SalEngine& engine, const ProjectRecord& record) {
  // Everything that can fail is built first, so a failure changes nothing.
  ItemDictionary items;
  for (std::size_t k = 0; k < record.itemNames.size(); ++k) {
    items.Insert(record.itemNames[k], static_cast<ItemNumber>(k + 1));
  }
  std::vector<ContinuousStats> contStats = StatsFrom(record.coinfo);
  std::vector<ContinuousStats> mdContStats = StatsFrom(record.mdcoinfo);

  AnalysisSettings settings = record.settings;
  settings.projectMode = engine.settings.projectMode;
  settings.existingProjectAction = engine.settings.existingProjectAction;
  settings.pmmlFile = engine.settings.pmmlFile;
  settings.variableSelectionViaPmml = engine.settings.variableSelectionViaPmml;

  engine.settings = std::move(settings);
  engine.items = std::move(items);
  engine.contStats = std::move(contStats);
  engine.mdContStats = std::move(mdContStats);
  engine.transactionIds = record.transactionIds;
  engine.stoplist = std::set<std::string>(record.stoplist.begin(), record.stoplist.end());
  engine.ncodes = record.ncodes;
  engine.Codes = record.codes;
  engine.taxonomies.assign(record.taxonomies.begin(), record.taxonomies.end());
}

std::vector<StoredPattern> StoredPatternsOf(const FrequentPatternTable& table) {
  std::vector<StoredPattern> out;
  out.reserve(table.size());
  for (PatternId id = 0; id < table.size(); ++id) {
    out.push_back(StoredPattern{table.CountOf(id), table.PatternOf(id)});
  }
  return out;
}

std::vector<std::uint32_t> StoredLeavesOf(const std::set<PatternId>& leaves) {
  return std::vector<std::uint32_t>(leaves.begin(), leaves.end());
}

}  // namespace linkan
