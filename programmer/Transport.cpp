#include "Transport.h"

namespace gantrel {

const char* TransferErrorName(TransferError error) {
  switch (error) {
    case TransferError::None:
      return "no error";
    case TransferError::NotOpen:
      return "no programmer open";
    case TransferError::WriteFailed:
      return "write failed";
    case TransferError::NoAnswer:
      return "no answer";
    case TransferError::DeviceGone:
      return "device gone";
  }
  return "unknown error";
}

}  // namespace gantrel
