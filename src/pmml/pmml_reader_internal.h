// pmml_reader_internal.h: what the two dialects' readers share.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "pmml/pmml_document.h"

namespace linkan::pmml {

// Thrown by the readers at the first fault; `node` locates it.
struct Malformed {
  pugi::xml_node node;
  std::string what;
};

// The element name without a namespace prefix.
std::string_view LocalName(pugi::xml_node node);
bool Is(pugi::xml_node node, std::string_view name);
// The first child element named `name` (any prefix); null when none.
pugi::xml_node Child(pugi::xml_node node, std::string_view name);

// "Itemset 3" / "Item" style label of an element for messages.
std::string Label(pugi::xml_node node);

// Attribute readers: Required* throw Malformed when the attribute is
// missing; all throw when it is present but no number.
std::string RequiredText(pugi::xml_node node, const char* name);
double RequiredReal(pugi::xml_node node, const char* name);
std::int64_t RequiredWhole(pugi::xml_node node, const char* name);
double OptionalReal(pugi::xml_node node, const char* name, double otherwise);
std::int64_t OptionalWhole(pugi::xml_node node, const char* name, std::int64_t otherwise);

// Sorts and de-duplicates the items of each itemset.
void Normalize(Pattern& p);

void ReadNativeModel(pugi::xml_node model, Document& doc);
void ReadPmml44Model(pugi::xml_node root, pugi::xml_node model, Document& doc);

}  // namespace linkan::pmml
