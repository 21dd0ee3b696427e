#include "fillin/part_row.h"

#include "frame/misc.h"
#include "lists/list_fill.h"

namespace kvpw::fillin {

std::optional<PartRow> PartRow::LookUp(const PlatformRef& platform, const Text& datafile,
                                       TextView query_prefix, TextView part_number) {
  auto connection = std::make_unique<KvAdoConnection>(platform);
  connection->LetFileName(datafile);
  Text query(query_prefix);
  query += QuoteSqlString(part_number);
  Text error;
  db::RecordsetRef rs = connection->ConnQuery(query, error);
  if (!error.empty()) {
    platform->message_box->Show(Text(kQueryFailedStart) + datafile + Text(kQueryFailedMiddle) +
                                error);
    return std::nullopt;
  }
  return PartRow(std::move(connection), std::move(rs));
}

Text PartRow::column(TextView name) const {
  return NullToEmptyString(rs_->value(rs_->field_index(name)));
}

void PartRow::Close() {
  rs_.reset();
  connection_->ConnClose();
}

void SetControl(const host::ControlRef& control, const Text& text) {
  lists::Deref(control).set_default_value(Variant(text));
}

Text ControlText(const host::ControlRef& control) {
  return lists::Deref(control).text();
}

Variant ControlValue(const host::ControlRef& control) {
  return lists::Deref(control).default_value();
}

void SetFormMember(const host::ControlRef& form, TextView name, const Text& text) {
  lists::Deref(form).set_member(name, Variant(text));
}

host::ControlRef FormMember(const host::ControlRef& form, TextView name) {
  host::ControlRef control = lists::Deref(form).member(name);
  if (!control) Raise(err::kObjectNotSet);
  return control;
}

void SetInControls(const host::ControlRef& form, TextView name, const Text& text) {
  host::ControlRef control = lists::Deref(form).controls(name);
  SetControl(control, text);
}

void CopyColumns(const PartRow& row, std::initializer_list<ColumnCopy> copies) {
  const bool matched = row.matched();
  for (const ColumnCopy& copy : copies)
    SetControl(copy.control, matched ? row.column(copy.column) : Text());
}

Text TermControl(int32_t n) {
  return u"txtTerm" + IntegerText(n);
}

Text TermColumn(int32_t n) {
  return u"SoccTerm" + IntegerText(n);
}

}  // namespace kvpw::fillin
