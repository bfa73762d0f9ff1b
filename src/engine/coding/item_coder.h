// item_coder.h
//
// ItemCoder: turns one case of the input table into its items and names
// every new item in the engine's ItemDictionary (a new name gets the next
// number, so numbers follow the order of first appearance). The kinds of
// variables are read in a fixed order, which is the order items are
// produced in:
//   sequential:     dichotomy (`dichvars`), response (`resvars`),
//                   continuous (`contvars`)
//   non-sequential: dichotomy (`mddichvars`), response (`mdresvars`),
//                   continuous (`mdcontvars`)
// A dichotomy variable yields one item at the first of its codes its value
// equals; a response variable yields its cell text (nothing when empty); a
// continuous variable yields the item of the interval its value falls into
// (nothing when missing). With `iSingleItemset` only the response
// variables of the sequential kinds are read. Item names are limited to
// kMaxNameLength bytes; the cuts are counted in cuts(), one per cut text
// met. When the host says that a response variable's cell texts follow the
// cell values, a value's text is read only the first time it is met.
//
// REQUIRES: the statistics pass has filled engine.contStats and
// engine.mdContStats when continuous variables are selected.
//
// Thread safety: one coder per construction, on the analysis thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/coding/continuous_cut.h"
#include "engine/coding/text_cuts.h"
#include "engine/item_dictionary.h"

namespace linkan {

class CAnalysisSupport;
class SalEngine;

class ItemCoder {
 public:
  // Counts of the items one case produced.
  struct Counts {
    std::size_t items = 0;          // sequential variables
    std::size_t nonSequential = 0;  // non-sequential variables
  };

  // Reads the names and missing-data codes of every selected variable and
  // prepares the cuts. Also stores every dichotomy code list as doubles in
  // engine.ncodes / engine.Codes.
  explicit ItemCoder(SalEngine& engine);

  // Most items one case can produce (each variable yields at most one).
  std::size_t SequentialCapacity() const;
  std::size_t NonSequentialCapacity() const;

  // Codes case `caseNo` whose values (indexed by variable number) were read
  // by cstrtw: writes the sequential items to `items` and the
  // non-sequential ones to `nonSequential`, in production order (an item
  // may repeat when two variables name it alike).
  // REQUIRES: room for SequentialCapacity() and NonSequentialCapacity().
  Counts CodeCase(long caseNo, const std::vector<double>& values, ItemNumber* items,
                  ItemNumber* nonSequential);

  // The texts cut so far, by variable; the construction adds its ID texts.
  TextCuts& cuts() { return cuts_; }

 private:
  struct Dichotomy {
    int var;
    std::string name;
    std::vector<double> codes;
    ItemNumber single = 0;  // the one item of a one-code variable, once named
  };
  // An item already named for a value of a response variable.
  struct KnownValue {
    bool known = false;
    bool cut = false;       // its text was cut to kMaxNameLength
    ItemNumber number = 0;  // 0: the value's text is empty, no item
  };
  struct Response {
    int var = 0;
    // When the host's cell texts follow the value, each value's text is
    // read once. Small whole numbers (the codes of a text column, numbered
    // items) index `dense`; other values are found by their bits.
    bool byValue = false;
    std::vector<KnownValue> dense;
    std::unordered_map<std::uint64_t, KnownValue> known;
    KnownValue& Slot(double x);
  };
  struct Continuous {
    int var;
    std::string name;
    double missing;
    ContinuousCut cut;
    std::vector<ItemNumber> numbers;  // per interval, 0 until first named
  };
  struct Group {
    std::vector<Dichotomy> dichotomies;
    std::vector<Response> responses;
    std::vector<Continuous> continuous;
    std::size_t Capacity() const {
      return dichotomies.size() + responses.size() + continuous.size();
    }
  };

  void Prepare(Group& group, const std::vector<int>& dichVars,
               const std::vector<std::vector<double>>& codes, const std::vector<int>& resVars,
               const std::vector<int>& contVars, const std::vector<ContinuousStats>& stats,
               bool responsesOnly);
  std::size_t CodeGroup(Group& group, long caseNo, const std::vector<double>& values,
                        ItemNumber* out);
  // The item of response variable `var` in case `caseNo`, read by its text.
  KnownValue NameResponse(int var, long caseNo);

  CAnalysisSupport& support_;
  ItemDictionary& dictionary_;
  int intervals_;  // ncategpco
  TextCuts cuts_;
  Group sequential_;
  Group nonSequential_;
};

}  // namespace linkan
