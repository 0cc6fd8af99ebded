#include "JedecWriter.h"

#include <cstdio>
#include <cstring>

#include "HexDigits.h"

namespace gantrel {
namespace {

// The fixed text before the rows: the line end of the header and the six fixed fields.
constexpr char kFixedFields[] = "\r\n*QP24\r\n*QF5892\r\n*QV0\r\n*F0\r\n*G0\r\n*X0\r\n";
// Room for every piece after the header: 132 rows and the group at their longest, the UES block,
// the PES note and the checksum line (7277 characters in all, less the 61-character header).
constexpr std::size_t kBodyRoom = 7400;

// Appends `s` without its terminating zero; returns the new end.
char* Put(char* out, const char* s, std::size_t n) {
  std::memcpy(out, s, n);
  return out + n;
}

// "*L" and the fuse number in four decimal places, then a space.
char* PutAddress(char* out, int fuse) {
  out[0] = '*';
  out[1] = 'L';
  out[2] = static_cast<char>('0' + fuse / 1000 % 10);
  out[3] = static_cast<char>('0' + fuse / 100 % 10);
  out[4] = static_cast<char>('0' + fuse / 10 % 10);
  out[5] = static_cast<char>('0' + fuse % 10);
  out[6] = ' ';
  return out + 7;
}

// A space and the byte as two upper-case hex digits.
char* PutHexByte(char* out, unsigned value) {
  out[0] = ' ';
  return PutHexDigits(out + 1, value, 2);
}

// The address line of fuses first..first+Count-1, or nothing when all of them are 0. The count
// is fixed for each kind of line, so that the compiler can unroll and vectorise the loops.
template <int Count>
char* PutFuseLine(char* out, const FuseArray& fuses, int first) {
  const std::uint8_t* const from = fuses.data() + first;
  unsigned any = 0;
  for (int i = 0; i < Count; ++i) any |= from[i];
  if (any == 0) return out;
  out = PutAddress(out, first);
  for (int i = 0; i < Count; ++i) out[i] = static_cast<char>(from[i] != 0 ? '1' : '0');
  out += Count;
  out[0] = '\r';
  out[1] = '\n';
  return out + 2;
}

}  // namespace

std::tm LocalTimeNow() {
  const std::time_t now = std::time(nullptr);
  const std::time_t epoch = 0;
  std::tm time{};
#ifdef _WIN32
  if (localtime_s(&time, &now) != 0) gmtime_s(&time, &epoch);
#else
  if (localtime_r(&now, &time) == nullptr) gmtime_r(&epoch, &time);
#endif
  return time;
}

std::string AscTime(const std::tm& time) {
  static constexpr char kDays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr char kMonths[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // A broken-down time out of range gets "???" rather than a read past the name tables.
  const char* day = time.tm_wday >= 0 && time.tm_wday < 7 ? kDays[time.tm_wday] : "???";
  const char* month = time.tm_mon >= 0 && time.tm_mon < 12 ? kMonths[time.tm_mon] : "???";
  char buffer[96];
  const int n =
      std::snprintf(buffer, sizeof buffer, "%.3s %.3s %.2d %.2d:%.2d:%.2d %lld", day, month,
                    time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec, 1900LL + time.tm_year);
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string JedecWriter(const FuseArray& fuses, const PesBytes& pes, const std::tm& localTime) {
  static constexpr char kHeader[] = "JEDEC file for ATF22LV10C created on ";
  const std::string time = AscTime(localTime);
  std::string text;
  // One allocation for the longest text; the pieces are written straight into it.
  text.resize(sizeof kHeader - 1 + time.size() + kBodyRoom);
  char* const begin = text.data();
  char* out = Put(begin, kHeader, sizeof kHeader - 1);
  out = Put(out, time.data(), time.size());
  out = Put(out, kFixedFields, sizeof kFixedFields - 1);

  for (int row = 0; row < kRowCount; ++row) {
    out = PutFuseLine<kRowFuses>(out, fuses, row * kRowFuses);
  }
  out = PutFuseLine<kGroupFuses>(out, fuses, kGroupFirstFuse);

  char* const uesStart = out;
  out = Put(out, "*N UES", 6);
  for (int k = 0; k < kUesBytes; ++k) out = PutHexByte(out, UesByte(fuses, k));
  out = Put(out, "\r\n", 2);
  char* const uesLine = PutFuseLine<8 * kUesBytes>(out, fuses, kUesFirstFuse);
  // With no UES fuse at 1 neither the note nor the line is written.
  out = uesLine == out ? uesStart : uesLine;

  out = Put(out, "*N PES", 6);
  for (std::uint8_t byte : pes) out = PutHexByte(out, byte);
  const unsigned checksum = FuseChecksum(fuses, kDeviceFuseCount);
  out = Put(out, "\r\n*C", 4);
  out = PutHexDigits(out, checksum, 4);
  out = Put(out, "\r\n*", 3);
  text.resize(static_cast<std::size_t>(out - begin));
  return text;
}

}  // namespace gantrel
