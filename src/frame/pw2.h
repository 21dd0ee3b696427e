// The service object through which the stencils' macros reach almost every operation. Each
// operation is defined in the folder of its subsystem.
#pragma once

#include <memory>
#include <optional>

#include "frame/object.h"
#include "frame/platform.h"

namespace kvpw {

namespace host {
class Control;
class Document;
}  // namespace host

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
  void PopulateCombo(const Text& strDatafile, const std::shared_ptr<host::Control>& objComboBox,
                     const Text& strSQL, const Text& strFieldName,
                     const std::optional<Text>& strFilterField = std::nullopt,
                     const std::optional<Text>& strFilterValue = std::nullopt,
                     const std::optional<Text>& strSQLTail = std::nullopt,
                     const std::optional<Text>& strFieldName2 = std::nullopt,
                     const std::optional<Text>& strFieldName3 = std::nullopt);

  // Part detail fill-ins (src/fillin).

  // Device list, drawing scan and device pickers (src/devices).

  // Network addressing and point pairs (src/network).

  // Drawing checks (src/validation).

 private:
  PlatformRef platform_;
};

}  // namespace kvpw
