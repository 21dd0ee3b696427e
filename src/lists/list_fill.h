// What the list fillers share: how a row is added, how the caller's selection is put back, and
// how a failure during the fill is reported.
#pragma once

#include <initializer_list>

#include "db/engine.h"
#include "frame/error.h"
#include "frame/platform.h"
#include "host/controls.h"

namespace kvpw::lists {

inline constexpr TextView kNoMatchesText = u"There were no matches found.";
inline constexpr TextView kNoMatchesTitle = u"No Matches";
// Shown in an extra column whose value is Null.
inline constexpr TextView kBlankForNull = u" ";

// Appends a row from the current row of `rs`: column `first` handed to AddItem as it is, then
// columns 1, 2, ... of the new row from the columns `extra`, a single blank for Null. Each column
// is read just before it is used, so a bad name fails after the columns before it were set.
void AddListRow(host::Control& list, const db::Recordset& rs, TextView first,
                std::initializer_list<TextView> extra);

// Sets the value, then the text, back; a failure of either is ignored.
void RestoreSelection(host::Control& list, const Text& value, const Text& text);

// A failure caught while filling: the engine's no-current-record error shows "No Matches" and
// empties the list; any other the critical box with the error's description and number.
void ReportFillFailure(MessageBox& boxes, host::Control& list, const Error& error);

// The control an operation was handed; Nothing fails as an unset object does.
host::Control& Deref(const std::shared_ptr<host::Control>& control);

}  // namespace kvpw::lists
