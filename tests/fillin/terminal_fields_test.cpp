// Terminal labels of a form, and maker, vendor, description and document into passed controls.
#include "fillin/fill_testing.h"

namespace kvpw::fill_testing {
namespace {

using host::ControlMember;
using testing::ErrorNumberOf;

constexpr const char16_t* kObrienMan = u"O'Brien Electric Co.";
constexpr const char16_t* kObrienVen = u"Factory Direct";
constexpr const char16_t* kObrienDesc = u"Pilot relay on 4 in. box cover, SPDT 15 A, 24 VAC coil";
constexpr const char16_t* kObrienPdf = u"Docs\\Relays\\OBE-2400.pdf";

using TermFieldsTest = FillInTest;

// txtTerm1 onwards holding `labels`, then empty through txtTerm`through`.
Changes Terms(std::initializer_list<const char16_t*> labels, int through = 0) {
  Changes out;
  for (const char16_t* label : labels)
    out.emplace_back(u"txtTerm" + IntegerText(out.size() + 1), label);
  while (static_cast<int>(out.size()) < through)
    out.emplace_back(u"txtTerm" + IntegerText(out.size() + 1), u"");
  return out;
}

Changes With(Changes base, const Changes& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

const auto kObrienTerms = {u"A1", u"A2", u"11", u"12", u"14"};

TEST_F(TermFieldsTest, WritesTheCountedTerminalsAndTheAmount) {
  const struct {
    const char* label;
    Text part;
    int16_t count;
    std::optional<bool> amount;
    Changes changed;
  } cases[] = {
      // Terminal 2 of the 4-20 mA transducers is Null.
      {"null label", u"CSG-TM050", 3, true,
       With(Terms({u"+", u"", u"-"}), {{u"txtTermAmt", u"2"}})},
      {"amount omitted", u"O'B-2401C", 5, std::nullopt, Terms(kObrienTerms)},
      {"amount False", u"O'B-2401C", 1, false, Terms({u"A1"})},
      {"no terminals", u"O'B-2401C", 0, true, {{u"txtTermAmt", u"5"}}},
      {"negative count", u"O'B-2401C", -4, true, {{u"txtTermAmt", u"5"}}},
      // Every label of a hand-off-auto relay, the twentieth included.
      {"count 20", u"BRP-1C-24A-H", 20, false,
       With(Terms(kObrienTerms, 19), {{u"txtTerm20", u"HOA"}})},
      {"no row", u"NO-SUCH-PART", 2, true, With(Terms({}, 2), {{u"txtTermAmt", u""}})},
      {"no row, no amount", u"NO-SUCH-PART", 1, std::nullopt, Terms({}, 1)},
      {"no row, no terminals", u"NO-SUCH-PART", 0, false, {}},
      // The engine ignores letter case and trailing blanks.
      {"case and blanks", u"o'b-2401c  ", 2, false, Terms({u"A1", u"A2"})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Dialog d(c.part);
    pw2_.FillInTermFields(parts(), d.form(), c.count, c.amount);
    EXPECT_EQ(d.values(), d.expected(c.changed));
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(TermFieldsTest, FailuresReachTheCallerAfterTheStepsBeforeThem) {
  // A form without txtP12 (nothing is queried), then one whose txtP12 holds Null.
  for (const bool null_part : {false, true}) {
    Dialog d(u"O'B-2401C", {u"txtP12"});
    if (null_part) d.form()->add<host::MemoryComboBox>(u"txtP12")->set_value(kNull);
    EXPECT_EQ(ErrorNumberOf([&] { pw2_.FillInTermFields(parts(), d.form(), 2, true); }),
              null_part ? err::kInvalidUseOfNull : err::kMemberNotSupported);
    EXPECT_TRUE(sql().empty());
    if (!null_part) {
      EXPECT_EQ(d.values(), d.expected({}));
    }
  }
  // A terminal beyond the last column: the twenty before it are written.
  {
    Dialog d(u"O'B-2401C");
    EXPECT_EQ(ErrorNumberOf([&] { pw2_.FillInTermFields(parts(), d.form(), 21, true); }),
              err::kItemNotFound);
    EXPECT_EQ(d.values(), d.expected(Terms(kObrienTerms, 20)));
  }
  // A control that Controls does not know, with and without a row.
  for (const Text part : {u"O'B-2401C", u"NO-SUCH-PART"}) {
    Dialog d(part, {u"txtTerm2"});
    EXPECT_EQ(ErrorNumberOf([&] { pw2_.FillInTermFields(parts(), d.form(), 3, true); }),
              host::control_error::kObjectNotFound);
    EXPECT_EQ(d.values(), d.expected({{u"txtTerm1", part == u"NO-SUCH-PART" ? u"" : u"A1"}}));
  }
  EXPECT_TRUE(boxes().empty());
}

using AccFieldsTest = FillInTest;

TEST_F(AccFieldsTest, FillsFourControlsAndTheDocumentOnlyWhenItShowsSomething) {
  const Changes found = {
      {u"txtMan", kObrienMan}, {u"txtVen", kObrienVen}, {u"txtDesc", kObrienDesc}};
  const Changes emptied = {{u"txtMan", u""}, {u"txtVen", u""}, {u"txtDesc", u""}};
  const Variant was_pdf(Was(u"txtPDF"));
  const struct {
    const char* label;
    Text part;
    bool pass_pdf;
    Variant pdf_before;
    Changes changed;
    Variant pdf_after;
  } cases[] = {
      {"found", u"O'B-2401C", true, was_pdf, found, Variant(kObrienPdf)},
      {"no document control", u"O'B-2401C", false, was_pdf, found, was_pdf},
      {"document showing Null", u"O'B-2401C", true, kNull, found, kNull},
      // No description and no document.
      {"Null columns",
       u"BRA-HC1",
       true,
       was_pdf,
       {{u"txtMan", u"Brightline Relay Co."},
        {u"txtVen", u"Summit Controls Supply"},
        {u"txtDesc", u""}},
       Variant(u"")},
      {"no row", u"NO-SUCH-PART", true, was_pdf, emptied, Variant(u"")},
      {"no row, no document control", u"NO-SUCH-PART", false, was_pdf, emptied, was_pdf},
      {"no row, document showing Null", u"NO-SUCH-PART", true, kNull, emptied, kNull},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Dialog d(c.part);
    // The document control is a combo box here, so that it can show Null.
    auto pdf = std::make_shared<host::MemoryComboBox>(u"cboPDF");
    pdf->set_value(c.pdf_before);
    if (c.pass_pdf) {
      pw2_.FillInAccFields(parts(), d[u"cboPart"], d[u"txtMan"], d[u"txtVen"], d[u"txtDesc"], pdf);
    } else {
      pw2_.FillInAccFields(parts(), d[u"cboPart"], d[u"txtMan"], d[u"txtVen"], d[u"txtDesc"]);
    }
    EXPECT_EQ(d.values(), d.expected(c.changed));
    EXPECT_EQ(pdf->value(), c.pdf_after);
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(AccFieldsTest, ReadsThePartNumberFromTheTextAndStopsAtAFailingControl) {
  // A combo showing nothing looks up the empty part number and finds nothing.
  {
    Dialog d(u"");
    std::static_pointer_cast<host::MemoryComboBox>(d[u"cboPart"])->set_value(kNull);
    pw2_.FillInAccFields(parts(), d[u"cboPart"], d[u"txtMan"], d[u"txtVen"], d[u"txtDesc"],
                         d[u"txtPDF"]);
    EXPECT_EQ(sql().back(),
              u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap FROM qrySoccParts Where "
              u"MfgPartNumber = ''");
    EXPECT_EQ(d.values(),
              d.emptied({u"txtMan", u"txtVen", u"txtDesc", u"txtPDF"}, {{u"cboPart", u"<Null>"}}));
  }
  // The vendor control refuses: the maker stays written, the rest untouched.
  {
    Dialog d(u"O'B-2401C");
    d[u"txtVen"]->fail_on(ControlMember::kDefaultSet, Error(380, u"Invalid property value."));
    EXPECT_EQ(ErrorNumberOf([&] {
                pw2_.FillInAccFields(parts(), d[u"cboPart"], d[u"txtMan"], d[u"txtVen"],
                                     d[u"txtDesc"], d[u"txtPDF"]);
              }),
              380);
    EXPECT_EQ(d.values(), d.expected({{u"txtMan", kObrienMan}}));
  }
  EXPECT_TRUE(boxes().empty());
}

using CDFieldsTest = FillInTest;

TEST_F(CDFieldsTest, FillsOrEmptiesMakerVendorDescriptionAndDocument) {
  for (const Text part : {u"O'B-2401C", u"NO-SUCH-PART"}) {
    SCOPED_TRACE(ToUtf8(part));
    const bool found = part == u"O'B-2401C";
    const Changes row = {{u"txtMan", found ? kObrienMan : u""},
                         {u"txtVen", found ? kObrienVen : u""},
                         {u"txtDesc", found ? kObrienDesc : u""},
                         {u"txtPDF", found ? kObrienPdf : u""}};
    Dialog d(u"unused");
    pw2_.FillInCDFields(parts(), part, d[u"txtDesc"], d[u"txtPDF"], d[u"txtMan"], d[u"txtVen"]);
    EXPECT_EQ(d.values(), d.expected(row));
    // A missing description control stops it after the maker and vendor.
    Dialog e(u"unused");
    EXPECT_EQ(ErrorNumberOf([&] {
                pw2_.FillInCDFields(parts(), part, nullptr, e[u"txtPDF"], e[u"txtMan"],
                                    e[u"txtVen"]);
              }),
              err::kObjectNotSet);
    EXPECT_EQ(e.values(), e.expected(Changes(row.begin(), row.begin() + 2)));
  }
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace kvpw::fill_testing
