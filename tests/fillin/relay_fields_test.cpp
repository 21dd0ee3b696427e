// Relay, EP, CS and transformer dialogs, and the attribute letters they decode.
#include "fillin/fill_testing.h"

namespace kvpw::fill_testing {
namespace {

using host::ControlMember;
using testing::ErrorNumberOf;

class RelayFieldsTest : public FillInTest {
 protected:
  void Relay(const Dialog& d, const Text& file) {
    pw2_.FillInRelayPartFields(file, d[u"cboPart"], d[u"txtMan"], d[u"txtVen"], d[u"txtDesc"],
                               d[u"txtPDF"], d[u"txtService"], d[u"txtMount"], d[u"txtCoil"],
                               d[u"txtContact"], d[u"txtTermAmt"], d[u"txtTerm20"], d[u"txtType"]);
  }
  void EP(const Dialog& d, const Text& file) {
    pw2_.FillInEPPartFields(file, d[u"cboPart"], d[u"txtMan"], d[u"txtVen"], d[u"txtDesc"],
                            d[u"txtPDF"], d[u"txtMount"], d[u"txtCoil"]);
  }
  Variant CS(const Dialog& d, const Text& file) {
    return pw2_.FillInCSPartFields(file, d.form(), d[u"txtService"], d[u"txtOutput"]);
  }
  void Trans(const Dialog& d, const Text& file) {
    pw2_.FillInTransPartFields(file, d[u"cboPart"], d[u"txtMan"], d[u"txtVen"], d[u"txtDesc"],
                               d[u"txtPDF"], d[u"txtTermAmt"], d[u"txtTerm10"]);
  }
};

// The seven controls a relay row fills, all empty in the test catalogue.
const Changes kRelayEmpty = {{u"txtMan", u""}, {u"txtVen", u""},     {u"txtDesc", u""},
                             {u"txtPDF", u""}, {u"txtTermAmt", u""}, {u"txtTerm20", u""},
                             {u"txtType", u""}};
const Changes kEPEmpty = {{u"txtMan", u""}, {u"txtVen", u""}, {u"txtDesc", u""}, {u"txtPDF", u""}};

// The four decoded controls of the relay dialog.
Values Attributes(const Values& all) {
  Values out;
  for (const auto& entry : all)
    for (const TextView name : {u"txtService", u"txtMount", u"txtCoil", u"txtContact"})
      if (entry.first == name) out.push_back(entry);
  return out;
}

Changes With(Changes base, const Changes& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

TEST_F(RelayFieldsTest, EveryLetterOfEveryPositionDecodesAsListed) {
  // nullptr: the table has no entry and the control keeps its value.
  const struct {
    size_t position;
    char16_t letter;
    const char16_t* text;
  } letters[] = {
      {3, u'B', u"General Purpose"},
      {3, u'C', u"Solid State"},
      {3, u'D', u"Encapsulated"},
      {3, u'E', u"Contactor"},
      {3, u'F', u"Pneumatic"},
      {3, u'G', u"Accessory"},
      {3, u'H', u"Electric-Pneumatic (EP)"},
      {3, u'I', u"Voltage Sensitive"},
      {3, u'J', u"Current Sensitive"},
      {3, u'K', u"Variable Freq. Drive"},
      {3, u'L', u"Pneumatic-Electric (PE)"},
      {3, u'M', u"Alternators"},
      {3, u'A', nullptr},
      {3, u'N', nullptr},
      {3, u'b', nullptr},
      {4, u'B', u"Plug-In"},
      {4, u'C', u"Surface Mounted"},
      {4, u'D', u"Snap Track Mounted"},
      {4, u'E', u"Starter Enclosure"},
      {4, u'F', nullptr},
      {4, u'c', nullptr},
      {5, u'B', u"24 VAC Coil"},
      {5, u'C', u"110 VAC Coil"},
      {5, u'D', u"220-240 VAC Coil"},
      {5, u'E', u"12 VDC Coil"},
      {5, u'F', u"24 VDC Coil"},
      {5, u'G', u"Multiple Coil Voltage"},
      {5, u'H', nullptr},
      {5, u'I', u"480 VAC Coil"},
      {5, u'J', u"575 VAC Coil"},
      {5, u'K', u"270-280 VAC Coil"},
      {5, u'L', nullptr},
      {5, u'k', nullptr},
      {6, u'B', u"Single Throw"},
      {6, u'C', u"Double Throw"},
      {6, u'D', u"Multiple Contacts"},
      {6, u'E', nullptr},
      {6, u'd', nullptr},
      {8, u'I', u"Normally Open"},
      {8, u'J', u"Normally Closed"},
      {8, u'A', nullptr},
      {8, u'K', nullptr},
      {8, u'i', nullptr},
  };
  // One part per letter; its code holds the letter at the position, after letters no table
  // lists. Part numbers compare without regard to case, so the letter is spelled by number.
  const auto part_of = [](size_t position, char16_t letter) {
    return u"P" + IntegerText(static_cast<long long>(position)) + u"-" + IntegerText(letter);
  };
  std::string rows;
  for (const auto& l : letters) {
    if (!rows.empty()) rows += ", ";
    rows += "('" + ToUtf8(part_of(l.position, l.letter)) + "', '" +
            std::string(l.position - 1, 'Z') + ToUtf8(Text(1, l.letter)) + "')";
  }
  BuildOwn(rows);

  const TextView relay_targets[] = {u"",         u"",        u"",          u"txtService",
                                    u"txtMount", u"txtCoil", u"txtContact"};
  for (const auto& l : letters) {
    const Text part = part_of(l.position, l.letter);
    SCOPED_TRACE(ToUtf8(part));
    Changes decoded;
    if (l.text && l.position <= 6) decoded.emplace_back(relay_targets[l.position], l.text);
    {
      Dialog d(part);
      Relay(d, own());
      EXPECT_EQ(d.values(), d.expected(With(kRelayEmpty, decoded)));
    }
    {
      Dialog d(part);
      EP(d, own());
      // Mounting and coil only.
      EXPECT_EQ(
          d.values(),
          d.expected(With(kEPEmpty, l.position == 4 || l.position == 5 ? decoded : Changes{})));
    }
    {
      Dialog d(part);
      EXPECT_EQ(CS(d, own()), Variant());
      Changes sheet;
      for (const Text& name : Dialog::SheetNames()) sheet.emplace_back(name, u"");
      const Text code = Text(l.position - 1, u'Z') + Text(1, l.letter);
      sheet.emplace_back(u"txtBitmap", code);
      if (l.text && l.position == 8) sheet.emplace_back(u"txtOutput", l.text);
      EXPECT_EQ(d.values(), d.expected(sheet));
    }
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(RelayFieldsTest, RelayRowsOfTheCatalogue) {
  BuildOwn("('XXBCGD-ROW', 'XXBCGD')");
  const struct {
    Text part;
    Text file;
    Changes changed;
  } cases[] = {
      {u"XXBCGD-ROW", own(),
       With(kRelayEmpty, {{u"txtService", u"General Purpose"},
                          {u"txtMount", u"Surface Mounted"},
                          {u"txtCoil", u"Multiple Coil Voltage"},
                          {u"txtContact", u"Multiple Contacts"}})},
      {u"O'B-2401C",
       parts(),
       {{u"txtMan", u"O'Brien Electric Co."},
        {u"txtVen", u"Factory Direct"},
        {u"txtDesc", u"Pilot relay on 4 in. box cover, SPDT 15 A, 24 VAC coil"},
        {u"txtPDF", u"Docs\\Relays\\OBE-2400.pdf"},
        {u"txtTermAmt", u"5"},
        {u"txtTerm20", u""},
        {u"txtType", u"Pilot relay"},
        {u"txtService", u"General Purpose"},
        {u"txtMount", u"Surface Mounted"},
        {u"txtCoil", u"24 VAC Coil"},
        {u"txtContact", u"Double Throw"}}},
      {u"BRP-1C-24A-H",
       parts(),
       {{u"txtMan", u"Brightline Relay Co."},
        {u"txtVen", u"Summit Controls Supply"},
        {u"txtDesc",
         u"Enclosed pilot relay, SPDT 10 A contacts, LED status with hand-off-auto "
         u"override, 24 VAC coil"},
        {u"txtPDF", u"Docs\\Relays\\BRP-Series.pdf"},
        {u"txtTermAmt", u"6"},
        {u"txtTerm20", u"HOA"},
        {u"txtType", u"Pilot relay"},
        {u"txtService", u"General Purpose"},
        {u"txtMount", u"Surface Mounted"},
        {u"txtCoil", u"24 VAC Coil"},
        {u"txtContact", u"Double Throw"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.part));
    Dialog d(c.part);
    Relay(d, c.file);
    EXPECT_EQ(d.values(), d.expected(c.changed));
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(RelayFieldsTest, CodesTheTablesCannotDecodeLeaveTheirControls) {
  // Only the attribute controls are compared here; the other seven are filled as usual.
  const struct {
    Text part;
    Changes decoded;
  } cases[] = {
      // H at position 5 (RABCHCA).
      {u"BRP-1C-12A",
       {{u"txtService", u"General Purpose"},
        {u"txtMount", u"Surface Mounted"},
        {u"txtContact", u"Double Throw"}}},
      // Three characters (RAB).
      {u"BRP-1C-XX", {{u"txtService", u"General Purpose"}}},
      // Lower-case b at position 3 (RAbBBCA).
      {u"BRI-08-24A-L",
       {{u"txtMount", u"Plug-In"}, {u"txtCoil", u"24 VAC Coil"}, {u"txtContact", u"Double Throw"}}},
      // Null and empty codes.
      {u"AVR-100L", {}},
      {u"BRA-LBL", {}},
      // Letters no table lists (RZZXHZZ).
      {u"BRX-9000", {}},
      {u"NO-SUCH-PART", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.part));
    Dialog d(c.part);
    Relay(d, parts());
    EXPECT_EQ(Attributes(d.values()), Attributes(d.expected(c.decoded)));
  }
  // No row: the seven emptied, the four kept, no message.
  Dialog d(u"NO-SUCH-PART");
  Relay(d, parts());
  EXPECT_EQ(d.values(), d.expected(kRelayEmpty));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(RelayFieldsTest, RelayFailuresReachTheCallerWithEarlierControlsWritten) {
  // The part number is the control's Text: a combo showing Null looks up the empty text.
  {
    Dialog d(u"");
    std::static_pointer_cast<host::MemoryComboBox>(d[u"cboPart"])->set_value(kNull);
    Relay(d, parts());
    EXPECT_EQ(d.values(), d.expected(With(kRelayEmpty, {{u"cboPart", u"<Null>"}})));
  }
  // The terminal amount refuses its text: maker to document are written, the rest untouched.
  {
    Dialog d(u"O'B-2401C");
    d[u"txtTermAmt"]->fail_on(ControlMember::kDefaultSet, Error(380, u"Invalid property value."));
    EXPECT_EQ(ErrorNumberOf([&] { Relay(d, parts()); }), 380);
    EXPECT_EQ(d.values(),
              d.expected({{u"txtMan", u"O'Brien Electric Co."},
                          {u"txtVen", u"Factory Direct"},
                          {u"txtDesc", u"Pilot relay on 4 in. box cover, SPDT 15 A, 24 VAC coil"},
                          {u"txtPDF", u"Docs\\Relays\\OBE-2400.pdf"}}));
  }
  // A missing coil control fails after service and mounting were decoded.
  {
    Dialog d(u"O'B-2401C");
    EXPECT_EQ(ErrorNumberOf([&] {
                pw2_.FillInRelayPartFields(parts(), d[u"cboPart"], d[u"txtMan"], d[u"txtVen"],
                                           d[u"txtDesc"], d[u"txtPDF"], d[u"txtService"],
                                           d[u"txtMount"], nullptr, d[u"txtContact"],
                                           d[u"txtTermAmt"], d[u"txtTerm20"], d[u"txtType"]);
              }),
              err::kObjectNotSet);
    EXPECT_EQ(ToText(d[u"txtMount"]->default_value()), u"Surface Mounted");
    EXPECT_EQ(ToText(d[u"txtContact"]->default_value()), Was(u"txtContact"));
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(RelayFieldsTest, EPAndTransLookUpTheValueWithABlankAppended) {
  {
    Dialog d(u"PNX-EPE-277A");
    EP(d, parts());
    EXPECT_EQ(sql().back(),
              u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap, SoccTermAmt, SoccTerm20, "
              u"SoccAsType FROM qrySoccParts Where MfgPartNumber = 'PNX-EPE-277A '");
    EXPECT_EQ(d.values(), d.expected({{u"txtMan", u"Pneutrex Inc."},
                                      {u"txtVen", u"Northgate HVAC Supply"},
                                      {u"txtDesc",
                                       u"3-way EP solenoid air valve in NEMA 4 enclosure with "
                                       u"gauge, 277 VAC coil"},
                                      {u"txtPDF", u"Docs\\Pneumatics\\PNX-EPE.pdf"},
                                      {u"txtMount", u"Starter Enclosure"},
                                      {u"txtCoil", u"270-280 VAC Coil"}}));
  }
  {
    Dialog d(u"MPT-100-MT");
    Trans(d, parts());
    EXPECT_EQ(sql().back(),
              u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap, SoccTermAmt, SoccTerm10 "
              u"FROM qrySoccParts Where MfgPartNumber = 'MPT-100-MT '");
    EXPECT_EQ(d.values(), d.expected({{u"txtMan", u"Meridian Power Products"},
                                      {u"txtVen", u"Lakeside Electrical Distributors"},
                                      {u"txtDesc",
                                       u"Class 2 control transformer, 100 VA, "
                                       u"120/208/240/277/480 VAC primary, 24 VAC secondary, foot "
                                       u"mount"},
                                      {u"txtPDF", u"Docs\\Transformers\\MPT-Series.pdf"},
                                      {u"txtTermAmt", u"9"},
                                      {u"txtTerm10", u"GND"}}));
  }
  // No row: the controls a row fills are emptied.
  {
    Dialog d(u"NO-SUCH-PART");
    Trans(d, parts());
    EXPECT_EQ(d.values(), d.emptied({u"txtMan", u"txtVen", u"txtDesc", u"txtPDF", u"txtTermAmt",
                                     u"txtTerm10"}));
    Dialog e(u"NO-SUCH-PART");
    EP(e, parts());
    EXPECT_EQ(e.values(), e.expected(kEPEmpty));
  }
  // A part-number control holding Null fails before anything is queried.
  for (const bool trans : {false, true}) {
    Dialog d(u"");
    std::static_pointer_cast<host::MemoryComboBox>(d[u"cboPart"])->set_value(kNull);
    test_.sql->clear();
    EXPECT_EQ(ErrorNumberOf([&] { trans ? Trans(d, parts()) : EP(d, parts()); }),
              err::kInvalidUseOfNull);
    EXPECT_TRUE(sql().empty());
    EXPECT_EQ(d.values(), d.expected({{u"cboPart", u"<Null>"}}));
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(RelayFieldsTest, CSFillsThePartSheetAndDecodesTheOutput) {
  const struct {
    Text part;
    const char16_t* output;
  } cases[] = {
      {u"CSG-SA150-NO", u"Normally Open"},
      {u"CSG-SA150-NC", u"Normally Closed"},
      {u"CSG-SS150-SSR", nullptr},  // K
      {u"CSG-SP-MINI", nullptr},    // seven characters
      {u"CSG-TM050", nullptr},      // A
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.part));
    Dialog d(c.part);
    EXPECT_EQ(CS(d, parts()), Variant());
    // The sheet is that of the part sheet operation on the same part.
    Dialog sheet(c.part);
    const Text code = pw2_.FillInPw2PartFields(parts(), sheet.form(), c.part);
    Values expected = sheet.values();
    for (auto& e : expected)
      if (e.first == u"txtOutput" && c.output) e.second = c.output;
    EXPECT_EQ(d.values(), expected);
    EXPECT_NE(ToText(d[u"txtP46"]->default_value()), Was(u"txtP46"));
    EXPECT_FALSE(code.empty());
  }
  // No row: the sheet is emptied and the output kept.
  {
    Dialog d(u"NO-SUCH-PART");
    CS(d, parts());
    Changes sheet;
    for (const Text& name : Dialog::SheetNames()) sheet.emplace_back(name, u"");
    EXPECT_EQ(d.values(), d.expected(sheet));
  }
  // A form without txtP12 fails before anything is queried.
  {
    Dialog d(u"CSG-SA150-NO", {u"txtP12"});
    test_.sql->clear();
    EXPECT_EQ(ErrorNumberOf([&] { CS(d, parts()); }), err::kMemberNotSupported);
    EXPECT_TRUE(sql().empty());
    EXPECT_EQ(d.values(), d.expected({}));
  }
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace kvpw::fill_testing
