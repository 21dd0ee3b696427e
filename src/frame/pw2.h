// The service object through which the stencils' macros reach almost every operation. Each
// operation is defined in the folder of its subsystem.
#pragma once

#include "frame/object.h"
#include "frame/platform.h"

namespace kvpw {

class Pw2 final : public Dispatchable {
 public:
  explicit Pw2(PlatformRef platform);
  const ClassInfo& class_info() const override;
  const PlatformRef& platform() const { return platform_; }

  Text PzPartDatabasePath;
  Text PartPropsDatabasePath;

  void Initialize(const Text& strPzPartDatabasePath, const Text& strPartPropsDatabasePath);

  // Row lookups and SQL text helpers (src/db).
  Variant GetDatabaseTableRow(const Text& strDatafile, const Text& strSqlQuery, bool& boolFound);
  Variant GetPartPropertyTableValues(const Text& strDbPartProps, const Text& strCmd,
                                     bool& boolFound);
  Text FixSqlWildcardPattern(const Text& strFieldName, Text strPattern);

  // Combo population and part-number lists (src/lists).

  // Part detail fill-ins (src/fillin).

  // Device list, drawing scan and device pickers (src/devices).

  // Network addressing and point pairs (src/network).

  // Drawing checks (src/validation).

 private:
  PlatformRef platform_;
};

}  // namespace kvpw
