// The desktop engine's functions that catalogue queries use, as SQLite functions (the names
// TranslateJetSql gives their calls), following the callers' own conversion rules.
#pragma once

#include "frame/variant.h"

struct sqlite3;

namespace kvpw::db {

// jet_concat (the & operator), jet_nz, jet_format, jet_left, jet_right, jet_mid, jet_len,
// jet_instr, jet_ucase, jet_lcase, jet_val, jet_cstr, jet_clng, jet_cint, jet_cdbl, jet_str,
// jet_int, jet_fix, jet_round, jet_date, jet_now.
void RegisterJetFunctions(sqlite3* db);

// Format(value, format): the named formats (General Number, Currency, Fixed, Standard, Percent,
// Scientific, Yes/No, True/False, On/Off, General/Long/Medium/Short Date, Long/Medium/Short
// Time), numeric patterns of 0, #, ".", ",", "%" and literal text (with a second section for
// negative numbers), date patterns of d, m, y, h, n, s and AM/PM, and ">" / "<" for text.
// Dates are the texts the copies keep ("yyyy-mm-dd hh:nn:ss") or day numbers.
Variant FormatValue(const Variant& value, TextView format);

}  // namespace kvpw::db
