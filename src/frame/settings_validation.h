// settings_validation.h
//
// The validation of a task's typed-in values, in its fixed order: each value
// is read from its field, checked and stored before the next is read; the
// first failure stops with its message number, the field and what the field
// accepts (task files put the key and that range around the message). The
// task dialog, the automation interface and task files all go through it.
#pragma once

#include <functional>
#include <string>

#include "frame/analysis_settings.h"

namespace linkan {

// Ids of the fields (the task dialog's edit controls) the validation reads.
namespace field {
inline constexpr int kMaxPat = 1005;
inline constexpr int kMaxHead = 1010;
inline constexpr int kMinSupp = 1013;
inline constexpr int kMinConf = 1014;
inline constexpr int kNCategPco = 1042;
inline constexpr int kDatabaseFile = 1054;
inline constexpr int kMaxSequenceSize = 1199;
inline constexpr int kMinTime = 1200;
inline constexpr int kMaxTime = 1203;
inline constexpr int kFixedTimeLength = 1205;
inline constexpr int kFixedNumItemsets = 1208;
inline constexpr int kMaxSupp = 1222;
inline constexpr int kMaxConf = 1225;
}  // namespace field

// Returns the text of field `id` as the user typed it.
using FieldTextSource = std::function<std::string(int id)>;

// The outcome of the validation: the first value refused, with what its
// field accepts at that point ("a whole number from 1 to 200", "a number
// from 0.2 to 1": bounds that depend on values stored before are filled in).
struct SettingsCheck {
  int message = 0;    // the number of the message to show; 0 when all passed
  int field = 0;      // the field whose value was refused
  std::string range;  // what that field accepts

  bool ok() const { return message == 0; }
};

// Validates and stores the typed-in values into `settings`, and the project
// database file name into `projectPath` when it is not empty and differs.
// Values read before the failing one stay stored.
SettingsCheck ValidateAndStoreSettings(AnalysisSettings& settings,
                                       const FieldTextSource& fieldText,
                                       std::string& projectPath);

// A number as the shortest text that reads back to it, never in
// scientific notation ("0.2", "-1000000000").
std::string PlainNumberText(double x);

// Parses a whole number written as text ("12", " 12 ", "12.0"); false when
// the text is not one.
bool ParseWholeNumber(const std::string& text, long long& value);
// Parses a number written as text; false when the text is not a finite number.
bool ParseNumber(const std::string& text, double& value);

}  // namespace linkan
