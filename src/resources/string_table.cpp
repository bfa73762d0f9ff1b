// string_table.cpp
//
// The texts of the string table, under their numbers. Kept as data in one
// place so that every part of the module shows exactly the same wording.
#include "resources/string_table.h"

#include <algorithm>
#include <array>
#include <utility>

namespace linkan {
namespace {

struct Entry {
  int id;
  std::string_view text;
};

// Sorted by id; LookupString relies on that order.
constexpr Entry kStrings[] = {
    {10001, "selected"},
    {10002, "none"},
    {10004, "Invalid number was entered"},
    {10035, "Not enough variables were specified. Please select at least two dichotomy (continuous) variables or one response variable ."},
    {10036, "Select codes for multiple dichotomy and/or categorical variables"},
    {10053, "Sequential association result dialog"},
    {10054, ".qln"},
    {10055, "qln files (*.qln)|*.qln|qli files (*.qli)|*.qli|All files (*.*)|*.*||"},
    {10056, "Open data file"},
    {10057, "The following pmml file does not exist:\n %s"},
    {10058, "An error occurred when loading %s"},
    {10059, "Code = 0x%x\n"},
    {10060, "Source = Line : %ld; Char : %ld\n"},
    {10061, "Error Description = %s\n"},
    {10062, ".xml"},
    {10063, "Open PMML files"},
    {10064, "XML files (*.xml)|*.xml|All files (*.*)|*.*||"},
    {10066, "Improper string provided for PMML file names."},
    {10110, "There are too few items to produce result. You may want to select more than a single item in the item list at the top of results dialog before clicking this button."},
    {10123, "Preparsing failed!"},
    {10124, "Initializing..."},
    {10125, "Constructing transaction database..."},
    {10128, "Directory to database file you specified does not exists!"},
    {10129, "The database filename already exists and will be deleted. Do you want to continue?"},
    {10130, "The database you specified cannot be accessed!"},
    {10132, "Single code for all dichotomy variables is not specified."},
    {10133, "Variable %d does not contain %s"},
    {10134, "Single code for all dichotomy variables is not specified."},
    {10135, "Variable %d does not contain %s"},
    {10136, "An error occurred: %s"},
    {10137, "Item names"},
    {10138, "Synonym list %d"},
    {10139, "Ignore list %d"},
    {10140, "Assign item names and synonyms to variables"},
    {10141, "Item names and synonyms"},
    {10142, "Variables"},
    {10143, "Assigned names or synonyms"},
    {10144, "Assigned variables"},
    {10145, "Insufficient variable selection detected"},
    {10146, "Select variables"},
    {10147, "Sequence ID variable"},
    {10148, "Time variable (optional)"},
    {10149, "Multiple response vars"},
    {10150, "Multiple dichotomy vars"},
    {10151, "Continuous vars"},
    {10152, "Select variables"},
    {10153, "Transaction ID variable"},
    {10154, "Multiple response vars"},
    {10155, "Multiple dichotomy vars"},
    {10156, "Continuous vars"},
    {10157, "Select variables"},
    {10158, "NS Multiple response vars"},
    {10159, "NS Multiple dichotomy vars"},
    {10160, "NS Continuous vars"},
    {10161, "One of NS variables overlaps standard variables!"},
    {10162, "none"},
    {10163, "none"},
    {10164, "LK DB Files (*.dbs)|*.dbs|All Files (*.*)|*.*||"},
    {10165, ".dbs"},
    {10166, "Open Link analysis database file"},
    {10167, "Link Analysis"},
    {10171, "There is no itemset or sequence found! Please modify analysis setting for better results."},
    {10175, "If this checkbox is selected, consecutive response variables in a case will represent single-element itemsets in a sequence. Note that only response variable will be considered in the analysis. Time and other variables including sequential dichotomy and continuous variables will be ignored."},
    {10183, "Invalid min/max time was entered; must be -1000000000 < x < 100000000."},
    {10184, "Invalid time length was entered; must be 0 < x < max(time) - min(time)."},
    {10185, "Minimum time should be less than maximum time"},
    {10186, "Can't find any data with specifications"},
    {10187, "Minimum support specified is small enough to get every combination of items in data. We suggest specifying higher minimum support than %f, or using cross-tabulation of basic statistics module. If you want to continue with current minimum support, it may cause memory exhaustion. Continue?"},
    {10189, "Save PMML file"},
    {10192, "Maximum number of elements in an itemset should be larger than 1 in case of non-sequential association analysis"},
    {10195, "Invalid value for Maximum Support: must be within ( 0.0 ; 1.0 ) and more than (or equal to) Minimum Support."},
    {10196, "Invalid value for Minimum Support: must be within ( 0.0 ; 1.0 )."},
    {10197, "Invalid value for Minimum Confidence: must be within ( 0.0 ; 1.0 )."},
    {10198, "Invalid value for Maximum Confidence: must be within ( 0.0 ; 1.0 ) and more than (or equal to) Minimum Confidence."},
    {10200, "Failed to open the database file.\n\nPlease make sure that the file path is valid and that the file is not write-protected."},
};

constexpr bool IsSorted() {
  for (std::size_t i = 1; i < std::size(kStrings); ++i) {
    if (kStrings[i - 1].id >= kStrings[i].id) return false;
  }
  return true;
}
static_assert(IsSorted(), "string table must be sorted by id without duplicates");

const Entry* Find(int id) {
  const auto* end = std::end(kStrings);
  const auto* it = std::lower_bound(std::begin(kStrings), end, id,
                                    [](const Entry& e, int key) { return e.id < key; });
  return (it != end && it->id == id) ? it : nullptr;
}

}  // namespace

std::string_view LookupString(int id) {
  const Entry* e = Find(id);
  return e ? e->text : std::string_view{};
}

bool HasString(int id) { return Find(id) != nullptr; }

}  // namespace linkan
