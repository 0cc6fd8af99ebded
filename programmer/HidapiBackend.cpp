#include "HidapiBackend.h"

namespace gantrel {

std::unique_ptr<Transport> HidapiBackend::OpenProgrammer(DiscoveryStatus& status) {
  return DiscoverProgrammer(access_, status);
}

}  // namespace gantrel
