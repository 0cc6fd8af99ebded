// Small text helpers shared by the gantrel-cli commands: hex numbers, characters as found in a
// file, JSON text, positions in a file and the L row of a fuse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace gantrel {

// `value` as four upper-case hex digits ("0A3F").
std::string HexWord(std::uint16_t value);

// A byte as it is shown in a diagnostic: printable ASCII quoted ('x'), anything else as a hex
// byte (0x0D).
std::string DescribeByte(std::uint8_t byte);

// JSON values keep their keys in the order they were added.
using Json = nlohmann::ordered_json;

// `value` as JSON text: indented by `indent` spaces per level and ended with a line break, or
// on one line without a break when `indent` is negative. UTF-8 passes through unescaped; each
// sequence of bytes that is not UTF-8 (a file name's, say) becomes U+FFFD, so the text is
// always valid JSON.
std::string DumpJson(const Json& value, int indent = 2);

// A 1-based line and column in a file.
struct TextPosition {
  int Line = 1;
  int Column = 1;
};

// Where byte `offset` of `bytes` stands: Line is 1 plus the LF bytes before it, Column 1 plus
// the bytes since the last LF (a CR or a tab counts as one). An offset past the end counts
// the whole of `bytes`.
TextPosition LocateByte(std::string_view bytes, std::size_t offset);

// The L address of the line that holds `fuse` in the writer's text, as "L0088": the first fuse
// of its 44-fuse row for 0..5807, L5808 for the group of 20, L5828 for the UES.
std::string FuseRowAddress(int fuse);

// The UTC broken-down time of `secondsSinceEpoch` written as decimal digits (the form of
// SOURCE_DATE_EPOCH), or nothing when it is not such a number or lies beyond the year 9999.
std::optional<std::tm> ParseSourceDateEpoch(std::string_view secondsSinceEpoch);

}  // namespace gantrel
