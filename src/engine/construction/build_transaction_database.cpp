// build_transaction_database.cpp
#include "engine/construction/build_transaction_database.h"

#include <cassert>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/coding/continuous_statistics.h"
#include "engine/coding/host_array.h"
#include "engine/coding/item_coder.h"
#include "engine/coding/item_names.h"
#include "engine/coding/progress_scope.h"
#include "engine/coding/text_cuts.h"
#include "engine/construction/bucket_pipeline.h"
#include "engine/construction/item_remapping.h"
#include "engine/construction/transaction_store.h"
#include "engine/sal_engine.h"
#include "frame/double_compare.h"
#include "frame/host/analysis_support.h"
#include "frame/host/module_error.h"
#include "frame/progress.h"
#include "frame/timed_section.h"
#include "projectdb/project_database.h"
#include "resources/string_table.h"

namespace linkan {
namespace {

// The time a case's items go to, or that the case is left out.
struct CaseKey {
  bool skip = false;
  double time = 0.0;
};

class Builder {
 public:
  Builder(SalEngine& engine, TransactionStore& store, const ConstructionOptions& options)
      : engine_(engine),
        support_(engine.analysis()),
        s_(engine.settings),
        store_(store),
        options_(options) {}

  void Run();

 private:
  void ReadCases(BucketPipeline& pipeline);
  CaseKey TimeOf(long caseNo, const std::vector<double>& values) const;
  std::string IdText(long caseNo, double idValue, TextCuts& cuts) const;
  void AddTaxonomyLabels();

  SalEngine& engine_;
  CAnalysisSupport& support_;
  AnalysisSettings& s_;
  TransactionStore& store_;
  const ConstructionOptions& options_;
  int idVar_ = 0;
  int timeVar_ = 0;
  double idMissing_ = 0.0;
  double timeMissing_ = 0.0;
};

void Builder::Run() {
  TimedSection timed("SAL [transaction database construction]");
  s_.size = 0;
  s_.sumw = 0.0;
  if (s_.iSingleItemset != 0) {
    // Each case is a run of single-element itemsets; time comes from the
    // case number, so the time variable takes no part.
    s_.ntidvar = 0;
    if (!s_.tidvar.empty()) s_.tidvar[0] = 0;
  }
  idVar_ = s_.SequenceIdVariable();
  timeVar_ = s_.TimeVariable();
  if (idVar_ > 0) support_.getmd5(idVar_, idMissing_);
  if (timeVar_ > 0) support_.getmd5(timeVar_, timeMissing_);

  support_.runGuard().Restart();
  PhaseScope phase(support_.runGuard(), "building the transaction database");
  BucketPipeline pipeline(store_, options_.handOverThreshold, store_.CountTransactions() == 0,
                          &support_.runGuard());
  ReadCases(pipeline);
  pipeline.Finish();

  AddTaxonomyLabels();
  s_.size = engine_.transactionIds.size();
  {
    TimedSection remapping("SAL [Item index remapping]");
    RemapItemIndices(engine_.items, store_, &support_.runGuard());
  }
}

void Builder::ReadCases(BucketPipeline& pipeline) {
  ItemCoder coder(engine_);
  HostArray<ItemNumber> items;
  HostArray<ItemNumber> nonSequential;
  if (!items.Allocate(support_, coder.SequentialCapacity()) ||
      !nonSequential.Allocate(support_, coder.NonSequentialCapacity())) {
    throw ModuleError(ErrorKind::kOutOfMemory, "Memory allocation failed");
  }

  // ID text -> its position in the TransactionIdList.
  std::vector<std::string>& ids = engine_.transactionIds;
  std::unordered_map<std::string, std::uint32_t> seen;
  seen.reserve(ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) seen.emplace(ids[i], static_cast<std::uint32_t>(i));
  const bool single = s_.iSingleItemset != 0;
  const long ncases = support_.GetNbCases();
  std::vector<double> values;

  ProgressScope progress(support_, ncases,
                         support_.GetResourceString(msg::kConstructingDatabase));
  for (long c = 1; c <= ncases; ++c) {
    support_.termom(c);
    if (IsAnalysisCancelled(support_)) support_.error("Operation was cancelled");
    bool weighted = false;
    double weight = 1.0;
    const int read = support_.cstrtw(c, values, weighted, weight);
    if (read == 2) support_.error("Operation was cancelled");
    if (read == 1) continue;

    double idValue = 0.0;
    if (idVar_ > 0) {
      idValue = values.at(static_cast<std::size_t>(idVar_));
      if (UlpEqual(idValue, idMissing_)) continue;
    }
    const CaseKey key = TimeOf(c, values);
    if (key.skip) continue;

    const auto [entry, added] =
        seen.try_emplace(IdText(c, idValue, coder.cuts()), static_cast<std::uint32_t>(ids.size()));
    if (added) ids.push_back(entry->first);
    const std::string& id = entry->first;
    const std::uint32_t sequence = entry->second;

    const ItemCoder::Counts n = coder.CodeCase(c, values, items.data(), nonSequential.data());
    if (single) {
      for (std::size_t k = 0; k < n.items; ++k) {
        pipeline.Add(sequence, id, key.time + static_cast<double>(k), &items[k], 1);
      }
    } else {
      pipeline.Add(sequence, id, key.time, items.data(), n.items);
    }
    pipeline.Add(sequence, id, kNonSequentialTime, nonSequential.data(), n.nonSequential);
    pipeline.EndCase();
  }
  // Once per run, after every case: which texts were cut.
  if (!coder.cuts().empty()) support_.ShowWarning(coder.cuts().Warning(support_));
}

CaseKey Builder::TimeOf(long caseNo, const std::vector<double>& values) const {
  CaseKey key;
  if (s_.iSingleItemset != 0) {
    key.time = static_cast<double>(s_.MaxSequenceSize) * static_cast<double>(caseNo);
  } else if (timeVar_ > 0) {
    const double t = values.at(static_cast<std::size_t>(timeVar_));
    // A time that is no number cannot be ordered: it counts as missing.
    if (IsMissingValue(t, timeMissing_)) {
      key.skip = true;
    } else if (s_.iMinMaxFilter != 0 && (UlpGreater(s_.MinTime, t) || UlpGreater(t, s_.MaxTime))) {
      key.skip = true;
    }
    key.time = t;
  } else if (s_.noseq == 0) {
    key.time = static_cast<double>(caseNo);
  }
  return key;
}

std::string Builder::IdText(long caseNo, double idValue, TextCuts& cuts) const {
  if (idVar_ <= 0) return FormatString("%ld", caseNo);
  std::string text = CellText(support_, caseNo, idVar_);
  if (text.empty()) return FormatString("%.14e", idValue);
  return cuts.LimitValue(idVar_, std::move(text));
}

void Builder::AddTaxonomyLabels() {
  if (s_.taxon == 0 || engine_.taxonomies.empty()) return;
  for (const TaxonomyMap& table : engine_.taxonomies) {
    for (const auto& [item, label] : table) {
      if (!label.empty()) engine_.items.Add(label);
    }
  }
}

}  // namespace

void BuildTransactionDatabase(SalEngine& engine, const ConstructionOptions& options) {
  assert(engine.projectDb() != nullptr && engine.projectDb()->IsOpen());
  ProjectTransactionStore store(*engine.projectDb());
  BuildTransactionDatabase(engine, store, options);
}

void BuildTransactionDatabase(SalEngine& engine, TransactionStore& store,
                              const ConstructionOptions& options) {
  Builder(engine, store, options).Run();
}

}  // namespace linkan
