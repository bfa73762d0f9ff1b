// item_names.h
//
// The texts items are named from: variable names, cell texts and the
// formatted names of dichotomy items. Every item name and ID text is
// limited to kMaxNameLength bytes; a cut never splits a UTF-8 sequence.
// The functions here give the texts whole; the coder limits them through
// TextCuts (text_cuts.h), which counts the cuts for the run's warning.
//
// Thread safety: the functions call the host through `support` and belong
// to the analysis thread; LimitText and DichotomyItemName are pure.
#pragma once

#include <cstddef>
#include <string>

namespace linkan {

class CAnalysisSupport;

inline constexpr std::size_t kMaxNameLength = 999;

// `text` cut to at most kMaxNameLength bytes (fewer when the cut would fall
// inside a multi-byte UTF-8 character).
std::string LimitText(std::string text);

// The name items of variable `var` are named by: the host's name widened to
// its long form, formatting codes removed, trailing blanks cut.
std::string VariableName(const CAnalysisSupport& support, int var);

// The text of cell (`row`, `var`) with formatting codes removed.
std::string CellText(const CAnalysisSupport& support, long row, int var);

// A dichotomy item: the variable name alone when the variable has exactly
// one code, else "<variable>=<cell text>".
std::string DichotomyItemName(const std::string& variableName, std::size_t codeCount,
                              const std::string& cellText);

}  // namespace linkan
