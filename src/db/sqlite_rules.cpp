#include "db/sqlite_rules.h"

#include <sqlite3.h>

#include <algorithm>
#include <string_view>

#include "frame/error.h"
#include "frame/like.h"

namespace kvpw::db {
namespace {

int FoldAscii(int c) {
  return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// The desktop engine compares text without regard to letter case, and its "=" ignores trailing
// blanks ('abc' = 'ABC  '). The catalogues declare their text columns COLLATE NOCASE, so this
// replaces SQLite's NOCASE on every connection: ASCII letters folded as SQLite folds them, and
// the shorter text padded with blanks. The order differs from SQLite's NOCASE only where a text
// continues with a control character (below the blank) after the other ends, so the indexes the
// files were built with stay valid and keyed look-ups still search them.
int PadSpaceNoCase(void*, int n1, const void* p1, int n2, const void* p2) {
  const auto* a = static_cast<const unsigned char*>(p1);
  const auto* b = static_cast<const unsigned char*>(p2);
  const int n = std::max(n1, n2);
  for (int i = 0; i < n; ++i) {
    const int c1 = FoldAscii(i < n1 ? a[i] : ' ');
    const int c2 = FoldAscii(i < n2 ? b[i] : ' ');
    if (c1 != c2) return c1 - c2;
  }
  return 0;
}

// LIKE as the desktop engine matches: letters without regard to case and, besides SQL's "%" and
// "_", the engine's own "*", "?", "#" and "[list]". Registered under SQLite's name so that SQLite
// does not turn `x LIKE 'ab %'` into an index range: under the padding collation that range
// would also take 'ab', which the pattern does not match. Patterns with none of the engine's own
// wildcards (and those with an ESCAPE) are matched by SQLite's own code, which needs no
// conversion of the texts; the others are compiled once per statement.
void Like(sqlite3_context* context, int argc, sqlite3_value** argv) {
  const auto* pattern = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[1]));
  if (!pattern || !text) return;  // Null
  unsigned int escape = 0;
  if (argc == 3) {
    const auto* e = reinterpret_cast<const char*>(sqlite3_value_text(argv[2]));
    if (!e) return;
    const Text escape_text = FromUtf8(e);
    if (escape_text.size() != 1) {
      sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
      return;
    }
    escape = escape_text[0];
  }
  if (argc == 3 || std::string_view(pattern).find_first_of("*?#[") == std::string_view::npos) {
    sqlite3_result_int(context, sqlite3_strlike(pattern, text, escape) == 0);
    return;
  }
  auto* compiled = static_cast<LikePattern*>(sqlite3_get_auxdata(context, 0));
  if (!compiled) {
    try {
      compiled = new LikePattern(FromUtf8(pattern), LikeSyntax::kDatabase);
    } catch (const Error& e) {
      sqlite3_result_error(context, ToUtf8(e.description()).c_str(), -1);
      return;
    }
    sqlite3_set_auxdata(context, 0, compiled, [](void* p) { delete static_cast<LikePattern*>(p); });
    compiled = static_cast<LikePattern*>(sqlite3_get_auxdata(context, 0));
    if (!compiled) return sqlite3_result_error_nomem(context);
  }
  sqlite3_result_int(context, compiled->Matches(FromUtf8(text)));
}

}  // namespace

int AddCatalogueRules(sqlite3* db) {
  int rc =
      sqlite3_create_collation_v2(db, "NOCASE", SQLITE_UTF8, nullptr, &PadSpaceNoCase, nullptr);
  for (const int args : {2, 3})
    if (rc == SQLITE_OK)
      rc = sqlite3_create_function_v2(db, "like", args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                      &Like, nullptr, nullptr, nullptr);
  return rc;
}

}  // namespace kvpw::db
