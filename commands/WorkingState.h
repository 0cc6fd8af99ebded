// The working state of one run of the tool: what the main window holds from start to end.
// Every member starts zeroed; nothing of it is saved between runs.
#pragma once

#include <cstdint>
#include <string>

#include "FuseMap.h"
#include "Report.h"

namespace gantrel {

struct WorkingState {
  gantrel::FuseArray FuseArray{};          // the fuse map, one byte per fuse
  gantrel::FuseImage FuseImage{};          // the fuses packed for the programmer
  gantrel::PesBytes PesBytes = kPesBytes;  // written into every generated text; never changes
  std::string JedecText;            // the bare text of the last load, or the writer's last text
  std::uint16_t GivenChecksum = 0;  // the checksum stated by the last text read
  ReportBuffers Reports;            // OutReport, InReport, BytesWritten, BytesRead
  bool JedecLoaded = false;         // a clean load's upload succeeded over UploadConnection
  std::string DisplayText;          // the bytes of the text the commands last showed
  // Beside JedecLoaded: the link's connection (DeviceLink::ConnectionNumber) the upload went over,
  // the image it carried and the text it was read from, as shown.
  std::uint64_t UploadConnection = 0;
  gantrel::FuseImage UploadedImage{};
  std::string UploadedText;
};

}  // namespace gantrel
