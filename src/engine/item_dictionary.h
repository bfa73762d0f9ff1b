// item_dictionary.h
//
// ItemDictionary: the two-way map between item names and item numbers
// (from 1). A new name gets number = count + 1, so numbers follow the order
// of first appearance until the renumbering puts them in name order. The
// same class serves as the model item dictionary of a loaded PMML model.
//
// Names compare byte-wise (a name that is a prefix of another sorts first).
// Lookups of an absent name or number throw ModuleError(kNotFound,
// "value not found").
//
// Thread safety: none; owned by the SalEngine.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <boost/bimap.hpp>
#include <boost/bimap/set_of.hpp>
#include <boost/bimap/unordered_set_of.hpp>

namespace linkan {

using ItemNumber = std::int32_t;

class ItemDictionary {
 public:
  // Returns the number of `name`, adding it as count + 1 when absent.
  ItemNumber Add(const std::string& name);
  // Inserts `name` under `number`; throws ModuleError(kInvalidInput,
  // "duplicate value") when either is already present.
  void Insert(const std::string& name, ItemNumber number);
  // Throws "value not found" when absent.
  ItemNumber Number(const std::string& name) const;
  const std::string& Name(ItemNumber number) const;
  // Null when absent.
  const std::string* FindName(ItemNumber number) const;
  bool Contains(const std::string& name) const;
  bool ContainsNumber(ItemNumber number) const;
  // True and `number` set when present.
  bool Find(const std::string& name, ItemNumber& number) const;

  std::size_t size() const { return map_.size(); }
  bool empty() const { return map_.empty(); }
  void Clear() { map_.clear(); }

  // (name, number) pairs in ascending byte-wise name order.
  std::vector<std::pair<std::string, ItemNumber>> EntriesByName() const;
  // Names in item-number order: entry k is the name of item k + 1. Throws
  // "value not found" when a number in 1..size() is missing.
  std::vector<std::string> NamesByNumber() const;

  bool operator==(const ItemDictionary& other) const {
    return EntriesByName() == other.EntriesByName();
  }

 private:
  using Map = boost::bimap<boost::bimaps::set_of<std::string>,
                           boost::bimaps::unordered_set_of<ItemNumber>>;
  Map map_;
};

}  // namespace linkan
