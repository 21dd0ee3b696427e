#include "frame/like.h"

#include <vector>

#include "frame/error.h"

namespace kvpw {

// One element of a compiled pattern: a run of any characters, or a test on one character.
struct LikePattern::Element {
  enum class Kind : uint8_t { kStar, kAny, kDigit, kLiteral, kList };
  explicit Element(Kind k, char16_t c = 0) : kind(k), literal(c) {}

  Kind kind;
  char16_t literal = 0;
  bool negated = false;
  std::vector<std::pair<char16_t, char16_t>> ranges;

  bool Matches(char16_t c) const {
    switch (kind) {
      case Kind::kAny:
        return true;
      case Kind::kDigit:
        return c >= u'0' && c <= u'9';
      case Kind::kLiteral:
        return c == literal;
      case Kind::kList: {
        bool in = false;
        for (const auto& [lo, hi] : ranges) in = in || (c >= lo && c <= hi);
        return in != negated;
      }
      default:
        return false;
    }
  }
};

namespace {

using Element = LikePattern::Element;

constexpr int32_t kInvalidPattern = 93;
constexpr TextView kInvalidPatternText = u"Invalid pattern string";

// Without regard to case a list also takes the lower-case forms of the letters in its ranges
// (the text is folded to lower case before it is compared).
void AddFolded(std::vector<std::pair<char16_t, char16_t>>& ranges, char16_t lo, char16_t hi) {
  for (char16_t c = lo;; ++c) {
    if (LowerChar(c) != c) ranges.emplace_back(LowerChar(c), LowerChar(c));
    if (c == hi) break;
  }
}

std::vector<Element> Compile(TextView pattern, LikeSyntax syntax) {
  const bool sql = syntax == LikeSyntax::kDatabase;
  const bool fold = sql;
  std::vector<Element> out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'*' || (sql && c == u'%')) {
      if (out.empty() || out.back().kind != Element::Kind::kStar)
        out.emplace_back(Element::Kind::kStar);
    } else if (c == u'?' || (sql && c == u'_')) {
      out.emplace_back(Element::Kind::kAny);
    } else if (c == u'#') {
      out.emplace_back(Element::Kind::kDigit);
    } else if (c == u'[') {
      const size_t close = pattern.find(u']', i + 1);
      if (close == TextView::npos) Raise(kInvalidPattern, Text(kInvalidPatternText));
      TextView list = pattern.substr(i + 1, close - i - 1);
      i = close;
      if (list.empty()) continue;  // "[]" stands for no character at all
      Element e(Element::Kind::kList);
      if (list.front() == u'!') {
        e.negated = true;
        list.remove_prefix(1);
      }
      for (size_t k = 0; k < list.size(); ++k) {
        if (k + 2 < list.size() && list[k + 1] == u'-') {
          if (list[k + 2] < list[k]) Raise(kInvalidPattern, Text(kInvalidPatternText));
          e.ranges.emplace_back(list[k], list[k + 2]);
          if (fold) AddFolded(e.ranges, list[k], list[k + 2]);
          k += 2;
        } else {
          e.ranges.emplace_back(list[k], list[k]);
          if (fold) AddFolded(e.ranges, list[k], list[k]);
        }
      }
      out.push_back(std::move(e));
    } else {
      out.emplace_back(Element::Kind::kLiteral, fold ? LowerChar(c) : c);
    }
  }
  return out;
}

}  // namespace

LikePattern::LikePattern(TextView pattern, LikeSyntax syntax)
    : elements_(Compile(pattern, syntax)), fold_case_(syntax == LikeSyntax::kDatabase) {}

LikePattern::~LikePattern() = default;
LikePattern::LikePattern(LikePattern&&) noexcept = default;

bool LikePattern::Matches(TextView text) const {
  const std::vector<Element>& elements = elements_;
  // Every element but "*" takes exactly one character, so backing up to the last "*" and letting
  // it take one more character finds a match whenever there is one, in O(text * pattern).
  size_t t = 0, p = 0;
  size_t star = TextView::npos, star_text = 0;
  while (t < text.size()) {
    const char16_t c = fold_case_ ? LowerChar(text[t]) : text[t];
    if (p < elements.size() && elements[p].kind == Element::Kind::kStar) {
      star = p++;
      star_text = t;
    } else if (p < elements.size() && elements[p].Matches(c)) {
      ++p;
      ++t;
    } else if (star != TextView::npos) {
      p = star + 1;
      t = ++star_text;
    } else {
      return false;
    }
  }
  while (p < elements.size() && elements[p].kind == Element::Kind::kStar) ++p;
  return p == elements.size();
}

bool Like(TextView text, TextView pattern) {
  return LikePattern(pattern, LikeSyntax::kMacro).Matches(text);
}

}  // namespace kvpw
