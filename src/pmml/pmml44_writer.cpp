// pmml44_writer.cpp: the standard PMML 4.4 document (pmml_writer.h).
//
// Association models: every frequent itemset is an `Itemset` (id = its
// position), and a rule names its body and head itemsets by id. Sequence
// models: every distinct itemset of the model is a `SetPredicate` ("p<k>")
// over the first active field, every frequent sequence a `Sequence`
// ("s<k>") of set references, and a rule names its body and head
// sequences. A body or head the pattern list lacks is added to it without
// a support. The module's own figures, roles, codes and statistics are
// `Extension` elements (extender "linkanalysis").
#include <cmath>
#include <map>
#include <string>

#include <pugixml.hpp>

#include "pmml/pmml_numbers.h"
#include "pmml/pmml_writer.h"
#include "pmml/pmml_writer_internal.h"

namespace linkan::pmml {
namespace {

void SetWhole(pugi::xml_node node, const char* name, long long n) {
  node.append_attribute(name) = std::to_string(n).c_str();
}

void SetReal(pugi::xml_node node, const char* name, double x) {
  node.append_attribute(name) = RealText(x).c_str();
}

void AddExtension(pugi::xml_node node, const char* name, const std::string& value) {
  pugi::xml_node e = node.append_child("Extension");
  e.append_attribute("extender") = kExtender;
  e.append_attribute("name") = name;
  e.append_attribute("value") = value.c_str();
}

const char* StandardUsage(Usage usage) {
  switch (usage) {
    case Usage::kTransaction: return "group";
    case Usage::kTime: return "order";
    case Usage::kMdResponse:
    case Usage::kMdCategorical:
    case Usage::kMdContinuous: return "supplementary";
    default: return "active";
  }
}

bool Numeric(Usage usage) { return usage == Usage::kTime || IsContinuous(usage); }

// An Array of strings: each value quoted, with '"' and '\' escaped.
std::string StringArray(const Itemset& set, const std::map<ItemNumber, std::string>& names) {
  std::string text;
  for (const ItemNumber item : set) {
    if (!text.empty()) text += ' ';
    text += '"';
    const auto it = names.find(item);
    for (const char c : it == names.end() ? std::string() : it->second) {
      if (c == '"' || c == '\\') text += '\\';
      text += c;
    }
    text += '"';
  }
  return text;
}

std::string ItemRefsText(const Itemset& set) {
  std::string text;
  for (const ItemNumber item : set) {
    if (!text.empty()) text += ' ';
    text += std::to_string(item);
  }
  return text;
}

void AddFields(const Document& d, pugi::xml_node root) {
  pugi::xml_node dictionary = root.append_child("DataDictionary");
  SetWhole(dictionary, "numberOfFields", static_cast<long long>(d.fields.size()));
  for (const Field& f : d.fields) {
    pugi::xml_node field = dictionary.append_child("DataField");
    field.append_attribute("name") = f.name.c_str();
    field.append_attribute("optype") = Numeric(f.usage) ? "continuous" : "categorical";
    field.append_attribute("dataType") = Numeric(f.usage) ? "double" : "string";
    if (IsCategorical(f.usage)) {
      for (const Code& c : f.codes) field.append_child("Value").append_attribute("value") = c.text.c_str();
    }
  }
}

void AddMiningSchema(const Document& d, pugi::xml_node model) {
  pugi::xml_node schema = model.append_child("MiningSchema");
  for (const Field& f : d.fields) {
    pugi::xml_node field = schema.append_child("MiningField");
    field.append_attribute("name") = f.name.c_str();
    field.append_attribute("usageType") = StandardUsage(f.usage);
    AddExtension(field, "usageType", f.usage == Usage::kOther ? f.usageText : UsageName(f.usage));
    if (IsCategorical(f.usage)) {
      for (const Code& c : f.codes) AddExtension(field, "numericValue", std::to_string(c.value));
    }
    if (IsContinuous(f.usage)) {
      AddExtension(field, "minimum", RealText(f.stats.min));
      AddExtension(field, "maximum", RealText(f.stats.max));
      AddExtension(field, "rangeOfInterval", RealText(f.stats.width));
      AddExtension(field, "mean", RealText(f.stats.mean));
      AddExtension(field, "variance", RealText(f.stats.m2));
    }
  }
}

void AddModelExtensions(const Document& d, pugi::xml_node model) {
  AddExtension(model, "numberOfFrequentItems", std::to_string(d.numberOfItems));
  AddExtension(model, "maximumSupport", RealText(d.maximumSupport));
  AddExtension(model, "maximumConfidence", RealText(d.maximumConfidence));
  AddExtension(model, "maxNumberOfItemsPerTransaction", std::to_string(d.maxItemsPerTransaction));
  if (d.association) return;
  AddExtension(model, "minimumSupport", RealText(d.minimumSupport));
  AddExtension(model, "minimumConfidence", RealText(d.minimumConfidence));
  if (d.combineByTime) {
    AddExtension(model, "timeWindowWidth", RealText(d.timeWindowWidth));
  } else {
    AddExtension(model, "FixedNumberOfItemsetsPerSequence", std::to_string(d.fixedItemsets));
  }
  AddExtension(model, "minimumTime", RealText(d.minimumTime));
  AddExtension(model, "maximumTime", RealText(d.maximumTime));
  AddExtension(model, "maxNumberOfItemsetsPerSequence", std::to_string(d.maxItemsetsPerSequence));
}

void AddItems(const Document& d, pugi::xml_node model) {
  for (const auto& [id, name] : d.items) {
    pugi::xml_node item = model.append_child("Item");
    SetWhole(item, "id", id);
    item.append_attribute("value") = name.c_str();
  }
}

// The patterns with the rules' bodies and heads that they lack appended
// (support NaN: none written); returns each pattern's index.
std::map<Pattern, std::size_t> IndexPatterns(const Document& d, std::vector<PatternSupport>& all) {
  all = d.patterns;
  std::map<Pattern, std::size_t> index;
  for (std::size_t k = 0; k < all.size(); ++k) index.emplace(all[k].pattern, k);
  for (const Rule& r : d.rules) {
    for (const Pattern* p : {&r.body, &r.head}) {
      if (index.emplace(*p, all.size()).second) all.push_back({*p, std::nan("")});
    }
  }
  return index;
}

std::uint64_t Occurrence(double support, std::uint64_t n) {
  const double count = std::round(support * static_cast<double>(n));
  return count > 0 && count < 1.8e19 ? static_cast<std::uint64_t>(count) : 0;
}

void AddAssociationModel(const Document& d, pugi::xml_node root) {
  std::vector<PatternSupport> all;
  const std::map<Pattern, std::size_t> index = IndexPatterns(d, all);
  pugi::xml_node model = root.append_child("AssociationModel");
  model.append_attribute("functionName") = "associationRules";
  model.append_attribute("algorithmName") = "linkanalysis";
  SetWhole(model, "numberOfTransactions", static_cast<long long>(d.numberOfTransactions));
  SetWhole(model, "maxNumberOfItemsPerTA", d.maxItemsPerTransaction);
  SetReal(model, "minimumSupport", d.minimumSupport);
  SetReal(model, "minimumConfidence", d.minimumConfidence);
  SetWhole(model, "numberOfItems", static_cast<long long>(d.items.size()));
  SetWhole(model, "numberOfItemsets", static_cast<long long>(all.size()));
  SetWhole(model, "numberOfRules", static_cast<long long>(d.rules.size()));
  AddModelExtensions(d, model);
  AddMiningSchema(d, model);
  AddItems(d, model);
  for (std::size_t k = 0; k < all.size(); ++k) {
    pugi::xml_node set = model.append_child("Itemset");
    SetWhole(set, "id", static_cast<long long>(k));
    if (!std::isnan(all[k].support)) SetReal(set, "support", all[k].support);
    const Itemset empty;
    const Itemset& items = all[k].pattern.empty() ? empty : all[k].pattern.front();
    SetWhole(set, "numberOfItems", static_cast<long long>(items.size()));
    for (const ItemNumber item : items) SetWhole(set.append_child("ItemRef"), "itemRef", item);
  }
  for (std::size_t k = 0; k < d.rules.size(); ++k) {
    const Rule& r = d.rules[k];
    pugi::xml_node rule = model.append_child("AssociationRule");
    SetWhole(rule, "antecedent", static_cast<long long>(index.at(r.body)));
    SetWhole(rule, "consequent", static_cast<long long>(index.at(r.head)));
    SetReal(rule, "support", r.support);
    SetReal(rule, "confidence", r.confidence);
    SetReal(rule, "lift", r.lift);
    SetWhole(rule, "id", static_cast<long long>(k));
  }
}

void AddSequenceModel(const Document& d, pugi::xml_node root) {
  std::vector<PatternSupport> all;
  const std::map<Pattern, std::size_t> index = IndexPatterns(d, all);
  pugi::xml_node model = root.append_child("SequenceModel");
  model.append_attribute("functionName") = "sequences";
  model.append_attribute("algorithmName") = "linkanalysis";
  SetWhole(model, "numberOfTransactionGroups", static_cast<long long>(d.numberOfTransactions));
  AddModelExtensions(d, model);
  AddMiningSchema(d, model);
  AddItems(d, model);

  // The set predicates name the items of the first active field.
  std::string field = d.fields.empty() ? std::string("item") : d.fields.front().name;
  for (const Field& f : d.fields) {
    if (f.usage != Usage::kTransaction && f.usage != Usage::kTime) {
      field = f.name;
      break;
    }
  }
  const std::map<ItemNumber, std::string> names(d.items.begin(), d.items.end());
  std::map<Itemset, std::size_t> sets;
  for (const PatternSupport& p : all) {
    for (const Itemset& s : p.pattern) {
      if (!sets.emplace(s, sets.size()).second) continue;
      pugi::xml_node predicate = model.append_child("SetPredicate");
      predicate.append_attribute("id") = ("p" + std::to_string(sets.size() - 1)).c_str();
      predicate.append_attribute("field") = field.c_str();
      predicate.append_attribute("operator") = "supersetOf";
      AddExtension(predicate, "itemRefs", ItemRefsText(s));
      pugi::xml_node array = predicate.append_child("Array");
      SetWhole(array, "n", static_cast<long long>(s.size()));
      array.append_attribute("type") = "string";
      array.text().set(StringArray(s, names).c_str());
    }
  }
  for (std::size_t k = 0; k < all.size(); ++k) {
    pugi::xml_node seq = model.append_child("Sequence");
    seq.append_attribute("id") = ("s" + std::to_string(k)).c_str();
    SetWhole(seq, "numberOfSets", static_cast<long long>(all[k].pattern.size()));
    if (!std::isnan(all[k].support)) {
      SetWhole(seq, "occurrence", static_cast<long long>(Occurrence(all[k].support, d.numberOfTransactions)));
      SetReal(seq, "support", all[k].support);
    }
    for (std::size_t s = 0; s < all[k].pattern.size(); ++s) {
      if (s > 0) {
        pugi::xml_node delimiter = seq.append_child("Delimiter");
        delimiter.append_attribute("delimiter") = "acrossTimeWindows";
        delimiter.append_attribute("gap") = "unknown";
      }
      seq.append_child("SetReference").append_attribute("setId") =
          ("p" + std::to_string(sets.at(all[k].pattern[s]))).c_str();
    }
  }
  for (std::size_t k = 0; k < d.rules.size(); ++k) {
    const Rule& r = d.rules[k];
    pugi::xml_node rule = model.append_child("SequenceRule");
    rule.append_attribute("id") = ("r" + std::to_string(k)).c_str();
    SetWhole(rule, "numberOfSets", static_cast<long long>(r.body.size() + r.head.size()));
    SetWhole(rule, "occurrence", static_cast<long long>(Occurrence(r.support, d.numberOfTransactions)));
    SetReal(rule, "support", r.support);
    SetReal(rule, "confidence", r.confidence);
    rule.append_child("AntecedentSequence").append_child("SequenceReference").append_attribute("seqId") =
        ("s" + std::to_string(index.at(r.body))).c_str();
    pugi::xml_node delimiter = rule.append_child("Delimiter");
    delimiter.append_attribute("delimiter") = "acrossTimeWindows";
    delimiter.append_attribute("gap") = "unknown";
    rule.append_child("ConsequentSequence").append_child("SequenceReference").append_attribute("seqId") =
        ("s" + std::to_string(index.at(r.head))).c_str();
  }
}

}  // namespace

void BuildPmml44Document(const Document& d, pugi::xml_document& xml) {
  pugi::xml_node decl = xml.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  pugi::xml_node root = xml.append_child("PMML");
  root.append_attribute("xmlns") = kPmml44Namespace;
  root.append_attribute("version") = "4.4";
  pugi::xml_node header = root.append_child("Header");
  header.append_attribute("copyright") = kCopyright;
  header.append_attribute("description") =
      d.association ? "association rules" : "sequence rules";
  AddFields(d, root);
  if (d.association) {
    AddAssociationModel(d, root);
  } else {
    AddSequenceModel(d, root);
  }
}

}  // namespace linkan::pmml
