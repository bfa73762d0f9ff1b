// model_import.cpp
#include "pmml/model_import.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>

#include "engine/sal_engine.h"
#include "frame/host/analysis_support.h"
#include "pmml/pmml_reader.h"
#include "resources/string_table.h"

namespace linkan::pmml {
namespace {

constexpr std::size_t kMaxListEntries = std::numeric_limits<std::int16_t>::max();

// The codes of the categorical fields of one list in the column layout of
// the settings (code j of variable i at j * nvars + i), sized from the
// codes present.
void LayCodes(const std::vector<const Field*>& fields, std::vector<std::int16_t>& counts,
              std::vector<std::int32_t>& codes) {
  const std::size_t nvars = fields.size();
  std::size_t rows = 0;
  for (const Field* f : fields) rows = std::max(rows, f->codes.size());
  counts.assign(std::max(counts.size(), nvars), 0);
  codes.assign(rows * nvars, 0);
  for (std::size_t i = 0; i < nvars; ++i) {
    counts[i] = static_cast<std::int16_t>(fields[i]->codes.size());
    for (std::size_t j = 0; j < fields[i]->codes.size(); ++j) {
      codes[j * nvars + i] = fields[i]->codes[j].value;
    }
  }
}

void Store(std::vector<std::int16_t>& list, std::int16_t& count, const std::vector<std::int16_t>& vars,
           std::size_t size) {
  list.assign(std::max(size, vars.size()), 0);
  std::copy(vars.begin(), vars.end(), list.begin());
  count = static_cast<std::int16_t>(vars.size());
}

}  // namespace

std::string LoadDocument(const Document& doc, SalEngine& engine) {
  if (doc.fields.size() > kMaxListEntries) return "the model has more fields than a task can hold";
  AnalysisSettings s = engine.settings;
  s.noseq = doc.association ? 1 : 0;
  s.size = doc.numberOfTransactions;  // N of the model, for its summary
  std::map<Usage, std::vector<std::int16_t>> lists;
  std::map<Usage, std::vector<const Field*>> fieldsOf;
  std::vector<ContinuousStats> contStats, mdContStats;
  LoadedModel model;
  for (std::size_t k = 0; k < doc.fields.size(); ++k) {
    const Field& f = doc.fields[k];
    if (f.codes.size() > kMaxListEntries) return "field \"" + f.name + "\" has more codes than a task can hold";
    model.fieldNames.push_back(f.name);
    if (f.usage == Usage::kOther) continue;
    lists[f.usage].push_back(static_cast<std::int16_t>(k + 1));
    fieldsOf[f.usage].push_back(&f);
    if (f.usage == Usage::kContinuous) contStats.push_back(f.stats);
    if (f.usage == Usage::kMdContinuous) mdContStats.push_back(f.stats);
  }
  const std::size_t size = std::max<std::size_t>(doc.fields.size(), s.resvars.size());
  Store(s.sidvar, s.nsidvar, lists[Usage::kTransaction], size);
  Store(s.tidvar, s.ntidvar, lists[Usage::kTime], size);
  Store(s.resvars, s.nresvars, lists[Usage::kResponse], size);
  Store(s.dichvars, s.ndichvars, lists[Usage::kCategorical], size);
  Store(s.contvars, s.ncontvars, lists[Usage::kContinuous], size);
  Store(s.mdresvars, s.nmdresvars, lists[Usage::kMdResponse], size);
  Store(s.mddichvars, s.nmddichvars, lists[Usage::kMdCategorical], size);
  Store(s.mdcontvars, s.nmdcontvars, lists[Usage::kMdContinuous], size);
  s.ndichcodes.clear();
  s.nmddichcodes.clear();
  LayCodes(fieldsOf[Usage::kCategorical], s.ndichcodes, s.dichcodes);
  LayCodes(fieldsOf[Usage::kMdCategorical], s.nmddichcodes, s.mddichcodes);
  s.ndichcodes.resize(std::max(s.ndichcodes.size(), size), 0);
  s.nmddichcodes.resize(std::max(s.nmddichcodes.size(), size), 0);
  s.codeselected = s.ndichvars > 0;
  s.mdcodeselected = s.nmddichvars > 0;

  ItemDictionary items;
  for (const auto& [id, name] : doc.items) {
    if (items.Contains(name) || items.ContainsNumber(id)) {
      return "two items of the model are named \"" + name + "\"";
    }
    items.Insert(name, id);
    model.lowerCaseNames.emplace(AsciiLower(name), id);
  }
  std::map<ItemNumber, SupportCount> frequency;
  for (const auto& [id, name] : doc.items) frequency.emplace(id, 0);
  const double n = static_cast<double>(doc.numberOfTransactions);
  for (const PatternSupport& p : doc.patterns) {
    model.patterns.emplace_back(p.pattern, p.support);
    if (p.pattern.size() == 1 && p.pattern.front().size() == 1 && std::isfinite(p.support * n) &&
        p.support >= 0 && p.support * n < 4e9) {
      frequency[p.pattern.front().front()] = static_cast<SupportCount>(std::lround(p.support * n));
    }
  }
  for (const Rule& r : doc.rules) {
    model.rules[r.body].push_back({r.head, r.support, r.confidence, doc.association ? r.lift : 0.0});
  }

  // Nothing can fail from here on.
  engine.ClearResults();
  engine.settings = std::move(s);
  engine.contStats = std::move(contStats);
  engine.mdContStats = std::move(mdContStats);
  engine.modelItems = std::move(items);
  engine.model = std::move(model);
  engine.itemFrequency = std::move(frequency);
  return {};
}

int ReadPmmlModel(SalEngine& engine) {
  CAnalysisSupport& support = engine.analysis();
  const std::string& file = engine.settings.pmmlFile;
  auto fail = [&](const std::string& message) {
    support.dsplst(0, message);
    support.dsplst(0, support.GetResourceString(msg::kPreparsingFailed));
    return 1;
  };
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    return fail(FormatString(support.GetResourceString(msg::kPmmlMissing).c_str(), file.c_str()));
  }
  auto loadError = [&](const ReadError& e) {
    return FormatString(support.GetResourceString(msg::kPmmlLoadError).c_str(), file.c_str()) +
           FormatString(support.GetResourceString(msg::kPmmlErrorCode).c_str(), e.code) +
           FormatString(support.GetResourceString(msg::kPmmlErrorSource).c_str(), e.line, e.column) +
           FormatString(support.GetResourceString(msg::kPmmlErrorDescription).c_str(),
                        e.description.c_str());
  };
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in && !in.eof()) return fail(loadError({.description = "the file cannot be read"}));
  const ReadResult read = ReadDocument(text.str());
  if (read.error) return fail(loadError(*read.error));
  const std::string why = LoadDocument(read.doc, engine);
  if (!why.empty()) return fail(loadError({.code = kMalformedModel, .description = why}));
  return 0;
}

}  // namespace linkan::pmml
