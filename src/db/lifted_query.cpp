#include "db/lifted_query.h"

namespace kvpw::db {
namespace {

bool IsWordChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'_';
}

}  // namespace

std::optional<LiftedQuery> LiftLiterals(TextView sql) {
  LiftedQuery lifted;
  lifted.sql.reserve(sql.size());
  bool after_where = false;
  size_t i = 0;
  const auto copy_until = [&](size_t end) {
    lifted.sql.append(sql.substr(i, end - i));
    i = end;
  };
  // What is copied other than words and single marks may hold a backtick.
  const auto copy_marked_until = [&](size_t end) {
    if (!lifted.has_backticks)
      lifted.has_backticks = sql.substr(i, end - i).find(u'`') != TextView::npos;
    copy_until(end);
  };
  while (i < sql.size()) {
    const char16_t c = sql[i];
    if (c == u'\'') {
      size_t j = i + 1;
      Text value;
      for (;; ++j) {
        if (j >= sql.size()) return std::nullopt;  // unterminated: let the engine say so
        if (sql[j] == u'\'') {
          if (j + 1 < sql.size() && sql[j + 1] == u'\'') {
            value.push_back(u'\'');
            ++j;
            continue;
          }
          break;
        }
        value.push_back(sql[j]);
      }
      if (after_where) {
        lifted.sql.push_back(u'?');
        lifted.values.push_back(std::move(value));
        i = j + 1;
      } else {
        copy_marked_until(j + 1);
      }
    } else if (c == u'"' || c == u'[' || c == u'`') {
      const size_t close = sql.find(c == u'[' ? u']' : c, i + 1);
      if (close == TextView::npos) return std::nullopt;
      copy_marked_until(close + 1);
    } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
      const size_t end = sql.find(u'\n', i);
      copy_marked_until(end == TextView::npos ? sql.size() : end);
    } else if (c == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
      const size_t end = sql.find(u"*/", i + 2);
      if (end == TextView::npos) return std::nullopt;
      copy_marked_until(end + 2);
    } else if (IsWordChar(c)) {
      size_t end = i;
      while (end < sql.size() && IsWordChar(sql[end])) ++end;
      if (EqualsNoCase(sql.substr(i, end - i), u"WHERE")) after_where = true;
      copy_until(end);
    } else {
      lifted.sql.push_back(c);
      ++i;
    }
  }
  if (lifted.values.empty()) return std::nullopt;
  return lifted;
}

}  // namespace kvpw::db
