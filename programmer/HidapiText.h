// hidapi's error texts are wide strings; the rest of the tool speaks UTF-8.
#pragma once

#include <string>

namespace gantrel {

// `text` as UTF-8 (UTF-16 or UTF-32 code units, by the width of wchar_t), "" for null; a
// broken surrogate becomes U+FFFD.
std::string WideToUtf8(const wchar_t* text);

}  // namespace gantrel
