// selected_items.h
//
// The text form of a selection of items, as LNKResult's `SelectedItems`
// reads and writes it and as a task file gives it: item names joined by
// " | ". A "|" or "\" inside a name is written with a backslash before it
// ("fish | chips" -> "fish \| chips", "a\b" -> "a\\b"); a backslash before
// any other character is an ordinary backslash. Reading splits at every
// "|" that is not escaped and drops spaces around each name, so
// "a|b", "a | b" and " a |b " all name a and b.
//
// A text with an empty name (nothing at all, "a||b", "a |", "| a") is
// refused: a script that mistyped its selection must not silently get the
// outputs of some other selection.
//
// Example:
//   std::string text = linkan::JoinSelectedItems({"fish | chips", "tea"});
//   // "fish \| chips | tea"
//   std::optional<std::vector<std::string>> names = linkan::SplitSelectedItems(text);
//   // {"fish | chips", "tea"}
//
// Header-only, so that a host needs no part of the module for it.
// Thread safety: no shared state.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace linkan {

inline constexpr const char* kSelectedItemsSeparator = " | ";

// `name` with a backslash before each "|" and "\".
inline std::string EscapeSelectedItem(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (const char c : name) {
    if (c == '|' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

// The names escaped and joined by " | ".
inline std::string JoinSelectedItems(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& name : names) {
    if (!out.empty()) out += kSelectedItemsSeparator;
    out += EscapeSelectedItem(name);
  }
  return out;
}

// The names of `text`, or nothing when a name is empty.
inline std::optional<std::vector<std::string>> SplitSelectedItems(const std::string& text) {
  std::vector<std::string> names;
  std::string name;
  // Spaces are dropped at the ends of a name only when not escaped: the
  // kept length marks the end of the last character that counts.
  std::size_t kept = 0;
  auto finish = [&]() -> bool {
    name.resize(kept);
    if (name.empty()) return false;
    names.push_back(name);
    name.clear();
    kept = 0;
    return true;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '|') {
      if (!finish()) return std::nullopt;
    } else if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '|' || text[i + 1] == '\\')) {
      name.push_back(text[++i]);
      kept = name.size();
    } else if (c == ' ' && name.empty()) {
      // a leading space
    } else {
      name.push_back(c);
      if (c != ' ') kept = name.size();
    }
  }
  if (!finish()) return std::nullopt;
  return names;
}

}  // namespace linkan
