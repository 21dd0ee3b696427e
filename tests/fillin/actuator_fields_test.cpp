// The electric actuator dialog and the actuator accessory sheet.
#include <map>

#include "fillin/fill_testing.h"

namespace kvpw::fill_testing {
namespace {

using host::ControlMember;

using ActuatorFieldsTest = FillInTest;

TEST_F(ActuatorFieldsTest, PartSheetDimensionsAndRange) {
  BuildOwn("('NULL-RANGE', 'AAONBAA')");
  const struct {
    Text part;
    Text file;
    const char16_t* range;
    const char16_t* code;
  } cases[] = {
      {u"HA035N-24P", parts(), u"Range: 2-10 V", u"AAPNBAA"},
      {u"HA035N-24PX", parts(), u"Range: 0-10 V", u"AAPNBAA"},
      // A Null range column leaves the label alone.
      {u"HA035N-24", parts(), u"Range: ", u"AAONBAA"},
      {u"NULL-RANGE", own(), u"Range: ", u"AAONBAA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.part));
    Dialog d(c.part);
    EXPECT_EQ(pw2_.FillInElectricActuatorFields(c.file, d.form(), c.part, d[u"txtRange"]), c.code);
    // What the part sheet and dimension operations write on their own, and the range.
    Dialog alone(c.part);
    pw2_.FillInPw2PartFields(c.file, alone.form(), c.part);
    pw2_.FillInDimFields(c.file, alone.form(), c.part);
    Values expected = alone.values();
    for (auto& e : expected)
      if (e.first == u"txtRange") e.second = c.range;
    EXPECT_EQ(d.values(), expected);
  }
  // The figures themselves, for one of them.
  Dialog d(u"HA035N-24P");
  pw2_.FillInElectricActuatorFields(parts(), d.form(), u"HA035N-24P", d[u"txtRange"]);
  const Values values = d.values();
  const std::map<Text, Text> shown(values.begin(), values.end());
  for (const auto& [name, text] : Changes{{u"txtP46", u"Hartwell Actuation"},
                                          {u"txtBitmap", u"AAPNBAA"},
                                          {u"txtTermAmt", u"4"},
                                          {u"txtTerm4", u"5 U"},
                                          {u"txtTerm5", u""},
                                          {u"txtD1", u"2.4"},
                                          {u"txtD5", u"1/4 - 5/8 in. round, 1/4 - 7/16 in. square"},
                                          {u"txtRange", u"Range: 2-10 V"}})
    EXPECT_EQ(shown.at(name), text) << ToUtf8(name);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ActuatorFieldsTest, NoRowEmptiesTheSheetOnly) {
  Dialog d(u"NO-SUCH-PART");
  EXPECT_EQ(pw2_.FillInElectricActuatorFields(parts(), d.form(), u"NO-SUCH-PART", d[u"txtRange"]),
            u"");
  Changes sheet;
  for (const Text& name : Dialog::SheetNames()) sheet.emplace_back(name, u"");
  EXPECT_EQ(d.values(), d.expected(sheet));

  // A range control that refuses the text is skipped, and the code still comes back.
  Dialog e(u"HA035N-24P");
  e[u"txtRange"]->fail_on(ControlMember::kDefaultSet, Error(380, u"Invalid property value."));
  EXPECT_EQ(pw2_.FillInElectricActuatorFields(parts(), e.form(), u"HA035N-24P", e[u"txtRange"]),
            u"AAPNBAA");
  EXPECT_EQ(ToText(e[u"txtRange"]->default_value()), Was(u"txtRange"));
  EXPECT_TRUE(boxes().empty());
}

using AccessoryFieldsTest = FillInTest;

// The accessory sheet of HA-AUX2; txtP5 takes what txtP13 held.
Changes Aux2Sheet() {
  Changes sheet = {{u"txtP46", u"Hartwell Actuation"},
                   {u"txtP36", u"Westport Building Products"},
                   {u"txtP10", u"Auxiliary switch, 2 x SPDT 3 A, adjustable 0-95 degrees"},
                   {u"txtPDF", u"Docs\\Actuators\\HA-Accessories.pdf"},
                   {u"txtBitmap", u"XAS"},
                   {u"txtD5", u"Fits all HA sizes"},
                   {u"txtD6", u"0.18 lb"},
                   {u"txtP5", u"was txtP13"},
                   {u"txtP9", u"HA-AUX2"},
                   {u"txtP50", u"Aux switch 2 x SPDT"},
                   {u"txtP54", u"Hartwell Actuation"},
                   {u"txtP58", u"Westport Building Products"}};
  // Terminals 4-9 are S1-S6; 13-18 are emptied.
  for (int n = 4; n <= 9; ++n)
    sheet.emplace_back(u"txtTerm" + IntegerText(n), u"S" + IntegerText(n - 3));
  for (int n = 13; n <= 18; ++n) sheet.emplace_back(u"txtTerm" + IntegerText(n), u"");
  return sheet;
}

TEST_F(AccessoryFieldsTest, WritesTheAccessorySheetAndLeavesTheRest) {
  Dialog d(u"ha-aux2");
  EXPECT_TRUE(pw2_.FillInElectricActuatorAccessoryFields(parts(), d.form(), u"ha-aux2"));
  // txtP9 shows the part number as the catalogue spells it; terminals 1-3, 10-12, 19, 20, the
  // amount and dimensions 1-4 keep their values.
  EXPECT_EQ(d.values(), d.expected(Aux2Sheet()));

  // A form without txtTerm13 to txtTerm18: the rest is written and the accessory still found.
  Dialog e(u"HA-AUX2",
           {u"txtTerm13", u"txtTerm14", u"txtTerm15", u"txtTerm16", u"txtTerm17", u"txtTerm18"});
  e[u"txtP50"]->fail_on(ControlMember::kDefaultSet, Error(380, u"Invalid property value."));
  EXPECT_TRUE(pw2_.FillInElectricActuatorAccessoryFields(parts(), e.form(), u"HA-AUX2"));
  Changes written;
  for (const auto& c : Aux2Sheet())
    if (c.first.substr(0, 8) != u"txtTerm1" && c.first != u"txtP50") written.push_back(c);
  EXPECT_EQ(e.values(), e.expected(written));
  // No row: nothing written.
  Dialog none(u"NO-SUCH-PART");
  EXPECT_FALSE(pw2_.FillInElectricActuatorAccessoryFields(parts(), none.form(), u"NO-SUCH-PART"));
  EXPECT_EQ(none.values(), none.expected({}));
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace kvpw::fill_testing
