#include "frame/pw2.h"

namespace kvpw {

Pw2::Pw2(PlatformRef platform) : platform_(std::move(platform)) {}

void Pw2::Initialize(const Text& strPzPartDatabasePath, const Text& strPartPropsDatabasePath) {
  PzPartDatabasePath = strPzPartDatabasePath;
  PartPropsDatabasePath = strPartPropsDatabasePath;
}

}  // namespace kvpw
