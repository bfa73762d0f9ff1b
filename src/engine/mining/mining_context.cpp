// mining_context.cpp
#include "engine/mining/mining_context.h"

#include <thread>

namespace linkan {

unsigned MiningContext::DefaultThreads() {
  return std::thread::hardware_concurrency() >= 2 ? 2u : 1u;
}

}  // namespace linkan
