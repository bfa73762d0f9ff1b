// pmml_usage.cpp: the field roles' names.
#include "pmml/pmml_document.h"

namespace linkan::pmml {
namespace {

struct UsageEntry {
  Usage usage;
  const char* name;
};

constexpr UsageEntry kUsages[] = {
    {Usage::kTransaction, "transaction"},
    {Usage::kTime, "time"},
    {Usage::kResponse, "response"},
    {Usage::kCategorical, "categorical"},
    {Usage::kContinuous, "continuous"},
    {Usage::kMdResponse, "multidimensionalResponse"},
    {Usage::kMdCategorical, "multidimensionalCategorical"},
    {Usage::kMdContinuous, "multidimensionalContinuous"},
};

}  // namespace

const char* UsageName(Usage usage) {
  for (const UsageEntry& e : kUsages) {
    if (e.usage == usage) return e.name;
  }
  return "";
}

Usage UsageOf(const std::string& name) {
  for (const UsageEntry& e : kUsages) {
    if (name == e.name) return e.usage;
  }
  return Usage::kOther;
}

bool IsCategorical(Usage usage) {
  return usage == Usage::kCategorical || usage == Usage::kMdCategorical;
}

bool IsContinuous(Usage usage) {
  return usage == Usage::kContinuous || usage == Usage::kMdContinuous;
}

}  // namespace linkan::pmml
