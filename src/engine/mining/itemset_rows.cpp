// itemset_rows.cpp
//
// The itemset engine's row layout: every node keeps, per supporting
// transaction, the items that remain after the pattern's largest item.
#include "engine/mining/itemset_enumerator_internal.h"

namespace linkan::itemset_internal {

// Puts the distinct indices of `sc.touched` (all with a nonzero count in
// sc.cnt, between lo and hi) in ascending order: by sorting when they are
// few, else by a scan of the counts.
namespace {

void Ascending(Scratch& sc, std::uint32_t lo, std::uint32_t hi) {
  const std::size_t n = sc.touched.size();
  if (n * 16 < static_cast<std::size_t>(hi - lo) + 1) {
    std::sort(sc.touched.begin(), sc.touched.end());
    return;
  }
  sc.touched.clear();
  for (std::uint32_t j = lo; j <= hi; ++j) {
    if (sc.cnt[j] != 0) sc.touched.push_back(j);
  }
}

}  // namespace

bool ItemsetEnumerator::Sparse(PatternLog& log, std::span<const Rank> p, const Rows& in,
                               std::span<const Rank> inRank, std::span<const RowRef> d, bool top) {
  if (d.size() < minCount_) return false;
  if (!top && maxpat_ <= static_cast<std::int32_t>(p.size())) return false;
  if (Cancelled()) return false;
  Scratch& sc = Local();

  // Count the items of every row (they all lie after the pattern's largest).
  std::uint32_t lo = 0xffffffffu;
  std::uint32_t hi = 0;
  for (const RowRef& r : d) {
    const std::uint32_t* it = in.items.data() + in.begin[r.row] + r.start;
    const std::uint32_t* end = in.items.data() + in.begin[r.row + 1];
    for (; it != end; ++it) {
      const std::uint32_t j = *it;
      if (sc.cnt[j]++ == 0) {
        sc.touched.push_back(j);
        lo = std::min(lo, j);
        hi = std::max(hi, j);
      }
    }
  }
  if (sc.touched.empty()) return false;
  Ascending(sc, lo, hi);
  NodeItems items;
  Vec<Rank> codes;
  Vec<SupportCount> counts;
  for (const std::uint32_t j : sc.touched) {
    const std::uint32_t k = sc.cnt[j];
    sc.cnt[j] = 0;
    if (k < minCount_) continue;
    sc.mark[j] = static_cast<std::int32_t>(items.rank.size());
    const bool code = Within(k);
    items.rank.push_back(inRank[j]);
    items.code.push_back(code ? 1 : 0);
    items.codePos.push_back(code ? static_cast<std::int32_t>(codes.size()) : -1);
    if (code) {
      codes.push_back(inRank[j]);
      counts.push_back(k);
    }
  }
  auto unmark = [&] {
    for (const std::uint32_t j : sc.touched) sc.mark[j] = -1;
    sc.touched.clear();
  };
  if (codes.empty()) {
    unmark();
    return false;
  }
  Vec<PatternLog::Event> singles;
  AddSingles(log, p, codes, counts, top, singles);
  Found(sc, codes.size());
  const std::size_t lastSingle = log.size() - 1;
  const bool pairs = top ? maxpat_ > 1 : static_cast<std::int32_t>(p.size()) + 2 <= maxpat_;
  if (!pairs) {
    unmark();
    MarkLeaves(singles);
    return true;
  }
  Poll();

  // The node's rows and, per code, the rows holding it, read from just
  // after it.
  Rows rows;
  rows.begin.resize(d.size() + 1);
  Vec<std::uint32_t> firstBegin(codes.size() + 1, 0);
  for (std::size_t k = 0; k < codes.size(); ++k) firstBegin[k + 1] = firstBegin[k] + counts[k];
  Vec<RowRef> firsts(firstBegin.back());
  {
    Vec<std::uint32_t> next(firstBegin.begin(), firstBegin.end() - 1);
    for (std::size_t i = 0; i < d.size(); ++i) {
      const std::uint32_t* it = in.items.data() + in.begin[d[i].row] + d[i].start;
      const std::uint32_t* end = in.items.data() + in.begin[d[i].row + 1];
      for (; it != end; ++it) {
        const std::int32_t li = sc.mark[*it];
        if (li < 0) continue;
        rows.items.push_back(static_cast<std::uint32_t>(li));
        const std::int32_t c = items.codePos[static_cast<std::size_t>(li)];
        if (c >= 0) {
          firsts[next[static_cast<std::size_t>(c)]++] = {
              static_cast<std::uint32_t>(i),
              static_cast<std::uint32_t>(rows.items.size()) - rows.begin[i]};
        }
      }
      rows.begin[i + 1] = static_cast<std::uint32_t>(rows.items.size());
    }
  }
  unmark();

  // Node index of each code, for the branches.
  Vec<std::uint32_t> codeIndex;
  for (std::size_t li = 0; li < items.rank.size(); ++li) {
    if (items.code[li] != 0) codeIndex.push_back(static_cast<std::uint32_t>(li));
  }
  const std::size_t nc = codes.size();
  auto codeAt = [&](std::size_t j) { return top ? j : nc - 1 - j; };
  auto firstsOf = [&](std::size_t k) {
    return std::span<const RowRef>(firsts.data() + firstBegin[k], counts[k]);
  };
  bool descended = false;
  if (parallel_ && rows.items.size() >= ctx_.minParallelWork && nc > 1) {
    std::vector<PatternLog*> subs(nc);
    for (std::size_t j = 0; j < nc; ++j) subs[j] = &log.Attach(lastSingle);
    std::vector<std::uint8_t> went(nc, 0);
    tbb::task_group tg;
    for (std::size_t j = 0; j < nc; ++j) {
      tg.run([&, j] {
        Task([&] {
          const std::size_t k = codeAt(j);
          went[j] = SparseBranch(*subs[j], p, codeIndex[k], items, rows, firstsOf(k)) ? 1 : 0;
        });
      });
    }
    tg.wait();
    descended = std::find(went.begin(), went.end(), 1) != went.end();
  } else {
    for (std::size_t j = 0; j < nc && !Cancelled(); ++j) {
      const std::size_t k = codeAt(j);
      if (SparseBranch(log, p, codeIndex[k], items, rows, firstsOf(k))) descended = true;
    }
  }
  if (!descended) MarkLeaves(singles);
  return true;
}

// The pairs (a, b) of one first code (node index a): returns true when one
// was descended into.
bool ItemsetEnumerator::SparseBranch(PatternLog& log, std::span<const Rank> p, std::uint32_t a,
                                     const NodeItems& items, const Rows& rows,
                                     std::span<const RowRef> firsts) {
  // Tasks still queued when the run stops end here, before their pair pass.
  if (Cancelled()) return false;
  Vec<RowRef> lists;
  Vec<Survivor> survivors;
  Scratch& sc = Local();
  SparsePairs(sc, rows, items, firsts, lists, survivors);
  Found(sc, survivors.size());
  Vec<Rank> key(p.begin(), p.end());
  key.push_back(items.rank[a]);
  key.push_back(0);
  for (const Survivor& s : survivors) {
    if (Cancelled()) break;
    key.back() = items.rank[s.b];
    const PatternLog::Event ev = log.Add(key, s.size);
    if (!Sparse(log, key, rows, items.rank, std::span<const RowRef>(lists.data() + s.begin, s.size),
                false)) {
      PatternLog::MarkLeaf(ev);
    }
  }
  return !survivors.empty();
}

void ItemsetEnumerator::SparsePairs(Scratch& sc, const Rows& rows, const NodeItems& items,
                                    std::span<const RowRef> firsts, Vec<RowRef>& out,
                                    Vec<Survivor>& survivors) {
  std::uint32_t lo = 0xffffffffu;
  std::uint32_t hi = 0;
  for (const RowRef& r : firsts) {
    const std::uint32_t* base = rows.items.data() + rows.begin[r.row];
    const std::uint32_t len = rows.begin[r.row + 1] - rows.begin[r.row];
    for (std::uint32_t i = r.start; i < len; ++i) {
      const std::uint32_t b = base[i];
      if (items.code[b] == 0) continue;
      if (sc.cnt[b]++ == 0) {
        sc.touched.push_back(b);
        lo = std::min(lo, b);
        hi = std::max(hi, b);
      }
      sc.hits.push_back({b, r.row, i + 1});
    }
  }
  if (sc.touched.empty()) return;
  Ascending(sc, lo, hi);
  // Second codes in descending order.
  std::uint32_t total = 0;
  for (auto it = sc.touched.rbegin(); it != sc.touched.rend(); ++it) {
    const std::uint32_t b = *it;
    const std::uint32_t k = sc.cnt[b];
    if (!Within(k)) {
      sc.cnt[b] = 0;
      continue;
    }
    survivors.push_back({b, total, k});
    sc.offset[b] = total;
    total += k;
  }
  out.resize(total);
  for (const Scratch::Hit& h : sc.hits) {
    if (sc.cnt[h.b] == 0) continue;
    out[sc.offset[h.b]++] = {h.row, h.start};
  }
  for (const std::uint32_t b : sc.touched) sc.cnt[b] = 0;
  sc.touched.clear();
  sc.hits.clear();
}

}  // namespace linkan::itemset_internal
