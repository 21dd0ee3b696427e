#include "report/findings_report.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <vector>

namespace kvpw::report {
namespace {

using validation::Check;
using validation::Finding;

std::vector<Finding> SomeFindings() {
  Finding conflict(Check::kDuplicateAddresses, {u"Floor 2", u"C1", 4, u"GCM-2"});
  conflict.part_type = u"GCM";
  conflict.address = u"";  // two blank addresses conflict too
  conflict.other = validation::ShapeRef{u"Floor 1", u"C9", 1, u"GCM-1"};
  conflict.message = u"GCM-1 [GCM: On d:Floor 1]\n\rconflicts with \n\rGCM-2 [GCM: On d:Floor 2]";
  Finding point(Check::kInvalidPointTypes, {u"Floor 1", u"P<1>", 7, u"SAT & co"});
  point.controller = u"GCM-1";
  point.point = u"DI7";
  point.io_type = 2;
  point.message = u"Shape SAT & co is connected to an invalid point.";
  return {conflict, point};
}

constexpr Check kAll[] = {Check::kDuplicateAddresses, Check::kInvalidPointTypes,
                          Check::kPointConnections};

TEST(FindingJsonTest, CarriesTheFieldsOfItsCheckOnly) {
  const auto findings = SomeFindings();
  const auto conflict = FindingJson(findings[0]);
  EXPECT_EQ(conflict["check"], "duplicate-addresses");
  EXPECT_EQ(conflict["address"], "");
  EXPECT_EQ(conflict["other"]["shape"], "C9");
  EXPECT_EQ(conflict["other"]["shapeId"], 1);
  EXPECT_FALSE(conflict.contains("point"));
  const auto point = FindingJson(findings[1]);
  EXPECT_EQ(point["ioType"], 2);
  EXPECT_EQ(point["device"], "SAT & co");
  EXPECT_FALSE(point.contains("other"));
  EXPECT_FALSE(point.contains("address"));
}

TEST(JUnitReportTest, ACaseEachCheckPassingWhenCleanAndAFailingCaseEachFinding) {
  const auto findings = SomeFindings();
  const std::string xml = JUnitReport({"my plant.vsdx", kAll, findings});
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(xml.c_str())) << xml;
  const pugi::xml_node suite = doc.child("testsuites").child("testsuite");
  EXPECT_STREQ(suite.attribute("name").value(), "my plant.vsdx");
  EXPECT_EQ(suite.attribute("tests").as_int(), 5);         // 3 checks + 2 findings
  EXPECT_EQ(suite.attribute("failures").as_int(), 4);      // the clean check passes
  std::vector<std::pair<std::string, std::string>> cases;  // classname, failure message
  for (const pugi::xml_node test : suite.children("testcase"))
    cases.emplace_back(test.attribute("classname").value(),
                       test.child("failure").attribute("message").value());
  const std::vector<std::pair<std::string, std::string>> expected{
      {"kvpw.duplicate-addresses", "1 finding(s)"},
      {"kvpw.duplicate-addresses", ToUtf8(findings[0].message)},
      {"kvpw.invalid-point-types", "1 finding(s)"},
      {"kvpw.invalid-point-types", ToUtf8(findings[1].message)},
      {"kvpw.point-connections", ""},
  };
  EXPECT_EQ(cases, expected);
}

TEST(JUnitReportTest, OnlyTheChecksThatRanAppear) {
  const auto findings = SomeFindings();
  const Check only[] = {Check::kPointConnections};
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(JUnitReport({"d.vsdx", only, {}}).c_str()));
  const pugi::xml_node suite = doc.child("testsuites").child("testsuite");
  EXPECT_EQ(suite.attribute("tests").as_int(), 1);
  EXPECT_EQ(suite.attribute("failures").as_int(), 0);
}

TEST(SarifLogTest, ResultsNameTheirRuleAndLocateTheShapeInTheDrawing) {
  const auto findings = SomeFindings();
  const auto log = SarifLog({"dir/my plant#1.vsdx", kAll, findings});
  const auto& run = log["runs"][0];
  const auto& rules = run["tool"]["driver"]["rules"];
  ASSERT_EQ(run["results"].size(), 2u);
  for (const auto& result : run["results"]) {
    EXPECT_EQ(rules[result["ruleIndex"].get<int>()]["id"], result["ruleId"]);
    const auto& where = result["locations"][0];
    EXPECT_EQ(where["physicalLocation"]["artifactLocation"]["uri"], "dir/my%20plant%231.vsdx");
    EXPECT_EQ(where["physicalLocation"]["artifactLocation"]["index"], 0);
  }
  const auto& conflict = run["results"][0];
  EXPECT_EQ(conflict["message"]["text"], ToUtf8(findings[0].message));
  EXPECT_EQ(conflict["locations"][0]["logicalLocations"][0]["fullyQualifiedName"], "Floor 2/C1");
  EXPECT_EQ(conflict["relatedLocations"][0]["logicalLocations"][0]["fullyQualifiedName"],
            "Floor 1/C9");
  EXPECT_FALSE(run["results"][1].contains("relatedLocations"));
}

}  // namespace
}  // namespace kvpw::report
