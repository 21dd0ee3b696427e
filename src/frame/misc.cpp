#include "frame/misc.h"

#include <algorithm>

namespace kvpw {

Text QuoteSqlString(TextView s) {
  Text out;
  out.reserve(s.size() + 2);
  out.push_back(u'\'');
  for (char16_t c : s) {
    if (c == u'\'') out.push_back(c);
    out.push_back(c);
  }
  out.push_back(u'\'');
  return out;
}

Text NullToEmptyString(const Variant& v) {
  return v.is_null() ? Text() : ToText(v);
}

std::vector<Text> SplitString(TextView text, char16_t delimiter) {
  std::vector<Text> pieces;
  pieces.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), delimiter)) + 2);
  pieces.emplace_back();
  for (;;) {
    const size_t at = text.find(delimiter);
    if (at == TextView::npos) {
      pieces.emplace_back(text);
      return pieces;
    }
    pieces.emplace_back(text.substr(0, at));
    text.remove_prefix(at + 1);
    if (text.empty()) return pieces;
  }
}

}  // namespace kvpw
