// The pattern match of the macro language's Like operator, letter case significant.
#pragma once

#include "frame/text.h"

namespace kvpw::devices {

// "?" any one character, "*" any run (also none), "#" one decimal digit, "[list]" one character
// of the list (ranges such as A-C allowed), "[!list]" one character not in it, "[]" nothing;
// every other character itself. An unclosed "[" or a descending range fails with 93.
bool Like(TextView text, TextView pattern);

}  // namespace kvpw::devices
