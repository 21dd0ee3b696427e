// The general list filler: one combo row per result row, in up to three columns.
#include "db/kv_ado_connection.h"
#include "frame/pw2.h"
#include "lists/list_fill.h"

namespace kvpw {

void Pw2::PopulateCombo(const Text& strDatafile, const std::shared_ptr<host::Control>& objComboBox,
                        const Text& strSQL, const Text& strFieldName,
                        const std::optional<Text>& strFilterField,
                        const std::optional<Text>& strFilterValue,
                        const std::optional<Text>& strSQLTail,
                        const std::optional<Text>& strFieldName2,
                        const std::optional<Text>& strFieldName3) {
  host::Control& combo = lists::Deref(objComboBox);
  // A control showing Null is left alone: nothing is read, cleared or filled.
  if (combo.value().is_null()) return;
  const Text saved_value = ToText(combo.value());
  const Text saved_text = combo.text();
  IgnoringFailure([&] { combo.set_value(u""); });
  IgnoringFailure([&] { combo.set_text(u""); });
  IgnoringFailure([&] { combo.clear(); });

  const Text filter_field = strFilterField.value_or(u"");
  const Text tail = strSQLTail.value_or(u"");
  const Text field2 = strFieldName2.value_or(u"");
  const Text field3 = strFieldName3.value_or(u"");
  KvAdoConnection connection(platform_);
  try {
    // The filter value goes in as the caller wrote it: not quoted, its quotes not doubled.
    Text sql = strSQL;
    if (!filter_field.empty())
      sql += u" WHERE " + filter_field + u" LIKE '" + strFilterValue.value_or(u"") + u"'";
    if (!tail.empty()) sql += u" " + tail;

    connection.LetFileName(strDatafile);
    Text error;
    const db::RecordsetRef rs = connection.ConnQuery(sql, error);
    if (!error.empty()) {
      platform_->message_box->Show(u"Unable to query '" + strDatafile + u"': " + error);
      connection.ConnClose();
      return;
    }
    const int extra_columns = field2.empty() ? 0 : field3.empty() ? 1 : 2;
    while (!rs->eof()) {
      if (extra_columns == 0) {
        lists::AddListRow(combo, *rs, strFieldName, {});
      } else if (extra_columns == 1) {
        lists::AddListRow(combo, *rs, strFieldName, {field2});
      } else {
        lists::AddListRow(combo, *rs, strFieldName, {field2, field3});
      }
      rs->move_next();
    }
    lists::RestoreSelection(combo, saved_value, saved_text);
  } catch (const Error& e) {
    lists::ReportFillFailure(*platform_->message_box, combo, e);
  }
  connection.ConnClose();
}

}  // namespace kvpw
