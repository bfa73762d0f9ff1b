// Tests of the settings defaults and of the validation order and messages.
#include <cmath>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "frame/analysis_settings.h"
#include "frame/settings_validation.h"
#include "resources/string_table.h"

namespace linkan {
namespace {

TEST(AnalysisSettings, DefaultsOfAFreshRecord) {
  AnalysisSettings s;
  s.ResetToDefaults(5);
  EXPECT_EQ(s.minsupp, 0.2);
  EXPECT_EQ(s.minconf, 0.1);
  EXPECT_EQ(s.maxsupp, 1.0);
  EXPECT_EQ(s.maxconf, 1.0);
  EXPECT_EQ(s.maxpat, 10);
  EXPECT_EQ(s.maxhead, 10);
  EXPECT_EQ(s.ncategpco, 10);
  EXPECT_EQ(s.MaxSequenceSize, 6);
  EXPECT_EQ(s.MinTime, -100000000.0);
  EXPECT_EQ(s.MaxTime, 100000000.0);
  EXPECT_EQ(s.minpat, 1);
  EXPECT_EQ(s.mincorr, 0.5);
  EXPECT_EQ(s.maxbody, 10);
  EXPECT_EQ(s.FixedNumItemsets, 1);
  EXPECT_EQ(s.FixedTimeLength, 0.0);
  EXPECT_EQ(s.projectMode, 0);
  EXPECT_EQ(s.existingProjectAction, 0);
  EXPECT_EQ(s.nresvars + s.ndichvars + s.ncontvars + s.nsidvar + s.ntidvar, 0);
  EXPECT_EQ(s.resvars.size(), 5u);
  EXPECT_EQ(s.mdcontvars.size(), 5u);
  EXPECT_EQ(s.NbVars, 5);
}

TEST(AnalysisSettings, DichotomyCodesUseTheColumnLayout) {
  AnalysisSettings s;
  s.ResetToDefaults(4);
  s.ndichvars = 2;
  s.SetDichCodes(0, {1, 2, 3});
  s.SetDichCodes(1, {7});
  ASSERT_EQ(s.dichcodes.size(), 6u);  // 2 variables x 3 rows
  EXPECT_EQ(s.dichcodes[0], 1);       // code 0 of variable 0
  EXPECT_EQ(s.dichcodes[1], 7);       // code 0 of variable 1
  EXPECT_EQ(s.dichcodes[2], 2);       // code 1 of variable 0
  EXPECT_EQ(s.dichcodes[4], 3);
  EXPECT_EQ(s.DichCode(0, 2), 3);
  EXPECT_EQ(s.DichCode(1, 0), 7);
  EXPECT_EQ(s.ndichcodes[0], 3);
  EXPECT_EQ(s.ndichcodes[1], 1);
}

// A task whose every field is valid; tests change one field at a time.
class ValidationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    s.ResetToDefaults(3);
    fields = {{field::kMaxHead, "10"},      {field::kMaxPat, "10"},
              {field::kMinSupp, "0.2"},     {field::kMinConf, "0.1"},
              {field::kMaxSupp, "1"},       {field::kMaxConf, "1"},
              {field::kMaxSequenceSize, "6"}, {field::kFixedNumItemsets, "1"},
              {field::kMinTime, "-100"},    {field::kMaxTime, "100"},
              {field::kFixedTimeLength, "5"}, {field::kNCategPco, "10"},
              {field::kDatabaseFile, ""}};
  }
  SettingsCheck Check() {
    return ValidateAndStoreSettings(
        s, [this](int id) { return fields.count(id) ? fields.at(id) : std::string("?"); }, path);
  }
  int Validate() { return Check().message; }
  // With a time variable selected, the time fields are read too.
  void SelectTime() {
    s.ntidvar = 1;
    s.tidvar[0] = 2;
  }

  AnalysisSettings s;
  std::map<int, std::string> fields;
  std::string path = "/data/LinkAnalysis.dbs";
};

TEST_F(ValidationTest, AcceptsAValidTaskAndStoresEveryValue) {
  fields[field::kMinSupp] = "0.05";
  fields[field::kMaxHead] = "3";
  ASSERT_EQ(Validate(), 0);
  EXPECT_EQ(s.minsupp, 0.05);
  EXPECT_EQ(s.maxhead, 3);
  EXPECT_EQ(path, "/data/LinkAnalysis.dbs");  // empty field: path kept
}

TEST_F(ValidationTest, MessagesComeInTheFixedOrderFirstFailureWins) {
  // Everything wrong at once: the first check's message wins, and each fix
  // reveals the next check's message.
  SelectTime();
  s.iMinMaxFilter = 1;
  s.ncontvars = 1;
  fields = {{field::kMaxHead, "0"},        {field::kMaxPat, "300"},
            {field::kMinSupp, "2"},        {field::kMinConf, "-1"},
            {field::kMaxSupp, "5"},        {field::kMaxConf, "5"},
            {field::kMaxSequenceSize, "1"}, {field::kFixedNumItemsets, "0"},
            {field::kMinTime, "-2000000000"}, {field::kMaxTime, "0"},
            {field::kFixedTimeLength, "1"}, {field::kNCategPco, "21"},
            {field::kDatabaseFile, "/x/p.dbs"}};
  // Each failure names its field and what the field accepts there (bounds
  // that depend on values stored before are filled in).
  const struct {
    int message;
    int field;
    const char* range;
    const char* fix;
  } steps[] = {
      {msg::kInvalidNumber, field::kMaxHead, "a whole number from 1 to 200", "1"},
      {msg::kInvalidNumber, field::kMaxPat, "a whole number from 1 to 200", "200"},
      {msg::kInvalidMinSupport, field::kMinSupp, "a number from 0 to 1", "0.25"},
      {msg::kInvalidMinConfidence, field::kMinConf, "a number from 0 to 1", "1"},
      {msg::kInvalidMaxSupport, field::kMaxSupp, "a number from 0.25 to 1", "0.25"},
      {msg::kInvalidMaxConfidence, field::kMaxConf, "a number from 1 to 1", "1"},
      {msg::kInvalidNumber, field::kMaxSequenceSize, "a whole number from 2 to 100", "100"},
      {msg::kInvalidNumber, field::kFixedNumItemsets, "a whole number from 1 to 100", "100"},
      {msg::kInvalidMinMaxTime, field::kMinTime, "a number from -1000000000 to 100000000",
       "-1000000000"},
      {msg::kInvalidNumber, field::kNCategPco, "a whole number from 1 to 20", "20"},
  };
  for (const auto& step : steps) {
    const SettingsCheck check = Check();
    EXPECT_EQ(check.message, step.message) << "before fixing field " << step.field;
    EXPECT_EQ(check.field, step.field);
    EXPECT_EQ(check.range, step.range) << "field " << step.field;
    fields[step.field] = step.fix;
  }
  EXPECT_EQ(Validate(), 0);
  EXPECT_EQ(path, "/x/p.dbs");
  EXPECT_EQ(s.maxpat, 200);
  EXPECT_EQ(s.MinTime, -1000000000.0);
  EXPECT_EQ(s.MaxTime, 0.0);
}

TEST_F(ValidationTest, MaximumSupportEqualToMinimumIsAcceptedBelowIsNot) {
  fields[field::kMinSupp] = "0.3";
  fields[field::kMaxSupp] = "0.3";
  EXPECT_EQ(Validate(), 0);
  fields[field::kMaxSupp] = "0.29";
  EXPECT_EQ(Validate(), msg::kInvalidMaxSupport);
  fields[field::kMaxSupp] = "0.3";
  fields[field::kMinConf] = "0.5";
  fields[field::kMaxConf] = "0.4";
  EXPECT_EQ(Validate(), msg::kInvalidMaxConfidence);
}

TEST_F(ValidationTest, NonSequentialAnalysisNeedsItemsetsOfTwo) {
  s.noseq = 1;
  fields[field::kMaxPat] = "1";
  EXPECT_EQ(Validate(), msg::kMaxpatTooSmall);
  fields[field::kMaxPat] = "2";
  fields[field::kMaxSequenceSize] = "garbage";  // not read in association mode
  EXPECT_EQ(Validate(), 0);
}

TEST_F(ValidationTest, MaximumTimeMustExceedMinimumByMoreThanTheTolerance) {
  SelectTime();
  s.iMinMaxFilter = 1;
  fields[field::kMinTime] = "5";
  fields[field::kMaxTime] = "5";
  EXPECT_EQ(Validate(), msg::kMinTimeNotBelowMax);
  fields[field::kMaxTime] = "5.000000000000002";  // a couple of ulps above
  EXPECT_EQ(Validate(), msg::kMinTimeNotBelowMax);
  fields[field::kMaxTime] = "5.1";
  fields[field::kFixedTimeLength] = "0";
  EXPECT_EQ(Validate(), 0);
  fields[field::kMaxTime] = "4";
  EXPECT_EQ(Validate(), msg::kInvalidMinMaxTime);
}

TEST_F(ValidationTest, TimeLengthIsBoundedByTheTimeRange) {
  SelectTime();
  s.CombineItemsetMode = 1;
  fields[field::kFixedNumItemsets] = "garbage";  // not read in time mode
  fields[field::kFixedTimeLength] = "200000001";
  EXPECT_EQ(Validate(), msg::kInvalidTimeLength);
  fields[field::kFixedTimeLength] = "200000000";  // MaxTime - MinTime of the defaults
  EXPECT_EQ(Validate(), 0);
  s.iSingleItemset = 1;
  fields[field::kFixedTimeLength] = "-1";  // not read with single-element itemsets
  EXPECT_EQ(Validate(), 0);
}

TEST_F(ValidationTest, WithoutATimeVariableTheTimeOptionsAreNotRead) {
  s.iMinMaxFilter = 1;
  s.CombineItemsetMode = 1;
  fields[field::kMinTime] = "x";
  fields[field::kMaxTime] = "x";
  fields[field::kFixedTimeLength] = "x";
  fields[field::kFixedNumItemsets] = "x";
  EXPECT_EQ(Validate(), 0);
}

TEST_F(ValidationTest, CutsAreCheckedOnlyWithContinuousVariables) {
  fields[field::kNCategPco] = "0";
  EXPECT_EQ(Validate(), 0);
  s.ncontvars = 1;
  EXPECT_EQ(Validate(), msg::kInvalidNumber);
}

TEST_F(ValidationTest, UnreadableNumbersFailTheirStep) {
  fields[field::kMaxHead] = "2.5";
  EXPECT_EQ(Validate(), msg::kInvalidNumber);
  fields[field::kMaxHead] = "";
  EXPECT_EQ(Validate(), msg::kInvalidNumber);
  fields[field::kMaxHead] = " 7 ";
  fields[field::kMinSupp] = "0.2x";
  EXPECT_EQ(Validate(), msg::kInvalidMinSupport);
  EXPECT_EQ(s.maxhead, 7);  // stored before the failing step
  fields[field::kMinSupp] = "nan";
  EXPECT_EQ(Validate(), msg::kInvalidMinSupport);
}

TEST(StringTable, QuotedTextsAreExact) {
  EXPECT_EQ(LookupString(msg::kAnalysisName), "Link Analysis");
  EXPECT_EQ(LookupString(msg::kInvalidMinSupport),
            "Invalid value for Minimum Support: must be within ( 0.0 ; 1.0 ).");
  EXPECT_EQ(LookupString(msg::kDatabaseOpenFailed),
            "Failed to open the database file.\n\nPlease make sure that the file path is valid "
            "and that the file is not write-protected.");
  EXPECT_EQ(LookupString(10057), "The following pmml file does not exist:\n %s");
  EXPECT_TRUE(LookupString(10003).empty());
  EXPECT_FALSE(HasString(10201));
}

}  // namespace
}  // namespace linkan
