// The bytes behind the text area: which encoding they were shown in, and the way back from the
// edited text to bytes, so that a file that is not edited goes back to disk byte for byte.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class TextEncoding : std::uint8_t { Utf8, Cp932, Latin1 };

class DisplayedText {
 public:
  // Takes `bytes` as the text now shown and returns it decoded: as UTF-8 when the bytes are
  // valid UTF-8, else as CP932 when they are valid CP932, else as Latin-1 (which never fails).
  QString Show(std::string_view bytes);

  // Turns the text area's raw text (blocks separated by U+2029) into bytes: line ends as CR LF
  // when the bytes shown used CR LF, else LF; in the encoding shown, or in UTF-8 when that
  // encoding cannot hold a character. `used` (optional) receives the encoding chosen.
  std::string Encode(const QString& rawText, TextEncoding* used = nullptr) const;

  // Takes `bytes`, already in `encoding`, as the text shown now (after they were saved).
  void Adopt(std::string bytes, TextEncoding encoding);

  // The index in the text area of the character that starts at byte `offset` of the bytes
  // shown; an offset past the end gives the index of the end.
  int CharacterIndex(std::size_t offset) const;

  // The bytes last shown or adopted.
  const std::string& Bytes() const { return bytes_; }
  // The encoding they were decoded with.
  TextEncoding Encoding() const { return encoding_; }

 private:
  std::string bytes_;
  TextEncoding encoding_ = TextEncoding::Utf8;
  bool usesCrLf_ = false;
};
