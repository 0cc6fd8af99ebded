// The reader's checksum question, asked of the user in an OK/Cancel box.
#pragma once

#include "Dialogs.h"
#include "JedecReader.h"

namespace gantrel {

class WindowChecksumQuestion : public ChecksumQuestion {
 public:
  explicit WindowChecksumQuestion(Dialogs& dialogs) : dialogs_(dialogs) {}

  // Shows the stated and the computed checksum with OK and Cancel, no icon, the application's
  // title; true when the user chose OK.
  bool AcceptChecksumMismatch(std::uint16_t given, std::uint16_t computed) override;

 private:
  Dialogs& dialogs_;
};

}  // namespace gantrel
