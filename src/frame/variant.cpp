#include "frame/variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "frame/error.h"
#include "frame/object.h"

namespace kvpw {
namespace {

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

// Reads &H / &O digits and returns how many it used. Four hex digits (six octal) give a 16-bit
// value, up to eight (eleven) a 32-bit one, as the literals of the language do.
size_t ReadRadix(TextView digits, int radix, double& out) {
  uint64_t value = 0;
  size_t used = 0;
  for (char16_t c : digits) {
    const char16_t l = LowerChar(c);
    const int d = IsDigit(c) ? c - u'0' : (l >= u'a' && l <= u'f') ? l - u'a' + 10 : radix;
    if (d >= radix) break;
    value = value * radix + d;
    if (value > 0xFFFFFFFFull) Raise(err::kOverflow);
    ++used;
  }
  if (value <= 0xFFFF)
    out = static_cast<int16_t>(static_cast<uint16_t>(value));
  else
    out = static_cast<int32_t>(static_cast<uint32_t>(value));
  return used;
}

int RadixOf(char16_t letter) {
  const char16_t u = UpperChar(letter);
  return u == u'H' ? 16 : u == u'O' ? 8 : 0;
}

double ParseDecimal(const std::string& ascii) {
  return ascii.empty() ? 0.0 : std::strtod(ascii.c_str(), nullptr);
}

}  // namespace

bool Array::operator==(const Array& other) const {
  if (!items || !other.items) return items == other.items;
  return *items == *other.items;
}

Variant Variant::MakeArray(std::vector<Variant> items) {
  return Variant(Array{std::make_shared<const std::vector<Variant>>(std::move(items))});
}

bool Variant::is_number() const {
  const VarType t = type();
  return t == VarType::kInteger || t == VarType::kLong || t == VarType::kDouble ||
         t == VarType::kBoolean;
}

Text NumberText(double d) {
  if (d == 0) return u"0";
  if (std::isnan(d) || std::isinf(d)) Raise(err::kOverflow);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15G", d);
  std::string s(buf);
  // %G already drops trailing zeros; only the exponent's zero padding differs from "E+20".
  const auto e = s.find('E');
  if (e != std::string::npos) {
    std::string exp = s.substr(e + 2);
    while (exp.size() > 2 && exp[0] == '0') exp.erase(0, 1);
    s = s.substr(0, e + 2) + exp;
  }
  return Text(s.begin(), s.end());
}

Text ToText(const Variant& v) {
  switch (v.type()) {
    case VarType::kEmpty:
      return Text();
    case VarType::kNull:
      Raise(err::kInvalidUseOfNull);
    case VarType::kBoolean:
      return v.boolean() ? u"True" : u"False";
    case VarType::kInteger:
      return IntegerText(v.integer());
    case VarType::kLong:
      return IntegerText(v.long_value());
    case VarType::kDouble:
      return NumberText(v.double_value());
    case VarType::kText:
      return v.text();
    case VarType::kObject:
      return ToText(DefaultValue(v.object()));
    case VarType::kArray:
      break;
  }
  Raise(err::kTypeMismatch);
}

bool ParseNumber(TextView text, double& out) {
  size_t i = 0, n = text.size();
  auto blank = [&](size_t k) { return k < n && (text[k] == u' ' || text[k] == u'\t'); };
  while (blank(i)) ++i;
  while (n > i && (text[n - 1] == u' ' || text[n - 1] == u'\t')) --n;
  if (i == n) return false;
  if (text[i] == u'&' && i + 1 < n) {
    const int radix = RadixOf(text[i + 1]);
    const TextView digits = text.substr(i + 2, n - i - 2);
    return radix != 0 && !digits.empty() && ReadRadix(digits, radix, out) == digits.size();
  }
  std::string ascii;
  if (text[i] == u'+' || text[i] == u'-') ascii.push_back(static_cast<char>(text[i++]));
  size_t digits = 0;
  for (; i < n && (IsDigit(text[i]) || (text[i] == u',' && digits > 0)); ++i) {
    if (text[i] != u',') ascii.push_back(static_cast<char>(text[i])), ++digits;
  }
  if (i < n && text[i] == u'.') {
    ascii.push_back('.');
    for (++i; i < n && IsDigit(text[i]); ++i) ascii.push_back(static_cast<char>(text[i])), ++digits;
  }
  if (digits == 0) return false;
  if (i < n && (UpperChar(text[i]) == u'E' || UpperChar(text[i]) == u'D')) {
    ascii.push_back('e');
    ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
      ascii.push_back(static_cast<char>(text[i++]));
    size_t exp_digits = 0;
    for (; i < n && IsDigit(text[i]); ++i)
      ascii.push_back(static_cast<char>(text[i])), ++exp_digits;
    if (exp_digits == 0) return false;
  }
  if (i != n) return false;
  out = ParseDecimal(ascii);
  if (std::isinf(out)) Raise(err::kOverflow);
  return true;
}

double ToDouble(const Variant& v) {
  switch (v.type()) {
    case VarType::kEmpty:
      return 0;
    case VarType::kNull:
      Raise(err::kInvalidUseOfNull);
    case VarType::kBoolean:
      return v.boolean() ? -1 : 0;
    case VarType::kInteger:
      return v.integer();
    case VarType::kLong:
      return v.long_value();
    case VarType::kDouble:
      return v.double_value();
    case VarType::kText: {
      double d;
      if (ParseNumber(v.text(), d)) return d;
      Raise(err::kTypeMismatch);
    }
    case VarType::kObject:
      return ToDouble(DefaultValue(v.object()));
    case VarType::kArray:
      break;
  }
  Raise(err::kTypeMismatch);
}

int16_t RoundToInteger(double d) {
  const double r = std::nearbyint(d);  // the default rounding mode sends halves to even
  if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max()))
    Raise(err::kOverflow);
  return static_cast<int16_t>(r);
}

int16_t Count16(size_t n) {
  if (n > static_cast<size_t>(std::numeric_limits<int16_t>::max())) Raise(err::kOverflow);
  return static_cast<int16_t>(n);
}

int32_t RoundToLong(double d) {
  const double r = std::nearbyint(d);
  if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
    Raise(err::kOverflow);
  return static_cast<int32_t>(r);
}

int16_t ToInteger(const Variant& v) {
  if (v.type() == VarType::kInteger) return v.integer();
  return RoundToInteger(ToDouble(v));
}

int32_t ToLong(const Variant& v) {
  if (v.type() == VarType::kLong) return v.long_value();
  return RoundToLong(ToDouble(v));
}

bool ToBoolean(const Variant& v) {
  if (v.type() == VarType::kBoolean) return v.boolean();
  if (v.is_text()) {
    if (EqualsNoCase(v.text(), u"True")) return true;
    if (EqualsNoCase(v.text(), u"False")) return false;
  }
  return ToDouble(v) != 0;
}

double Val(TextView text) {
  Text s;
  s.reserve(text.size());
  for (char16_t c : text)
    if (c != u' ' && c != u'\t' && c != u'\n') s.push_back(c);
  if (s.size() >= 2 && s[0] == u'&') {
    double out = 0;
    if (const int radix = RadixOf(s[1])) ReadRadix(TextView(s).substr(2), radix, out);
    return out;
  }
  std::string ascii;
  size_t i = 0;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) ascii.push_back(static_cast<char>(s[i++]));
  size_t digits = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) ascii.push_back(static_cast<char>(s[i])), ++digits;
  if (i < s.size() && s[i] == u'.') {
    ascii.push_back('.');
    for (++i; i < s.size() && IsDigit(s[i]); ++i)
      ascii.push_back(static_cast<char>(s[i])), ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (UpperChar(s[i]) == u'E' || UpperChar(s[i]) == u'D')) {
    std::string exp = "e";
    size_t j = i + 1;
    if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) exp.push_back(static_cast<char>(s[j++]));
    const size_t first = j;
    for (; j < s.size() && IsDigit(s[j]); ++j) exp.push_back(static_cast<char>(s[j]));
    if (j > first) ascii += exp;
  }
  const double d = ParseDecimal(ascii);
  if (std::isinf(d)) Raise(err::kOverflow);
  return d;
}

}  // namespace kvpw
