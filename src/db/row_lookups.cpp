// First-row lookups and the wildcard-pattern translation of the part pickers.
#include <limits>
#include <memory>

#include "db/kv_ado_connection.h"
#include "frame/error.h"
#include "frame/pw2.h"

namespace kvpw {
namespace {

// Elements 0..N-1 hold the row's columns unchanged; element N stays Empty, as the callers'
// macros expect one element more than there are columns.
Variant FirstRowArray(const db::Recordset& rs) {
  const int16_t n = rs.field_count();
  std::vector<Variant> row(static_cast<size_t>(n) + 1);
  for (int16_t i = 0; i < n; ++i) row[i] = rs.value(i);
  return Variant::MakeArray(std::move(row));
}

}  // namespace

Variant Pw2::GetDatabaseTableRow(const Text& strDatafile, const Text& strSqlQuery,
                                 bool& boolFound) {
  boolFound = false;
  Variant result{Array{}};
  KvAdoConnection connection(platform_);
  connection.LetFileName(strDatafile);
  Text error;
  const db::RecordsetRef rs = connection.ConnQuery(strSqlQuery, error);
  if (!error.empty()) {
    platform_->message_box->Show(u"Unable to query '" + strDatafile + u"': " + error);
  } else if (!rs->eof()) {
    result = FirstRowArray(*rs);
    boolFound = true;
  }
  connection.ConnClose();
  return result;
}

Variant Pw2::GetPartPropertyTableValues(const Text& strDbPartProps, const Text& strCmd,
                                        bool& boolFound) {
  boolFound = false;
  Variant result{Array{}};
  const db::ConnectionRef connection = platform_->engine->new_connection();
  try {
    connection->open(u"Provider=" + Text(db::kJetProvider) + u";Data Source=" + strDbPartProps, u"",
                     u"");
  } catch (const Error&) {
    return result;
  }
  const db::RecordsetRef rs = connection->execute(strCmd);
  if (!rs->eof()) {
    result = FirstRowArray(*rs);
    boolFound = true;
  }
  connection->close();
  return result;
}

Text Pw2::FixSqlWildcardPattern(const Text& strFieldName, Text strPattern) {
  Text& p = strPattern;
  for (char16_t& c : p) {
    if (c == u'?') c = u'_';
    if (c == u'*') c = u'%';
  }
  // Positions are counted from 1 (0 when absent) and kept in 16 bits, as is the term counter.
  const size_t open = p.find(u'[');
  const size_t close = p.find(u']');
  const int16_t a = open == Text::npos ? 0 : Count16(open + 1);
  const int16_t b = close == Text::npos ? 0 : Count16(close + 1);
  const Text like = strFieldName + u" LIKE '";
  if (a == 0 || b == 0) return like + p + u"'";

  const int16_t first = Count16(static_cast<size_t>(a) + 1);
  const TextView before = TextView(p).substr(0, a - 1);
  const TextView after = TextView(p).substr(b);
  Text out = u"(";
  int16_t terms = 0;
  for (int32_t i = first; i <= b - 1; ++i) {
    if (terms > 0) out += u" OR ";
    out += like;
    out += before;
    out.push_back(p[i - 1]);
    out += after;
    out += u"'";
    terms = Count16(static_cast<size_t>(terms) + 1);
  }
  return out + u")";
}

}  // namespace kvpw
