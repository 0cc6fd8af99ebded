// Reads a text the way the tests look at it: the result, the fuses and every question asked.
#pragma once

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "JedecReader.h"

namespace gantrel {

// What one read left: the result, the fuses and the questions asked (given, computed).
struct ReadOut : ChecksumQuestion {
  JedecReadResult Result;
  FuseArray Fuses;
  bool Accept = false;  // the answer to every question: OK or Cancel
  std::vector<std::pair<int, int>> Calls;
  bool AcceptChecksumMismatch(std::uint16_t given, std::uint16_t computed) override {
    Calls.emplace_back(given, computed);
    return Accept;
  }
  int Set() const { return static_cast<int>(std::count(Fuses.begin(), Fuses.end(), 1)); }
};

// Reads `text` into fuses that all hold `fill`, answering a mismatch with `accept`.
inline ReadOut ReadText(std::string_view text, int fill = 0, bool accept = false) {
  ReadOut out;
  out.Fuses.fill(static_cast<std::uint8_t>(fill));
  out.Accept = accept;
  out.Result = JedecReader(text, out.Fuses, out);
  return out;
}

}  // namespace gantrel
