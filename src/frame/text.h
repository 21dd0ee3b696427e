// Text as the library keeps it: 16-bit code units inside, UTF-8 only at the edges.
#pragma once

#include <string>
#include <string_view>

namespace kvpw {

using Text = std::u16string;
using TextView = std::u16string_view;

// Invalid sequences become U+FFFD; nothing is dropped silently.
Text FromUtf8(std::string_view utf8);
std::string ToUtf8(TextView text);

// Letter case as the macro language's text comparison sees it: ASCII and Latin-1 letters.
char16_t LowerChar(char16_t c);
char16_t UpperChar(char16_t c);
Text LowerCase(TextView text);
Text UpperCase(TextView text);
bool EqualsNoCase(TextView a, TextView b);

// Decimal digits of an integer, "-" when negative, no leading zeros.
Text IntegerText(long long value);

}  // namespace kvpw
