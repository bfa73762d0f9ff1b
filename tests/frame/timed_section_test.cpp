// Tests of the timing lines.
#include "frame/timed_section.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frame/host/debug_sink.h"

namespace linkan {
namespace {

TEST(TimedSection, LineFormatSwitchesToSecondsAtTenThousandMilliseconds) {
  EXPECT_EQ(FormatTimeItLine(42, 9999 * 1000 + 999, "SAL [rule generation]"),
            "{42} TimeIt | 9999 ms | SAL [rule generation]\n");
  EXPECT_EQ(FormatTimeItLine(42, 10000 * 1000, "SAL [rule generation]"),
            "{42} TimeIt | 10.000 s | SAL [rule generation]\n");
  EXPECT_EQ(FormatTimeItLine(7, 12 * 1000, "x"), "{7} TimeIt |   12 ms | x\n");
  EXPECT_EQ(FormatTimeItLine(7, 999, "x"), "{7} TimeIt |    0 ms | x\n");
  EXPECT_EQ(FormatTimeItLine(7, 123456789, "x"), "{7} TimeIt | 123.456 s | x\n");
}

TEST(TimedSection, EndingWritesOneLineWithTheCallingThreadId) {
  std::vector<std::string> lines;
  ScopedDebugSink sink([&](std::string_view t) { lines.emplace_back(t); });
  {
    TimedSection section("SAL [Item index remapping]");
    section.End();
    section.End();  // a second end writes nothing
  }
  ASSERT_EQ(lines.size(), 1u);
  const std::string prefix = "{" + std::to_string(CurrentThreadId()) + "} TimeIt | ";
  EXPECT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(" ms | SAL [Item index remapping]\n"), std::string::npos);
}

}  // namespace
}  // namespace linkan
