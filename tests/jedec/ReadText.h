// Reads a text the way the tests look at it: the result and the fuses.
#pragma once

#include <algorithm>
#include <string_view>

#include "JedecReader.h"

namespace gantrel {

struct ReadOut {
  JedecReadResult Result;
  FuseArray Fuses;
  int Set() const { return static_cast<int>(std::count(Fuses.begin(), Fuses.end(), 1)); }
};

// Reads `text` into fuses that all hold `fill`.
inline ReadOut ReadText(std::string_view text, int fill = 0) {
  ReadOut out;
  out.Fuses.fill(static_cast<std::uint8_t>(fill));
  out.Result = JedecReader(text, out.Fuses);
  return out;
}

}  // namespace gantrel
