// mining_context.h
//
// MiningContext: how an enumeration runs, apart from what it computes. The
// results never depend on it: any thread count and any layout give the same
// patterns, IDs, counts and leaves.
//
// Thread safety: a plain value, read by the enumeration.
#pragma once

#include <atomic>
#include <cstddef>

#include "frame/host/run_guard.h"

namespace linkan {

class CAnalysisSupport;

struct MiningContext {
  // Threads that count and form pairs; 1 keeps everything on the calling
  // thread.
  unsigned threads = 1;

  // Smallest amount of work (items or bit-set words of a node) that is
  // split among threads; 0 splits every node (tests use it to exercise the
  // parallel paths on small data).
  std::size_t minParallelWork = 20000;

  // How association mode over one-itemset transactions is mined: kAuto
  // picks per data set; kGeneral forces the general projection engine;
  // kSparse and kDense force transaction lists or bit sets.
  // Under StandardSupport the layout says which id-lists get bit sets of
  // their sequences: kAuto by density, kSparse none, kDense all, kGeneral
  // the new-itemset lists only.
  enum class Layout { kAuto, kGeneral, kSparse, kDense };
  Layout layout = Layout::kAuto;

  // Polled for cancellation (IsAnalysisCancelled) on the calling thread;
  // null: only the guard stops the run. Set it only when the calling
  // thread is the analysis thread (it calls the host).
  const CAnalysisSupport* cancelSource = nullptr;

  // The run's guard: every thread of the enumeration polls Stopped() at
  // each node and the enumeration counts the patterns it finds into it
  // (AddPatterns). Null: no guard.
  RunGuard* guard = nullptr;

  // Form the "%s : %d" line of every recorded pattern for the progress bar
  // even when the debug channel is off.
  bool reportLines = false;

  // When set, the next recorded pattern's line is formed for the progress
  // bar and the flag cleared: a visible bar samples the lines instead of
  // paying for one per pattern. Null: no sampling.
  std::atomic<bool>* lineRequest = nullptr;

  bool Stopped() const { return guard != nullptr && guard->Stopped(); }

  // Two threads on a machine with at least two cores, else one.
  static unsigned DefaultThreads();
};

}  // namespace linkan
