// What every fill-in stands on: the part's row looked up by part number, its columns as control
// text, and the three ways a dialog control is reached.
#pragma once

#include <initializer_list>
#include <memory>
#include <optional>

#include "db/kv_ado_connection.h"
#include "host/controls.h"

namespace kvpw::fillin {

// Query prefixes; the quoted part number follows directly, with no other clause.
inline constexpr TextView kAllColumns = u"SELECT * FROM qrySoccParts Where MfgPartNumber = ";
inline constexpr TextView kAccessoryColumns =
    u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap FROM qrySoccParts Where "
    u"MfgPartNumber = ";
inline constexpr TextView kRelayColumns =
    u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap, SoccTermAmt, SoccTerm20, "
    u"SoccAsType FROM qrySoccParts Where MfgPartNumber = ";
inline constexpr TextView kTransColumns =
    u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap, SoccTermAmt, SoccTerm10 FROM "
    u"qrySoccParts Where MfgPartNumber = ";

// The plain box of a failed lookup: this text, the path, kQueryFailedMiddle, the reason.
inline constexpr TextView kQueryFailedStart = u"Unable to query '";
inline constexpr TextView kQueryFailedMiddle = u"': ";

// The first row of one part lookup, with the connection it was read on.
class PartRow {
 public:
  // Queries `datafile` with the prefix and the quoted part number. On a failed open or query the
  // plain box is shown and there is no row; the connection is then simply released.
  static std::optional<PartRow> LookUp(const PlatformRef& platform, const Text& datafile,
                                       TextView query_prefix, TextView part_number);

  bool matched() const { return !rs_->eof(); }
  // The column as control text, Null as the empty text. Without a row this fails with 3021, for
  // a column the row lacks with 3265: the callers decide whether that ends them.
  Text column(TextView name) const;
  // Releases the record set, then closes the connection.
  void Close();

 private:
  PartRow(std::unique_ptr<KvAdoConnection> connection, db::RecordsetRef rs)
      : connection_(std::move(connection)), rs_(std::move(rs)) {}

  std::unique_ptr<KvAdoConnection> connection_;
  db::RecordsetRef rs_;
};

// The first way: a control the caller passed. Writing sets its default value.
void SetControl(const host::ControlRef& control, const Text& text);
Text ControlText(const host::ControlRef& control);
Variant ControlValue(const host::ControlRef& control);

// The second way: the form's member of that name, which is its control of that name.
void SetFormMember(const host::ControlRef& form, TextView name, const Text& text);
host::ControlRef FormMember(const host::ControlRef& form, TextView name);

// The third way: the control of that name in the form's Controls collection.
void SetInControls(const host::ControlRef& form, TextView name, const Text& text);

// One passed control and the column it shows.
struct ColumnCopy {
  const host::ControlRef& control;
  TextView column;
};
// In order: each control receives its column, or the empty text when no row matched. Nothing is
// caught: a failing copy ends the caller with the copies before it done.
void CopyColumns(const PartRow& row, std::initializer_list<ColumnCopy> copies);

// Terminal n's control and column: "txtTerm" and "SoccTerm" with n in decimal.
Text TermControl(int32_t n);
Text TermColumn(int32_t n);

}  // namespace kvpw::fillin
