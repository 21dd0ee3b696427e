#include "lists/list_fill.h"

namespace kvpw::lists {

void AddListRow(host::Control& list, const db::Recordset& rs, TextView first,
                std::initializer_list<TextView> extra) {
  list.add_item(rs.value(rs.field_index(first)));
  int32_t column = 1;
  for (const TextView name : extra) {
    const Variant& value = rs.value(rs.field_index(name));
    list.set_column(column++, list.list_count() - 1,
                    value.is_null() ? Variant(kBlankForNull) : value);
  }
}

void RestoreSelection(host::Control& list, const Text& value, const Text& text) {
  IgnoringFailure([&] { list.set_value(value); });
  IgnoringFailure([&] { list.set_text(text); });
}

void ReportFillFailure(MessageBox& boxes, host::Control& list, const Error& error) {
  if (error.number() == err::kNoCurrentRecord) {
    boxes.Show(kNoMatchesText, style::kInformation, kNoMatchesTitle);
    list.clear();
  } else {
    boxes.ShowError(error, style::kCritical);
  }
}

host::Control& Deref(const std::shared_ptr<host::Control>& control) {
  if (!control) Raise(err::kObjectNotSet);
  return *control;
}

}  // namespace kvpw::lists
