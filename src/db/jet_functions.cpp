#include "db/jet_functions.h"

#include <sqlite3.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <optional>
#include <span>
#include <vector>

#include "db/jet_sql.h"
#include "db/mdb/mdb_file.h"
#include "frame/error.h"

namespace kvpw::db {
namespace {

constexpr int32_t kInvalidArgument = 5;

[[noreturn]] void InvalidArgument() {
  Raise(kInvalidArgument, Text(u"Invalid procedure call or argument"));
}

// --- Values between SQLite and the callers' kinds --------------------------------------------

Variant FromSqlite(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: {
      const sqlite3_int64 i = sqlite3_value_int64(value);
      if (i >= INT32_MIN && i <= INT32_MAX) return Variant(static_cast<int32_t>(i));
      return Variant(static_cast<double>(i));
    }
    case SQLITE_FLOAT:
      return Variant(sqlite3_value_double(value));
    case SQLITE_TEXT: {
      const auto* text = static_cast<const char16_t*>(sqlite3_value_text16(value));
      return Variant(Text(text, static_cast<size_t>(sqlite3_value_bytes16(value)) / 2));
    }
    case SQLITE_NULL:
      return Variant(kNull);
    default:
      Raise(13, Text(u"Type mismatch"));
  }
}

void ToSqlite(sqlite3_context* context, const Variant& v) {
  switch (v.type()) {
    case VarType::kBoolean:
      sqlite3_result_int(context, v.boolean() ? 1 : 0);
      break;
    case VarType::kInteger:
      sqlite3_result_int(context, v.integer());
      break;
    case VarType::kLong:
      sqlite3_result_int(context, v.long_value());
      break;
    case VarType::kDouble:
      sqlite3_result_double(context, v.double_value());
      break;
    case VarType::kText:
      sqlite3_result_text16(context, v.text().data(), static_cast<int>(v.text().size() * 2),
                            SQLITE_TRANSIENT);
      break;
    default:
      sqlite3_result_null(context);
  }
}

using Args = std::span<const Variant>;
using Function = Variant (*)(Args);

template <Function F>
void Call(sqlite3_context* context, int argc, sqlite3_value** argv) {
  try {
    std::vector<Variant> args;
    args.reserve(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i) args.push_back(FromSqlite(argv[i]));
    ToSqlite(context, F(args));
  } catch (const Error& e) {
    const std::string message = ToUtf8(e.description());
    sqlite3_result_error(context, message.c_str(), static_cast<int>(message.size()));
  }
}

// --- Text functions -----------------------------------------------------------------------------

size_t Count(const Variant& v) {
  const int32_t n = ToLong(v);
  if (n < 0) InvalidArgument();
  return static_cast<size_t>(n);
}

// Null only when every operand is Null.
Variant Concat(Args args) {
  Text out;
  bool any = false;
  for (const Variant& v : args)
    if (!v.is_null()) {
      out += ToText(v);
      any = true;
    }
  return any ? Variant(std::move(out)) : Variant(kNull);
}

Variant Nz(Args args) {
  if (!args[0].is_null()) return args[0];
  return args.size() > 1 ? args[1] : Variant(Text());
}

Variant Left(Args args) {
  if (args[0].is_null()) return kNull;
  const Text text = ToText(args[0]);
  return Variant(text.substr(0, Count(args[1])));
}

Variant Right(Args args) {
  if (args[0].is_null()) return kNull;
  const Text text = ToText(args[0]);
  const size_t n = std::min(Count(args[1]), text.size());
  return Variant(text.substr(text.size() - n));
}

Variant Mid(Args args) {
  if (args[0].is_null()) return kNull;
  const Text text = ToText(args[0]);
  const int32_t start = ToLong(args[1]);
  if (start < 1) InvalidArgument();
  const size_t from = std::min(static_cast<size_t>(start - 1), text.size());
  return Variant(text.substr(from, args.size() > 2 ? Count(args[2]) : Text::npos));
}

Variant Len(Args args) {
  if (args[0].is_null()) return kNull;
  return Variant(static_cast<int32_t>(ToText(args[0]).size()));
}

// InStr([start,] text, sought [, compare]): without a compare argument letters compare without
// case, as the engine compares text.
Variant InStr(Args args) {
  const bool has_start = args.size() >= 3;
  const Variant& text = args[has_start ? 1 : 0];
  const Variant& sought = args[has_start ? 2 : 1];
  const int32_t start = has_start ? ToLong(args[0]) : 1;
  if (start < 1) InvalidArgument();
  if (text.is_null() || sought.is_null()) return kNull;
  const bool binary = args.size() == 4 && ToLong(args[3]) == 0;
  const Text haystack = binary ? ToText(text) : LowerCase(ToText(text));
  const Text needle = binary ? ToText(sought) : LowerCase(ToText(sought));
  if (static_cast<size_t>(start) > haystack.size()) return Variant(int32_t{0});
  const size_t at = haystack.find(needle, static_cast<size_t>(start - 1));
  return Variant(at == Text::npos ? int32_t{0} : static_cast<int32_t>(at + 1));
}

Variant UCase(Args args) {
  return args[0].is_null() ? Variant(kNull) : Variant(UpperCase(ToText(args[0])));
}
Variant LCase(Args args) {
  return args[0].is_null() ? Variant(kNull) : Variant(LowerCase(ToText(args[0])));
}

// --- Conversions and numbers --------------------------------------------------------------------

Variant ValOf(Args args) {
  return Variant(Val(ToText(args[0])));
}
Variant CStr(Args args) {
  return Variant(ToText(args[0]));
}
Variant CLng(Args args) {
  return Variant(ToLong(args[0]));
}
Variant CInt(Args args) {
  return Variant(ToInteger(args[0]));
}
Variant CDbl(Args args) {
  return Variant(ToDouble(args[0]));
}

// Str gives non-negative numbers a leading blank where the sign would be.
Variant Str(Args args) {
  if (args[0].is_null()) return kNull;
  const double d = ToDouble(args[0]);
  return Variant((d >= 0 ? u" " : u"") + NumberText(d));
}

template <double (*Op)(double)>
Variant Whole(Args args) {
  const Variant& v = args[0];
  if (v.is_null()) return kNull;
  if (v.type() == VarType::kInteger || v.type() == VarType::kLong) return v;
  return Variant(Op(ToDouble(v)));
}
double Floor(double d) {
  return std::floor(d);
}
double Trunc(double d) {
  return std::trunc(d);
}

// Halves to the even neighbour, as the engine rounds.
Variant Round(Args args) {
  const Variant& v = args[0];
  if (v.is_null()) return kNull;
  const int32_t places = args.size() > 1 ? ToLong(args[1]) : 0;
  if (places < 0 || places > 22) InvalidArgument();
  if (v.type() == VarType::kInteger || v.type() == VarType::kLong) return v;
  const double scale = std::pow(10.0, places);
  return Variant(std::nearbyint(ToDouble(v) * scale) / scale);
}

Text LocalTime(bool with_time) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, with_time ? local.tm_hour : 0,
                with_time ? local.tm_min : 0, with_time ? local.tm_sec : 0);
  return Text(text, text + 19);
}
Variant Today(Args) {
  return Variant(LocalTime(false));
}
Variant Now(Args) {
  return Variant(LocalTime(true));
}

Variant FormatCall(Args args) {
  return FormatValue(args[0], args.size() > 1 ? ToText(args[1]) : Text());
}

// --- Format -------------------------------------------------------------------------------------

struct DateParts {
  int year, month, day, hour, minute, second;
};

std::optional<DateParts> DateOf(const Variant& v) {
  Text text;
  if (v.is_text()) {
    text = v.text();
    const bool kept_form = text.size() == 19 && text[4] == u'-' && text[10] == u' ';
    if (!kept_form) text = JetDateText(text);
  } else if (v.is_number()) {
    text = FromUtf8(mdb::DateText(ToDouble(v)));
  }
  if (text.size() != 19) return std::nullopt;
  auto number = [&](size_t at, size_t n) {
    int value = 0;
    for (size_t i = at; i < at + n; ++i) value = value * 10 + (text[i] - u'0');
    return value;
  };
  return DateParts{number(0, 4),  number(5, 2),  number(8, 2),
                   number(11, 2), number(14, 2), number(17, 2)};
}

// 0 for Sunday.
int Weekday(const DateParts& d) {
  int y = d.year - (d.month <= 2);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (d.month + (d.month > 2 ? -3 : 9)) + 2) / 5 + d.day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days = static_cast<long>(era) * 146097 + doe - 719468;  // from 1970-01-01, a Thursday
  return static_cast<int>(((days + 4) % 7 + 7) % 7);
}

constexpr TextView kMonths[] = {u"January",   u"February", u"March",    u"April",
                                u"May",       u"June",     u"July",     u"August",
                                u"September", u"October",  u"November", u"December"};
constexpr TextView kWeekdays[] = {u"Sunday",   u"Monday", u"Tuesday", u"Wednesday",
                                  u"Thursday", u"Friday", u"Saturday"};

Text Padded(int value, size_t width) {
  Text text = IntegerText(value);
  while (text.size() < width) text.insert(text.begin(), u'0');
  return text;
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c;
}

bool StartsNoCase(TextView text, size_t at, TextView word) {
  return text.size() - at >= word.size() && EqualsNoCase(text.substr(at, word.size()), word);
}

Text FormatDate(const DateParts& d, TextView format) {
  const bool twelve = [&] {
    for (const TextView marker : {TextView(u"AM/PM"), TextView(u"A/P")})
      for (size_t i = 0; i < format.size(); ++i)
        if (StartsNoCase(format, i, marker)) return true;
    return false;
  }();
  Text out;
  bool after_hour = false;
  for (size_t i = 0; i < format.size();) {
    const char16_t c = format[i];
    if (c == u'"') {
      const size_t close = format.find(u'"', i + 1);
      out += format.substr(i + 1, (close == TextView::npos ? format.size() : close) - i - 1);
      i = close == TextView::npos ? format.size() : close + 1;
      continue;
    }
    if (c == u'\\' && i + 1 < format.size()) {
      out += format[i + 1];
      i += 2;
      continue;
    }
    if (StartsNoCase(format, i, u"AM/PM")) {
      const bool upper = format[i] == u'A';
      out += d.hour < 12 ? (upper ? u"AM" : u"am") : (upper ? u"PM" : u"pm");
      i += 5;
      continue;
    }
    if (StartsNoCase(format, i, u"A/P")) {
      const bool upper = format[i] == u'A';
      out += d.hour < 12 ? (upper ? u"A" : u"a") : (upper ? u"P" : u"p");
      i += 3;
      continue;
    }
    const char16_t letter = Lower(c);
    size_t run = 1;
    while (i + run < format.size() && Lower(format[i + run]) == letter) ++run;
    switch (letter) {
      case u'd':
        if (run == 1 || run == 2)
          out += Padded(d.day, run);
        else if (run == 3)
          out += kWeekdays[Weekday(d)].substr(0, 3);
        else if (run == 4)
          out += kWeekdays[Weekday(d)];
        else
          out += FormatDate(d, run == 5 ? u"m/d/yyyy" : u"dddd, mmmm d, yyyy");
        break;
      case u'm':
        if (after_hour && run <= 2)
          out += Padded(d.minute, run);
        else if (run <= 2)
          out += Padded(d.month, run);
        else if (run == 3)
          out += kMonths[d.month - 1].substr(0, 3);
        else
          out += kMonths[d.month - 1];
        break;
      case u'y':
        out += run <= 2 ? Padded(d.year % 100, 2) : Padded(d.year, 4);
        break;
      case u'h': {
        const int hour = twelve ? (d.hour % 12 == 0 ? 12 : d.hour % 12) : d.hour;
        out += Padded(hour, std::min<size_t>(run, 2));
        break;
      }
      case u'n':
        out += Padded(d.minute, std::min<size_t>(run, 2));
        break;
      case u's':
        out += Padded(d.second, std::min<size_t>(run, 2));
        break;
      default:
        out += format.substr(i, run);
    }
    if (letter == u'h')
      after_hour = true;
    else if (letter != u':' && letter != u' ' && letter != u'm')
      after_hour = false;
    i += run;
  }
  return out;
}

struct NamedFormat {
  TextView name;
  TextView pattern;
};
constexpr NamedFormat kNamedDates[] = {
    {u"Long Date", u"dddd, mmmm d, yyyy"}, {u"Medium Date", u"d-mmm-yy"},
    {u"Short Date", u"m/d/yyyy"},          {u"Long Time", u"h:nn:ss AM/PM"},
    {u"Medium Time", u"hh:nn AM/PM"},      {u"Short Time", u"hh:nn"},
};
constexpr NamedFormat kNamedNumbers[] = {
    {u"Currency", u"$#,##0.00;($#,##0.00)"},
    {u"Fixed", u"0.00"},
    {u"Standard", u"#,##0.00"},
    {u"Percent", u"0.00%"},
};

// A date pattern has date or time letters and no digit placeholders.
bool IsDatePattern(TextView format) {
  bool letters = false;
  bool in_quotes = false;
  for (size_t i = 0; i < format.size(); ++i) {
    const char16_t c = format[i];
    if (c == u'"') in_quotes = !in_quotes;
    if (in_quotes) continue;
    if (c == u'\\') {
      ++i;
      continue;
    }
    if (c == u'0' || c == u'#') return false;
    const char16_t l = Lower(c);
    letters = letters || l == u'd' || l == u'm' || l == u'y' || l == u'h' || l == u'n' || l == u's';
  }
  return letters;
}

std::vector<TextView> Sections(TextView format) {
  std::vector<TextView> out;
  size_t start = 0;
  bool in_quotes = false;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == u'"')
      in_quotes = !in_quotes;
    else if (format[i] == u'\\')
      ++i;
    else if (format[i] == u';' && !in_quotes) {
      out.push_back(format.substr(start, i - start));
      start = i + 1;
    }
  }
  out.push_back(format.substr(std::min(start, format.size())));
  return out;
}

// One section of a numeric pattern applied to a number that is not negative.
Text FormatNumber(double value, TextView section) {
  Text prefix, suffix;
  int min_integer = 0, min_decimals = 0, max_decimals = 0;
  bool grouping = false, percent = false, seen_digit = false, in_decimals = false;
  for (size_t i = 0; i < section.size(); ++i) {
    const char16_t c = section[i];
    Text literal;
    if (c == u'0' || c == u'#') {
      seen_digit = true;
      if (in_decimals) {
        ++max_decimals;
        if (c == u'0') min_decimals = max_decimals;
      } else if (c == u'0') {
        ++min_integer;
      }
      continue;
    }
    if (c == u'.' && !in_decimals) {
      in_decimals = true;
      seen_digit = true;
      continue;
    }
    if (c == u',' && seen_digit && !in_decimals) {
      grouping = true;
      continue;
    }
    if (c == u'"') {
      const size_t close = section.find(u'"', i + 1);
      literal =
          Text(section.substr(i + 1, (close == TextView::npos ? section.size() : close) - i - 1));
      i = close == TextView::npos ? section.size() : close;
    } else if (c == u'\\' && i + 1 < section.size()) {
      literal = Text(1, section[++i]);
    } else {
      if (c == u'%') percent = true;
      literal = Text(1, c);
    }
    (seen_digit ? suffix : prefix) += literal;
  }
  if (percent) value *= 100;
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.*f", max_decimals, value);
  std::string digits = buffer;
  std::string integer = digits.substr(0, digits.find('.'));
  std::string decimals =
      digits.find('.') == std::string::npos ? "" : digits.substr(digits.find('.') + 1);
  while (static_cast<int>(decimals.size()) > min_decimals && decimals.back() == '0')
    decimals.pop_back();
  if (integer == "0" && min_integer == 0) integer.clear();
  while (static_cast<int>(integer.size()) < min_integer) integer.insert(integer.begin(), '0');
  if (grouping)
    for (int at = static_cast<int>(integer.size()) - 3; at > 0; at -= 3)
      integer.insert(static_cast<size_t>(at), ",");
  Text number = FromUtf8(integer);
  if (in_decimals) number += u"." + FromUtf8(decimals);
  if (!number.empty() && number.back() == u'.' && max_decimals == 0) number.pop_back();
  return prefix + number + suffix;
}

Text FormatNumberPattern(double value, TextView format) {
  const std::vector<TextView> sections = Sections(format);
  if (value < 0 && sections.size() > 1 && !sections[1].empty())
    return FormatNumber(-value, sections[1]);
  if (value == 0 && sections.size() > 2 && !sections[2].empty())
    return FormatNumber(0, sections[2]);
  const Text text = FormatNumber(std::fabs(value), sections[0]);
  // A negative number that rounds to zero digits keeps no sign.
  bool nonzero = false;
  for (const char16_t c : text) nonzero = nonzero || (c >= u'1' && c <= u'9');
  return value < 0 && nonzero ? u"-" + text : text;
}

}  // namespace

Variant FormatValue(const Variant& value, TextView format) {
  if (value.is_null()) return kNull;
  if (format.empty()) return Variant(ToText(value));
  for (const auto& [name, pattern] : kNamedDates)
    if (EqualsNoCase(format, name)) return FormatValue(value, pattern);
  if (EqualsNoCase(format, u"General Date")) {
    const std::optional<DateParts> d = DateOf(value);
    if (!d) return Variant(ToText(value));
    const bool no_date = d->year == 1899 && d->month == 12 && d->day == 30;
    const bool no_time = d->hour == 0 && d->minute == 0 && d->second == 0;
    if (no_date) return Variant(FormatDate(*d, u"h:nn:ss AM/PM"));
    return Variant(FormatDate(*d, no_time ? u"m/d/yyyy" : u"m/d/yyyy h:nn:ss AM/PM"));
  }
  if (format == u">") return Variant(UpperCase(ToText(value)));
  if (format == u"<") return Variant(LowerCase(ToText(value)));
  const bool date_pattern = IsDatePattern(format);
  const auto is = [&](TextView name) { return EqualsNoCase(format, name); };
  const bool named_number = is(u"Yes/No") || is(u"True/False") || is(u"On/Off") ||
                            is(u"General Number") || is(u"Scientific") || is(u"Currency") ||
                            is(u"Fixed") || is(u"Standard") || is(u"Percent");
  if (date_pattern && !named_number) {
    const std::optional<DateParts> d = DateOf(value);
    return Variant(d ? FormatDate(*d, format) : ToText(value));
  }
  double number = 0;
  if (value.is_text()) {
    if (!ParseNumber(value.text(), number)) return value;
  } else {
    number = ToDouble(value);
  }
  struct Words {
    TextView name, yes, no;
  };
  for (const Words& w : {Words{u"Yes/No", u"Yes", u"No"}, Words{u"True/False", u"True", u"False"},
                         Words{u"On/Off", u"On", u"Off"}})
    if (is(w.name)) return Variant(Text(number != 0 ? w.yes : w.no));
  if (is(u"General Number")) return Variant(NumberText(number));
  if (is(u"Scientific")) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2E", number);
    return Variant(FromUtf8(buffer));
  }
  for (const auto& [name, pattern] : kNamedNumbers)
    if (is(name)) return Variant(FormatNumberPattern(number, pattern));
  return Variant(FormatNumberPattern(number, format));
}

void RegisterJetFunctions(sqlite3* db) {
  struct Entry {
    const char* name;
    int min_args, max_args;
    void (*call)(sqlite3_context*, int, sqlite3_value**);
    bool deterministic = true;
  };
  const Entry entries[] = {
      {"jet_concat", -1, -1, Call<Concat>},   {"jet_nz", 1, 2, Call<Nz>},
      {"jet_format", 1, 2, Call<FormatCall>}, {"jet_left", 2, 2, Call<Left>},
      {"jet_right", 2, 2, Call<Right>},       {"jet_mid", 2, 3, Call<Mid>},
      {"jet_len", 1, 1, Call<Len>},           {"jet_instr", 2, 4, Call<InStr>},
      {"jet_ucase", 1, 1, Call<UCase>},       {"jet_lcase", 1, 1, Call<LCase>},
      {"jet_val", 1, 1, Call<ValOf>},         {"jet_cstr", 1, 1, Call<CStr>},
      {"jet_clng", 1, 1, Call<CLng>},         {"jet_cint", 1, 1, Call<CInt>},
      {"jet_cdbl", 1, 1, Call<CDbl>},         {"jet_str", 1, 1, Call<Str>},
      {"jet_int", 1, 1, Call<Whole<Floor>>},  {"jet_fix", 1, 1, Call<Whole<Trunc>>},
      {"jet_round", 1, 2, Call<Round>},       {"jet_date", 0, 0, Call<Today>, false},
      {"jet_now", 0, 0, Call<Now>, false},
  };
  for (const Entry& e : entries)
    for (int n = e.min_args; n <= e.max_args; ++n)
      sqlite3_create_function_v2(db, e.name, n,
                                 SQLITE_UTF16 | (e.deterministic ? SQLITE_DETERMINISTIC : 0),
                                 nullptr, e.call, nullptr, nullptr, nullptr);
}

}  // namespace kvpw::db
