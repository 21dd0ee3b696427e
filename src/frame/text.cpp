#include "frame/text.h"

#include <algorithm>

namespace kvpw {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

}  // namespace

Text FromUtf8(std::string_view in) {
  Text out;
  AssignUtf8(out, in);
  return out;
}

void AssignUtf8(Text& out, std::string_view in) {
  // Most texts are plain ASCII: widen them in one go.
  size_t i = 0;
  while (i < in.size() && static_cast<unsigned char>(in[i]) < 0x80) ++i;
  out.assign(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(i));
  if (i == in.size()) return;
  out.reserve(in.size());
  while (i < in.size()) {
    const auto c = static_cast<unsigned char>(in[i]);
    char32_t cp = 0;
    size_t len = 0;
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07, len = 4;
    }
    bool ok = len != 0 && i + len <= in.size();
    for (size_t k = 1; ok && k < len; ++k) {
      const auto cc = static_cast<unsigned char>(in[i + k]);
      ok = IsContinuation(cc);
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms and surrogate code points are as invalid as a broken sequence.
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (ok && (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back(kReplacement);
      ++i;
      while (i < in.size() && IsContinuation(static_cast<unsigned char>(in[i]))) ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
}

std::string ToUtf8(TextView in) {
  std::string out;
  AppendUtf8(out, in);
  return out;
}

void AppendUtf8(std::string& out, TextView in) {
  out.reserve(out.size() + in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 &&
        in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;  // a lone surrogate has no UTF-8 form
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

Text LowerCase(TextView text) {
  Text out(text);
  std::transform(out.begin(), out.end(), out.begin(), LowerChar);
  return out;
}

Text UpperCase(TextView text) {
  Text out(text);
  std::transform(out.begin(), out.end(), out.begin(), UpperChar);
  return out;
}

Text IntegerText(long long value) {
  const std::string digits = std::to_string(value);
  return Text(digits.begin(), digits.end());
}

}  // namespace kvpw
