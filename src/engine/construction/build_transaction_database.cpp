// build_transaction_database.cpp
#include "engine/construction/build_transaction_database.h"

#include <cassert>
#include <cstring>
#include <exception>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "engine/coding/continuous_statistics.h"
#include "engine/coding/host_array.h"
#include "engine/coding/item_coder.h"
#include "engine/coding/item_names.h"
#include "engine/coding/progress_scope.h"
#include "engine/coding/text_cuts.h"
#include "engine/construction/item_remapping.h"
#include "engine/construction/sequence_handover.h"
#include "engine/construction/transaction_set.h"
#include "engine/construction/transaction_store.h"
#include "engine/mining/sequence_database.h"
#include "engine/sal_engine.h"
#include "frame/double_compare.h"
#include "frame/host/analysis_support.h"
#include "frame/host/module_error.h"
#include "frame/host/run_guard.h"
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
  void ReadCases(TransactionSet& set);
  CaseKey TimeOf(long caseNo, const std::vector<double>& values) const;
  // The ID text before the length limit.
  std::string IdText(long caseNo, double idValue) const;
  void AddTaxonomyLabels();
  // Into an empty store: renumbers in memory, then writes every record
  // once while the enumeration's form is built on this thread.
  void StoreNew(TransactionSet& set);
  // Into a store that holds records: merges, then renumbers the store.
  void StoreMerged(const TransactionSet& set);

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
  engine_.builtSequences.reset();
  const bool fresh = store_.CountTransactions() == 0;
  TransactionSet set(options_.handOverThreshold);
  ReadCases(set);

  AddTaxonomyLabels();
  s_.size = engine_.transactionIds.size();
  if (fresh) {
    StoreNew(set);
  } else {
    StoreMerged(set);
  }
}

namespace {

[[noreturn]] void Cancelled() {
  throw ModuleError(ErrorKind::kCancelled, "Operation was cancelled");
}

// Inserts every group of `set` as a new record, in write order, through one
// writer (one transaction) that commits at the end. Stops between records
// when `guard` stops the run or `stop` is requested, committing nothing.
void InsertAll(TransactionStore& store, const TransactionSet& set,
               const std::vector<std::string>& ids, RunGuard& guard, const std::stop_token& stop) {
  std::unique_ptr<TransactionWriter> writer = store.Attach();
  std::size_t visited = 0;
  set.VisitInWriteOrder(ids, [&](std::uint32_t s, const TransactionGroup& g) {
    if ((++visited & 0xff) == 0 && (stop.stop_requested() || guard.Poll())) Cancelled();
    writer->Insert(ids[s], g.time, g.items);
    return true;
  });
  if (stop.stop_requested() || guard.Poll()) Cancelled();
  writer->Detach();
}

}  // namespace

void Builder::StoreNew(TransactionSet& set) {
  {
    TimedSection remapping("SAL [Item index remapping]");
    if (!engine_.items.empty()) {
      const std::vector<ItemNumber> table = RenumberingTable(engine_.items);
      set.Renumber(table);
      RenumberDictionary(engine_.items, table);
    }
  }
  RunGuard& guard = support_.runGuard();
  const std::vector<std::string>& ids = engine_.transactionIds;
  // The records go to the store on a second thread while this one builds
  // the enumeration's form; both only read the set. Leaving this scope by
  // an exception stops the writer and waits for it; its records are then
  // not committed.
  std::exception_ptr failure;
  std::shared_ptr<SequenceDatabase> sequences;
  {
    std::jthread writer([&](std::stop_token stop) {
      try {
        InsertAll(store_, set, ids, guard, stop);
      } catch (...) {
        failure = std::current_exception();
      }
    });
    sequences = std::make_shared<SequenceDatabase>(
        ToSequenceDatabase(set, ids.size(), ItemsetCombining::FromSettings(s_)));
    writer.join();  // to the end: the destructor would stop it
  }
  if (failure) std::rethrow_exception(failure);
  engine_.builtSequences = std::move(sequences);
}

void Builder::StoreMerged(const TransactionSet& set) {
  RunGuard& guard = support_.runGuard();
  const std::vector<std::string>& ids = engine_.transactionIds;
  {
    std::unique_ptr<TransactionWriter> writer = store_.Attach();
    std::size_t visited = 0;
    set.VisitInWriteOrder(ids, [&](std::uint32_t s, const TransactionGroup& g) {
      if ((++visited & 0xff) == 0 && guard.Poll()) Cancelled();
      writer->Merge(ids[s], g.time, g.items);
      return true;
    });
    writer->Detach();
  }
  TimedSection remapping("SAL [Item index remapping]");
  RemapItemIndices(engine_.items, store_, &guard);
}

void Builder::ReadCases(TransactionSet& set) {
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

  // The cases of a sequence mostly come one after another: the last case's
  // ID is compared first. When the host's ID texts follow the ID value, an
  // equal value means the same ID text, which is then not read again.
  const bool idByValue = idVar_ > 0 && support_.HasDocument() &&
                         support_.doc().CellTextDependsOnValueOnly(idVar_);
  bool haveLast = false;
  double lastIdValue = 0.0;
  bool lastIdCut = false;
  std::uint32_t lastSequence = 0;

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

    std::uint32_t sequence = 0;
    if (idByValue && haveLast && std::memcmp(&idValue, &lastIdValue, sizeof idValue) == 0) {
      // The same text as the last case's, cut alike (each cut counts).
      if (lastIdCut) coder.cuts().AddValueCut(idVar_);
      sequence = lastSequence;
    } else {
      std::string text = IdText(c, idValue);
      lastIdCut = idVar_ > 0 && text.size() > kMaxNameLength;
      if (idVar_ > 0) text = coder.cuts().LimitValue(idVar_, std::move(text));
      if (haveLast && text == ids[lastSequence]) {
        sequence = lastSequence;
      } else {
        const auto [entry, added] =
            seen.try_emplace(std::move(text), static_cast<std::uint32_t>(ids.size()));
        if (added) ids.push_back(entry->first);
        sequence = entry->second;
      }
    }
    haveLast = true;
    lastIdValue = idValue;
    lastSequence = sequence;

    const ItemCoder::Counts n = coder.CodeCase(c, values, items.data(), nonSequential.data());
    if (single) {
      for (std::size_t k = 0; k < n.items; ++k) {
        set.Add(sequence, key.time + static_cast<double>(k), &items[k], 1);
      }
    } else {
      set.Add(sequence, key.time, items.data(), n.items);
    }
    set.Add(sequence, kNonSequentialTime, nonSequential.data(), n.nonSequential);
    set.EndCase();
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

std::string Builder::IdText(long caseNo, double idValue) const {
  if (idVar_ <= 0) return FormatString("%ld", caseNo);
  std::string text = CellText(support_, caseNo, idVar_);
  if (text.empty()) return FormatString("%.14e", idValue);
  return text;
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
