// vertical_lists.cpp
#include "engine/mining/vertical_lists.h"

namespace linkan::vertical {

namespace {

// Appends the positions of the join of groups ga of a and gb of b (one
// sequence) to `out`; true when there are any.
bool JoinGroup(const ListSet& in, std::uint32_t ga, std::uint32_t gb, Join kind, ListSet& out) {
  const std::uint32_t* pos = in.pos.data();
  const std::size_t before = out.pos.size();
  const std::uint32_t* pb = pos + in.start[gb];
  const std::uint32_t* pbEnd = pos + in.start[gb + 1];
  if (kind == Join::kSequence) {
    const std::uint32_t first = pos[in.start[ga]];
    while (pb != pbEnd && *pb <= first) ++pb;
    out.pos.insert(out.pos.end(), pb, pbEnd);
  } else {
    const std::uint32_t* pa = pos + in.start[ga];
    const std::uint32_t* paEnd = pos + in.start[ga + 1];
    while (pa != paEnd && pb != pbEnd) {
      if (*pa < *pb) {
        ++pa;
      } else if (*pb < *pa) {
        ++pb;
      } else {
        out.pos.push_back(*pa);
        ++pa;
        ++pb;
      }
    }
  }
  if (out.pos.size() == before) return false;
  out.sid.push_back(in.sid[ga]);
  out.start.push_back(static_cast<std::uint32_t>(out.pos.size()));
  return true;
}

}  // namespace

// The joins count bits: on x86-64 a second version uses the processor's
// population count, chosen when the library is loaded.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("popcnt", "default")))
#endif
std::uint32_t
JoinLists(const ListSet& in, const ListSet::List& a, const ListSet::List& b, Join kind,
          std::uint32_t minCount, ListSet& out) {
  const std::size_t sidMark = out.sid.size();
  const std::size_t posMark = out.pos.size();
  std::uint32_t found = 0;
  const auto fail = [&] {
    out.sid.resize(sidMark);
    out.start.resize(sidMark + 1);
    out.pos.resize(posMark);
    return std::uint32_t{0};
  };
  if (a.bitsAt != ListSet::kNoBits && b.bitsAt != ListSet::kNoBits) {
    // Both bit sets: the common sequences bound the support.
    const std::uint64_t* ba = in.bits.data() + a.bitsAt;
    const std::uint64_t* bb = in.bits.data() + b.bitsAt;
    std::uint32_t common = 0;
    for (std::uint32_t w = 0; w < in.words; ++w) {
      common += static_cast<std::uint32_t>(__builtin_popcountll(ba[w] & bb[w]));
    }
    if (common < minCount || common == 0) return 0;
    const std::uint32_t* ra = in.ranks.data() + a.bitsAt;
    const std::uint32_t* rb = in.ranks.data() + b.bitsAt;
    for (std::uint32_t w = 0; w < in.words; ++w) {
      std::uint64_t m = ba[w] & bb[w];
      while (m != 0) {
        const std::uint64_t low = (m & (~m + 1)) - 1;  // the bits below the lowest
        const std::uint32_t ga =
            a.begin + ra[w] + static_cast<std::uint32_t>(__builtin_popcountll(ba[w] & low));
        const std::uint32_t gb =
            b.begin + rb[w] + static_cast<std::uint32_t>(__builtin_popcountll(bb[w] & low));
        if (JoinGroup(in, ga, gb, kind, out)) ++found;
        --common;
        if (found + common < minCount) return fail();
        m &= m - 1;
      }
    }
  } else if (a.bitsAt != ListSet::kNoBits || b.bitsAt != ListSet::kNoBits) {
    // One bit set: the other list's sequences are looked up in it.
    const bool aBits = a.bitsAt != ListSet::kNoBits;
    const ListSet::List& scan = aBits ? b : a;
    const ListSet::List& probe = aBits ? a : b;
    for (std::uint32_t g = scan.begin; g < scan.end; ++g) {
      if (found + (scan.end - g) < minCount) return fail();
      const std::int64_t other = in.GroupOf(probe, in.sid[g]);
      if (other < 0) continue;
      const auto o = static_cast<std::uint32_t>(other);
      if (JoinGroup(in, aBits ? o : g, aBits ? g : o, kind, out)) ++found;
    }
  } else {
    std::uint32_t ga = a.begin;
    std::uint32_t gb = b.begin;
    const std::uint32_t* sid = in.sid.data();
    while (ga < a.end && gb < b.end) {
      if (found + std::min(a.end - ga, b.end - gb) < minCount) return fail();
      const std::uint32_t sa = sid[ga];
      const std::uint32_t sb = sid[gb];
      if (sa < sb) {
        ++ga;
      } else if (sb < sa) {
        ++gb;
      } else {
        if (JoinGroup(in, ga, gb, kind, out)) ++found;
        ++ga;
        ++gb;
      }
    }
  }
  if (found < minCount || found == 0) return fail();
  return found;
}

}  // namespace linkan::vertical
