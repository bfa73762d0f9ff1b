// define_task_controls.cpp
#include "define/define_task_controls.h"

#include "frame/host/modeless_dialog.h"

namespace linkan {
namespace {

using namespace task_ctl;

struct ControlEntry {
  int id;
  ControlKind kind;
  int page;
  const char* text;  // a button's caption or an edit's label
  double min = 0.0;
  double max = 0.0;
  int precision = 0;
};

constexpr int kQuick = 0, kAdvanced = 1, kSequence = 2, kTaxonomy = 3, kNs = 4, kProject = 5;

const ControlEntry kControls[] = {
    // The dialog itself.
    {kOk, ControlKind::kButton, -1, "gOK"},
    {kCancel, ControlKind::kButton, -1, "Cancel"},
    {kOptions, ControlKind::kButton, -1, "Options"},
    {kOpenData, ControlKind::kButton, -1, "`Open D&ata"},
    {kSelectCases, ControlKind::kButton, -1, "!246&Select"},
    {kTabs, ControlKind::kTab, -1, ""},
    // The host's Options menu entries for weights.
    {kWeightedMoments, ControlKind::kCheck, -1, "Weighted moments"},
    {kWeightOptions, ControlKind::kLabel, -1, "Weighting"},
    {kWeightOption0, ControlKind::kRadio, -1, "Weighting option 0"},
    {kWeightOption1, ControlKind::kRadio, -1, "Weighting option 1"},
    // Quick.
    {kNonsequential, ControlKind::kCheck, kQuick, "&Non-sequential association analysis"},
    {kVariables, ControlKind::kButton, kQuick, "!185&Variables"},
    {1036, ControlKind::kLabel, kQuick, "Transaction/Sequence ID:"},
    {kIdLabel, ControlKind::kLabel, kQuick, ""},
    {kTimeCaption, ControlKind::kLabel, kQuick, "Time ID:"},
    {kTimeLabel, ControlKind::kLabel, kQuick, ""},
    {1004, ControlKind::kLabel, kQuick, "Multiple responses:"},
    {kResponsesLabel, ControlKind::kLabel, kQuick, ""},
    {1003, ControlKind::kLabel, kQuick, "Multiple dichotomies:"},
    {kDichotomiesLabel, ControlKind::kLabel, kQuick, ""},
    {1040, ControlKind::kLabel, kQuick, "Continuous variables:"},
    {kContinuousLabel, ControlKind::kLabel, kQuick, ""},
    {kSingleCode, ControlKind::kCheck, kQuick, "Select single code for all &dich. vars:"},
    {kSingleCodeEdit, ControlKind::kEdit, kQuick, "", -32000, 32000, 0},
    {kCodes, ControlKind::kButton, kQuick, "!186Multiple dichotomy &codes"},
    {kCodesLabel, ControlKind::kLabel, kQuick, ""},
    // Advanced.
    {1220, ControlKind::kGroup, kAdvanced, "&Support"},
    {kMinSupport, ControlKind::kEdit, kAdvanced, "M&inimum: ", 0.0001, 0.9999, 4},
    {1223, ControlKind::kLabel, kAdvanced, "M&aximum: "},
    {kMaxSupport, ControlKind::kEdit, kAdvanced, "M&aximum: ", 0.0001, 1.0, 4},
    {1221, ControlKind::kGroup, kAdvanced, "&Confidence"},
    {kMinConfidence, ControlKind::kEdit, kAdvanced, "Mi&nimum: ", 0.01, 0.99, 4},
    {1224, ControlKind::kLabel, kAdvanced, "Ma&ximum: "},
    {kMaxConfidence, ControlKind::kEdit, kAdvanced, "Ma&ximum: ", 0.01, 1.0, 4},
    {kMaxItemset, ControlKind::kEdit, kAdvanced, "Maximum number of &elements in an itemset: ",
     1, 200, 0},
    {kMaxHead, ControlKind::kEdit, kAdvanced, "Maximum number of elements in rule's &head: ", 1,
     200, 0},
    {kCutsLabel, ControlKind::kLabel, kAdvanced, "Number of cuts for continuous &variables:"},
    {kCuts, ControlKind::kEdit, kAdvanced, "Number of cuts for continuous &variables:", 2, 20, 0},
    // Sequence.
    {kSingleItemsets, ControlKind::kCheck, kSequence,
     "Use e&ach case as sequential single-element itemsets"},
    {kMaxSequenceSizeLabel, ControlKind::kLabel, kSequence,
     "Maximum &number of itemsets in a sequence: "},
    {kMaxSequenceSize, ControlKind::kEdit, kSequence, "Maximum &number of itemsets in a sequence: ",
     2, 100, 0},
    {kTimeFilter, ControlKind::kCheck, kSequence,
     "&Min/max filter: Extract only sequences no shorter and no longer (in time) than as "
     "specified below (where time is measured in units as specified in current data file)"},
    {kMinTimeLabel, ControlKind::kLabel, kSequence, "Minim&um: "},
    {kMinTime, ControlKind::kEdit, kSequence, "Minim&um: ", -1e10, 1e10, 4},
    {kMaxTimeLabel, ControlKind::kLabel, kSequence, "Ma&ximum:"},
    {kMaxTime, ControlKind::kEdit, kSequence, "Ma&ximum:", -1e10, 1e10, 4},
    {1209, ControlKind::kGroup, kSequence, "Combine several itemsets into one"},
    {kByNumber, ControlKind::kRadio, kSequence, "Fixed &number of itemsets:"},
    {kFixedNumber, ControlKind::kEdit, kSequence, "Fixed &number of itemsets:", 1, 100, 0},
    {kByTime, ControlKind::kRadio, kSequence, "Itemsets with fixed length of &time :"},
    {kFixedTime, ControlKind::kEdit, kSequence, "Itemsets with fixed length of &time :", 0, 1e10,
     4},
    // Taxonomy.
    {kTaxonomies, ControlKind::kCheck, kTaxonomy,
     "&Use taxonomies for hierarchical association analysis"},
    {kTaxonomyFile, ControlKind::kButton, kTaxonomy, "`&Data file for taxonomies:"},
    {kTaxonomyFileLabel, ControlKind::kLabel, kTaxonomy, ""},
    {kAssignTaxonomy, ControlKind::kButton, kTaxonomy, "!185Assign &taxonomy variables"},
    {kRemoveOriginal, ControlKind::kCheck, kTaxonomy,
     "&Remove original item labels when taxonomies are applied"},
    {1213, ControlKind::kHelpText, kTaxonomy,
     "To specify taxonomies, assign the variable with item ID's/text (e.g., Tomatoes, Lettuce) to "
     "\"Item names\"; assign variables with aggregate labels to \"Synonym list\" (e.g., Produce; "
     "which is an aggregate label for Lettuce and Tomatoes). "},
    // Nonsequential.
    {kNsVariables, ControlKind::kButton, kNs, "!185&Non-sequential (N-S) Variables"},
    {1078, ControlKind::kLabel, kNs, "N-S Multiple responses:"},
    {kNsResponsesLabel, ControlKind::kLabel, kNs, ""},
    {1080, ControlKind::kLabel, kNs, "N-S Multiple dichotomies:"},
    {kNsDichotomiesLabel, ControlKind::kLabel, kNs, ""},
    {1082, ControlKind::kLabel, kNs, "N-S Continuous variables:"},
    {kNsContinuousLabel, ControlKind::kLabel, kNs, ""},
    {kNsSingleCode, ControlKind::kCheck, kNs, "Select single &code for all NS dich.:"},
    {kNsSingleCodeEdit, ControlKind::kEdit, kNs, "", -32000, 32000, 0},
    {kNsCodes, ControlKind::kButton, kNs, "!186NS Multi. &dich. codes"},
    {kNsCodesLabel, ControlKind::kLabel, kNs, ""},
    {1088, ControlKind::kHelpText, kNs,
     "Nonsequential tab is used for selecting non-sequential variables when sequence analysis is "
     "chosen. Specifying non-sequential variables in sequence analysis makes Multidimensional "
     "Sequence Analysis (MSA) possible."},
    // Project.
    {1062, ControlKind::kGroup, kProject, "Project"},
    {kNewProject, ControlKind::kRadio, kProject, "&Create new project"},
    {kExistingProject, ControlKind::kRadio, kProject, "&Use existing project"},
    {1059, ControlKind::kGroup, kProject, "Database selection "},
    {kDatabaseButton, ControlKind::kButton, kProject, "`Data&base file"},
    {kDatabaseEdit, ControlKind::kEdit, kProject, ""},
    {1068, ControlKind::kGroup, kProject, "With existing project"},
    {kUpdate, ControlKind::kRadio, kProject, "Update &new transactions"},
    {kGoToResults, ControlKind::kRadio, kProject,
     "&Go to results dialog without adding transactions"},
    {kRecommend, ControlKind::kRadio, kProject, "&Recommendation via PMML"},
    {kPmmlButton, ControlKind::kButton, kProject, "`PMM&L file"},
    {kPmmlLabel, ControlKind::kLabel, kProject, ""},
    {kPmmlVariableSelection, ControlKind::kCheck, kProject, ""},
};

const char* const kPageCaptions[kTaskPageCount] = {"Quick",    "Advanced",      "Sequence",
                                                   "Taxonomy", "Nonsequential", "Project"};

}  // namespace

const char* TaskPageCaption(int page) {
  return page >= 0 && page < kTaskPageCount ? kPageCaptions[page] : "";
}

void AddDefineTaskControls(CAnalysisModelessDialog& dialog) {
  for (const ControlEntry& entry : kControls) {
    const bool edit = entry.kind == ControlKind::kEdit;
    DialogControl& c = dialog.AddControl(entry.id, entry.kind, edit ? "" : entry.text);
    if (edit) c.caption = entry.text;
    c.page = entry.page;
    c.rangeMin = entry.min;
    c.rangeMax = entry.max;
    c.precision = entry.precision;
  }
  // The hidden check of the variable selection via PMML: only automation
  // reaches it.
  dialog.FindControl(task_ctl::kPmmlVariableSelection)->visible = false;
}

}  // namespace linkan
