// mining_context.h
//
// MiningContext: how an enumeration runs, apart from what it computes. The
// results never depend on it: any thread count and any layout give the same
// patterns, IDs, counts and leaves.
//
// Thread safety: a plain value, read by the enumeration.
#pragma once

#include <cstddef>

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
  enum class Layout { kAuto, kGeneral, kSparse, kDense };
  Layout layout = Layout::kAuto;

  // Polled for cancellation (IsAnalysisCancelled) on the calling thread;
  // null: the run cannot be cancelled.
  const CAnalysisSupport* cancelSource = nullptr;

  // Form the "%s : %d" line of every recorded pattern for the progress bar
  // even when the debug channel is off (a visible host bar shows it).
  bool reportLines = false;

  // Two threads on a machine with at least two cores, else one.
  static unsigned DefaultThreads();
};

}  // namespace linkan
