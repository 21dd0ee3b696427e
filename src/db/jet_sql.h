// The desktop engine's SQL dialect, rewritten into the SQL that SQLite runs with the same meaning:
// the library's own queries, whatever a caller writes and the stored queries of desktop-database
// files all go through here before SQLite sees them.
#pragma once

#include "frame/text.h"

namespace kvpw::db {

struct SqliteQuery {
  Text sql;
  // The rewritten text calls functions that RegisterJetFunctions (jet_functions.h) provides.
  bool calls_jet_functions = false;
};

// Texts in single or double quotes become SQLite texts, #dates# the texts dates are kept as,
// True/False/Yes/No 1 and 0, `&` a concatenation that reads Null as empty (with the precedence
// it has in the dialect: below arithmetic, above comparison), `Mod` SQLite's `%`, `!` between
// names a `.`, DISTINCTROW DISTINCT, `TOP n` a LIMIT and the dialect's functions calls of ours.
// What SQLite cannot be made to run fails (kvpw::Error with the engine's syntax-error number)
// with a description that names it.
SqliteQuery TranslateJetSql(TextView jet);

// The text of a date as the engine's copies keep it, "yyyy-mm-dd hh:nn:ss", from a #date#
// literal's inside: m/d/yyyy (or yy), yyyy-mm-dd or yyyy/mm/dd, with or without a time
// h:nn[:ss] [AM|PM], or a time alone (on 1899-12-30). Empty when it is not a date.
Text JetDateText(TextView literal);

}  // namespace kvpw::db
