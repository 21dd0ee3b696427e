#include <gtest/gtest.h>

#include <cmath>

#include "frame/error.h"
#include "frame/misc.h"
#include "frame/variant.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using testing::ErrorNumberOf;

TEST(Text, Utf8RoundTripsAndRepairsBrokenInput) {
  const std::string samples[] = {"", "plain", "Grüße", "€ 5", "\xF0\x9F\x94\xA7 tool", "a\0b"};
  for (const std::string& s : samples) EXPECT_EQ(ToUtf8(FromUtf8(s)), s);
  EXPECT_EQ(FromUtf8("\xF0\x9F\x94\xA7").size(), 2u);  // one surrogate pair
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xE2\x82"), u"\uFFFD");  // cut short
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD");  // overlong
  EXPECT_EQ(ToUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Text, CaseFoldsAsciiAndLatin1Only) {
  EXPECT_TRUE(EqualsNoCase(u"Prop.P11.Value", u"prop.p11.value"));
  EXPECT_TRUE(EqualsNoCase(u"ÄÖÜ", u"äöü"));
  EXPECT_FALSE(EqualsNoCase(u"abc", u"abd"));
  EXPECT_FALSE(EqualsNoCase(u"×", u"÷"));  // the multiplication and division signs are no letters
  EXPECT_EQ(UpperCase(u"ab-z9ÿ"), u"AB-Z9ÿ");
}

TEST(Variant, ToTextFollowsTheMacroLanguage) {
  const struct {
    Variant in;
    Text out;
  } cases[] = {
      {Variant(), u""},
      {Variant(true), u"True"},
      {Variant(false), u"False"},
      {Variant(int16_t{-7}), u"-7"},
      {Variant(int32_t{123456}), u"123456"},
      {Variant(0.5), u"0.5"},
      {Variant(0.1 + 0.2), u"0.3"},
      {Variant(-0.0), u"0"},
      {Variant(1e15), u"1E+15"},
      {Variant(123456789012345.0), u"123456789012345"},
      {Variant(1e20), u"1E+20"},
      {Variant(2.5e-7), u"2.5E-07"},
      {Variant(1e-100), u"1E-100"},
      {Variant(0.0001), u"0.0001"},
      {Variant(u"text"), u"text"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToText(c.in), c.out) << ::testing::PrintToString(c.in);
  EXPECT_EQ(ErrorNumberOf([] { ToText(Variant(kNull)); }), err::kInvalidUseOfNull);
  EXPECT_EQ(ErrorNumberOf([] { ToText(Variant(Array{})); }), err::kTypeMismatch);
}

TEST(Variant, IntegerConversionsRoundHalvesToEvenAndOverflow) {
  const struct {
    Variant in;
    int32_t integer;  // 16-bit result, or an error number when `error16` is set
    int error16;
    int32_t long_value;
    int error32;
  } cases[] = {
      {Variant(2.5), 2, 0, 2, 0},
      {Variant(3.5), 4, 0, 4, 0},
      {Variant(-2.5), -2, 0, -2, 0},
      {Variant(0.49999), 0, 0, 0, 0},
      {Variant(32767.4), 32767, 0, 32767, 0},
      {Variant(32767.5), 0, err::kOverflow, 32768, 0},
      {Variant(-32768.5), -32768, 0, -32768, 0},
      {Variant(-32769.0), 0, err::kOverflow, -32769, 0},
      {Variant(2147483647.5), 0, err::kOverflow, 0, err::kOverflow},
      {Variant(true), -1, 0, -1, 0},
      {Variant(), 0, 0, 0, 0},
      {Variant(u" 12 "), 12, 0, 12, 0},
      {Variant(u"-1,234.5"), -1234, 0, -1234, 0},
      {Variant(u"&HFFFF"), -1, 0, -1, 0},
      {Variant(u"&H8000"), -32768, 0, -32768, 0},
      {Variant(u"&h10000"), 0, err::kOverflow, 65536, 0},
      {Variant(u"&O17"), 15, 0, 15, 0},
      {Variant(u"1e3"), 1000, 0, 1000, 0},
      {Variant(u"12abc"), 0, err::kTypeMismatch, 0, err::kTypeMismatch},
      {Variant(u""), 0, err::kTypeMismatch, 0, err::kTypeMismatch},
      {Variant(u"&H"), 0, err::kTypeMismatch, 0, err::kTypeMismatch},
      {Variant(kNull), 0, err::kInvalidUseOfNull, 0, err::kInvalidUseOfNull},
      {Variant(std::nan("")), 0, err::kOverflow, 0, err::kOverflow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.in));
    int16_t i = 0;
    EXPECT_EQ(ErrorNumberOf([&] { i = ToInteger(c.in); }), c.error16);
    if (!c.error16) {
      EXPECT_EQ(i, c.integer);
    }
    int32_t l = 0;
    EXPECT_EQ(ErrorNumberOf([&] { l = ToLong(c.in); }), c.error32);
    if (!c.error32) {
      EXPECT_EQ(l, c.long_value);
    }
  }
}

TEST(Variant, ValReadsTheLeadingNumber) {
  const struct {
    Text in;
    double out;
  } cases[] = {
      {u"", 0},           {u"abc", 0},         {u"42", 42},     {u"  4 2 abc", 42},
      {u"\t-1\n7", -17},  {u"3.25xyz", 3.25},  {u".5", 0.5},    {u"1e3", 1000},
      {u"1D2", 100},      {u"1e", 1},          {u"1e+", 1},     {u"-", 0},
      {u"+8", 8},         {u"1,5", 1},         {u"&HFF", 255},  {u"&hffff", -1},
      {u"&H7FFF", 32767}, {u"&HFFFFFFFF", -1}, {u"&O777", 511}, {u"&Hzz", 0},
      {u"&X12", 0},       {u"&", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Val(c.in), c.out) << ToUtf8(c.in);
  EXPECT_EQ(ErrorNumberOf([] { Val(u"&H123456789"); }), err::kOverflow);
}

TEST(SharedProcedures, QuoteSqlStringDoublesEveryQuote) {
  const struct {
    Text in, out;
  } cases[] = {
      {u"", u"''"},
      {u"'", u"''''"},
      {u"''", u"''''''"},
      {u"O'Brien", u"'O''Brien'"},
      {u"50% _x_ [a]", u"'50% _x_ [a]'"},
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteSqlString(c.in), c.out);
}

TEST(SharedProcedures, NullToEmptyString) {
  EXPECT_EQ(NullToEmptyString(Variant(kNull)), u"");
  EXPECT_EQ(NullToEmptyString(Variant(u"")), u"");
  EXPECT_EQ(NullToEmptyString(Variant(int32_t{0})), u"0");
  EXPECT_EQ(NullToEmptyString(Variant(12.5)), u"12.5");
  EXPECT_EQ(NullToEmptyString(Variant()), u"");
  EXPECT_EQ(ErrorNumberOf([] { NullToEmptyString(Variant::MakeArray({})); }), err::kTypeMismatch);
}

TEST(SharedProcedures, SplitStringKeepsEmptyPiecesButNoTrailingOne) {
  using Pieces = std::vector<Text>;
  const struct {
    Text in;
    Pieces out;
  } cases[] = {
      {u"", {u"", u""}},
      {u"a", {u"", u"a"}},
      {u"a`b`c", {u"", u"a", u"b", u"c"}},
      {u"a``b", {u"", u"a", u"", u"b"}},
      {u"`a", {u"", u"", u"a"}},
      {u"a`", {u"", u"a"}},
      {u"a``", {u"", u"a", u""}},
      {u"`", {u"", u""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitString(c.in, u'`'), c.out) << ToUtf8(c.in);
}

}  // namespace
}  // namespace kvpw
