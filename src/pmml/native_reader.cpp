// native_reader.cpp: the module's own document (pmml_reader.h).
#include <algorithm>
#include <set>

#include "pmml/pmml_reader_internal.h"

namespace linkan::pmml {
namespace {

class NativeReader {
 public:
  explicit NativeReader(Document& doc) : doc_(doc) {}

  void Read(pugi::xml_node model) {
    ReadFigures(model);
    if (pugi::xml_node schema = Child(model, "MiningSchema")) {
      for (pugi::xml_node f : schema.children()) {
        if (Is(f, "MiningField") && f.attribute("name")) ReadField(f);
      }
    }
    for (pugi::xml_node n : model.children()) {
      if (Is(n, "Item") && n.attribute("id")) ReadItem(n);
    }
    for (pugi::xml_node n : model.children()) {
      if (!n.attribute("id")) continue;
      if (doc_.association && Is(n, "Itemset")) {
        doc_.patterns.push_back({{ItemsetOf(n, true)}, RequiredReal(n, "support")});
      } else if (doc_.association && Is(n, "AssociationRule")) {
        Rule r{.support = RequiredReal(n, "support"),
               .confidence = RequiredReal(n, "confidence"),
               .lift = RequiredReal(n, "lift")};
        r.body = {ItemsetOf(Required(n, "AntecedentItemset"), false)};
        r.head = {ItemsetOf(Required(n, "ConsequentItemset"), false)};
        doc_.rules.push_back(std::move(r));
      } else if (!doc_.association && Is(n, "Sequence")) {
        ReadSequence(n);
      } else if (!doc_.association && Is(n, "SequenceRule")) {
        Rule r{.support = RequiredReal(n, "support"), .confidence = RequiredReal(n, "confidence")};
        r.body = ItemsetsOf(Required(n, "AntecedentSequence"), "AntecedentItemset");
        r.head = ItemsetsOf(Required(n, "ConsequentSequence"), "ConsequentItemset");
        doc_.rules.push_back(std::move(r));
      }
    }
  }

 private:
  static pugi::xml_node Required(pugi::xml_node node, const char* child) {
    pugi::xml_node c = Child(node, child);
    if (!c) throw Malformed{node, Label(node) + " has no " + child};
    return c;
  }

  void ReadFigures(pugi::xml_node m) {
    doc_.numberOfTransactions =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, OptionalWhole(m, "numberOfTransactions", 0)));
    doc_.numberOfItems =
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, OptionalWhole(m, "numberOfItems", 0)));
    doc_.maxItemsPerTransaction =
        static_cast<std::int32_t>(OptionalWhole(m, "maxNumberOfItemsPerTransaction", 0));
    doc_.minimumSupport = OptionalReal(m, "minimumSupport", 0.0);
    doc_.minimumConfidence = OptionalReal(m, "minimumConfidence", 0.0);
    doc_.maximumSupport = OptionalReal(m, "maximumSupport", 1.0);
    doc_.maximumConfidence = OptionalReal(m, "maximumConfidence", 1.0);
    if (doc_.association) return;
    doc_.combineByTime = static_cast<bool>(m.attribute("timeWindowWidth"));
    doc_.timeWindowWidth = OptionalReal(m, "timeWindowWidth", 0.0);
    doc_.fixedItemsets = static_cast<std::int32_t>(OptionalWhole(m, "FixedNumberOfItemsetsPerSequence", 1));
    doc_.minimumTime = OptionalReal(m, "minimumTime", 0.0);
    doc_.maximumTime = OptionalReal(m, "maximumTime", 0.0);
    doc_.maxItemsetsPerSequence =
        static_cast<std::int32_t>(OptionalWhole(m, "maxNumberOfItemsetsPerSequence", 0));
  }

  void ReadField(pugi::xml_node f) {
    Field field{.name = f.attribute("name").value()};
    field.usageText = f.attribute("usageType").value();
    field.usage = UsageOf(field.usageText);
    if (field.usage != Usage::kOther) field.usageText.clear();
    if (IsCategorical(field.usage)) {
      // As many codes as there are Value children.
      for (pugi::xml_node v : f.children()) {
        if (!Is(v, "Value")) continue;
        field.codes.push_back({RequiredText(v, "value"),
                               static_cast<std::int32_t>(RequiredWhole(v, "numericValue"))});
      }
    }
    if (IsContinuous(field.usage)) {
      field.stats = {.min = RequiredReal(f, "minimum"),
                     .max = RequiredReal(f, "maximum"),
                     .width = RequiredReal(f, "rangeOfInterval"),
                     .mean = RequiredReal(f, "mean"),
                     .m2 = RequiredReal(f, "variance")};
    }
    doc_.fields.push_back(std::move(field));
  }

  void ReadItem(pugi::xml_node n) {
    const std::int64_t id = RequiredWhole(n, "id");
    if (id < INT32_MIN || id > INT32_MAX) throw Malformed{n, Label(n) + ": the id is out of range"};
    const auto number = static_cast<ItemNumber>(id);
    if (!ids_.insert(number).second) throw Malformed{n, Label(n) + ": the id is used twice"};
    doc_.items.emplace_back(number, RequiredText(n, "value"));
  }

  // The ItemRefs of `set`; with `counted`, their number must be the
  // set's numberOfItems.
  Itemset ItemsetOf(pugi::xml_node set, bool counted) const {
    Itemset items;
    for (pugi::xml_node r : set.children()) {
      if (!Is(r, "ItemRef")) continue;
      const std::int64_t id = RequiredWhole(r, "itemRef");
      if (id < INT32_MIN || id > INT32_MAX || !ids_.count(static_cast<ItemNumber>(id))) {
        throw Malformed{r, Label(set) + ": itemRef " + std::to_string(id) + " names no Item"};
      }
      items.push_back(static_cast<ItemNumber>(id));
    }
    if (counted && RequiredWhole(set, "numberOfItems") != static_cast<std::int64_t>(items.size())) {
      throw Malformed{set, Label(set) + ": numberOfItems is " + RequiredText(set, "numberOfItems") +
                               " but it holds " + std::to_string(items.size()) + " ItemRef elements"};
    }
    Pattern p{items};
    Normalize(p);
    return p.front();
  }

  Pattern ItemsetsOf(pugi::xml_node parent, const char* element) const {
    Pattern p;
    for (pugi::xml_node s : parent.children()) {
      if (Is(s, element)) p.push_back(ItemsetOf(s, false));
    }
    if (p.empty()) throw Malformed{parent, Label(parent) + " holds no " + element};
    return p;
  }

  void ReadSequence(pugi::xml_node n) {
    PatternSupport p{.support = RequiredReal(n, "support")};
    for (pugi::xml_node s : n.children()) {
      if (Is(s, "Itemset") && s.attribute("id")) p.pattern.push_back(ItemsetOf(s, true));
    }
    if (RequiredWhole(n, "numberOfItemsets") != static_cast<std::int64_t>(p.pattern.size())) {
      throw Malformed{n, Label(n) + ": numberOfItemsets is " + RequiredText(n, "numberOfItemsets") +
                             " but it holds " + std::to_string(p.pattern.size()) +
                             " Itemset elements"};
    }
    // A sequence of no itemsets is no pattern (and no standard document
    // could name it).
    if (p.pattern.empty()) throw Malformed{n, Label(n) + " holds no Itemset"};
    doc_.patterns.push_back(std::move(p));
  }

  Document& doc_;
  std::set<ItemNumber> ids_;
};

}  // namespace

void ReadNativeModel(pugi::xml_node model, Document& doc) { NativeReader(doc).Read(model); }

}  // namespace linkan::pmml
