// The JEDEC writer: the fuse map as a JESD3 text for the ATF22LV10C, lines ending in CR LF.
#pragma once

#include <ctime>
#include <string>

#include "FuseMap.h"

namespace gantrel {

// The local time now, for the header; the start of 1970 in UTC when the system cannot tell it.
std::tm LocalTimeNow();

// The header's 24-character time: weekday, month, day of the month in two digits, time and
// year ("Wed Dec 02 04:28:52 2026").
std::string AscTime(const std::tm& time);

// The whole text for fuses 0..5891 of `fuses`: header with `localTime`, the fixed fields,
// the rows holding a 1, the UES block, the PES note from `pes`, the fuse checksum and a closing
// "*". Plain ASCII, no frame, no terminating newline.
std::string JedecWriter(const FuseArray& fuses, const PesBytes& pes, const std::tm& localTime);

}  // namespace gantrel
