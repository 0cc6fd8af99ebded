// What the five commands need of the window. The Qt dialog implements it; tests script it.
// Every text passed here is UTF-8; the text shown is handled as the 8-bit bytes of a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gantrel {

enum class MessageIcon : std::uint8_t { None, Exclamation, Error };
enum class MessageButtons : std::uint8_t { Ok, OkCancel };
enum class MessageAnswer : std::uint8_t { Ok, Cancel };

class Window {
 public:
  virtual ~Window() = default;

  // Replaces the whole text shown with `bytes` (the 8-bit text of a file or of the writer);
  // the window decodes it and remembers how, and counts it as not edited.
  virtual void ShowText(std::string_view bytes) = 0;
  // Puts the caret on the character that starts at byte `offset` of the text last shown.
  virtual void PlaceCaret(std::size_t offset) = 0;
  // The text as it stands in the text area now, as bytes: exactly the bytes last shown when
  // the user has not edited it, else encoded as they came in (see the app's notes).
  virtual std::string ShownText() = 0;
  // Tells the window that the text as it stands has been saved (it no longer holds unsaved edits).
  virtual void TextSaved() = 0;

  // A file dialog; the chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> AskOpenPath() = 0;
  virtual std::optional<std::string> AskSavePath() = 0;

  // A modal message box with the given text, title, icon and buttons; the button pressed.
  virtual MessageAnswer ShowMessage(std::string_view text, std::string_view title, MessageIcon icon,
                                    MessageButtons buttons) = 0;

  // The PES box showing the chip's signature (at most 9 characters).
  virtual void ShowPes(std::string_view signature) = 0;

  // While the programmer works: shows or updates a modal progress display with `step`
  // ("送信中 5/13") and lets the window paint; EndProgress takes it down.
  virtual void ShowProgress(std::string_view step) = 0;
  virtual void EndProgress() = 0;
};

}  // namespace gantrel
