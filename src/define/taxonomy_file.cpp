// taxonomy_file.cpp
#include "define/taxonomy_file.h"

#include <cassert>
#include <memory>
#include <set>
#include <utility>

#include "engine/sal_engine.h"
#include "frame/host/module_error.h"
#include "frame/progress.h"
#include "frame/sequence.h"
#include "resources/string_table.h"

namespace linkan {
namespace {

constexpr int kDefaultExtensionText = 10054;  // ".qln"
constexpr int kOpenFileFilterText = 10055;
constexpr int kOpenFileTitleText = 10056;  // "Open data file"
constexpr int kErrorOccurredText = 10136;  // "An error occurred: %s"
constexpr int kItemNamesText = 10137;      // "Item names"
constexpr int kSynonymListText = 10138;    // "Synonym list %d"
constexpr int kIgnoreListText = 10139;     // "Ignore list %d"
constexpr int kRoleDialogTitleText = 10140;
constexpr int kRolesCaptionText = 10141;
constexpr int kVariablesCaptionText = 10142;
constexpr int kAssignedRolesCaptionText = 10143;
constexpr int kAssignedVariablesCaptionText = 10144;
constexpr int kInsufficientSelectionText = 10145;
constexpr const char* kUpdatingTaxonomiesText = "Updating taxonomies...";
// A shorter chosen name cannot be a file name with an extension.
constexpr std::size_t kMinFileNameLength = 4;

std::string Text(const CSequence& sequence, int id) { return sequence.GetResourceString(id); }

std::string Trimmed(const std::string& text) {
  const auto blank = [](unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && blank(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && blank(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

// A cell as the taxonomy sees it: its label, or its number as "%.6f"
// ("3.000000"); trimmed.
std::string CellText(const HostDataDocument& document, long caseNo, int var) {
  std::string text;
  if (!document.CellLabel(caseNo, var, text)) {
    text = FormatString("%.6f", document.CellNumber(caseNo, var));
  }
  return Trimmed(text);
}

// The roles the dialog answered, with numbers outside the document counted
// as unassigned.
struct AssignedRoles {
  int itemNames = 0;
  std::vector<int> synonymLists;  // the assigned ones, in role order
  int ignoreList = 0;

  int Count() const {
    return (itemNames != 0) + static_cast<int>(synonymLists.size()) + (ignoreList != 0);
  }
};

AssignedRoles ReadAssignment(const std::vector<int>& assignment, int variableCount) {
  auto at = [&](int role) {
    const int var = role < static_cast<int>(assignment.size()) ? assignment[role] : 0;
    return var >= 1 && var <= variableCount ? var : 0;
  };
  AssignedRoles roles;
  roles.itemNames = at(kTaxonomyItemNames);
  for (int k = 0; k < kMaxSynonymLists; ++k) {
    if (const int var = at(kTaxonomyFirstSynonymList + k)) roles.synonymLists.push_back(var);
  }
  roles.ignoreList = at(kTaxonomyIgnoreList);
  return roles;
}

struct TaxonomyTables {
  std::vector<TaxonomyMap> taxonomies;
  std::set<std::string> stoplist;
};

// Stops the progress bar when reading ends, however it ends.
class ProgressScope {
 public:
  ProgressScope(CSequence& sequence, long total) : sequence_(sequence) {
    StartProgress(sequence_, total, kUpdatingTaxonomiesText);
  }
  ~ProgressScope() { StopProgress(sequence_); }
  ProgressScope(const ProgressScope&) = delete;
  ProgressScope& operator=(const ProgressScope&) = delete;

 private:
  CSequence& sequence_;
};

// Reads every case into new tables; false when cancelled.
bool ReadTables(CSequence& sequence, const HostDataDocument& document, const AssignedRoles& roles,
                TaxonomyTables& out) {
  out.taxonomies.assign(roles.synonymLists.size(), TaxonomyMap{});
  const long cases = document.CaseCount();
  // A stop left by an earlier, cancelled run must not end this reading.
  sequence.runGuard().Restart();
  ProgressScope progress(sequence, cases);
  for (long caseNo = 1; caseNo <= cases; ++caseNo) {
    sequence.termom(caseNo);
    if (IsAnalysisCancelled(sequence)) return false;
    if (!roles.synonymLists.empty()) {
      const std::string item = CellText(document, caseNo, roles.itemNames);
      for (std::size_t k = 0; k < roles.synonymLists.size() && !item.empty(); ++k) {
        std::string label = CellText(document, caseNo, roles.synonymLists[k]);
        // emplace keeps an item's first label.
        if (!label.empty()) out.taxonomies[k].emplace(item, std::move(label));
      }
    }
    if (roles.ignoreList != 0) {
      std::string ignored = CellText(document, caseNo, roles.ignoreList);
      if (!ignored.empty()) out.stoplist.insert(std::move(ignored));
    }
  }
  return true;
}

OutputFieldDialog RoleDialog(const CSequence& sequence, const HostDataDocument& document) {
  OutputFieldDialog dialog;
  dialog.title = Text(sequence, kRoleDialogTitleText);
  dialog.rolesCaption = Text(sequence, kRolesCaptionText);
  dialog.variablesCaption = Text(sequence, kVariablesCaptionText);
  dialog.assignedRolesCaption = Text(sequence, kAssignedRolesCaptionText);
  dialog.assignedVariablesCaption = Text(sequence, kAssignedVariablesCaptionText);
  dialog.roles = TaxonomyRoleLabels(sequence);
  for (int var = 1; var <= document.VariableCount(); ++var) {
    dialog.variables.push_back(document.VariableName(var));
  }
  dialog.assignment = sequence.taxonomyVariables;
  dialog.assignment.resize(kTaxonomyRoleCount, 0);
  return dialog;
}

}  // namespace

std::vector<std::string> TaxonomyRoleLabels(const CSequence& sequence) {
  std::vector<std::string> labels{Text(sequence, kItemNamesText)};
  const std::string synonymList = Text(sequence, kSynonymListText);
  for (int k = 1; k <= kMaxSynonymLists; ++k) {
    labels.push_back(FormatString(synonymList.c_str(), k));
  }
  labels.push_back(FormatString(Text(sequence, kIgnoreListText).c_str(), kTaxonomyIgnoreList));
  return labels;
}

int ChooseTaxonomyFile(CSequence& sequence) {
  const std::string name = sequence.doc().AskOpenFileName(
      Text(sequence, kOpenFileTitleText), Text(sequence, kOpenFileFilterText),
      Text(sequence, kDefaultExtensionText), sequence.taxonomyFile);
  if (name.size() < kMinFileNameLength) return 1;
  sequence.taxonomyFile = name;
  sequence.taxonomyVariables.clear();
  return 0;
}

void SetTaxonomyFile(CSequence& sequence, const std::string& name) {
  const std::string file = Trimmed(name);
  if (file.empty() || file == sequence.taxonomyFile) return;
  sequence.taxonomyFile = file;
  sequence.taxonomyVariables.clear();
}

int AssignTaxonomyVariables(CSequence& sequence, const TaxonomyRoleChooser& choose,
                            bool underAutomation) {
  assert(sequence.engine() != nullptr && "taxonomies are read into an engine");
  // 1. The document; released when this call ends, on every path.
  std::string openError;
  std::unique_ptr<HostDataDocument> document =
      sequence.taxonomyFile.empty()
          ? nullptr
          : sequence.doc().OpenDataDocument(sequence.taxonomyFile, openError);
  if (!document) {
    if (sequence.taxonomyFile.empty()) openError = "no taxonomy data file was chosen";
    if (openError.empty()) openError = "the taxonomy data file cannot be opened";
    if (underAutomation) throw AutomationError(openError);
    sequence.dsplst(0, FormatString(Text(sequence, kErrorOccurredText).c_str(), openError.c_str()));
    return 1;
  }

  // 2. The roles.
  OutputFieldDialog dialog = RoleDialog(sequence, *document);
  if (choose(dialog) != 0) return 0;
  dialog.assignment.resize(kTaxonomyRoleCount, 0);
  sequence.taxonomyVariables = dialog.assignment;

  // 3. Enough of them.
  const AssignedRoles roles = ReadAssignment(dialog.assignment, document->VariableCount());
  if (roles.Count() < 2 || roles.itemNames == 0) {
    sequence.dsplst(0, Text(sequence, kInsufficientSelectionText));
    return 1;
  }

  // 4.-6. Read into new tables; 7. put them in use only when complete.
  TaxonomyTables tables;
  if (!ReadTables(sequence, *document, roles, tables)) return 1;
  SalEngine& engine = *sequence.engine();
  engine.taxonomies = std::move(tables.taxonomies);
  engine.stoplist = std::move(tables.stoplist);
  return 0;
}

}  // namespace linkan
