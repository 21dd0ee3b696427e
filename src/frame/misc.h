// Text procedures shared by many operations.
#pragma once

#include <vector>

#include "frame/variant.h"

namespace kvpw {

// Encloses in single quotes, doubling every quote inside: O'Brien gives 'O''Brien'.
Text QuoteSqlString(TextView s);

// Null gives the empty text; anything else its ordinary text form.
Text NullToEmptyString(const Variant& v);

// Pieces of `text` at every `delimiter`, at indexes 1..n; index 0 holds the empty text. A trailing
// delimiter adds no empty piece; the empty text gives one empty piece.
std::vector<Text> SplitString(TextView text, char16_t delimiter);

}  // namespace kvpw
