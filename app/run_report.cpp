// run_report.cpp
#include "run_report.h"

#include <cstdio>

namespace linkan::app {
namespace {

std::string Count(unsigned long long n, const std::string& one, const std::string& many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string FormatRunSummary(const RunSummary& s, double seconds) {
  std::string line;
  if (s.association) {
    line = Count(s.transactions, "transaction", "transactions");
  } else {
    line = Count(s.transactions, "sequence", "sequences");
  }
  line += ", " + Count(s.items, "item", "items") + " (" + std::to_string(s.frequentItems) +
          " frequent), ";
  if (s.association) {
    line += Count(s.patterns, "frequent itemset", "frequent itemsets") + ", " +
            Count(s.rules, "association rule", "association rules");
  } else {
    line += Count(s.patterns, "frequent sequence", "frequent sequences") + ", " +
            Count(s.rules, "sequential rule", "sequential rules");
  }
  char time[32];
  std::snprintf(time, sizeof time, seconds < 10 ? " in %.3f s" : " in %.1f s", seconds);
  return line + time;
}

std::string OneLine(const std::string& text) {
  std::string out;
  bool pendingSpace = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\n' || c == '\r') {
      while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
      pendingSpace = !out.empty();
      while (i + 1 < text.size() && (text[i + 1] == ' ' || text[i + 1] == '\t' ||
                                     text[i + 1] == '\n' || text[i + 1] == '\r')) {
        ++i;
      }
      continue;
    }
    if (pendingSpace) out.push_back(' ');
    pendingSpace = false;
    out.push_back(c);
  }
  return out;
}

}  // namespace linkan::app
