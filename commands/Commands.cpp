#include "Commands.h"

#include <utility>

#include "CommandTexts.h"
#include "FileAccess.h"
#include "FuseMeaning.h"
#include "JedecFraming.h"
#include "JedecLoad.h"
#include "JedecWriter.h"

namespace gantrel {
namespace {

// Runs `exchange` with the progress display, which is ended only if the exchange showed it;
// `text` names each step.
template <typename Exchange>
ExchangeResult WithProgress(Window& window, Exchange exchange,
                            std::string (*text)(const ExchangeProgress&) = ProgressText) {
  bool shown = false;
  const ExchangeResult result = exchange([&window, &shown, text](const ExchangeProgress& progress) {
    shown = true;
    window.ShowProgress(text(progress));
  });
  if (shown) window.EndProgress();
  return result;
}

void ShowError(Dialogs& dialogs, const std::string& text) {
  dialogs.ShowMessage(text, kTitleFailure, MessageIcon::Error, MessageButtons::Ok);
}

struct Question {
  std::string Text;
  MessageIcon Icon = MessageIcon::None;
};

// The OK/Cancel question that a file's verdict leaves to the user, or none.
std::optional<Question> QuestionAbout(const LoadedJedecFile& file) {
  const JedecReadResult& read = file.Read;
  switch (file.Status) {
    case CheckStatus::ChecksumMismatch:
      return Question{ChecksumQuestionText(read.GivenChecksum, read.ComputedChecksum)};
    case CheckStatus::OtherDevice:
      return Question{OtherDeviceQuestionText(read.Qf, read.Qp)};
    case CheckStatus::Partial:
      return Question{PartialQuestionText(MapFuseCount(read), FusesSet(read)),
                      MessageIcon::Exclamation};
    default:
      return std::nullopt;
  }
}

// How many of fuses 0..5891 differ between two images.
std::size_t DifferingImageFuses(const FuseImage& a, const FuseImage& b) {
  FuseArray first{}, second{};
  UnpackFuseImage(a, first);
  UnpackFuseImage(b, second);
  return DifferingFuses(first, second).size();
}

void ReportMissingProgrammer(Dialogs& dialogs, const DeviceLink& link) {
  dialogs.ShowMessage(MissingProgrammerText(link.Status()), kTitleNotice, MessageIcon::Exclamation,
                      MessageButtons::Ok);
}

// `hint`, when there is one, follows the advice to reconnect on a line of its own.
std::string WithHint(std::string text, const std::string& hint) {
  return hint.empty() ? text : text + kLineBreak + hint;
}

void ReportOutOfStep(Dialogs& dialogs, const std::string& hint) {
  dialogs.ShowMessage(WithHint(kTextOutOfStep, hint), kTitleNotice, MessageIcon::Exclamation,
                      MessageButtons::Ok);
}

// Tells why an exchange did not run or broke off.
void ReportExchangeFailure(Dialogs& dialogs, const DeviceLink& link, const ExchangeResult& result,
                           const std::string& hint) {
  switch (result.Error) {
    case ExchangeError::NoProgrammer:
      ReportMissingProgrammer(dialogs, link);
      return;
    case ExchangeError::OutOfStep:
      ReportOutOfStep(dialogs, hint);
      return;
    case ExchangeError::NotUploaded:
      dialogs.ShowMessage(kTextLoadFirst, kTitleNotice, MessageIcon::Exclamation,
                          MessageButtons::Ok);
      return;
    case ExchangeError::None:
    case ExchangeError::TransferFailed:
      break;
  }
  ShowError(dialogs, WithHint(ExchangeFailureText(result), hint));
}

}  // namespace

Commands::Commands(Window& window, Dialogs& dialogs, DeviceLink& link,
                   std::function<std::tm()> clock)
    : window_(window),
      dialogs_(dialogs),
      link_(link),
      clock_(clock ? std::move(clock) : LocalTimeNow) {}

void Commands::OpenProgrammer() {
  link_.OpenProgrammer();
}

bool Commands::MayReplaceText() {
  return !window_.HasUnsavedEdits() ||
         dialogs_.ShowMessage(kTextDiscardEdits, kAppTitle, MessageIcon::Exclamation,
                              MessageButtons::OkCancel) == MessageAnswer::Ok;
}

void Commands::OnJedecLoad() {
  const std::optional<std::string> path = dialogs_.AskOpenPath();
  if (path) LoadChosenFile(*path);
}

// The caller judges a file by the reader's result; a file that cannot be read, or is refused,
// leaves the fuse map as it was, and only a clean load reaches the programmer.
void Commands::LoadChosenFile(const std::string& path) {
  if (!MayReplaceText()) return;
  // Read into a copy of the fuse map, so that a rejected file leaves no trace in it.
  LoadedJedecFile file = LoadJedecFile(path, state_.FuseArray);
  if (file.Status == CheckStatus::IoError) {
    ShowError(dialogs_, FileOpenFailureText(file.Io));
    return;
  }
  // From here the programmer's image is no longer known to match a loaded file.
  state_.JedecLoaded = false;
  // The checksum question comes first, then the device question, then the one about unset
  // fuses (which keep the values they had); Cancel rejects the file.
  while (const std::optional<Question> question = QuestionAbout(file)) {
    if (dialogs_.ShowMessage(question->Text, kAppTitle, question->Icon, MessageButtons::OkCancel) !=
        MessageAnswer::Ok)
      break;
    Overlook(file);
  }
  const std::string& text = file.Text;

  if (file.Status == CheckStatus::NoFuses) {
    // Nothing in the text to point at: the caret goes to its start.
    dialogs_.ShowMessage(kTextNoFuses, kAppTitle, MessageIcon::None, MessageButtons::Ok);
    window_.ShowText(text);
    window_.PlaceCaret(0);
    return;
  }
  if (file.Status != CheckStatus::Ok) {
    // The message comes first, then the whole text with the caret on what the reader refused
    // (for a refused device, the reader's position is the end of the text).
    dialogs_.ShowMessage(kTextFileError, kAppTitle, MessageIcon::None, MessageButtons::Ok);
    window_.ShowText(text);
    window_.PlaceCaret(static_cast<std::size_t>(file.Read.Position));
    return;
  }

  state_.FuseArray = file.Fuses;
  PackFuseImage(state_.FuseArray, state_.FuseImage);
  const ExchangeResult upload = WithProgress(window_, [this](const ProgressFn& progress) {
    return link_.UploadFuseImage(state_.FuseImage, progress);
  });
  if (upload.Ok()) {
    state_.JedecLoaded = true;
    state_.UploadedImage = state_.FuseImage;
    state_.UploadedText = text;
  } else if (upload.Error != ExchangeError::NoProgrammer) {
    // Working with files alone stays quiet, however the programmer went away; the program
    // command tells of it.
    ReportExchangeFailure(dialogs_, link_, upload, reconnectHint_);
  }
  window_.ShowText(text);
}

bool Commands::ProgrammerReady() {
  if (!link_.EnsureOpen()) {
    ReportMissingProgrammer(dialogs_, link_);
    return false;
  }
  if (link_.OutOfStep()) {
    ReportOutOfStep(dialogs_, reconnectHint_);
    return false;
  }
  return true;
}

void Commands::OnDeviceWrite() {
  // The programmer is looked for first, so that its absence is told before the missing load.
  if (!ProgrammerReady()) return;
  // The link burns only over the connection that took the upload (HoldsUpload); asked here too,
  // so that it is told before the question on the text.
  if (!state_.JedecLoaded || !link_.HoldsUpload()) {
    dialogs_.ShowMessage(kTextLoadFirst, kTitleNotice, MessageIcon::Exclamation,
                         MessageButtons::Ok);
    return;
  }
  // The programmer burns what the last load uploaded, whatever the window shows now.
  if (window_.ShownText() != state_.UploadedText &&
      dialogs_.ShowMessage(kTextBurnUploaded, kAppTitle, MessageIcon::Exclamation,
                           MessageButtons::OkCancel) != MessageAnswer::Ok)
    return;
  // The programmer's 0x61 is only its word: the chip is read back into a scratch image, and
  // the burn succeeded only when it holds what was uploaded.
  FuseImage chip{};
  bool burned = false;
  const ExchangeResult result = WithProgress(
      window_,
      [this, &chip, &burned](const ProgressFn& progress) {
        const ExchangeResult program = link_.ProgramChip(progress);
        burned = program.Ok() && program.Burned;
        return burned ? link_.ReadFuseImage(chip, progress) : program;
      },
      VerifyProgressText);
  if (!result.Ok()) {
    ReportExchangeFailure(dialogs_, link_, result, reconnectHint_);
    return;
  }
  if (!burned) {
    ShowError(dialogs_, kTextBurnFailed);
    return;
  }
  const std::size_t differing = DifferingImageFuses(chip, state_.UploadedImage);
  if (differing != 0) {
    ShowError(dialogs_, VerifyFailureText(differing));
    return;
  }
  dialogs_.ShowMessage(kTextBurnSucceeded, kTitleSuccess, MessageIcon::None, MessageButtons::Ok);
}

void Commands::OnDeviceRead() {
  // Edited text is given up only with the user's OK, asked once the read can start: the
  // programmer found and in step.
  if (window_.HasUnsavedEdits() && (!ProgrammerReady() || !MayReplaceText())) return;
  // The link writes the image only once all twelve blocks have arrived.
  const ExchangeResult read = WithProgress(window_, [this](const ProgressFn& progress) {
    return link_.ReadFuseImage(state_.FuseImage, progress);
  });
  if (!read.Ok()) {
    ReportExchangeFailure(dialogs_, link_, read, reconnectHint_);
    return;
  }
  UnpackFuseImage(state_.FuseImage, state_.FuseArray);
  window_.ShowText(JedecWriter(state_.FuseArray, kPesBytes, clock_()));
}

void Commands::OnPesRead() {
  // The chip's signature is only shown: generated texts keep the fixed kPesBytes.
  PesBytes pes{};
  const ExchangeResult result = WithProgress(
      window_, [this, &pes](const ProgressFn& progress) { return link_.ReadPes(pes, progress); });
  if (!result.Ok()) {
    ReportExchangeFailure(dialogs_, link_, result, reconnectHint_);
    return;
  }
  dialogs_.ShowPes(PesString(pes));
}

void Commands::OnJedecSave() {
  const std::optional<std::string> path = dialogs_.AskSavePath();
  if (!path) return;
  // The frame is built before the file is touched.
  const std::string frame = FrameJedecText(window_.ShownText());
  if (frame.size() > kMaxJedecFileBytes) {
    // The load refuses a file this large, so saving one would only make a file it cannot read.
    FileResult tooLarge;
    tooLarge.Error = FileError::TooLarge;
    ShowError(dialogs_, FileSaveFailureText(tooLarge));
    return;
  }
  const FileResult written = SaveFile(*path, frame);
  if (!written.Ok()) {
    ShowError(dialogs_, FileSaveFailureText(written));
    return;
  }
  window_.TextSaved();
}

}  // namespace gantrel
