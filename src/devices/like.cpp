#include "devices/like.h"

#include <vector>

#include "frame/error.h"

namespace kvpw::devices {
namespace {

constexpr int32_t kInvalidPattern = 93;
constexpr TextView kInvalidPatternText = u"Invalid pattern string";

// One element of a compiled pattern: a run of any characters, or a test on one character.
struct Element {
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

std::vector<Element> Compile(TextView pattern) {
  std::vector<Element> out;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'*') {
      if (out.empty() || out.back().kind != Element::Kind::kStar)
        out.emplace_back(Element::Kind::kStar);
    } else if (c == u'?') {
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
          k += 2;
        } else {
          e.ranges.emplace_back(list[k], list[k]);
        }
      }
      out.push_back(std::move(e));
    } else {
      out.emplace_back(Element::Kind::kLiteral, c);
    }
  }
  return out;
}

}  // namespace

bool Like(TextView text, TextView pattern) {
  const std::vector<Element> elements = Compile(pattern);
  // Every element but "*" takes exactly one character, so backing up to the last "*" and letting
  // it take one more character finds a match whenever there is one, in O(text * pattern).
  size_t t = 0, p = 0;
  size_t star = TextView::npos, star_text = 0;
  while (t < text.size()) {
    if (p < elements.size() && elements[p].kind == Element::Kind::kStar) {
      star = p++;
      star_text = t;
    } else if (p < elements.size() && elements[p].Matches(text[t])) {
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

}  // namespace kvpw::devices
