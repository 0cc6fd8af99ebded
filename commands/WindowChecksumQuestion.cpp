#include "WindowChecksumQuestion.h"

#include "CommandTexts.h"
#include "Commands.h"

namespace gantrel {

bool WindowChecksumQuestion::AcceptChecksumMismatch(std::uint16_t given, std::uint16_t computed) {
  return dialogs_.ShowMessage(ChecksumQuestionText(given, computed), kAppTitle, MessageIcon::None,
                              MessageButtons::OkCancel) == MessageAnswer::Ok;
}

}  // namespace gantrel
