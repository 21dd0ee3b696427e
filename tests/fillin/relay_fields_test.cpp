// Relay, EP, CS and transformer dialogs, and the attribute letters they decode.
#include <array>

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

// A relay row as the dialog shows it: the seven columns, then the four decoded letters.
Changes RelayRow(const std::array<const char16_t*, 11>& values) {
  static constexpr const char16_t* kNames[] = {
      u"txtMan",  u"txtVen",     u"txtDesc",  u"txtPDF",  u"txtTermAmt", u"txtTerm20",
      u"txtType", u"txtService", u"txtMount", u"txtCoil", u"txtContact"};
  Changes out;
  for (size_t i = 0; i < values.size(); ++i) out.emplace_back(kNames[i], values[i]);
  return out;
}

const Changes kObrienRelay = RelayRow(
    {u"O'Brien Electric Co.", u"Factory Direct",
     u"Pilot relay on 4 in. box cover, SPDT 15 A, 24 VAC coil", u"Docs\\Relays\\OBE-2400.pdf", u"5",
     u"", u"Pilot relay", u"General Purpose", u"Surface Mounted", u"24 VAC Coil", u"Double Throw"});

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

Changes EmptySheet() {
  Changes sheet;
  for (const Text& name : Dialog::SheetNames()) sheet.emplace_back(name, u"");
  return sheet;
}

TEST_F(RelayFieldsTest, EveryLetterOfEveryPositionDecodesAsListed) {
  // Per position: the letters its table lists, in order with their texts, and letters it does not
  // list, which leave the control as it was.
  const struct {
    size_t position;
    std::u16string_view listed, unlisted;
    std::vector<const char16_t*> texts;
  } tables[] = {
      {3,
       u"BCDEFGHIJKLM",
       u"ANb",
       {u"General Purpose", u"Solid State", u"Encapsulated", u"Contactor", u"Pneumatic",
        u"Accessory", u"Electric-Pneumatic (EP)", u"Voltage Sensitive", u"Current Sensitive",
        u"Variable Freq. Drive", u"Pneumatic-Electric (PE)", u"Alternators"}},
      {4,
       u"BCDE",
       u"Fc",
       {u"Plug-In", u"Surface Mounted", u"Snap Track Mounted", u"Starter Enclosure"}},
      {5,
       u"BCDEFGIJK",
       u"HLk",
       {u"24 VAC Coil", u"110 VAC Coil", u"220-240 VAC Coil", u"12 VDC Coil", u"24 VDC Coil",
        u"Multiple Coil Voltage", u"480 VAC Coil", u"575 VAC Coil", u"270-280 VAC Coil"}},
      {6, u"BCD", u"Ed", {u"Single Throw", u"Double Throw", u"Multiple Contacts"}},
      {8, u"IJ", u"AKi", {u"Normally Open", u"Normally Closed"}},
  };
  struct Letter {
    size_t position;
    char16_t letter;
    const char16_t* text;
  };
  std::vector<Letter> letters;
  for (const auto& t : tables) {
    ASSERT_EQ(t.listed.size(), t.texts.size());
    for (size_t i = 0; i < t.listed.size(); ++i)
      letters.push_back({t.position, t.listed[i], t.texts[i]});
    for (const char16_t letter : t.unlisted) letters.push_back({t.position, letter, nullptr});
  }
  // One part per letter; its code holds the letter at the position, after letters no table
  // lists. Part numbers compare without regard to case, so the letter is spelled by number.
  const auto part_of = [](const Letter& l) {
    return u"P" + IntegerText(static_cast<long long>(l.position)) + u"-" + IntegerText(l.letter);
  };
  const auto code_of = [](const Letter& l) { return Text(l.position - 1, u'Z') + l.letter; };
  std::string rows;
  for (const auto& l : letters)
    rows +=
        (rows.empty() ? "('" : ", ('") + ToUtf8(part_of(l)) + "', '" + ToUtf8(code_of(l)) + "')";
  BuildOwn(rows);

  const TextView relay_targets[] = {u"",         u"",        u"",          u"txtService",
                                    u"txtMount", u"txtCoil", u"txtContact"};
  for (const auto& l : letters) {
    SCOPED_TRACE(ToUtf8(part_of(l)));
    Changes decoded;
    if (l.text && l.position <= 6) decoded.emplace_back(relay_targets[l.position], l.text);
    Dialog relay(part_of(l)), ep(part_of(l)), cs(part_of(l));
    Relay(relay, own());
    EXPECT_EQ(relay.values(), relay.expected(With(kRelayEmpty, decoded)));
    EP(ep, own());  // mounting and coil only
    EXPECT_EQ(
        ep.values(),
        ep.expected(With(kEPEmpty, l.position == 4 || l.position == 5 ? decoded : Changes{})));
    EXPECT_EQ(CS(cs, own()), Variant());
    Changes sheet = With(EmptySheet(), {{u"txtBitmap", code_of(l)}});
    if (l.text && l.position == 8) sheet.emplace_back(u"txtOutput", l.text);
    EXPECT_EQ(cs.values(), cs.expected(sheet));
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
      {u"O'B-2401C", parts(), kObrienRelay},
      {u"BRP-1C-24A-H", parts(),
       RelayRow({u"Brightline Relay Co.", u"Summit Controls Supply",
                 u"Enclosed pilot relay, SPDT 10 A contacts, LED status with hand-off-auto "
                 u"override, 24 VAC coil",
                 u"Docs\\Relays\\BRP-Series.pdf", u"6", u"HOA", u"Pilot relay", u"General Purpose",
                 u"Surface Mounted", u"24 VAC Coil", u"Double Throw"})},
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
      // Null and empty codes; letters no table lists (RZZXHZZ); no row.
      {u"AVR-100L", {}},
      {u"BRA-LBL", {}},
      {u"BRX-9000", {}},
      {u"NO-SUCH-PART", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.part));
    Dialog d(c.part);
    Relay(d, parts());
    EXPECT_EQ(Attributes(d.values()), Attributes(d.expected(c.decoded)));
    // No row: the seven emptied, the four kept.
    if (c.part == u"NO-SUCH-PART") {
      EXPECT_EQ(d.values(), d.expected(kRelayEmpty));
    }
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(RelayFieldsTest, RelayFailuresReachTheCallerWithEarlierControlsWritten) {
  // The part number is the control's Text: a combo showing Null looks up the empty text.
  Dialog null_part(u"");
  std::static_pointer_cast<host::MemoryComboBox>(null_part[u"cboPart"])->set_value(kNull);
  Relay(null_part, parts());
  EXPECT_EQ(null_part.values(), null_part.expected(With(kRelayEmpty, {{u"cboPart", u"<Null>"}})));

  // The terminal amount refuses its text: maker to document are written, the rest untouched.
  Dialog refused(u"O'B-2401C");
  refused[u"txtTermAmt"]->fail_on(ControlMember::kDefaultSet,
                                  Error(380, u"Invalid property value."));
  EXPECT_EQ(ErrorNumberOf([&] { Relay(refused, parts()); }), 380);
  EXPECT_EQ(refused.values(),
            refused.expected(Changes(kObrienRelay.begin(), kObrienRelay.begin() + 4)));

  // A missing coil control fails after service and mounting were decoded.
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
  EXPECT_TRUE(boxes().empty());
}

TEST_F(RelayFieldsTest, EPAndTransLookUpTheValueWithABlankAppended) {
  const struct {
    bool trans;
    Text part, sql;
    Changes changed;
  } cases[] = {
      {false,
       u"PNX-EPE-277A",
       u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap, SoccTermAmt, SoccTerm20, "
       u"SoccAsType FROM qrySoccParts Where MfgPartNumber = 'PNX-EPE-277A '",
       {{u"txtMan", u"Pneutrex Inc."},
        {u"txtVen", u"Northgate HVAC Supply"},
        {u"txtDesc", u"3-way EP solenoid air valve in NEMA 4 enclosure with gauge, 277 VAC coil"},
        {u"txtPDF", u"Docs\\Pneumatics\\PNX-EPE.pdf"},
        {u"txtMount", u"Starter Enclosure"},
        {u"txtCoil", u"270-280 VAC Coil"}}},
      {true,
       u"MPT-100-MT",
       u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap, SoccTermAmt, SoccTerm10 "
       u"FROM qrySoccParts Where MfgPartNumber = 'MPT-100-MT '",
       {{u"txtMan", u"Meridian Power Products"},
        {u"txtVen", u"Lakeside Electrical Distributors"},
        {u"txtDesc",
         u"Class 2 control transformer, 100 VA, 120/208/240/277/480 VAC primary, 24 VAC "
         u"secondary, foot mount"},
        {u"txtPDF", u"Docs\\Transformers\\MPT-Series.pdf"},
        {u"txtTermAmt", u"9"},
        {u"txtTerm10", u"GND"}}},
      // No row: the controls a row fills are emptied.
      {false, u"NO-SUCH-PART", u"", kEPEmpty},
      {true,
       u"NO-SUCH-PART",
       u"",
       {{u"txtMan", u""},
        {u"txtVen", u""},
        {u"txtDesc", u""},
        {u"txtPDF", u""},
        {u"txtTermAmt", u""},
        {u"txtTerm10", u""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.part));
    Dialog d(c.part);
    c.trans ? Trans(d, parts()) : EP(d, parts());
    if (!c.sql.empty()) {
      EXPECT_EQ(sql().back(), c.sql);
    }
    EXPECT_EQ(d.values(), d.expected(c.changed));
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
  Dialog none(u"NO-SUCH-PART");
  CS(none, parts());
  EXPECT_EQ(none.values(), none.expected(EmptySheet()));
  // A form without txtP12 fails before anything is queried.
  Dialog d(u"CSG-SA150-NO", {u"txtP12"});
  test_.sql->clear();
  EXPECT_EQ(ErrorNumberOf([&] { CS(d, parts()); }), err::kMemberNotSupported);
  EXPECT_TRUE(sql().empty());
  EXPECT_EQ(d.values(), d.expected({}));
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace kvpw::fill_testing
