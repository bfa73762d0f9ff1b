// dataset_reader.cpp
#include "dataset_reader.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

namespace linkan::bench {

Dataset ReadDataset(const std::string& path, DatasetFormat format) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  Dataset data;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (format == DatasetFormat::kCsvBasket) {
      std::vector<std::string> basket;
      std::stringstream cells(line);
      std::string name;
      while (std::getline(cells, name, ',')) {
        if (!name.empty()) basket.push_back(name);
      }
      data.sequences.push_back({basket});
      continue;
    }
    std::stringstream tokens(line);
    std::string token;
    if (format == DatasetFormat::kBasket) {
      std::vector<std::string> basket;
      while (tokens >> token) basket.push_back(token);
      data.sequences.push_back({basket});
      continue;
    }
    std::vector<std::vector<std::string>> sequence(1);
    while (tokens >> token) {
      if (token == "-1") {
        sequence.emplace_back();
      } else if (token == "-2") {
        break;
      } else {
        sequence.back().push_back(token);
      }
    }
    if (sequence.back().empty()) sequence.pop_back();
    if (!sequence.empty()) data.sequences.push_back(std::move(sequence));
  }
  return data;
}

SequenceDatabase BuildDatabase(Dataset& data, const ItemsetCombining& combining) {
  std::vector<std::string> names;
  for (const auto& sequence : data.sequences) {
    for (const auto& itemset : sequence) names.insert(names.end(), itemset.begin(), itemset.end());
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  data.items.Clear();
  std::unordered_map<std::string, ItemNumber> number;
  for (std::size_t i = 0; i < names.size(); ++i) {
    data.items.Insert(names[i], static_cast<ItemNumber>(i + 1));
    number.emplace(names[i], static_cast<ItemNumber>(i + 1));
  }
  SequenceDatabaseBuilder builder(data.sequences.size());
  std::vector<ItemNumber> items;
  for (std::size_t s = 0; s < data.sequences.size(); ++s) {
    for (std::size_t t = 0; t < data.sequences[s].size(); ++t) {
      items.clear();
      for (const std::string& name : data.sequences[s][t]) items.push_back(number.at(name));
      std::sort(items.begin(), items.end());
      items.erase(std::unique(items.begin(), items.end()), items.end());
      builder.Add(s, static_cast<double>(t), items);
    }
  }
  return std::move(builder).Build(combining);
}

}  // namespace linkan::bench
