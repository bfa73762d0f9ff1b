// importers.cpp
#include "importers.h"

#include <charconv>
#include <unordered_map>
#include <vector>

#include "data_error.h"
#include "file_io.h"
#include "number_text.h"
#include "text_encoding.h"

namespace linkan::app {
namespace {

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlankChar(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlankChar(s.back())) s.remove_suffix(1);
  return s;
}

// Splits text into lines at LF, CRLF or a lone CR; the line number counts
// from 1.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = pos_;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
    line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n' && (pos_ == end || text_[pos_ - 1] == '\r')) {
      ++pos_;
    }
    ++number_;
    return true;
  }
  long number() const { return number_; }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
  long number_ = 0;
};

// The 1-based character column of `token` inside `line`.
long ColumnOf(std::string_view line, std::string_view token) {
  long column = 1;
  const std::size_t offset = static_cast<std::size_t>(token.data() - line.data());
  for (std::size_t i = 0; i < offset && i < line.size(); ++i) {
    if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) ++column;
  }
  return column;
}

// Calls f(token) for each blank-separated token of `line`.
template <typename F>
void ForEachBlankToken(std::string_view line, F&& f) {
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlankChar(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlankChar(line[i])) ++i;
    if (i > start) f(line.substr(start, i - start));
  }
}

bool IsNegativeInteger(std::string_view token, long& value) {
  if (token.size() < 2 || token.front() != '-') return false;
  const auto r = std::from_chars(token.data(), token.data() + token.size(), value);
  return r.ec == std::errc() && r.ptr == token.data() + token.size();
}

// An upper bound of the items of a basket file: the tokens between blanks,
// or the fields between commas, so the table is sized once.
std::size_t CountItems(std::string_view text, char separator) {
  std::size_t n = 0;
  bool inToken = false;
  for (const char c : text) {
    const bool between = c == '\n' || c == '\r' || c == separator ||
                         (separator == ' ' && c == '\t');
    if (!between && !inToken) ++n;
    inToken = !between;
  }
  return n;
}

}  // namespace

std::optional<ImportFormat> ParseImportFormat(std::string_view name) {
  if (name == "basket") return ImportFormat::kBasket;
  if (name == "spmf") return ImportFormat::kSpmf;
  return std::nullopt;
}

DataTable ImportBasket(std::string_view text, const std::string& source,
                       BasketSeparator separator) {
  text = CheckUtf8Text(text, source, kLatin1Hint);
  if (separator == BasketSeparator::kAuto) {
    separator = text.find(',') != std::string_view::npos ? BasketSeparator::kComma
                                                         : BasketSeparator::kBlank;
  }
  TableBuilder builder({"ID", "item"}, text);
  const std::size_t items = CountItems(text, separator == BasketSeparator::kComma ? ',' : ' ');
  builder.Reserve(items);
  // The ID of an item is the number of its line.
  builder.MarkNumbered(0);
  std::vector<double> ids;
  ids.reserve(items);
  std::vector<std::string_view> row(2);
  LineReader lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    auto add = [&](std::string_view item) {
      ids.push_back(static_cast<double>(lines.number()));
      row[1] = item;
      builder.AddRow(row);
    };
    if (separator == BasketSeparator::kComma) {
      std::size_t start = 0;
      for (;;) {
        const std::size_t comma = line.find(',', start);
        const std::string_view item = Trim(line.substr(start, comma - start));
        if (!item.empty()) add(item);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
      }
    } else {
      ForEachBlankToken(line, add);
    }
  }
  builder.SetNumbers(0, std::move(ids));
  return builder.Build(source);
}

DataTable ImportSpmf(std::string_view text, const std::string& source) {
  text = CheckUtf8Text(text, source, kLatin1Hint);
  TableBuilder builder({"ID", "time", "item"}, text);
  // The ID of an item is the number of its sequence.
  builder.MarkNumbered(0);
  std::vector<double> ids;
  std::unordered_map<std::string_view, std::string_view> itemNames;  // "@ITEM=code=name"
  std::vector<std::string_view> row(3);
  std::optional<bool> timestamped;  // decided by the first itemset
  long sequence = 0;

  LineReader lines(text);
  std::string_view line;
  while (lines.Next(line)) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty()) continue;
    const char first = trimmed.front();
    if (first == '@') {
      constexpr std::string_view kItem = "@ITEM=";
      if (trimmed.substr(0, kItem.size()) == kItem) {
        const std::string_view rest = trimmed.substr(kItem.size());
        const std::size_t eq = rest.find('=');
        if (eq == std::string_view::npos || eq == 0 || eq + 1 >= rest.size()) {
          throw DataError(source, lines.number(), ColumnOf(line, trimmed),
                          "an item name line must read @ITEM=<code>=<name>");
        }
        itemNames[rest.substr(0, eq)] = rest.substr(eq + 1);
      }
      continue;
    }
    if (first == '#' || first == '%') continue;

    // One or more sequences on this line.
    bool inSequence = false;
    long position = 0;         // itemsets with items so far in the sequence
    std::string_view time;     // the current itemset's time text
    bool itemsetOpen = false;  // the current itemset holds an item
    bool timeGiven = false;    // the current itemset has its "<t>"
    auto startSequence = [&] {
      if (!inSequence) {
        inSequence = true;
        ++sequence;
        position = 0;
      }
    };
    auto closeItemset = [&] {
      itemsetOpen = false;
      timeGiven = false;
    };
    ForEachBlankToken(line, [&](std::string_view token) {
      const long column = ColumnOf(line, token);
      long negative = 0;
      if (token.front() == '<') {
        if (token.size() >= 3 && token.back() == '>' &&
            IsOutOfRangeNumber(token.substr(1, token.size() - 2))) {
          throw DataError(source, lines.number(), column + 1,
                          "the timestamp " + std::string(token.substr(1, token.size() - 2)) +
                              " is outside the range of a double");
        }
        if (token.back() != '>' || token.size() < 3 ||
            !ParseNumber(token.substr(1, token.size() - 2))) {
          throw DataError(
              source, lines.number(), column,
              "a timestamp must read <t> with a number t, not \"" + std::string(token) + "\"");
        }
        if (itemsetOpen || timeGiven) {
          throw DataError(source, lines.number(), column,
                          "a timestamp must start its itemset (end the itemset before with -1)");
        }
        startSequence();
        if (timestamped && !*timestamped) {
          throw DataError(source, lines.number(), column,
                          "this itemset has a timestamp but the earlier itemsets have none");
        }
        timestamped = true;
        timeGiven = true;
        time = token.substr(1, token.size() - 2);
        return;
      }
      if (IsNegativeInteger(token, negative)) {
        if (negative == -1) {
          closeItemset();
          return;
        }
        if (negative == -2) {
          closeItemset();
          startSequence();  // an empty sequence still takes its number
          inSequence = false;
          return;
        }
        throw DataError(source, lines.number(), column,
                        "unexpected \"" + std::string(token) +
                            "\": -1 ends an itemset, -2 ends a sequence, items are not negative");
      }
      // An item.
      startSequence();
      if (!itemsetOpen) {
        if (!timestamped) timestamped = timeGiven;
        if (*timestamped && !timeGiven) {
          throw DataError(source, lines.number(), column,
                          "this itemset has no timestamp <t> but the earlier itemsets have one");
        }
        ++position;
        row[1] = *timestamped ? time : builder.Keep(std::to_string(position));
        itemsetOpen = true;
      }
      const auto named = itemNames.find(token);
      row[2] = named != itemNames.end() ? named->second : token;
      ids.push_back(static_cast<double>(sequence));
      builder.AddRow(row);
    });
  }
  builder.SetNumbers(0, std::move(ids));
  return builder.Build(source);
}

DataTable ImportFile(const std::string& path, ImportFormat format, BasketSeparator separator,
                     TextEncoding encoding) {
  const std::string text = DecodeText(ReadWholeFile(path), encoding, path);
  return format == ImportFormat::kBasket ? ImportBasket(text, path, separator)
                                         : ImportSpmf(text, path);
}

}  // namespace linkan::app
