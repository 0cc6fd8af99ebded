#include "JedecLoad.h"

#include "JedecFraming.h"

namespace gantrel {

LoadedJedecFile LoadJedecFile(const std::string& path, const FuseArray& fuses) {
  LoadedJedecFile file;
  file.Path = path;
  file.Io = ReadJedecFile(path, file.Bytes);
  if (!file.Io.Ok()) return file;
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
