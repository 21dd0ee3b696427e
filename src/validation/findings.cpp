#include "validation/findings.h"

namespace kvpw::validation {

const char* CheckId(Check check) {
  switch (check) {
    case Check::kDuplicateAddresses:
      return "duplicate-addresses";
    case Check::kInvalidPointTypes:
      return "invalid-point-types";
    case Check::kPointConnections:
      return "point-connections";
  }
  return "";
}

const char* CheckTitle(Check check) {
  switch (check) {
    case Check::kDuplicateAddresses:
      return "Devices of one part type sharing a network address";
    case Check::kInvalidPointTypes:
      return "Point shapes wired to a point their controller's part lacks";
    case Check::kPointConnections:
      return "Point shapes whose controller is not in the device list";
  }
  return "";
}

const char* CheckColour(Check check) {
  switch (check) {
    case Check::kDuplicateAddresses:
      return "red";
    case Check::kInvalidPointTypes:
      return "blue";
    case Check::kPointConnections:
      return "green";
  }
  return "";
}

}  // namespace kvpw::validation
