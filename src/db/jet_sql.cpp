#include "db/jet_sql.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <vector>

#include "db/engine.h"
#include "frame/error.h"

namespace kvpw::db {
namespace {

[[noreturn]] void Unsupported(TextView what) {
  Raise(kErrSqlSyntax, u"Syntax error in query: " + Text(what) + u" is not supported.");
}

bool IsWordStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x80;
}
bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
bool IsWordChar(char16_t c) {
  return IsWordStart(c) || IsDigit(c);
}
bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// What the concatenation pass needs to know of each piece of the rewritten text.
enum class Piece : uint8_t { kPlain, kSpace, kOpen, kClose, kAmpersand, kBoundary };

struct Out {
  Text text;
  Piece piece;
};

// Words that end an operand of `&`: clause words and the operators that bind less tightly.
constexpr std::array<TextView, 37> kBoundaryWords = {
    u"SELECT", u"FROM",  u"WHERE",  u"AND",    u"OR",     u"NOT",   u"LIKE",  u"BETWEEN",
    u"IN",     u"IS",    u"AS",     u"ON",     u"JOIN",   u"INNER", u"LEFT",  u"RIGHT",
    u"OUTER",  u"ORDER", u"GROUP",  u"BY",     u"HAVING", u"WHEN",  u"THEN",  u"ELSE",
    u"END",    u"CASE",  u"UNION",  u"ALL",    u"ASC",    u"DESC",  u"LIMIT", u"DISTINCT",
    u"INTO",   u"SET",   u"VALUES", u"ESCAPE", u"EXISTS"};

// The dialect's functions that SQLite lacks or has with other rules, and the names of ours.
struct FunctionName {
  TextView jet;
  TextView ours;
};
constexpr FunctionName kFunctions[] = {
    {u"NZ", u"jet_nz"},       {u"FORMAT", u"jet_format"}, {u"LEFT", u"jet_left"},
    {u"RIGHT", u"jet_right"}, {u"MID", u"jet_mid"},       {u"LEN", u"jet_len"},
    {u"INSTR", u"jet_instr"}, {u"UCASE", u"jet_ucase"},   {u"LCASE", u"jet_lcase"},
    {u"VAL", u"jet_val"},     {u"CSTR", u"jet_cstr"},     {u"CLNG", u"jet_clng"},
    {u"CINT", u"jet_cint"},   {u"CDBL", u"jet_cdbl"},     {u"STR", u"jet_str"},
    {u"INT", u"jet_int"},     {u"FIX", u"jet_fix"},       {u"ROUND", u"jet_round"},
    {u"DATE", u"jet_date"},   {u"NOW", u"jet_now"},       {u"IIF", u"iif"},
};

Text Upper(TextView word) {
  Text out(word);
  for (char16_t& c : out)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
  return out;
}

Text SqliteString(TextView value) {
  Text out = u"'";
  for (const char16_t c : value) {
    if (c == u'\'') out += u'\'';
    out += c;
  }
  return out + u'\'';
}

class Translator {
 public:
  explicit Translator(TextView jet) : in_(jet) {}

  SqliteQuery Run() {
    Tokenize();
    SqliteQuery result;
    result.sql = Concatenations(0, out_.size());
    if (limit_) {
      // Before a closing ";" and the blanks around it.
      size_t end = result.sql.size();
      while (end > 0 && (IsSpace(result.sql[end - 1]) || result.sql[end - 1] == u';')) --end;
      result.sql.insert(end, u" LIMIT " + *limit_);
    }
    result.calls_jet_functions = calls_functions_;
    return result;
  }

 private:
  void Emit(Text text, Piece piece = Piece::kPlain) { out_.push_back({std::move(text), piece}); }

  // The last piece that is not blank, or none.
  const Out* Previous() const {
    for (size_t i = out_.size(); i-- > 0;)
      if (out_[i].piece != Piece::kSpace) return &out_[i];
    return nullptr;
  }

  size_t SkipSpace(size_t at) const {
    while (at < in_.size() && IsSpace(in_[at])) ++at;
    return at;
  }

  size_t Quoted(size_t at) {
    const char16_t quote = in_[at];
    Text value;
    size_t i = at + 1;
    for (;; ++i) {
      if (i >= in_.size())
        Raise(kErrSqlSyntax,
              u"Syntax error in string in query expression '" + Text(in_.substr(at)) + u"'.");
      if (in_[i] == quote) {
        if (i + 1 < in_.size() && in_[i + 1] == quote) {
          value += quote;
          ++i;
          continue;
        }
        break;
      }
      value += in_[i];
    }
    Emit(SqliteString(value));
    return i + 1;
  }

  size_t Bracketed(size_t at) {
    const size_t close = in_.find(u']', at);
    if (close == TextView::npos)
      Raise(kErrSqlSyntax, u"Invalid bracketing of name '" + Text(in_.substr(at)) + u"'.");
    Emit(Text(in_.substr(at, close + 1 - at)));
    return close + 1;
  }

  size_t DateLiteral(size_t at) {
    const size_t close = in_.find(u'#', at + 1);
    const TextView inside =
        close == TextView::npos ? TextView() : in_.substr(at + 1, close - at - 1);
    const Text date = JetDateText(inside);
    if (date.empty())
      Raise(kErrSqlSyntax,
            u"Syntax error in date in query expression '" +
                Text(in_.substr(at, close == TextView::npos ? TextView::npos : close + 1 - at)) +
                u"'.");
    Emit(SqliteString(date));
    return close + 1;
  }

  size_t Number(size_t at) {
    size_t i = at;
    while (i < in_.size() && (IsDigit(in_[i]) || in_[i] == u'.')) ++i;
    if (i < in_.size() && (in_[i] == u'e' || in_[i] == u'E')) {
      size_t e = i + 1;
      if (e < in_.size() && (in_[e] == u'+' || in_[e] == u'-')) ++e;
      if (e < in_.size() && IsDigit(in_[e])) {
        i = e;
        while (i < in_.size() && IsDigit(in_[i])) ++i;
      }
    }
    Emit(Text(in_.substr(at, i - at)));
    return i;
  }

  size_t Word(size_t at) {
    size_t i = at;
    while (i < in_.size() && IsWordChar(in_[i])) ++i;
    const TextView word = in_.substr(at, i - at);
    const Text upper = Upper(word);
    const Out* previous = Previous();
    // A name after "t." is a column, whatever it is called.
    if (previous && previous->text == u".") {
      Emit(Text(word));
      return i;
    }
    const size_t next = SkipSpace(i);
    const bool call = next < in_.size() && in_[next] == u'(';
    if (call) {
      for (const auto& [jet, ours] : kFunctions)
        if (upper == jet) {
          Emit(Text(ours));
          calls_functions_ = calls_functions_ || ours.starts_with(u"jet_");
          return i;
        }
    }
    if (upper == u"TRUE" || upper == u"YES") {
      Emit(u"1");
    } else if (upper == u"FALSE" || upper == u"NO") {
      Emit(u"0");
    } else if (upper == u"DISTINCTROW") {
      // Each row of the tables once: for the joins it is written for, DISTINCT gives that.
      Emit(u"DISTINCT", Piece::kBoundary);
    } else if (upper == u"MOD") {
      Emit(u"%");
    } else if (upper == u"TOP") {
      return Top(i);
    } else if (upper == u"PARAMETERS") {
      Unsupported(u"a query that asks for parameters (PARAMETERS)");
    } else if (upper == u"TRANSFORM" || upper == u"PIVOT") {
      Unsupported(u"a crosstab query (TRANSFORM ... PIVOT)");
    } else if (upper == u"XOR" || upper == u"EQV" || upper == u"IMP") {
      Unsupported(u"the operator " + Text(word));
    } else if (upper == u"WITH" && Upper(in_.substr(next, 11)) == u"OWNERACCESS") {
      // WITH OWNERACCESS OPTION only concerns the permissions of secured files.
      size_t end = SkipSpace(next + 11);
      if (Upper(in_.substr(end, 6)) == u"OPTION") end += 6;
      return end;
    } else {
      const bool boundary =
          std::find(kBoundaryWords.begin(), kBoundaryWords.end(), upper) != kBoundaryWords.end();
      if (upper == u"UNION") has_union_ = true;
      if (upper == u"SELECT") ++selects_;
      Emit(Text(word), boundary ? Piece::kBoundary : Piece::kPlain);
    }
    return i;
  }

  // TOP n of the one SELECT of a query becomes its LIMIT.
  size_t Top(size_t after) {
    size_t i = SkipSpace(after);
    const size_t digits = i;
    while (i < in_.size() && IsDigit(in_[i])) ++i;
    if (i == digits) Unsupported(u"TOP without a number of rows");
    if (Upper(in_.substr(SkipSpace(i), 7)) == u"PERCENT") Unsupported(u"TOP ... PERCENT");
    if (depth_ > 0 || selects_ != 1 || limit_) Unsupported(u"TOP in a subquery or a union");
    limit_ = Text(in_.substr(digits, i - digits));
    return i;
  }

  void Tokenize() {
    size_t i = 0;
    while (i < in_.size()) {
      const char16_t c = in_[i];
      if (IsSpace(c)) {
        const size_t start = i;
        while (i < in_.size() && IsSpace(in_[i])) ++i;
        Emit(Text(in_.substr(start, i - start)), Piece::kSpace);
      } else if (c == u'\'' || c == u'"') {
        i = Quoted(i);
      } else if (c == u'[') {
        i = Bracketed(i);
      } else if (c == u'#') {
        i = DateLiteral(i);
      } else if (IsDigit(c) || (c == u'.' && i + 1 < in_.size() && IsDigit(in_[i + 1]))) {
        i = Number(i);
      } else if (IsWordStart(c)) {
        i = Word(i);
      } else {
        i = Symbol(i);
      }
    }
    if (has_union_ && limit_) Unsupported(u"TOP in a subquery or a union");
  }

  size_t Symbol(size_t at) {
    const char16_t c = in_[at];
    const TextView two = in_.substr(at, 2);
    if (two == u"<>" || two == u"<=" || two == u">=" || two == u"!=") {
      Emit(Text(two), Piece::kBoundary);
      return at + 2;
    }
    switch (c) {
      case u'(':
        ++depth_;
        Emit(u"(", Piece::kOpen);
        break;
      case u')':
        --depth_;
        Emit(u")", Piece::kClose);
        break;
      case u'&':
        Emit(u"&", Piece::kAmpersand);
        break;
      case u'!':
        // Table!Column, the form the desktop application writes.
        Emit(u".");
        break;
      case u'=':
      case u'<':
      case u'>':
      case u',':
      case u';':
        Emit(Text(1, c), Piece::kBoundary);
        break;
      case u'\\':
        Unsupported(u"integer division (\\)");
      case u'^':
        Unsupported(u"the power operator (^)");
      case u'|':
        Unsupported(u"the operator |");
      default:
        Emit(Text(1, c));
    }
    return at + 1;
  }

  // The text of out_[begin, end) with every run "a & b & c" between boundaries turned into a
  // call jet_concat(a, b, c); parenthesised groups are rewritten on their own.
  Text Concatenations(size_t begin, size_t end) {
    Text result;
    std::vector<Text> operands;
    Text current;
    auto flush = [&] {
      if (operands.empty()) {
        result += current;
      } else {
        operands.push_back(std::move(current));
        // The blanks around the run stay outside the call, between it and its neighbours.
        Text before, after;
        Text call = u"jet_concat(";
        for (size_t k = 0; k < operands.size(); ++k) {
          const Text& operand = operands[k];
          size_t first = 0, last = operand.size();
          while (first < last && IsSpace(operand[first])) ++first;
          while (last > first && IsSpace(operand[last - 1])) --last;
          if (first == last)
            Raise(kErrSqlSyntax, Text(u"Syntax error in query: & without an operand."));
          if (k == 0) before = operand.substr(0, first);
          if (k + 1 == operands.size()) after = operand.substr(last);
          call += (k ? u", " : u"") + operand.substr(first, last - first);
        }
        result += before + call + u")" + after;
        calls_functions_ = true;
        operands.clear();
      }
      current.clear();
    };
    for (size_t i = begin; i < end; ++i) {
      switch (out_[i].piece) {
        case Piece::kOpen: {
          size_t close = i + 1;
          for (int depth = 1; close < end; ++close) {
            if (out_[close].piece == Piece::kOpen) ++depth;
            if (out_[close].piece == Piece::kClose && --depth == 0) break;
          }
          current += u"(" + Concatenations(i + 1, close) + (close < end ? u")" : u"");
          i = close;
          break;
        }
        case Piece::kAmpersand:
          operands.push_back(std::move(current));
          current.clear();
          break;
        case Piece::kBoundary:
          flush();
          result += out_[i].text;
          break;
        default:
          current += out_[i].text;
      }
    }
    flush();
    return result;
  }

  TextView in_;
  std::vector<Out> out_;
  int depth_ = 0;
  int selects_ = 0;
  bool has_union_ = false;
  bool calls_functions_ = false;
  std::optional<Text> limit_;
};

// Reads an unsigned number of at most `max_digits` digits.
std::optional<int> Digits(TextView& text, size_t max_digits) {
  size_t n = 0;
  int value = 0;
  while (n < text.size() && n < max_digits && IsDigit(text[n]))
    value = value * 10 + (text[n++] - u'0');
  if (n == 0) return std::nullopt;
  text.remove_prefix(n);
  return value;
}

bool Take(TextView& text, char16_t c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

void SkipBlanks(TextView& text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
}

}  // namespace

SqliteQuery TranslateJetSql(TextView jet) {
  return Translator(jet).Run();
}

Text JetDateText(TextView literal) {
  TextView t = literal;
  SkipBlanks(t);
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
  bool dated = false, timed = false;
  TextView probe = t;
  const std::optional<int> first = Digits(probe, 4);
  const size_t first_length = t.size() - probe.size();
  if (first && !probe.empty() && (probe.front() == u'/' || probe.front() == u'-')) {
    const char16_t separator = probe.front();
    probe.remove_prefix(1);
    const std::optional<int> middle = Digits(probe, 2);
    if (!middle || !Take(probe, separator)) return u"";
    const size_t before = probe.size();
    const std::optional<int> last = Digits(probe, 4);
    if (!last) return u"";
    if (first_length == 4) {
      year = *first, month = *middle, day = *last;
    } else if (first_length <= 2) {
      month = *first, day = *middle, year = *last;
      // Two-digit years as the desktop engine reads them: 00-29 this century, 30-99 the last.
      if (before - probe.size() <= 2) year += year < 30 ? 2000 : 1900;
    } else {
      return u"";
    }
    dated = true;
    t = probe;
    SkipBlanks(t);
  }
  if (!t.empty()) {
    const std::optional<int> h = Digits(t, 2);
    if (!h || !Take(t, u':')) return u"";
    const std::optional<int> m = Digits(t, 2);
    if (!m) return u"";
    hour = *h, minute = *m;
    if (Take(t, u':')) {
      const std::optional<int> s = Digits(t, 2);
      if (!s) return u"";
      second = *s;
    }
    SkipBlanks(t);
    const Text rest = Upper(t);
    if (rest == u"AM" || rest == u"PM") {
      if (hour < 1 || hour > 12) return u"";
      hour = hour % 12 + (rest == u"PM" ? 12 : 0);
    } else if (!rest.empty()) {
      return u"";
    }
    timed = true;
  }
  if (!dated && !timed) return u"";
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] ||
      (month == 2 && day == 29 && !leap) || year < 100 || year > 9999 || hour > 23 || minute > 59 ||
      second > 59)
    return u"";
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return Text(text, text + 19);
}

}  // namespace kvpw::db
