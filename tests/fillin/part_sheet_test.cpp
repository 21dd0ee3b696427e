// The standard part sheet and the dimension controls of a form.
#include "fillin/fill_testing.h"

namespace kvpw::fill_testing {
namespace {

using host::ControlMember;

// The whole sheet of O'B-2401C: five terminal labels, the others Null.
Changes ObrienSheet(const Text& code) {
  Changes c = {{u"txtP46", u"O'Brien Electric Co."},
               {u"txtP36", u"Factory Direct"},
               {u"txtP10", u"Pilot relay on 4 in. box cover, SPDT 15 A, 24 VAC coil"},
               {u"txtPDF", u"Docs\\Relays\\OBE-2400.pdf"},
               {u"txtBitmap", code},
               {u"txtTermAmt", u"5"},
               {u"txtTerm1", u"A1"},
               {u"txtTerm2", u"A2"},
               {u"txtTerm3", u"11"},
               {u"txtTerm4", u"12"},
               {u"txtTerm5", u"14"}};
  static const std::vector<Text> kRest = [] {
    std::vector<Text> names;
    for (int n = 6; n <= 20; ++n) names.push_back(u"txtTerm" + IntegerText(n));
    return names;
  }();
  for (const Text& name : kRest) c.emplace_back(name, u"");
  return c;
}

// Everything but txtBitmap emptied.
Changes EmptySheet() {
  Changes c;
  static const std::vector<Text> kNames = Dialog::SheetNames();
  for (const Text& name : kNames) c.emplace_back(name, u"");
  return c;
}

class PartSheetTest : public FillInTest {
 protected:
  Text Fill(bool sx, Dialog& d, const Text& file, const Text& part) {
    return sx ? pw2_.FillInSxPartFields(file, d.form(), part)
              : pw2_.FillInPw2PartFields(file, d.form(), part);
  }
};

TEST_F(PartSheetTest, WritesTheSheetAndReturnsTheCodeOrItsFourthLetter) {
  BuildOwn("('EIGHT', 'ABCDEFGH'), ('FOUR', 'ABCD'), ('THREE', 'ABC'), ('NULL-CODE', NULL)");
  const struct {
    Text part;
    const char* pw2_code;
    const char* sx_code;
  } cases[] = {
      {u"EIGHT", "ABCDEFGH", "D"},
      {u"FOUR", "ABCD", "D"},
      {u"THREE", "ABC", ""},
      {u"NULL-CODE", "", ""},
  };
  for (const auto& c : cases) {
    for (const bool sx : {false, true}) {
      SCOPED_TRACE(ToUtf8(c.part) + (sx ? " Sx" : " Pw2"));
      Dialog d(c.part);
      const Text code = FromUtf8(sx ? c.sx_code : c.pw2_code);
      EXPECT_EQ(Fill(sx, d, own(), c.part), code);
      // The test catalogue has no maker or labels: the sheet reads empty, txtBitmap the code.
      Changes changed = EmptySheet();
      changed.emplace_back(u"txtBitmap", code);
      EXPECT_EQ(d.values(), d.expected(changed));
    }
  }
  // A full row of the example catalogue.
  for (const bool sx : {false, true}) {
    Dialog d(u"O'B-2401C");
    const Text code = sx ? u"C" : u"RABCBCB";
    EXPECT_EQ(Fill(sx, d, parts(), u"O'B-2401C"), code);
    EXPECT_EQ(d.values(), d.expected(ObrienSheet(code)));
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PartSheetTest, NoRowEmptiesTheSheetButTheCode) {
  for (const bool sx : {false, true}) {
    Dialog d(u"NO-SUCH-PART");
    EXPECT_EQ(Fill(sx, d, parts(), u"NO-SUCH-PART"), u"");
    EXPECT_EQ(d.values(), d.expected(EmptySheet()));
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PartSheetTest, EachControlIsAStepOfItsOwn) {
  // A form lacking some controls, and one that refuses its text: the rest are filled.
  for (const bool sx : {false, true}) {
    Dialog d(u"O'B-2401C", {u"txtTerm20", u"txtP36", u"txtBitmap"});
    d[u"txtP10"]->fail_on(ControlMember::kDefaultSet, Error(380, u"Invalid property value."));
    EXPECT_EQ(Fill(sx, d, parts(), u"O'B-2401C"), sx ? u"C" : u"RABCBCB");
    Changes changed;
    for (const auto& c : ObrienSheet(u""))
      if (c.first != u"txtTerm20" && c.first != u"txtP36" && c.first != u"txtBitmap" &&
          c.first != u"txtP10")
        changed.push_back(c);
    EXPECT_EQ(d.values(), d.expected(changed));
  }
  // Without a form every step fails, and the code still comes back.
  EXPECT_EQ(pw2_.FillInPw2PartFields(parts(), nullptr, u"O'B-2401C"), u"RABCBCB");
  EXPECT_TRUE(boxes().empty());
}

using DimFieldsTest = FillInTest;

TEST_F(DimFieldsTest, CopiesTheSixDimensionsAsTheyAre) {
  const struct {
    Text part;
    Changes changed;
  } cases[] = {
      {u"O'B-2401C",
       {{u"txtD1", u"1.8"},
        {u"txtD2", u"4"},
        {u"txtD3", u"4"},
        {u"txtD4", u"4 in. square box cover"},
        {u"txtD5", u"Screw terminals"},
        {u"txtD6", u"0.4 lb"}}},
      // No depth: the empty text, the others filled.
      {u"TBK-JMP10",
       {{u"txtD1", u""},
        {u"txtD2", u"0.8"},
        {u"txtD3", u"2"},
        {u"txtD4", u""},
        {u"txtD5", u""},
        {u"txtD6", u""}}},
      // No row: every read fails with no current record and is skipped.
      {u"NO-SUCH-PART", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.part));
    Dialog d(c.part);
    pw2_.FillInDimFields(parts(), d.form(), c.part);
    EXPECT_EQ(d.values(), d.expected(c.changed));
  }
  // A form without txtD2 gets the other five.
  Dialog d(u"O'B-2401C", {u"txtD2"});
  pw2_.FillInDimFields(parts(), d.form(), u"O'B-2401C");
  EXPECT_EQ(d.values(), d.expected({{u"txtD1", u"1.8"},
                                    {u"txtD3", u"4"},
                                    {u"txtD4", u"4 in. square box cover"},
                                    {u"txtD5", u"Screw terminals"},
                                    {u"txtD6", u"0.4 lb"}}));
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace kvpw::fill_testing
