// The device record and the device list as creatable classes. Their members arrive with the
// device-list work; until then they are objects with an identity and no members.
#pragma once

#include "frame/object.h"
#include "frame/platform.h"

namespace kvpw {

class PwVsdDevice final : public Dispatchable {
 public:
  explicit PwVsdDevice(PlatformRef platform) : platform_(std::move(platform)) {}
  const ClassInfo& class_info() const override;

 private:
  PlatformRef platform_;
};

class PwVsdDeviceCollection final : public Dispatchable {
 public:
  explicit PwVsdDeviceCollection(PlatformRef platform) : platform_(std::move(platform)) {}
  const ClassInfo& class_info() const override;

 private:
  PlatformRef platform_;
};

}  // namespace kvpw
