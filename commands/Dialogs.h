// The modal boxes the commands raise: the file dialogs, the message box and the PES box. The
// window's are Qt's; tests answer them from a script. Every text passed here is UTF-8.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gantrel {

enum class MessageIcon : std::uint8_t { None, Exclamation, Error };
enum class MessageButtons : std::uint8_t { Ok, OkCancel };
enum class MessageAnswer : std::uint8_t { Ok, Cancel };

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // Asks for a JEDEC file to open; its full path, or nothing when the user cancelled.
  virtual std::optional<std::string> AskOpenPath() = 0;
  // Asks for the file to save to (the dialog confirms an overwrite and adds no extension);
  // the path exactly as chosen or typed, or nothing when the user cancelled.
  virtual std::optional<std::string> AskSavePath() = 0;
  // A modal message box with `text`, `title`, `icon` and `buttons`; the button pressed
  // (closing the box counts as Cancel when it has one, else as OK).
  virtual MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageIcon icon,
                                    MessageButtons buttons) = 0;
  // The modal PES box showing the chip's signature (at most 9 characters).
  virtual void ShowPes(std::string_view signature) = 0;
};

}  // namespace gantrel
