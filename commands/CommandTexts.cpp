#include "CommandTexts.h"

#include <cstdio>

namespace gantrel {
namespace {

// "（what（system））", or "（what）" when the system said nothing.
std::string Reason(const std::string& what, const std::string& system) {
  std::string text = "（" + what;
  if (!system.empty()) text += "（" + system + "）";
  return text + "）";
}

std::string Fraction(int index, int count) {
  return std::to_string(index) + "/" + std::to_string(count);
}

// "送信 5/13", "ブロック 7/12", "ブロック 3/12の受信確認", "書き込み命令", ...
std::string StepName(const ExchangeResult& result) {
  const ExchangeStep step = StepOf(result.Kind, result.Sending, result.Step);
  switch (step.What) {
    case ExchangeStep::Part::ReadBlock:
      return "ブロック " + Fraction(step.Number, result.StepCount);
    case ExchangeStep::Part::Acknowledgement:
      return "ブロック " + Fraction(step.Number, result.StepCount) + "の受信確認";
    case ExchangeStep::Part::UploadBlock:
    case ExchangeStep::Part::Command:
      break;
  }
  switch (result.Kind) {
    case ExchangeKind::Upload:
      // A report and its answer are one step of the upload.
      return "送信 " + Fraction(result.Step, result.StepCount);
    case ExchangeKind::Read:
      return "読み出し命令";
    case ExchangeKind::Program:
      return "書き込み命令";
    case ExchangeKind::Pes:
      return "PES取得命令";
  }
  return "";
}

std::string WaitBound(std::chrono::milliseconds bound) {
  // Whole seconds read better; a bound that is not one (as tests set) is told exactly.
  if (bound.count() % 1000 == 0) return std::to_string(bound.count() / 1000) + "秒";
  return std::to_string(bound.count()) + "ミリ秒";
}

std::string TransferProblem(const ExchangeResult& result) {
  switch (result.Transfer) {
    case TransferError::NoAnswer:
      return WaitBound(result.Bound) + "以内に応答がありません";
    case TransferError::WriteFailed:
      return "送信に失敗しました";
    case TransferError::DeviceGone:
      return "プログラマが切断されました";
    case TransferError::NotOpen:
      return "プログラマが開かれていません";
    case TransferError::ShortAnswer:
      return "応答が" + std::to_string(result.AnswerBytes) + "バイトしかありません";
    case TransferError::None:
      break;
  }
  return "原因不明のエラーです";
}

// The reason of a failed read or write in the tool's words. TooLarge, IsDirectory, NotRegular
// and NoReader are found by the tool itself, so no system message follows them.
std::string FileReason(const FileResult& result) {
  if (result.Error == FileError::TooLarge)
    return Reason("ファイルが大きすぎます（1 MiBを超えています）", "");
  if (result.Cause == FileCause::IsDirectory) return Reason("ファイルではなくフォルダです", "");
  const bool writing = result.Error == FileError::WriteFailed;
  switch (result.Cause) {
    case FileCause::NotFound:
      return Reason(writing ? "保存先のフォルダが見つかりません" : "ファイルが見つかりません",
                    result.Reason);
    case FileCause::PermissionDenied:
      return Reason("アクセス権がありません", result.Reason);
    case FileCause::NotRegular:
      return Reason("通常のファイルではありません", "");
    case FileCause::FolderNotWritable:
      return Reason("保存先のフォルダに書き込めません", result.Reason);
    case FileCause::NoReader:
      return Reason("このFIFOを読み取るプロセスがありません", "");
    case FileCause::IsDirectory:
    case FileCause::Other:
      break;
  }
  switch (result.Error) {
    case FileError::OpenFailed:
      return Reason("ファイルを開く処理が失敗しました", result.Reason);
    case FileError::ReadFailed:
      return Reason("読み取りに失敗しました", result.Reason);
    case FileError::WriteFailed:
      return Reason("書き込みに失敗しました", result.Reason);
    case FileError::TooLarge:
    case FileError::None:
      break;
  }
  return Reason("原因不明のエラーです", result.Reason);
}

}  // namespace

std::string ChecksumQuestionText(std::uint16_t given, std::uint16_t computed) {
  char text[96];
  std::snprintf(text, sizeof text, "チェックサム：\r\n与えられたもの %04X 計算された %04X",
                static_cast<unsigned>(given), static_cast<unsigned>(computed));
  return text;
}

std::string OtherDeviceQuestionText(std::int32_t qf, std::int32_t qp) {
  return "このJEDECファイルはATF22LV10C用ではない可能性があります（QF=" + std::to_string(qf) +
         "、QP=" + std::to_string(qp) + "）。" + kLineBreak + "このまま続けますか？";
}

std::string PartialQuestionText(std::int32_t total, std::int32_t set) {
  return "このJEDECファイルはヒューズの一部しか指定していません（" + std::to_string(total) +
         "個中" + std::to_string(set) + "個）。" + kLineBreak +
         "指定のないヒューズは前の値のままになります。このまま続けますか？";
}

std::string VerifyFailureText(std::size_t differing) {
  return std::string(kTextBurnFailed) + kLineBreak + "（照合：" + std::to_string(kDeviceFuseCount) +
         "個中" + std::to_string(differing) + "個のヒューズが書き込んだ内容と違います）";
}

std::string VerifyProgressText(const ExchangeProgress& progress) {
  if (progress.Kind != ExchangeKind::Read) return ProgressText(progress);
  return "照合中 " + Fraction(progress.Index, progress.Count);
}

std::string ProgressText(const ExchangeProgress& progress) {
  switch (progress.Kind) {
    // An answer belongs to the report it answers, so an upload shows its sends only.
    case ExchangeKind::Upload:
      return "送信中 " + Fraction(progress.Index, progress.Count);
    case ExchangeKind::Read:
      return "受信中 " + Fraction(progress.Index, progress.Count);
    case ExchangeKind::Program:
      return kProgressProgram;
    case ExchangeKind::Pes:
      return kProgressPes;
  }
  return "";
}

std::string MissingProgrammerText(const DiscoveryStatus& status) {
  if (status.State != LinkState::OpenFailed)
    return "プログラマが見つかりません。接続を確認して下さい。";
  std::string text = "プログラマを開けませんでした。";
  if (status.PermissionDenied) {
    return text + Reason("アクセス権がありません", status.Reason) + kLineBreak +
           "udevルール（60-gantrel.rules）をインストールし、プログラマを接続し直して下さい。";
  }
  return text + Reason("デバイスを開く処理が失敗しました", status.Reason) + kLineBreak +
         "プログラマを接続し直して下さい。";
}

std::string ExchangeFailureText(const ExchangeResult& result) {
  std::string problem = TransferProblem(result);
  if (!result.Detail.empty()) problem += "（" + result.Detail + "）";
  // The 'w' went out: the chip may have been burned, or not.
  if (result.Kind == ExchangeKind::Program && !result.Sending)
    problem += "。チップに書き込まれたかどうかは分かりません";
  return "プログラマとの通信に失敗しました。（" + StepName(result) + "：" + problem + "）" +
         kLineBreak + "プログラマを接続し直して下さい。";
}

std::string FileOpenFailureText(const FileResult& result) {
  return "ファイルを開けませんでした。" + FileReason(result);
}

std::string FileSaveFailureText(const FileResult& result) {
  return "ファイルを保存できませんでした。" + FileReason(result);
}

}  // namespace gantrel
