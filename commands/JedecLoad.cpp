#include "JedecLoad.h"

#include "JedecFraming.h"

namespace gantrel {
namespace {

// The first verdict from `from` on (in the order of CheckStatus) that applies to a text read to
// its end.
CheckStatus VerdictFrom(const JedecReadResult& read, CheckStatus from) {
  if (from <= CheckStatus::ChecksumMismatch && read.Outcome == ReadOutcome::ChecksumMismatch)
    return CheckStatus::ChecksumMismatch;
  if (from <= CheckStatus::OtherDevice && !DeclaresThisDevice(read))
    return CheckStatus::OtherDevice;
  const FuseCoverage coverage = CoverageOf(read);
  if (coverage == FuseCoverage::None) return CheckStatus::NoFuses;
  if (from <= CheckStatus::Partial && coverage == FuseCoverage::Partial)
    return CheckStatus::Partial;
  return CheckStatus::Ok;
}

}  // namespace

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
  file.Status = file.Read.Outcome == ReadOutcome::SyntaxError
                    ? CheckStatus::SyntaxError
                    : VerdictFrom(file.Read, CheckStatus::ChecksumMismatch);
  return file;
}

bool MayOverlook(CheckStatus status) {
  return status == CheckStatus::ChecksumMismatch || status == CheckStatus::OtherDevice ||
         status == CheckStatus::Partial;
}

void Overlook(LoadedJedecFile& file) {
  if (!MayOverlook(file.Status)) return;
  if (file.Status == CheckStatus::ChecksumMismatch) file.Read.Position = file.Read.Length;
  file.Status = VerdictFrom(file.Read, static_cast<CheckStatus>(static_cast<int>(file.Status) + 1));
}

}  // namespace gantrel
