// The part-row lookup as every fill-in runs it: the query text, and a database that cannot be
// opened.
#include <functional>

#include "fillin/fill_testing.h"

namespace kvpw::fill_testing {
namespace {

using Fill = std::function<Variant(Pw2&, const Text& file, const Dialog& d)>;

struct Operation {
  const char* name;
  Fill fill;
  // Sent for the part number O'B-2401C.
  std::vector<Text> queries;
  // The result after a failed query.
  Variant failed;
};

std::shared_ptr<host::Control> C(const Dialog& d, TextView name) {
  return d[name];
}

const Text kAll = u"SELECT * FROM qrySoccParts Where MfgPartNumber = 'O''B-2401C'";
const Text kRelay =
    u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap, SoccTermAmt, SoccTerm20, "
    u"SoccAsType FROM qrySoccParts Where MfgPartNumber = ";

std::vector<Operation> Operations() {
  const Text pn = u"O'B-2401C";
  return {
      {"FillInTermFields",
       [](Pw2& p, const Text& f, const Dialog& d) {
         p.FillInTermFields(f, d.form(), 3, true);
         return Variant();
       },
       {kAll},
       Variant()},
      {"FillInAccFields",
       [](Pw2& p, const Text& f, const Dialog& d) {
         p.FillInAccFields(f, C(d, u"cboPart"), C(d, u"txtMan"), C(d, u"txtVen"), C(d, u"txtDesc"),
                           C(d, u"txtPDF"));
         return Variant();
       },
       {u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap FROM qrySoccParts Where "
        u"MfgPartNumber = 'O''B-2401C'"},
       Variant()},
      {"FillInCDFields",
       [pn](Pw2& p, const Text& f, const Dialog& d) {
         p.FillInCDFields(f, pn, C(d, u"txtDesc"), C(d, u"txtPDF"), C(d, u"txtMan"),
                          C(d, u"txtVen"));
         return Variant();
       },
       {kAll},
       Variant()},
      {"FillInRelayPartFields",
       [](Pw2& p, const Text& f, const Dialog& d) {
         p.FillInRelayPartFields(f, C(d, u"cboPart"), C(d, u"txtMan"), C(d, u"txtVen"),
                                 C(d, u"txtDesc"), C(d, u"txtPDF"), C(d, u"txtService"),
                                 C(d, u"txtMount"), C(d, u"txtCoil"), C(d, u"txtContact"),
                                 C(d, u"txtTermAmt"), C(d, u"txtTerm20"), C(d, u"txtType"));
         return Variant();
       },
       {kRelay + u"'O''B-2401C'"},
       Variant()},
      // The blank goes inside the quotes.
      {"FillInEPPartFields",
       [](Pw2& p, const Text& f, const Dialog& d) {
         p.FillInEPPartFields(f, C(d, u"cboPart"), C(d, u"txtMan"), C(d, u"txtVen"),
                              C(d, u"txtDesc"), C(d, u"txtPDF"), C(d, u"txtMount"),
                              C(d, u"txtCoil"));
         return Variant();
       },
       {kRelay + u"'O''B-2401C '"},
       Variant()},
      {"FillInCSPartFields",
       [](Pw2& p, const Text& f, const Dialog& d) {
         return p.FillInCSPartFields(f, d.form(), C(d, u"txtService"), C(d, u"txtOutput"));
       },
       {kAll},
       Variant()},
      {"FillInTransPartFields",
       [](Pw2& p, const Text& f, const Dialog& d) {
         p.FillInTransPartFields(f, C(d, u"cboPart"), C(d, u"txtMan"), C(d, u"txtVen"),
                                 C(d, u"txtDesc"), C(d, u"txtPDF"), C(d, u"txtTermAmt"),
                                 C(d, u"txtTerm10"));
         return Variant();
       },
       {u"SELECT MfgName, VendorName, Description, PDF, SoccBitmap, SoccTermAmt, SoccTerm10 FROM "
        u"qrySoccParts Where MfgPartNumber = 'O''B-2401C '"},
       Variant()},
      // Part sheet, dimensions, then its own lookup: each opens the database on its own.
      {"FillInElectricActuatorFields",
       [pn](Pw2& p, const Text& f, const Dialog& d) {
         return Variant(p.FillInElectricActuatorFields(f, d.form(), pn, C(d, u"txtRange")));
       },
       {kAll, kAll, kAll},
       Variant(u"")},
      {"FillInElectricActuatorAccessoryFields",
       [pn](Pw2& p, const Text& f, const Dialog& d) {
         return Variant(p.FillInElectricActuatorAccessoryFields(f, d.form(), pn));
       },
       {kAll},
       Variant(false)},
      {"FillInDimFields",
       [pn](Pw2& p, const Text& f, const Dialog& d) {
         p.FillInDimFields(f, d.form(), pn);
         return Variant();
       },
       {kAll},
       Variant()},
      {"FillInPw2PartFields",
       [pn](Pw2& p, const Text& f, const Dialog& d) {
         return Variant(p.FillInPw2PartFields(f, d.form(), pn));
       },
       {kAll},
       Variant(u"")},
      {"FillInSxPartFields",
       [pn](Pw2& p, const Text& f, const Dialog& d) {
         return Variant(p.FillInSxPartFields(f, d.form(), pn));
       },
       {kAll},
       Variant(u"")},
  };
}

using LookupTest = FillInTest;

TEST_F(LookupTest, EveryFillInQuotesThePartNumberAndFindsThePart) {
  for (const Operation& op : Operations()) {
    SCOPED_TRACE(op.name);
    test_.sql->clear();
    Dialog d(u"O'B-2401C");
    op.fill(pw2_, parts(), d);
    EXPECT_EQ(sql(), op.queries);
    EXPECT_NE(d.values(), d.expected({})) << "the part was found and shown";
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(LookupTest, ADatabaseThatCannotBeOpenedShowsThePlainBoxAndChangesNothing) {
  for (const Operation& op : Operations()) {
    SCOPED_TRACE(op.name);
    test_.boxes->clear();
    Dialog d(u"O'B-2401C");
    EXPECT_EQ(op.fill(pw2_, missing(), d), op.failed);
    // The actuator dialog's three lookups each report it.
    ExpectUnableToOpenBoxes(op.queries.size());
    EXPECT_EQ(d.values(), d.expected({}));
  }
}

TEST_F(LookupTest, AQueryFailureNamesTheEnginesReason) {
  // A parts database without the stored query.
  testing::BuildDatabase(dir_.path() / "empty.mdb", "CREATE TABLE Other(x TEXT);");
  const Text file = dir_.file("empty.mdb");
  Dialog d(u"BRP-1C-24A");
  pw2_.FillInCDFields(file, u"BRP-1C-24A", d[u"txtDesc"], d[u"txtPDF"], d[u"txtMan"], d[u"txtVen"]);
  ASSERT_EQ(boxes().size(), 1u);
  const Text start = u"Unable to query '" + file + u"': Error executing query: ";
  EXPECT_EQ(boxes()[0].text.substr(0, start.size()), start) << ToUtf8(boxes()[0].text);
  EXPECT_NE(boxes()[0].text.find(u"qrySoccParts"), Text::npos) << ToUtf8(boxes()[0].text);
  EXPECT_EQ(d.values(), d.expected({}));
}

}  // namespace
}  // namespace kvpw::fill_testing
