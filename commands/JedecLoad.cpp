#include "JedecLoad.h"

#include "JedecFraming.h"

namespace gantrel {

LoadedJedecFile LoadJedecFile(const std::string& path, const FuseArray& fuses) {
  std::string bytes;
  const FileResult io = ReadJedecFile(path, bytes);
  if (io.Ok()) return LoadJedecBytes(path, std::move(bytes), fuses);
  LoadedJedecFile file;
  file.Path = path;
  file.Io = io;
  return file;
}

LoadedJedecFile LoadJedecBytes(const std::string& path, std::string bytes, const FuseArray& fuses) {
  LoadedJedecFile file;
  file.Path = path;
  file.Bytes = std::move(bytes);
  file.Text = UnframeJedecText(file.Bytes);
  file.Fuses = fuses;
  file.Read = JedecReader(file.Text, file.Fuses);
  if (file.Read.Outcome == ReadOutcome::SyntaxError) {
    file.Status = CheckStatus::SyntaxError;
  } else if (file.Read.Outcome == ReadOutcome::ChecksumMismatch) {
    file.Status = CheckStatus::ChecksumMismatch;
  } else {
    file.Status = DeclaresThisDevice(file.Read) ? CheckStatus::Ok : CheckStatus::OtherDevice;
  }
  return file;
}

void Overlook(LoadedJedecFile& file) {
  if (file.Status == CheckStatus::ChecksumMismatch) {
    file.Read.Position = file.Read.Length;
    file.Status = DeclaresThisDevice(file.Read) ? CheckStatus::Ok : CheckStatus::OtherDevice;
  } else if (file.Status == CheckStatus::OtherDevice) {
    file.Status = CheckStatus::Ok;
  }
}

}  // namespace gantrel
