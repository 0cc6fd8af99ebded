// The Japanese texts that the commands show: fixed messages, and the ones composed from a
// failure (a file that cannot be opened, an exchange that broke off). All texts are UTF-8.
//
// Line breaks: sentences of one message are separated by "\r\n", as in the checksum question;
// a reason in full-width parentheses belongs to the sentence it explains and follows it at once.
#pragma once

#include <cstdint>
#include <string>

#include "DeviceLink.h"
#include "FileAccess.h"

namespace gantrel {

inline constexpr const char* kLineBreak = "\r\n";

// Titles of the boxes that carry their own title.
inline constexpr const char* kTitleNotice = "注意";
inline constexpr const char* kTitleSuccess = "成功";
inline constexpr const char* kTitleFailure = "失敗";

inline constexpr const char* kTextFileError = "JEDECファイルにエラーがあります。";
inline constexpr const char* kTextNoFuses = "JEDECファイルにヒューズの指定がありません。";
inline constexpr const char* kTextLoadFirst = "まず、JEDECファイルを読み込んで下さい。";
inline constexpr const char* kTextBurnSucceeded = "書き込みに成功しました。";
inline constexpr const char* kTextBurnFailed = "書き込みに失敗しました。";
inline constexpr const char* kTextOutOfStep =
    "プログラマとの前回の通信が途中で失敗しました。\r\nプログラマを接続し直して下さい。";
// Asked before 書き込み burns the last upload while the window shows another text.
inline constexpr const char* kTextBurnUploaded =
    "表示中の内容は、プログラマに送った内容と異なります。\r\n"
    "最後に読み込んだJEDECファイルの内容を書き込みますか？";
// Asked before a load or a read replaces a text that holds unsaved edits.
inline constexpr const char* kTextDiscardEdits =
    "編集した内容は保存されていません。\r\n編集内容を破棄して続けますか？";

// Progress steps for the exchanges that have no count.
inline constexpr const char* kProgressProgram = "書き込み中…";
inline constexpr const char* kProgressPes = "PES取得中…";

// The fuse checksum question: the stated and the computed value as four upper-case hex digits.
std::string ChecksumQuestionText(std::uint16_t given, std::uint16_t computed);

// The question asked of a text that declares another device (`qf`, `qp`: 0 where absent).
std::string OtherDeviceQuestionText(std::int32_t qf, std::int32_t qp);

// The question asked of a text without an F field that sets `set` of the map's `total` fuses.
std::string PartialQuestionText(std::int32_t total, std::int32_t set);

// The failure of a burn whose read-back differs from the upload in `differing` fuses.
std::string VerifyFailureText(std::size_t differing);

// The progress step shown while an exchange runs ("送信中 5/13", "受信中 3/12", "書き込み中…").
std::string ProgressText(const ExchangeProgress& progress);
// The same while 書き込み reads the chip back to check the burn ("照合中 5/12").
std::string VerifyProgressText(const ExchangeProgress& progress);

// Why no programmer is there, from the last discovery: not found, or found but not opened
// (with the udev advice when permission was denied).
std::string MissingProgrammerText(const DiscoveryStatus& status);

// "プログラマとの通信に失敗しました。" with the failed step and what went wrong, then the advice
// to reconnect; after a 'w' whose answer did not come, that the burn's outcome is unknown. Only
// for a result whose Error is TransferFailed.
std::string ExchangeFailureText(const ExchangeResult& result);

// "ファイルを開けませんでした。" followed by the reason of a failed read.
std::string FileOpenFailureText(const FileResult& result);

// "ファイルを保存できませんでした。" followed by the reason of a failed write.
std::string FileSaveFailureText(const FileResult& result);

}  // namespace gantrel
