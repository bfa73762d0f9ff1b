// item_cluster.h
//
// The results of the clustering of items: the clusters in order of creation
// and the steps in which items were placed, each with its lift.
#pragma once

#include <cstdint>

#include "engine/pattern.h"

namespace linkan {

struct ItemCluster {
  Pattern pattern;          // one itemset
  SupportCount count = 0;   // from the frequent pattern map
};

struct ClusterStep {
  std::int32_t item = 0;
  double lift = 0.0;
};

}  // namespace linkan
