// What the commands need of the window besides its boxes: the text area and the progress
// display. The Qt dialog implements it; the commands' tests script it. The text shown is
// handled as the 8-bit bytes of a file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gantrel {

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
  // True when the text holds edits that have not been saved.
  virtual bool HasUnsavedEdits() const = 0;
  // Tells the window that the text as it stands has been saved (it no longer holds unsaved edits).
  virtual void TextSaved() = 0;

  // While the programmer works: shows or updates a modal progress display with `step`
  // ("送信中 5/13") and lets the window paint; EndProgress takes it down.
  virtual void ShowProgress(std::string_view step) = 0;
  virtual void EndProgress() = 0;
};

}  // namespace gantrel
