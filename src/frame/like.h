// Pattern matching as the macro language's Like operator and the database engine's LIKE see it.
#pragma once

#include <vector>

#include "frame/text.h"

namespace kvpw {

enum class LikeSyntax {
  // The macro language: letter case significant, "?", "*", "#" and "[list]".
  kMacro,
  // The desktop database engine: letters compared without case, and "%" and "_" besides the
  // macro language's wildcards.
  kDatabase,
};

// "?" (and "_") any one character, "*" (and "%") any run (also none), "#" one decimal digit,
// "[list]" one character of the list (ranges such as A-C allowed), "[!list]" one character not
// in it, "[]" nothing; every other character itself. An unclosed "[" or a descending range fails
// with 93.
class LikePattern {
 public:
  LikePattern(TextView pattern, LikeSyntax syntax);
  ~LikePattern();
  LikePattern(LikePattern&&) noexcept;
  bool Matches(TextView text) const;

  struct Element;  // one character test or run of the compiled pattern

 private:
  std::vector<Element> elements_;
  bool fold_case_;
};

bool Like(TextView text, TextView pattern);

}  // namespace kvpw
