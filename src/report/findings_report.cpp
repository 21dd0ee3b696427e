#include "report/findings_report.h"

#include <algorithm>
#include <cctype>
#include <pugixml.hpp>
#include <sstream>

namespace kvpw::report {
namespace {

using nlohmann::json;
using validation::Check;
using validation::Finding;
using validation::ShapeRef;

constexpr const char* kToolName = "kvpw";
constexpr const char* kToolVersion = "1.0";
constexpr const char* kSarifSchema = "https://json.schemastore.org/sarif-2.1.0.json";

json ShapeJson(const ShapeRef& shape) {
  return {{"page", ToUtf8(shape.page)},
          {"shape", ToUtf8(shape.shape)},
          {"shapeId", shape.id},
          {"device", ToUtf8(shape.device)}};
}

// "page/shape", the shape's place in the drawing as a reader looks for it.
std::string PathOf(const ShapeRef& shape) {
  return ToUtf8(shape.page) + "/" + ToUtf8(shape.shape);
}

// A file path as a URI reference: unreserved characters and "/" as they are, the rest
// percent-encoded byte by byte.
std::string UriOf(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : path) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

}  // namespace

json FindingJson(const Finding& finding) {
  json out{{"check", validation::CheckId(finding.check)}};
  out.update(ShapeJson(finding.shape));
  switch (finding.check) {
    case Check::kDuplicateAddresses:
      out["partType"] = ToUtf8(finding.part_type);
      out["address"] = ToUtf8(finding.address);
      if (finding.other) out["other"] = ShapeJson(*finding.other);
      break;
    case Check::kInvalidPointTypes:
      out["controller"] = ToUtf8(finding.controller);
      out["point"] = ToUtf8(finding.point);
      if (finding.io_type) out["ioType"] = *finding.io_type;
      break;
    case Check::kPointConnections:
      out["controller"] = ToUtf8(finding.controller);
      break;
  }
  out["message"] = ToUtf8(finding.message);
  return out;
}

size_t CountOf(const CheckRun& run, Check check) {
  return static_cast<size_t>(std::count_if(run.findings.begin(), run.findings.end(),
                                           [&](const Finding& f) { return f.check == check; }));
}

std::string JUnitReport(const CheckRun& run) {
  pugi::xml_document doc;
  pugi::xml_node decl = doc.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  const auto cases = run.checks.size() + run.findings.size();
  size_t failures = run.findings.size();
  for (const Check check : run.checks) failures += CountOf(run, check) > 0;

  pugi::xml_node suites = doc.append_child("testsuites");
  suites.append_attribute("name") = "kvpw check";
  suites.append_attribute("tests") = cases;
  suites.append_attribute("failures") = failures;
  pugi::xml_node suite = suites.append_child("testsuite");
  suite.append_attribute("name") = run.drawing.c_str();
  suite.append_attribute("tests") = cases;
  suite.append_attribute("failures") = failures;
  suite.append_attribute("errors") = 0;
  for (const Check check : run.checks) {
    const std::string class_name = std::string(kToolName) + "." + validation::CheckId(check);
    pugi::xml_node test = suite.append_child("testcase");
    test.append_attribute("classname") = class_name.c_str();
    test.append_attribute("name") = validation::CheckTitle(check);
    if (const size_t count = CountOf(run, check)) {
      const std::string text = std::to_string(count) + " finding(s)";
      pugi::xml_node failure = test.append_child("failure");
      failure.append_attribute("message") = text.c_str();
      failure.append_attribute("type") = validation::CheckId(check);
    }
    for (const Finding& finding : run.findings) {
      if (finding.check != check) continue;
      const std::string message = ToUtf8(finding.message);
      pugi::xml_node one = suite.append_child("testcase");
      one.append_attribute("classname") = class_name.c_str();
      one.append_attribute("name") = PathOf(finding.shape).c_str();
      pugi::xml_node failure = one.append_child("failure");
      failure.append_attribute("message") = message.c_str();
      failure.append_attribute("type") = validation::CheckId(check);
      failure.text() = FindingJson(finding).dump(2).c_str();
    }
  }
  std::ostringstream out;
  doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

json SarifLog(const CheckRun& run) {
  json rules = json::array();
  for (const Check check : validation::kChecks)
    rules.push_back({{"id", validation::CheckId(check)},
                     {"shortDescription", {{"text", validation::CheckTitle(check)}}},
                     {"defaultConfiguration", {{"level", "error"}}}});
  const std::string uri = UriOf(run.drawing);
  const auto location = [&](const ShapeRef& shape, const char* role) {
    return json{{"physicalLocation", {{"artifactLocation", {{"uri", uri}, {"index", 0}}}}},
                {"logicalLocations",
                 {{{"name", ToUtf8(shape.shape)},
                   {"fullyQualifiedName", PathOf(shape)},
                   {"kind", "object"}}}},
                {"message", {{"text", std::string(role) + " " + ToUtf8(shape.device)}}},
                {"properties", ShapeJson(shape)}};
  };
  json results = json::array();
  for (const Finding& finding : run.findings) {
    json result{{"ruleId", validation::CheckId(finding.check)},
                {"ruleIndex", static_cast<int>(finding.check)},
                {"level", "error"},
                {"message", {{"text", ToUtf8(finding.message)}}},
                {"locations", {location(finding.shape, "device")}},
                {"properties", FindingJson(finding)}};
    if (finding.other)
      result["relatedLocations"] = {location(*finding.other, "conflicts with device")};
    results.push_back(std::move(result));
  }
  return {
      {"$schema", kSarifSchema},
      {"version", "2.1.0"},
      {"runs",
       {{{"tool", {{"driver", {{"name", kToolName}, {"version", kToolVersion}, {"rules", rules}}}}},
         {"artifacts", {{{"location", {{"uri", uri}}}, {"roles", {"analysisTarget"}}}}},
         {"results", std::move(results)}}}}};
}

}  // namespace kvpw::report
