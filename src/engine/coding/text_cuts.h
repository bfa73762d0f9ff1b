// text_cuts.h
//
// TextCuts: the texts a run cut to kMaxNameLength bytes (item_names.h), per
// variable, so that the run can say so once instead of cutting without a
// word. Two texts that differ only after the cut name the same item (or
// the same ID), so a user needs to know. Counted are the values (cell
// texts, and item names made from them) and, apart, the variable's own name
// together with the item names made from it alone.
//
// Thread safety: a value type; one per construction, on the analysis thread.
#pragma once

#include <map>
#include <string>

namespace linkan {

class CAnalysisSupport;

class TextCuts {
 public:
  // `text` limited to kMaxNameLength bytes; a cut counts as one value of
  // variable `var`.
  std::string LimitValue(int var, std::string text);
  // Counts one more cut value of `var`: a value met again whose text was
  // cut when first met.
  void AddValueCut(int var) { ++variables_[var].values; }
  // `text` limited likewise; a cut is noted against the name of `var`.
  std::string LimitName(int var, std::string text);

  bool empty() const { return variables_.empty(); }
  // How many values of `var` were cut.
  long ValuesCut(int var) const;

  // One line for the whole run, naming each variable with cuts (by the
  // names `support` gives) and how many of its values were cut, e.g.
  //   texts longer than 999 bytes were cut to 999 bytes (texts that differ
  //   only after that became one): "note": 3 values; variable 5: its name
  // REQUIRES: !empty().
  std::string Warning(const CAnalysisSupport& support) const;

 private:
  struct Cuts {
    long values = 0;
    bool name = false;
  };
  std::map<int, Cuts> variables_;  // by variable number
};

}  // namespace linkan
