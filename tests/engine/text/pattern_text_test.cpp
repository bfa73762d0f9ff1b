// Tests of the pattern text forms.
#include "engine/text/pattern_text.h"

#include <gtest/gtest.h>

#include "frame/host/module_error.h"

namespace linkan {
namespace {

class PatternTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a", "b", "c", "d"}) items.Add(name);
  }
  ItemDictionary items;
};

TEST_F(PatternTextTest, SequenceModeForms) {
  const Pattern p = {{1}, {2, 3}, {4}};
  EXPECT_EQ(PatternText(items, true, p, false, true), "[a (b c) d]");
  EXPECT_EQ(PatternText(items, true, p, true, false), "a, (b, c), d");
}

TEST_F(PatternTextTest, AssociationModeForms) {
  const Pattern p = {{1, 2, 3}};
  EXPECT_EQ(PatternText(items, false, p, true, false), "a, b, c");
  EXPECT_EQ(PatternText(items, false, p, false, true), "[(a b c)]");
}

TEST_F(PatternTextTest, EmptyAndSingleItemPatterns) {
  EXPECT_EQ(PatternText(items, true, {}, true, false), "");
  EXPECT_EQ(PatternText(items, true, {}, false, true), "[]");
  EXPECT_EQ(PatternText(items, true, {{2}}, true, false), "b");
  EXPECT_EQ(PatternText(items, true, {{2}}, false, true), "[b]");
}

TEST_F(PatternTextTest, SeparatorsInNamesAreNotEscapedAndUnknownItemsThrow) {
  ItemDictionary odd;
  odd.Add("x, (y)");
  EXPECT_EQ(PatternText(odd, true, {{1}, {1}}, true, false), "x, (y), x, (y)");
  try {
    PatternText(items, true, {{9}}, true, false);
    FAIL() << "expected value not found";
  } catch (const ModuleError& e) {
    EXPECT_EQ(e.kind(), ErrorKind::kNotFound);
    EXPECT_STREQ(e.what(), "value not found");
  }
}

TEST_F(PatternTextTest, DeploymentForm) {
  // "( " + " a, " + " b " + " ), " + "( " + " c " + " )"
  EXPECT_EQ(DeploymentPatternText(items, {{1, 2}, {3}}), "(  a,  b  ), (  c  )");
  // An unknown item prints as an empty name between the separators.
  EXPECT_EQ(DeploymentPatternText(items, {{1, 9}}), "(  a,    )");
  EXPECT_EQ(DeploymentPatternText(items, {}), "");
}

}  // namespace
}  // namespace linkan
