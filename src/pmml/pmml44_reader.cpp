// pmml44_reader.cpp: standard PMML 4.x association and sequence models
// (pmml_reader.h), with the module's Extension elements where present.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

#include "pmml/pmml_numbers.h"
#include "pmml/pmml_reader_internal.h"
#include "pmml/pmml_writer.h"

namespace linkan::pmml {
namespace {

// The values of the module's Extension children of `node` by name, in
// document order.
std::multimap<std::string, std::pair<std::string, pugi::xml_node>> Extensions(pugi::xml_node node) {
  std::multimap<std::string, std::pair<std::string, pugi::xml_node>> out;
  for (pugi::xml_node e : node.children()) {
    if (Is(e, "Extension") && std::string_view(e.attribute("extender").value()) == kExtender) {
      out.emplace(e.attribute("name").value(), std::make_pair(e.attribute("value").value(), e));
    }
  }
  return out;
}

class Pmml44Reader {
 public:
  explicit Pmml44Reader(Document& doc) : doc_(doc) {}

  void Read(pugi::xml_node root, pugi::xml_node model) {
    ReadFigures(model);
    ReadFields(root, model);
    ReadItems(model);
    if (doc_.association) {
      ReadItemsets(model);
    } else {
      ReadSequences(model);
    }
  }

 private:
  using ExtensionMap = std::multimap<std::string, std::pair<std::string, pugi::xml_node>>;

  static std::optional<double> ExtReal(const ExtensionMap& ext, const char* name) {
    const auto it = ext.find(name);
    if (it == ext.end()) return std::nullopt;
    const std::optional<double> x = ParseReal(it->second.first);
    if (!x) throw Malformed{it->second.second, std::string("Extension ") + name + " is no number"};
    return x;
  }
  static std::optional<std::int64_t> ExtWhole(const ExtensionMap& ext, const char* name) {
    const auto it = ext.find(name);
    if (it == ext.end()) return std::nullopt;
    const std::optional<std::int64_t> n = ParseWhole(it->second.first);
    if (!n) throw Malformed{it->second.second, std::string("Extension ") + name + " is no whole number"};
    return n;
  }

  void ReadFigures(pugi::xml_node m) {
    const ExtensionMap ext = Extensions(m);
    const std::int64_t n = doc_.association ? OptionalWhole(m, "numberOfTransactions", 0)
                                            : OptionalWhole(m, "numberOfTransactionGroups",
                                                            OptionalWhole(m, "numberOfTransactions", 0));
    doc_.numberOfTransactions = static_cast<std::uint64_t>(std::max<std::int64_t>(n, 0));
    doc_.minimumSupport = ExtReal(ext, "minimumSupport").value_or(OptionalReal(m, "minimumSupport", 0.0));
    doc_.minimumConfidence =
        ExtReal(ext, "minimumConfidence").value_or(OptionalReal(m, "minimumConfidence", 0.0));
    doc_.maximumSupport = ExtReal(ext, "maximumSupport").value_or(1.0);
    doc_.maximumConfidence = ExtReal(ext, "maximumConfidence").value_or(1.0);
    doc_.maxItemsPerTransaction = static_cast<std::int32_t>(
        ExtWhole(ext, "maxNumberOfItemsPerTransaction").value_or(OptionalWhole(m, "maxNumberOfItemsPerTA", 0)));
    frequentItems_ = ExtWhole(ext, "numberOfFrequentItems");
    if (doc_.association) return;
    doc_.combineByTime = ext.count("timeWindowWidth") > 0;
    doc_.timeWindowWidth = ExtReal(ext, "timeWindowWidth").value_or(0.0);
    doc_.fixedItemsets = static_cast<std::int32_t>(ExtWhole(ext, "FixedNumberOfItemsetsPerSequence").value_or(1));
    doc_.minimumTime = ExtReal(ext, "minimumTime").value_or(0.0);
    doc_.maximumTime = ExtReal(ext, "maximumTime").value_or(0.0);
    doc_.maxItemsetsPerSequence =
        static_cast<std::int32_t>(ExtWhole(ext, "maxNumberOfItemsetsPerSequence").value_or(0));
  }

  void ReadFields(pugi::xml_node root, pugi::xml_node model) {
    std::map<std::string, pugi::xml_node> dataFields;
    if (pugi::xml_node dictionary = Child(root, "DataDictionary")) {
      for (pugi::xml_node f : dictionary.children()) {
        if (Is(f, "DataField")) dataFields.emplace(f.attribute("name").value(), f);
      }
    }
    pugi::xml_node schema = Child(model, "MiningSchema");
    if (!schema) throw Malformed{model, Label(model) + " has no MiningSchema"};
    for (pugi::xml_node f : schema.children()) {
      if (!Is(f, "MiningField") || !f.attribute("name")) continue;
      Field field{.name = f.attribute("name").value()};
      const ExtensionMap ext = Extensions(f);
      const std::string standard = f.attribute("usageType") ? f.attribute("usageType").value() : "active";
      if (const auto it = ext.find("usageType"); it != ext.end()) {
        field.usage = UsageOf(it->second.first);
        if (field.usage == Usage::kOther) field.usageText = it->second.first;
      } else if (standard == "group") {
        field.usage = Usage::kTransaction;
      } else if (standard == "order") {
        field.usage = Usage::kTime;
      } else if (standard == "active") {
        field.usage = Usage::kResponse;
      } else {
        field.usage = Usage::kOther;
        field.usageText = standard;
      }
      if (IsCategorical(field.usage)) ReadCodes(field, dataFields, ext, f);
      if (IsContinuous(field.usage)) {
        auto stat = [&](const char* name) {
          const std::optional<double> x = ExtReal(ext, name);
          if (!x) throw Malformed{f, "MiningField " + field.name + " has no " + name};
          return *x;
        };
        field.stats = {.min = stat("minimum"), .max = stat("maximum"), .width = stat("rangeOfInterval"),
                       .mean = stat("mean"), .m2 = stat("variance")};
      }
      doc_.fields.push_back(std::move(field));
    }
  }

  static void ReadCodes(Field& field, const std::map<std::string, pugi::xml_node>& dataFields,
                        const ExtensionMap& ext, pugi::xml_node where) {
    (void)ext;
    std::vector<std::int32_t> numbers;
    for (pugi::xml_node e : where.children()) {
      if (!Is(e, "Extension") || std::string_view(e.attribute("name").value()) != "numericValue") continue;
      const std::optional<std::int64_t> n = ParseWhole(e.attribute("value").value());
      if (!n) throw Malformed{e, "MiningField " + field.name + ": a numericValue is no whole number"};
      numbers.push_back(static_cast<std::int32_t>(*n));
    }
    const auto it = dataFields.find(field.name);
    if (it == dataFields.end()) return;
    for (pugi::xml_node v : it->second.children()) {
      if (!Is(v, "Value")) continue;
      const std::size_t k = field.codes.size();
      field.codes.push_back({RequiredText(v, "value"),
                             k < numbers.size() ? numbers[k] : static_cast<std::int32_t>(k + 1)});
    }
  }

  // Items: ids that are all whole numbers keep them; otherwise the items
  // are numbered 1, 2, ... in document order.
  void ReadItems(pugi::xml_node model) {
    std::vector<std::pair<std::string, pugi::xml_node>> items;
    bool numeric = true;
    std::set<std::int64_t> seen;
    for (pugi::xml_node n : model.children()) {
      if (!Is(n, "Item")) continue;
      const std::string id = RequiredText(n, "id");
      RequiredText(n, "value");
      const std::optional<std::int64_t> k = ParseWhole(id);
      numeric = numeric && k && *k >= INT32_MIN && *k <= INT32_MAX && seen.insert(*k).second;
      items.emplace_back(id, n);
    }
    for (std::size_t k = 0; k < items.size(); ++k) {
      const auto& [id, node] = items[k];
      const ItemNumber number = numeric ? static_cast<ItemNumber>(*ParseWhole(id))
                                        : static_cast<ItemNumber>(k + 1);
      if (!itemIds_.emplace(id, number).second) throw Malformed{node, Label(node) + ": the id is used twice"};
      const std::string value = node.attribute("value").value();
      itemByValue_.emplace(value, number);
      doc_.items.emplace_back(number, value);
    }
    std::sort(doc_.items.begin(), doc_.items.end());
    // A negative count reads as 0, as the native reader reads its own.
    doc_.numberOfItems = static_cast<std::uint64_t>(
        std::max<std::int64_t>(0, frequentItems_.value_or(static_cast<std::int64_t>(items.size()))));
  }

  ItemNumber ItemOf(pugi::xml_node where, const std::string& ref) const {
    const auto it = itemIds_.find(ref);
    if (it == itemIds_.end()) throw Malformed{where, Label(where) + ": itemRef " + ref + " names no Item"};
    return it->second;
  }

  void ReadItemsets(pugi::xml_node model) {
    std::map<std::string, std::size_t> byId;
    for (pugi::xml_node n : model.children()) {
      if (!Is(n, "Itemset")) continue;
      Itemset items;
      for (pugi::xml_node r : n.children()) {
        if (Is(r, "ItemRef")) items.push_back(ItemOf(r, RequiredText(r, "itemRef")));
      }
      if (n.attribute("numberOfItems") &&
          RequiredWhole(n, "numberOfItems") != static_cast<std::int64_t>(items.size())) {
        throw Malformed{n, Label(n) + ": numberOfItems is " + RequiredText(n, "numberOfItems") +
                               " but it holds " + std::to_string(items.size()) + " ItemRef elements"};
      }
      Pattern p{items};
      Normalize(p);
      if (!byId.emplace(RequiredText(n, "id"), doc_.patterns.size()).second) {
        throw Malformed{n, Label(n) + ": the id is used twice"};
      }
      doc_.patterns.push_back({std::move(p), OptionalReal(n, "support", std::nan(""))});
    }
    for (pugi::xml_node n : model.children()) {
      if (!Is(n, "AssociationRule")) continue;
      Rule r{.support = RequiredReal(n, "support"),
             .confidence = RequiredReal(n, "confidence"),
             .lift = OptionalReal(n, "lift", 0.0)};
      r.body = PatternById(byId, n, "antecedent");
      r.head = PatternById(byId, n, "consequent");
      doc_.rules.push_back(std::move(r));
    }
    DropAddedPatterns();
  }

  Pattern PatternById(const std::map<std::string, std::size_t>& byId, pugi::xml_node n,
                      const char* attribute) const {
    const std::string id = RequiredText(n, attribute);
    const auto it = byId.find(id);
    if (it == byId.end()) throw Malformed{n, Label(n) + ": " + attribute + " \"" + id + "\" names nothing"};
    return doc_.patterns[it->second].pattern;
  }

  // Patterns without a support were written only as rule parts: they are
  // no frequent patterns of the model.
  void DropAddedPatterns() {
    std::erase_if(doc_.patterns, [](const PatternSupport& p) { return std::isnan(p.support); });
  }

  // The items of a set predicate: the module's itemRefs, else the Array's
  // strings matched to Item values.
  Itemset SetItems(pugi::xml_node predicate) const {
    Itemset items;
    const ExtensionMap ext = Extensions(predicate);
    if (const auto it = ext.find("itemRefs"); it != ext.end()) {
      std::string_view text = it->second.first;
      while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string ref(text.substr(0, space));
        if (!ref.empty()) items.push_back(ItemOf(predicate, ref));
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
      }
      return items;
    }
    pugi::xml_node array = Child(predicate, "Array");
    if (!array) throw Malformed{predicate, Label(predicate) + " has no Array"};
    for (const std::string& value : ArrayStrings(array)) {
      const auto it = itemByValue_.find(value);
      if (it == itemByValue_.end()) {
        throw Malformed{array, Label(predicate) + ": \"" + value + "\" names no Item"};
      }
      items.push_back(it->second);
    }
    return items;
  }

  // The strings of an Array: separated by blanks, a string in double quotes
  // may hold blanks and \" for a quote.
  static std::vector<std::string> ArrayStrings(pugi::xml_node array) {
    std::vector<std::string> out;
    const std::string text = array.text().get();
    std::size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
      if (i >= text.size()) break;
      std::string value;
      if (text[i] == '"') {
        ++i;
        while (i < text.size() && text[i] != '"') {
          if (text[i] == '\\' && i + 1 < text.size()) ++i;
          value += text[i++];
        }
        ++i;
      } else {
        while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) value += text[i++];
      }
      out.push_back(std::move(value));
    }
    return out;
  }

  void ReadSequences(pugi::xml_node model) {
    std::map<std::string, Itemset> sets;
    for (pugi::xml_node n : model.children()) {
      if (Is(n, "SetPredicate")) sets[RequiredText(n, "id")] = SetItems(n);
    }
    std::map<std::string, std::size_t> byId;
    for (pugi::xml_node n : model.children()) {
      if (!Is(n, "Sequence")) continue;
      Pattern p;
      for (pugi::xml_node r : n.children()) {
        if (!Is(r, "SetReference")) continue;
        const std::string id = RequiredText(r, "setId");
        const auto it = sets.find(id);
        if (it == sets.end()) throw Malformed{r, Label(n) + ": setId \"" + id + "\" names no SetPredicate"};
        p.push_back(it->second);
      }
      if (p.empty()) throw Malformed{n, Label(n) + " holds no SetReference"};
      if (n.attribute("numberOfSets") &&
          RequiredWhole(n, "numberOfSets") != static_cast<std::int64_t>(p.size())) {
        throw Malformed{n, Label(n) + ": numberOfSets is " + RequiredText(n, "numberOfSets") +
                               " but it holds " + std::to_string(p.size()) + " SetReference elements"};
      }
      Normalize(p);
      if (!byId.emplace(RequiredText(n, "id"), doc_.patterns.size()).second) {
        throw Malformed{n, Label(n) + ": the id is used twice"};
      }
      doc_.patterns.push_back({std::move(p), OptionalReal(n, "support", std::nan(""))});
    }
    for (pugi::xml_node n : model.children()) {
      if (!Is(n, "SequenceRule")) continue;
      Rule r{.support = RequiredReal(n, "support"),
             .confidence = RequiredReal(n, "confidence"),
             .lift = OptionalReal(n, "lift", 0.0)};
      r.body = SequenceOf(byId, n, "AntecedentSequence");
      r.head = SequenceOf(byId, n, "ConsequentSequence");
      doc_.rules.push_back(std::move(r));
    }
    DropAddedPatterns();
  }

  Pattern SequenceOf(const std::map<std::string, std::size_t>& byId, pugi::xml_node rule,
                     const char* part) const {
    pugi::xml_node node = Child(rule, part);
    pugi::xml_node ref = node ? Child(node, "SequenceReference") : pugi::xml_node();
    if (!ref) throw Malformed{rule, Label(rule) + " has no " + part + " with a SequenceReference"};
    const std::string id = RequiredText(ref, "seqId");
    const auto it = byId.find(id);
    if (it == byId.end()) throw Malformed{ref, Label(rule) + ": seqId \"" + id + "\" names no Sequence"};
    return doc_.patterns[it->second].pattern;
  }

  Document& doc_;
  std::optional<std::int64_t> frequentItems_;
  std::map<std::string, ItemNumber> itemIds_;
  std::map<std::string, ItemNumber> itemByValue_;  // the first item of a value
};

}  // namespace

void ReadPmml44Model(pugi::xml_node root, pugi::xml_node model, Document& doc) {
  Pmml44Reader(doc).Read(root, model);
}

}  // namespace linkan::pmml
