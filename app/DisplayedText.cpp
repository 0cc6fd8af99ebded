#include "DisplayedText.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringEncoder>
#include <utility>

namespace {

// A byte-order mark stays a character of the text, so that it survives an edit and a save.
constexpr auto kKeepBom = QStringConverter::Flag::ConvertInitialBom;

// The name Qt's converters know the encoding by: UTF-8 and Latin-1 are built in, CP932 comes
// through ICU.
const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Cp932:
      return "CP932";
    case TextEncoding::Latin1:
      return "ISO-8859-1";
    case TextEncoding::Utf8:
      break;
  }
  return "UTF-8";
}

QStringDecoder MakeDecoder(TextEncoding encoding, QStringConverter::Flags flags) {
  return QStringDecoder(EncodingName(encoding), flags);
}

QStringEncoder MakeEncoder(TextEncoding encoding) {
  return QStringEncoder(EncodingName(encoding), kKeepBom);
}

// Decodes all of `bytes` or nothing: a stateless decoder counts a sequence cut off at the end
// as an error instead of holding it back silently.
bool DecodeStrictly(TextEncoding encoding, QByteArrayView bytes, QString& text) {
  QStringDecoder decoder = MakeDecoder(encoding, QStringConverter::Flag::Stateless | kKeepBom);
  if (!decoder.isValid()) return false;
  text = decoder.decode(bytes);
  return !decoder.hasError();
}

}  // namespace

QString DisplayedText::Show(std::string_view bytes) {
  bytes_.assign(bytes);
  usesCrLf_ = bytes.find("\r\n") != std::string_view::npos;
  const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QString text;
  for (TextEncoding candidate : {TextEncoding::Utf8, TextEncoding::Cp932}) {
    if (DecodeStrictly(candidate, view, text)) {
      encoding_ = candidate;
      return text;
    }
  }
  encoding_ = TextEncoding::Latin1;
  DecodeStrictly(TextEncoding::Latin1, view, text);
  return text;
}

std::string DisplayedText::Encode(const QString& rawText, TextEncoding* used) const {
  QString text = rawText;
  text.replace(QChar::ParagraphSeparator,
               usesCrLf_ ? QStringLiteral("\r\n") : QStringLiteral("\n"));

  TextEncoding encoding = encoding_;
  QStringEncoder encoder = MakeEncoder(encoding);
  QByteArray bytes = encoder.encode(text);
  if (!encoder.isValid() || encoder.hasError()) {
    // The text now holds a character the old encoding cannot represent: UTF-8 holds them all.
    encoding = TextEncoding::Utf8;
    QStringEncoder utf8 = MakeEncoder(encoding);
    bytes = utf8.encode(text);
  }
  if (used != nullptr) *used = encoding;
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void DisplayedText::Adopt(std::string bytes, TextEncoding encoding) {
  bytes_ = std::move(bytes);
  encoding_ = encoding;
  // The line-end style stays as shown: the bytes came from Encode, which kept it.
}

int DisplayedText::CharacterIndex(std::size_t offset) const {
  const std::size_t end = offset < bytes_.size() ? offset : bytes_.size();
  // A stateful decoder holds back a multi-byte sequence cut by the offset, so a caret inside a
  // character lands before it rather than after a replacement character.
  QStringDecoder decoder = MakeDecoder(encoding_, kKeepBom);
  const QString prefix = decoder.decode(QByteArrayView(bytes_.data(), static_cast<qsizetype>(end)));
  // The text area keeps CR LF as one block separator, like a lone CR or LF.
  const qsizetype pairs = prefix.count(QStringLiteral("\r\n"));
  return static_cast<int>(prefix.size() - pairs);
}
