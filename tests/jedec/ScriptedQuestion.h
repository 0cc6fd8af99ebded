// A checksum question for tests: answers from a script and records every call.
#pragma once

#include <cstdint>
#include <vector>

#include "JedecReader.h"

namespace gantrel {

class ScriptedQuestion : public ChecksumQuestion {
 public:
  struct Call {
    std::uint16_t Given;
    std::uint16_t Computed;
  };

  // Answers every question with `accept` (true: OK, false: Cancel).
  explicit ScriptedQuestion(bool accept) : Accept(accept) {}

  bool AcceptChecksumMismatch(std::uint16_t given, std::uint16_t computed) override {
    Calls.push_back({given, computed});
    return Accept;
  }

  bool Accept;
  std::vector<Call> Calls;
};

}  // namespace gantrel
