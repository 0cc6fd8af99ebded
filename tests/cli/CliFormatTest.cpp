// The UTF-8 check behind gantrel-cli's JSON strings, which the command tests reach only in part.
#include <gtest/gtest.h>

#include "CliFormat.h"

namespace {

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
