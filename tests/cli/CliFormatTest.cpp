// The hand-written parts of gantrel-cli's output that the process tests reach only in part:
// the UTC calendar behind SOURCE_DATE_EPOCH and the UTF-8 check behind JSON strings.
#include <gtest/gtest.h>

#include <ctime>
#include <tuple>

#include "CliFormat.h"

namespace {

std::tuple<int, int, int, int, int, int, int, int> Fields(const std::tm& t) {
  return {t.tm_year, t.tm_mon, t.tm_mday, t.tm_wday, t.tm_yday, t.tm_hour, t.tm_min, t.tm_sec};
}

TEST(CliFormat, SourceDateEpochAgreesWithTheSystemCalendar) {
  // Leap days, century years, the ends of months and years, and the last second allowed.
  for (const std::time_t seconds :
       std::initializer_list<std::time_t>{0, 68169599, 951782400, 951868799, 978307199, 1709164800,
                                          1797136132, 4107542399, 253402300799}) {
    std::tm expected{};
    ASSERT_NE(gmtime_r(&seconds, &expected), nullptr);
    const auto parsed = gantrel::ParseSourceDateEpoch(std::to_string(seconds));
    ASSERT_TRUE(parsed.has_value()) << seconds;
    EXPECT_EQ(Fields(*parsed), Fields(expected)) << seconds;
  }
  for (const char* bad : {"253402300800", "99999999999999999999", "", "+5", " 5", "-1", "12abc"})
    EXPECT_FALSE(gantrel::ParseSourceDateEpoch(bad).has_value()) << bad;
}

TEST(CliFormat, JsonStringKeepsValidUtf8AndEscapesEverythingElse) {
  EXPECT_EQ(gantrel::JsonString("\xE3\x83\x87\xF0\x9F\x98\x80"),
            "\"\xE3\x83\x87\xF0\x9F\x98\x80\"");
  EXPECT_EQ(gantrel::JsonString("a\"b\\c\n\x7F"), "\"a\\\"b\\\\c\\n\\u007f\"");
  // An overlong slash, a UTF-16 surrogate, a sequence cut short and a stray continuation byte.
  EXPECT_EQ(gantrel::JsonString("\xC0\xAF"), "\"\\u00c0\\u00af\"");
  EXPECT_EQ(gantrel::JsonString("\xED\xA0\x80"), "\"\\u00ed\\u00a0\\u0080\"");
  EXPECT_EQ(gantrel::JsonString("\xE3\x83"), "\"\\u00e3\\u0083\"");
  EXPECT_EQ(gantrel::JsonString("\x80z"), "\"\\u0080z\"");
}

}  // namespace
