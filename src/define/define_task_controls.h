// define_task_controls.h
//
// The controls of the task definition dialog by id: the six tab pages and
// what each carries (captions as stored, with the host's button markers:
// "!NNN" an icon, a leading "g" or a grave accent a button style), the
// edit fields' ranges and display precision.
#pragma once

namespace linkan {

class CAnalysisModelessDialog;

namespace task_ctl {
// The dialog.
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kTabs = 200;
inline constexpr int kSelectCases = 201;
inline constexpr int kCaseWeights = 202;
inline constexpr int kOpenData = 203;
inline constexpr int kWeightedMoments = 204;  // the host's Options menu, 204 to 207
inline constexpr int kWeightOptions = 205;
inline constexpr int kWeightOption0 = 206;
inline constexpr int kWeightOption1 = 207;
inline constexpr int kOptions = 10710;
// Quick.
inline constexpr int kNonsequential = 1044;
inline constexpr int kVariables = 1000;
inline constexpr int kIdLabel = 1037;
inline constexpr int kTimeCaption = 1038;
inline constexpr int kTimeLabel = 1039;
inline constexpr int kResponsesLabel = 1002;
inline constexpr int kDichotomiesLabel = 1001;
inline constexpr int kContinuousLabel = 1041;
inline constexpr int kSingleCode = 1045;
inline constexpr int kSingleCodeEdit = 1046;
inline constexpr int kCodes = 1007;
inline constexpr int kCodesLabel = 1008;
// Advanced.
inline constexpr int kMinSupport = 1013;
inline constexpr int kMaxSupport = 1222;
inline constexpr int kMinConfidence = 1014;
inline constexpr int kMaxConfidence = 1225;
inline constexpr int kMaxItemset = 1005;
inline constexpr int kMaxHead = 1010;
inline constexpr int kCuts = 1042;
inline constexpr int kCutsLabel = 1043;
// Sequence.
inline constexpr int kSingleItemsets = 1216;
inline constexpr int kMaxSequenceSize = 1199;
inline constexpr int kMaxSequenceSizeLabel = 1198;
inline constexpr int kTimeFilter = 1214;
inline constexpr int kMinTime = 1200;
inline constexpr int kMinTimeLabel = 1201;
inline constexpr int kMaxTimeLabel = 1202;
inline constexpr int kMaxTime = 1203;
inline constexpr int kByNumber = 1207;
inline constexpr int kFixedNumber = 1208;
inline constexpr int kByTime = 1206;
inline constexpr int kFixedTime = 1205;
// Taxonomy.
inline constexpr int kTaxonomies = 1050;
inline constexpr int kTaxonomyFile = 1047;
inline constexpr int kTaxonomyFileLabel = 1048;
inline constexpr int kAssignTaxonomy = 1049;
inline constexpr int kRemoveOriginal = 1069;
// Nonsequential.
inline constexpr int kNsVariables = 1077;
inline constexpr int kNsResponsesLabel = 1079;
inline constexpr int kNsDichotomiesLabel = 1081;
inline constexpr int kNsContinuousLabel = 1083;
inline constexpr int kNsSingleCode = 1084;
inline constexpr int kNsSingleCodeEdit = 1085;
inline constexpr int kNsCodes = 1086;
inline constexpr int kNsCodesLabel = 1087;
// Project.
inline constexpr int kNewProject = 1063;
inline constexpr int kExistingProject = 1064;
inline constexpr int kDatabaseButton = 1053;
inline constexpr int kDatabaseEdit = 1054;
inline constexpr int kUpdate = 1067;
inline constexpr int kGoToResults = 1065;
inline constexpr int kRecommend = 1066;
inline constexpr int kPmmlButton = 1194;
inline constexpr int kPmmlLabel = 1195;
inline constexpr int kPmmlVariableSelection = 1196;
}  // namespace task_ctl

// The tab pages in order: "Quick", "Advanced", "Sequence", "Taxonomy",
// "Nonsequential", "Project".
inline constexpr int kTaskPageCount = 6;
inline constexpr int kSequencePage = 2;
inline constexpr int kNonsequentialPage = 4;
const char* TaskPageCaption(int page);

// Adds every control of the dialog, with its page, caption, range and
// precision (values come later from the settings).
void AddDefineTaskControls(CAnalysisModelessDialog& dialog);

}  // namespace linkan
