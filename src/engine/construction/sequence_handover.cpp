// sequence_handover.cpp
#include "engine/construction/sequence_handover.h"

#include <utility>

namespace linkan {

SequenceDatabase ToSequenceDatabase(const TransactionSet& set, std::size_t sequences,
                                    const ItemsetCombining& combining) {
  SequenceDatabaseBuilder builder(sequences);
  builder.Reserve(set.GroupCount());
  for (std::size_t s = 0; s < sequences; ++s) {
    for (const TransactionGroup& g : set.Groups(s)) builder.Add(s, g.time, g.items);
  }
  return std::move(builder).Build(combining);
}

}  // namespace linkan
