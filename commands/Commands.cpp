#include "Commands.h"

#include <utility>

#include "CommandTexts.h"
#include "FileAccess.h"
#include "JedecFraming.h"
#include "JedecLoad.h"
#include "JedecWriter.h"

namespace gantrel {
namespace {

ProgressFn ProgressTo(Window& window) {
  return
      [&window](const ExchangeProgress& progress) { window.ShowProgress(ProgressText(progress)); };
}

void ShowError(Dialogs& dialogs, const std::string& text) {
  dialogs.ShowMessage(text, kTitleFailure, MessageIcon::Error, MessageButtons::Ok);
}

// The OK/Cancel question that a file's verdict leaves to the user, or none.
std::optional<std::string> QuestionAbout(const LoadedJedecFile& file) {
  const JedecReadResult& read = file.Read;
  if (file.Status == CheckStatus::ChecksumMismatch)
    return ChecksumQuestionText(read.GivenChecksum, read.ComputedChecksum);
  if (file.Status == CheckStatus::OtherDevice) return OtherDeviceQuestionText(read.Qf, read.Qp);
  return std::nullopt;
}

void ReportMissingProgrammer(Dialogs& dialogs, const DeviceLink& link) {
  dialogs.ShowMessage(MissingProgrammerText(link.Status()), kTitleNotice, MessageIcon::Exclamation,
                      MessageButtons::Ok);
}

// Tells why an exchange did not run or broke off.
void ReportExchangeFailure(Dialogs& dialogs, const DeviceLink& link, const ExchangeResult& result) {
  if (result.Error == ExchangeError::NoProgrammer) {
    ReportMissingProgrammer(dialogs, link);
    return;
  }
  ShowError(dialogs, ExchangeFailureText(result));
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

bool Commands::EnsureProgrammer() {
  const bool wasOpen = link_.IsOpen();
  if (!link_.EnsureOpen()) return false;
  // Whatever it holds, a programmer found after the last load (plugged in since, or
  // reconnected after a failure) was not sent that load's image: nothing may be burned yet.
  if (!wasOpen) state_.JedecLoaded = false;
  return true;
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
  state_.GivenChecksum = file.Read.GivenChecksum;
  // The checksum question comes first, then the device question; Cancel rejects the file.
  while (const std::optional<std::string> question = QuestionAbout(file)) {
    if (dialogs_.ShowMessage(*question, kAppTitle, MessageIcon::None, MessageButtons::OkCancel) !=
        MessageAnswer::Ok)
      break;
    Overlook(file);
  }
  const std::string& text = file.Text;
  state_.JedecText = text;
  state_.DisplayText = text;

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
  if (!EnsureProgrammer()) {
    // Working with files alone stays quiet; the program command tells of the missing programmer.
    state_.JedecLoaded = true;
  } else {
    const ExchangeResult upload =
        link_.UploadFuseImage(state_.Reports, state_.FuseImage, ProgressTo(window_));
    window_.EndProgress();
    if (upload.Ok()) {
      state_.JedecLoaded = true;
    } else {
      ReportExchangeFailure(dialogs_, link_, upload);
    }
  }
  window_.ShowText(text);
}

void Commands::OnDeviceWrite() {
  // The programmer is looked for first, so that its absence is told before the missing load.
  if (!EnsureProgrammer()) {
    ReportMissingProgrammer(dialogs_, link_);
    return;
  }
  if (!state_.JedecLoaded) {
    dialogs_.ShowMessage(kTextLoadFirst, kTitleNotice, MessageIcon::Exclamation,
                         MessageButtons::Ok);
    return;
  }
  const ExchangeResult program = link_.ProgramChip(state_.Reports, ProgressTo(window_));
  window_.EndProgress();
  if (!program.Ok()) {
    ReportExchangeFailure(dialogs_, link_, program);
  } else if (program.Burned) {
    dialogs_.ShowMessage(kTextBurnSucceeded, kTitleSuccess, MessageIcon::None, MessageButtons::Ok);
  } else {
    ShowError(dialogs_, kTextBurnFailed);
  }
}

void Commands::OnDeviceRead() {
  if (!EnsureProgrammer()) {
    ReportMissingProgrammer(dialogs_, link_);
    return;
  }
  if (!MayReplaceText()) return;
  // The link writes the image only once all twelve blocks have arrived.
  const ExchangeResult read =
      link_.ReadFuseImage(state_.Reports, state_.FuseImage, ProgressTo(window_));
  window_.EndProgress();
  if (!read.Ok()) {
    ReportExchangeFailure(dialogs_, link_, read);
    return;
  }
  UnpackFuseImage(state_.FuseImage, state_.FuseArray);
  state_.JedecText = JedecWriter(state_.FuseArray, state_.PesBytes, clock_());
  state_.DisplayText = state_.JedecText;
  window_.ShowText(state_.DisplayText);
}

void Commands::OnPesRead() {
  if (!EnsureProgrammer()) {
    ReportMissingProgrammer(dialogs_, link_);
    return;
  }
  // The chip's signature is only shown: the fixed PesBytes of the generated texts stay as they are.
  PesBytes pes{};
  const ExchangeResult result = link_.ReadPes(state_.Reports, pes, ProgressTo(window_));
  window_.EndProgress();
  if (!result.Ok()) {
    ReportExchangeFailure(dialogs_, link_, result);
    return;
  }
  std::string signature;
  for (std::uint8_t byte : pes) {
    if (byte == 0) break;
    signature.push_back(static_cast<char>(byte));
  }
  dialogs_.ShowPes(signature);
}

void Commands::OnJedecSave() {
  const std::optional<std::string> path = dialogs_.AskSavePath();
  if (!path) return;
  // The frame is built before the file is touched; JedecText keeps the bare text it held.
  const std::string frame = FrameJedecText(window_.ShownText());
  if (frame.size() > kMaxJedecFileBytes) {
    // The load refuses a file this large, so saving one would only make a file it cannot read.
    FileResult tooLarge;
    tooLarge.Error = FileError::TooLarge;
    ShowError(dialogs_, FileSaveFailureText(tooLarge));
    return;
  }
  const FileResult written = WriteFileAtomically(*path, frame);
  if (!written.Ok()) {
    ShowError(dialogs_, FileSaveFailureText(written));
    return;
  }
  window_.TextSaved();
}

}  // namespace gantrel
