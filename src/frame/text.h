// Text as the library keeps it: 16-bit code units inside, UTF-8 only at the edges.
#pragma once

#include <string>
#include <string_view>

namespace kvpw {

using Text = std::u16string;
using TextView = std::u16string_view;

// Invalid sequences become U+FFFD; nothing is dropped silently.
Text FromUtf8(std::string_view utf8);
// The same into `out`, whose buffer is reused: for readers that convert one value after another.
void AssignUtf8(Text& out, std::string_view utf8);
std::string ToUtf8(TextView text);
// The same appended to `out`: for writers that build one long text from many values.
void AppendUtf8(std::string& out, TextView text);

// Letter case as the macro language's text comparison sees it: ASCII and Latin-1 letters.
// Inline: every name hash and comparison folds each character.
constexpr char16_t LowerChar(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  return c;
}
constexpr char16_t UpperChar(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  return c;
}
Text LowerCase(TextView text);
Text UpperCase(TextView text);
inline bool EqualsNoCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && LowerChar(a[i]) != LowerChar(b[i])) return false;
  return true;
}

// Decimal digits of an integer, "-" when negative, no leading zeros.
Text IntegerText(long long value);

}  // namespace kvpw
