// native_writer.cpp: the module's own PMML document (pmml_writer.h).
#include <string>

#include <pugixml.hpp>

#include "pmml/pmml_numbers.h"
#include "pmml/pmml_writer_internal.h"

namespace linkan::pmml {
namespace {

const char* Optype(Usage usage) {
  return usage == Usage::kTime || IsContinuous(usage) ? "continuous" : "categorical";
}

void SetWhole(pugi::xml_node node, const char* name, long long n) {
  node.append_attribute(name) = std::to_string(n).c_str();
}

void SetReal(pugi::xml_node node, const char* name, double x) {
  node.append_attribute(name) = RealText(x).c_str();
}

// The codes and statistics a field carries in both DataField and
// MiningField.
void AddFieldDetails(pugi::xml_node node, const Field& f) {
  if (IsCategorical(f.usage)) {
    for (const Code& c : f.codes) {
      pugi::xml_node v = node.append_child("Value");
      v.append_attribute("value") = c.text.c_str();
      SetWhole(v, "numericValue", c.value);
    }
  }
  if (IsContinuous(f.usage)) {
    SetReal(node, "minimum", f.stats.min);
    SetReal(node, "maximum", f.stats.max);
    SetReal(node, "rangeOfInterval", f.stats.width);
    SetReal(node, "mean", f.stats.mean);
    SetReal(node, "variance", f.stats.m2);
  }
}

void AddItemRefs(pugi::xml_node node, const Itemset& items) {
  for (const ItemNumber item : items) SetWhole(node.append_child("ItemRef"), "itemRef", item);
}

// One element per itemset of `p` (named `element`, id = its position).
void AddItemsets(pugi::xml_node parent, const char* element, const Pattern& p) {
  for (std::size_t k = 0; k < p.size(); ++k) {
    pugi::xml_node set = parent.append_child(element);
    SetWhole(set, "id", static_cast<long long>(k));
    AddItemRefs(set, p[k]);
  }
}

}  // namespace

void BuildNativeDocument(const Document& d, pugi::xml_document& xml) {
  pugi::xml_node decl = xml.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  pugi::xml_node root = xml.append_child("PMML");
  root.append_attribute("version") = "1.0";
  root.append_child("Header").append_attribute("copyright") = kCopyright;

  pugi::xml_node dictionary = root.append_child("DataDictionary");
  SetWhole(dictionary, "numberOfFields", static_cast<long long>(d.fields.size()));
  for (const Field& f : d.fields) {
    pugi::xml_node field = dictionary.append_child("DataField");
    field.append_attribute("name") = f.name.c_str();
    // The optype follows the usage the written usageType reads back as, so
    // a field of another dialect's usage writes the same text again.
    field.append_attribute("optype") =
        Optype(f.usage == Usage::kOther ? UsageOf(f.usageText) : f.usage);
    AddFieldDetails(field, f);
  }

  pugi::xml_node model = root.append_child(d.association ? "AssociationModel" : "SequenceModel");
  if (d.association) {
    model.append_attribute("functionName") = "associationRules";
    SetWhole(model, "numberOfSets", static_cast<long long>(d.patterns.size()));
  } else {
    model.append_attribute("functionName") = "sequences";
    SetWhole(model, "numberOfSequences", static_cast<long long>(d.patterns.size()));
    if (d.combineByTime) {
      SetReal(model, "timeWindowWidth", d.timeWindowWidth);
    } else {
      SetWhole(model, "FixedNumberOfItemsetsPerSequence", d.fixedItemsets);
    }
    SetReal(model, "minimumTime", d.minimumTime);
    SetReal(model, "maximumTime", d.maximumTime);
    SetWhole(model, "maxNumberOfItemsetsPerSequence", d.maxItemsetsPerSequence);
  }
  SetReal(model, "minimumSupport", d.minimumSupport);
  SetReal(model, "minimumConfidence", d.minimumConfidence);
  SetReal(model, "maximumSupport", d.maximumSupport);
  SetReal(model, "maximumConfidence", d.maximumConfidence);
  SetWhole(model, "numberOfTransactions", static_cast<long long>(d.numberOfTransactions));
  SetWhole(model, "numberOfItems", static_cast<long long>(d.numberOfItems));
  SetWhole(model, "numberOfRules", static_cast<long long>(d.rules.size()));
  SetWhole(model, "maxNumberOfItemsPerTransaction", d.maxItemsPerTransaction);

  pugi::xml_node schema = model.append_child("MiningSchema");
  SetWhole(schema, "numberOfFields", static_cast<long long>(d.fields.size()));
  for (const Field& f : d.fields) {
    pugi::xml_node field = schema.append_child("MiningField");
    field.append_attribute("name") = f.name.c_str();
    field.append_attribute("usageType") =
        f.usage == Usage::kOther ? f.usageText.c_str() : UsageName(f.usage);
    AddFieldDetails(field, f);
  }

  for (const auto& [id, name] : d.items) {
    pugi::xml_node item = model.append_child("Item");
    SetWhole(item, "id", id);
    item.append_attribute("value") = name.c_str();
  }

  for (std::size_t k = 0; k < d.patterns.size(); ++k) {
    const PatternSupport& p = d.patterns[k];
    if (d.association) {
      pugi::xml_node set = model.append_child("Itemset");
      SetWhole(set, "id", static_cast<long long>(k));
      SetReal(set, "support", p.support);
      const Itemset empty;
      const Itemset& items = p.pattern.empty() ? empty : p.pattern.front();
      SetWhole(set, "numberOfItems", static_cast<long long>(items.size()));
      AddItemRefs(set, items);
    } else {
      pugi::xml_node seq = model.append_child("Sequence");
      SetWhole(seq, "id", static_cast<long long>(k));
      SetWhole(seq, "numberOfItemsets", static_cast<long long>(p.pattern.size()));
      SetReal(seq, "support", p.support);
      for (std::size_t s = 0; s < p.pattern.size(); ++s) {
        pugi::xml_node set = seq.append_child("Itemset");
        SetWhole(set, "id", static_cast<long long>(s));
        SetWhole(set, "numberOfItems", static_cast<long long>(p.pattern[s].size()));
        AddItemRefs(set, p.pattern[s]);
      }
    }
  }

  for (std::size_t k = 0; k < d.rules.size(); ++k) {
    const Rule& r = d.rules[k];
    if (d.association) {
      pugi::xml_node rule = model.append_child("AssociationRule");
      SetWhole(rule, "id", static_cast<long long>(k));
      SetReal(rule, "support", r.support);
      SetReal(rule, "confidence", r.confidence);
      SetReal(rule, "lift", r.lift);
      const Itemset empty;
      AddItemRefs(rule.append_child("AntecedentItemset"), r.body.empty() ? empty : r.body.front());
      AddItemRefs(rule.append_child("ConsequentItemset"), r.head.empty() ? empty : r.head.front());
    } else {
      pugi::xml_node rule = model.append_child("SequenceRule");
      SetWhole(rule, "id", static_cast<long long>(k));
      SetReal(rule, "support", r.support);
      SetReal(rule, "confidence", r.confidence);
      AddItemsets(rule.append_child("AntecedentSequence"), "AntecedentItemset", r.body);
      AddItemsets(rule.append_child("ConsequentSequence"), "ConsequentItemset", r.head);
    }
  }
}

}  // namespace linkan::pmml
