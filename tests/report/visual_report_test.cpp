#include "report/visual_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "testing/drawings.h"

namespace kvpw::report {
namespace {

using validation::Check;
using validation::Finding;
using Outline = std::vector<std::pair<double, double>>;

class LayoutTest : public ::testing::TestWithParam<testing::Adapter> {};
INSTANTIATE_TEST_SUITE_P(, LayoutTest, testing::kBothAdapters, testing::AdapterTestName);

// A shape's four corners in page coordinates follow from its pin, size, local pin and angle; a
// connector's ends from BeginX..EndY; its size may come from the master.
TEST_P(LayoutTest, ShapesArePlacedFromTheirCellsOrTheirMasters) {
  struct Case {
    const char16_t* name;
    double pin_x, pin_y, width, height, loc_x, loc_y, angle;
    Outline corners;
  };
  const Case cases[] = {
      {u"Plain", 2, 3, 2, 1, 1, 0.5, 0, {{1, 2.5}, {3, 2.5}, {3, 3.5}, {1, 3.5}}},
      {u"Turned",
       5,
       5,
       2,
       1,
       1,
       0.5,
       std::numbers::pi / 2,
       {{5.5, 4}, {5.5, 6}, {4.5, 6}, {4.5, 4}}},
      {u"PinnedAtACorner", 1, 1, 1, 1, 0, 0, 0, {{1, 1}, {2, 1}, {2, 2}, {1, 2}}},
  };
  testing::TestDrawing drawing;
  drawing.master(u"Controller")
      .prop(u"P99", 1)
      .prop(u"P11", u"")
      .cell(u"Width", 3)
      .cell(u"Height", 2)
      .cell(u"LocPinX", 1.5)
      .cell(u"LocPinY", 1)
      .page(u"Plant")
      .page_size(16.5, 11.7);
  for (const Case& c : cases)
    drawing.shape(c.name)
        .cell(u"PinX", c.pin_x)
        .cell(u"PinY", c.pin_y)
        .cell(u"Width", c.width)
        .cell(u"Height", c.height)
        .cell(u"LocPinX", c.loc_x)
        .cell(u"LocPinY", c.loc_y)
        .cell(u"Angle", c.angle);
  drawing.shape(u"GCM", u"Controller").prop(u"P11", u"GCM-1").cell(u"PinX", 4).cell(u"PinY", 4);
  drawing.shape(u"Wire").cell(u"BeginX", 1).cell(u"BeginY", 1).cell(u"EndX", 4).cell(u"EndY", 5);
  drawing.shape(u"SAT").prop(u"P11", u"SAT").prop(u"P16", u"").prop(u"P17", u"UI1");

  const auto pages = ReadLayout(*drawing.build(GetParam()));
  ASSERT_EQ(pages.size(), 1u);
  const DrawnPage& page = pages[0];
  EXPECT_EQ(page.name, u"Plant");
  EXPECT_DOUBLE_EQ(page.width, 16.5);
  EXPECT_DOUBLE_EQ(page.height, 11.7);
  ASSERT_EQ(page.shapes.size(), std::size(cases) + 3);

  const auto expect_outline = [](const DrawnShape& shape, const Outline& expected) {
    SCOPED_TRACE(ToUtf8(shape.name));
    ASSERT_EQ(shape.outline.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NEAR(shape.outline[i].first, expected[i].first, 1e-9) << "corner " << i;
      EXPECT_NEAR(shape.outline[i].second, expected[i].second, 1e-9) << "corner " << i;
    }
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(page.shapes[i].kind, DrawnShape::Kind::kOther);
    expect_outline(page.shapes[i], cases[i].corners);
  }
  const DrawnShape& controller = page.shapes[3];
  EXPECT_EQ(controller.kind, DrawnShape::Kind::kDevice);
  EXPECT_EQ(controller.device, u"GCM-1");
  expect_outline(controller, {{2.5, 3}, {5.5, 3}, {5.5, 5}, {2.5, 5}});
  EXPECT_EQ(page.shapes[4].kind, DrawnShape::Kind::kConnector);
  expect_outline(page.shapes[4], {{1, 1}, {4, 5}});
  EXPECT_EQ(page.shapes[5].kind, DrawnShape::Kind::kPoint);
  EXPECT_EQ(page.shapes[5].device, u"SAT");
}

// Two pages: the conflict's shapes sit on both, the point's on the first.
std::vector<DrawnPage> TwoPages() {
  const auto box = [](Text name, int32_t id, Text device, DrawnShape::Kind kind, double x) {
    return DrawnShape{kind, std::move(name), id, std::move(device),
                      Outline{{x, 1}, {x + 1, 1}, {x + 1, 2}, {x, 2}}};
  };
  return {
      DrawnPage{
          u"Floor 1",
          11,
          8.5,
          {box(u"C9", 1, u"GCM-1", DrawnShape::Kind::kDevice, 1),
           box(u"P<1>", 7, u"SAT & co", DrawnShape::Kind::kPoint, 3),
           DrawnShape{DrawnShape::Kind::kConnector, u"W", 8, u"", Outline{{2, 1.5}, {3, 1.5}}},
           box(u"Clean", 9, u"OK-1", DrawnShape::Kind::kPoint, 5)}},
      DrawnPage{u"Floor 2", 17, 11, {box(u"C1", 4, u"GCM-2", DrawnShape::Kind::kDevice, 2)}},
  };
}

std::vector<Finding> TwoFindings() {
  Finding conflict(Check::kDuplicateAddresses, {u"Floor 2", u"C1", 4, u"GCM-2"});
  conflict.part_type = u"GCM";
  conflict.address = u"1:1:0:0:0";
  conflict.other = validation::ShapeRef{u"Floor 1", u"C9", 1, u"GCM-1"};
  conflict.message = u"GCM-1 conflicts with GCM-2";
  Finding point(Check::kInvalidPointTypes, {u"Floor 1", u"P<1>", 7, u"SAT & co"});
  point.controller = u"GCM-1";
  point.point = u"AO1";
  point.io_type = 2;
  point.message = u"Shape SAT & co is connected to an invalid point.";
  return {conflict, point};
}

constexpr Check kAll[] = {Check::kDuplicateAddresses, Check::kInvalidPointTypes,
                          Check::kPointConnections};

pugi::xml_node ById(const pugi::xml_document& html, const std::string& id) {
  return html.find_node(
      [&](pugi::xml_node n) { return std::string(n.attribute("id").value()) == id; });
}

TEST(HtmlReportTest, MarksTheFindingsShapesInTheirColoursAndLinksThemWithTheirRows) {
  const auto pages = TwoPages();
  const auto findings = TwoFindings();
  const std::string text = HtmlReport(pages, CheckRun{"plant <1>.vsdx", kAll, findings});
  pugi::xml_document html;
  ASSERT_TRUE(html.load_string(text.c_str())) << text;

  // Nothing is fetched from elsewhere and nothing runs.
  EXPECT_EQ(text.find("<script"), std::string::npos);
  EXPECT_EQ(text.find("src="), std::string::npos);
  EXPECT_EQ(text.find("http"), text.find("http://www.w3.org/2000/svg"));
  EXPECT_NE(text.find("<title>kvpw: plant &lt;1&gt;.vsdx</title>"), std::string::npos);

  // The picker offers every page; each page is a picture of its size.
  std::vector<std::string> targets;
  for (const pugi::xpath_node& a : html.select_nodes("//nav/a"))
    targets.push_back(a.node().attribute("href").value());
  EXPECT_EQ(targets, (std::vector<std::string>{"#all", "#p-1", "#p-2", "#findings"}));
  const pugi::xml_node second = ById(html, "p-2").child("svg");
  EXPECT_STREQ(second.attribute("viewBox").value(), "0 0 1700 1100");

  struct Expected {
    const char* shape;
    const char* kind;
    const char* colour;  // empty: not marked
    const char* row;
  };
  const Expected expected[] = {
      {"s-1-1", "device", "#e00000", "f-1"},  // the conflict's other shape
      {"s-1-7", "point", "#0050ff", "f-2"},  {"s-1-8", "wire", "", ""}, {"s-1-9", "point", "", ""},
      {"s-2-4", "device", "#e00000", "f-1"},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.shape);
    const pugi::xml_node g = ById(html, e.shape);
    ASSERT_TRUE(g);
    const std::string classes = g.attribute("class").value();
    EXPECT_EQ(classes.find(e.kind), 0u) << classes;
    const pugi::xml_node drawn = g.child("polygon") ? g.child("polygon") : g.child("line");
    const std::string style = drawn.attribute("style").value();
    if (*e.colour == 0) {
      EXPECT_EQ(classes.find("finding"), std::string::npos);
      EXPECT_TRUE(style.empty()) << style;
      EXPECT_STRNE(g.parent().name(), "a");
      continue;
    }
    EXPECT_NE(style.find(e.colour), std::string::npos) << style;
    ASSERT_STREQ(g.parent().name(), "a");
    EXPECT_EQ(g.parent().attribute("href").value(), "#" + std::string(e.row));
    EXPECT_TRUE(ById(html, e.row)) << "no row " << e.row;
  }
  // The point's polygon is drawn where its outline is, y measured down from the page's top.
  EXPECT_STREQ(ById(html, "s-1-7").child("polygon").attribute("points").value(),
               "300,750 400,750 400,650 300,650");
  EXPECT_STREQ(ById(html, "s-1-7").child("text").child_value(), "SAT & co");
  // The wire is drawn under the boxes.
  EXPECT_EQ(ById(html, "p-1").child("svg").child("rect").next_sibling().attribute("id").value(),
            std::string("s-1-8"));

  // Each row links back to its shapes.
  const auto row_links = [&](const char* row) {
    std::vector<std::string> links;
    for (pugi::xpath_node a : ById(html, row).select_nodes(".//a"))
      links.push_back(a.node().attribute("href").value());
    return links;
  };
  EXPECT_EQ(row_links("f-1"), (std::vector<std::string>{"#s-2-4", "#s-1-1"}));
  EXPECT_EQ(row_links("f-2"), (std::vector<std::string>{"#s-1-7"}));
  EXPECT_NE(text.find("Shape SAT &amp; co is connected to an invalid point."), std::string::npos);
  EXPECT_NE(text.find("controller GCM-1, point AO1, I/O type 2"), std::string::npos);
}

TEST(HtmlReportTest, ACleanDrawingSaysSoAndAFindingOnAPageNotDrawnLinksNowhere) {
  const auto pages = TwoPages();
  const std::string clean = HtmlReport(pages, CheckRun{"d.vsdx", kAll, {}});
  EXPECT_NE(clean.find("<p>No findings.</p>"), std::string::npos);
  EXPECT_EQ(clean.find(" finding "), std::string::npos);

  Finding lost(Check::kPointConnections, {u"Gone", u"P", 3, u"EF-1-S"});
  lost.controller = u"GCM-9";
  const std::vector<Finding> findings{lost};
  const std::string text = HtmlReport(pages, CheckRun{"d.vsdx", kAll, findings});
  pugi::xml_document html;
  ASSERT_TRUE(html.load_string(text.c_str()));
  EXPECT_TRUE(ById(html, "f-1"));
  EXPECT_TRUE(ById(html, "f-1").select_nodes(".//a").empty());
  EXPECT_EQ(text.find(" finding "), std::string::npos);
}

}  // namespace
}  // namespace kvpw::report
