// string_table.h
//
// The module's string table: every user-facing text, looked up by number
// (10000 to 10201). Texts are stored exactly as the module shows them;
// "%s", "%d" and "%f" placeholders are filled by the caller.
//
// Thread safety: the table is immutable; lookups are safe from any thread.
#pragma once

#include <string>
#include <string_view>

namespace linkan {

// Returns the text of string `id`, or an empty view when the table has no
// such entry. The view refers to static storage and never dangles.
std::string_view LookupString(int id);

// Returns true when the table has an entry for `id`.
bool HasString(int id);

// Message numbers used across the module. Each names the text it stands for.
namespace msg {
inline constexpr int kSelected = 10001;
inline constexpr int kNone = 10002;
inline constexpr int kInvalidNumber = 10004;
inline constexpr int kNotEnoughVariables = 10035;
inline constexpr int kSelectCodesTitle = 10036;
inline constexpr int kResultDialogName = 10053;
inline constexpr int kPmmlMissing = 10057;
inline constexpr int kPmmlLoadError = 10058;
inline constexpr int kPmmlErrorCode = 10059;
inline constexpr int kPmmlErrorSource = 10060;
inline constexpr int kPmmlErrorDescription = 10061;
inline constexpr int kImproperPmmlName = 10066;
inline constexpr int kTooFewItems = 10110;
inline constexpr int kPreparsingFailed = 10123;
inline constexpr int kInitializing = 10124;
inline constexpr int kConstructingDatabase = 10125;
inline constexpr int kDirectoryMissing = 10128;
inline constexpr int kDatabaseExists = 10129;
inline constexpr int kDatabaseInaccessible = 10130;
inline constexpr int kAnalysisName = 10167;
inline constexpr int kNoPatternFound = 10171;
inline constexpr int kInvalidMinMaxTime = 10183;
inline constexpr int kInvalidTimeLength = 10184;
inline constexpr int kMinTimeNotBelowMax = 10185;
inline constexpr int kNoData = 10186;
inline constexpr int kSmallSupport = 10187;
inline constexpr int kSavePmmlTitle = 10189;
inline constexpr int kMaxpatTooSmall = 10192;
inline constexpr int kInvalidMaxSupport = 10195;
inline constexpr int kInvalidMinSupport = 10196;
inline constexpr int kInvalidMinConfidence = 10197;
inline constexpr int kInvalidMaxConfidence = 10198;
inline constexpr int kDatabaseOpenFailed = 10200;
}  // namespace msg

}  // namespace linkan
