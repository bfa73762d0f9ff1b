// code_text.h
//
// Codes typed as text: a code of a multiple-dichotomy variable is given
// either as one of the variable's text labels or as a whole number.
//
// Thread safety: pure functions.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace linkan {

// The value of `text` for a variable with value labels `labels` (label k
// codes k + 1): the label's code when the text is a label, else the text
// read as a whole number (an optional sign, blanks around, within 32 bits).
// Anything else ("Level 10", "2nd", "1.5", "") is not a code.
std::optional<long long> ConvertCodeText(const std::vector<std::string>& labels,
                                         const std::string& text);

// A single code as text in the terms of the first dichotomy variable:
// a number whose label that variable has becomes the label, any other
// number is printed with "%f" less its trailing zeros and point; a text
// that is not a number stays as it is.
std::string SingleCodeText(const std::vector<std::string>& firstVariableLabels,
                           const std::string& fieldText);

}  // namespace linkan
