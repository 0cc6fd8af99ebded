// The working state of one run of the tool: what the main window holds from start to end.
// Every member starts zeroed; nothing of it is saved between runs.
#pragma once

#include <cstdint>
#include <string>

#include "FuseMap.h"

namespace gantrel {

struct WorkingState {
  gantrel::FuseArray FuseArray{};  // the fuse map, one byte per fuse
  gantrel::FuseImage FuseImage{};  // the fuses packed for the programmer
  bool JedecLoaded = false;        // a clean load's upload succeeded (see DeviceLink::HoldsUpload)
  // Beside JedecLoaded: the image the upload carried and the text it was read from, as shown.
  gantrel::FuseImage UploadedImage{};
  std::string UploadedText;
};

}  // namespace gantrel
