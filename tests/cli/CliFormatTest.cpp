// The hand-written parts of gantrel-cli's output that the process tests reach only in part:
// the UTC calendar behind SOURCE_DATE_EPOCH and the UTF-8 check behind JSON strings.
#include <gtest/gtest.h>

#include <ctime>

#include "CliFormat.h"

namespace {

TEST(CliFormat, SourceDateEpochAgreesWithTheSystemCalendar) {
  // Leap days, century years, the ends of months and years, and the last second allowed.
  for (const std::time_t seconds :
       {std::time_t{0}, std::time_t{68169599}, std::time_t{951782400}, std::time_t{951868799},
        std::time_t{978307199}, std::time_t{1709164800}, std::time_t{1797136132},
        std::time_t{4107542399}, std::time_t{253402300799}}) {
    std::tm expected{};
    ASSERT_NE(gmtime_r(&seconds, &expected), nullptr);
    const auto parsed = gantrel::ParseSourceDateEpoch(std::to_string(seconds));
    ASSERT_TRUE(parsed.has_value()) << seconds;
    EXPECT_EQ(parsed->tm_year, expected.tm_year) << seconds;
    EXPECT_EQ(parsed->tm_mon, expected.tm_mon) << seconds;
    EXPECT_EQ(parsed->tm_mday, expected.tm_mday) << seconds;
    EXPECT_EQ(parsed->tm_wday, expected.tm_wday) << seconds;
    EXPECT_EQ(parsed->tm_yday, expected.tm_yday) << seconds;
    EXPECT_EQ(parsed->tm_hour * 3600 + parsed->tm_min * 60 + parsed->tm_sec,
              expected.tm_hour * 3600 + expected.tm_min * 60 + expected.tm_sec)
        << seconds;
  }
  EXPECT_FALSE(gantrel::ParseSourceDateEpoch("253402300800").has_value());
  EXPECT_FALSE(gantrel::ParseSourceDateEpoch("+5").has_value());
  EXPECT_FALSE(gantrel::ParseSourceDateEpoch(" 5").has_value());
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
