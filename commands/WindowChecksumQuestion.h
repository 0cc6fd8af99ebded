// The reader's checksum question, asked of the user in an OK/Cancel box of the window.
#pragma once

#include "JedecReader.h"
#include "Window.h"

namespace gantrel {

class WindowChecksumQuestion : public ChecksumQuestion {
 public:
  explicit WindowChecksumQuestion(Window& window) : window_(window) {}

  // Shows the stated and the computed checksum with OK and Cancel, no icon, the application's
  // title; true when the user chose OK.
  bool AcceptChecksumMismatch(std::uint16_t given, std::uint16_t computed) override;

 private:
  Window& window_;
};

}  // namespace gantrel
