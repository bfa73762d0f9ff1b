// item_dictionary.cpp
#include "engine/item_dictionary.h"

#include "frame/host/module_error.h"

namespace linkan {
namespace {
[[noreturn]] void NotFound() { throw ModuleError(ErrorKind::kNotFound, "value not found"); }
}  // namespace

ItemNumber ItemDictionary::Add(const std::string& name) {
  auto it = map_.left.find(name);
  if (it != map_.left.end()) return it->second;
  const auto number = static_cast<ItemNumber>(map_.size() + 1);
  map_.insert(Map::value_type(name, number));
  return number;
}

void ItemDictionary::Insert(const std::string& name, ItemNumber number) {
  if (map_.left.count(name) || map_.right.count(number)) {
    throw ModuleError(ErrorKind::kInvalidInput, "duplicate value");
  }
  map_.insert(Map::value_type(name, number));
}

ItemNumber ItemDictionary::Number(const std::string& name) const {
  auto it = map_.left.find(name);
  if (it == map_.left.end()) NotFound();
  return it->second;
}

const std::string& ItemDictionary::Name(ItemNumber number) const {
  const std::string* name = FindName(number);
  if (!name) NotFound();
  return *name;
}

const std::string* ItemDictionary::FindName(ItemNumber number) const {
  auto it = map_.right.find(number);
  return it == map_.right.end() ? nullptr : &it->second;
}

bool ItemDictionary::Contains(const std::string& name) const { return map_.left.count(name) > 0; }

bool ItemDictionary::ContainsNumber(ItemNumber number) const {
  return map_.right.count(number) > 0;
}

bool ItemDictionary::Find(const std::string& name, ItemNumber& number) const {
  auto it = map_.left.find(name);
  if (it == map_.left.end()) return false;
  number = it->second;
  return true;
}

std::vector<std::pair<std::string, ItemNumber>> ItemDictionary::EntriesByName() const {
  std::vector<std::pair<std::string, ItemNumber>> out;
  out.reserve(map_.size());
  for (const auto& e : map_.left) out.emplace_back(e.first, e.second);
  return out;
}

std::vector<std::string> ItemDictionary::NamesByNumber() const {
  std::vector<std::string> out;
  out.reserve(map_.size());
  for (std::size_t k = 1; k <= map_.size(); ++k) out.push_back(Name(static_cast<ItemNumber>(k)));
  return out;
}

}  // namespace linkan
