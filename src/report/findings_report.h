// The drawing checks' findings written for machines: a JSON record per finding, a JUnit report
// for CI systems that show test results, and a SARIF 2.1.0 log for code-scanning tools.
#pragma once

#include <nlohmann/json.hpp>
#include <span>
#include <string>

#include "validation/findings.h"

namespace kvpw::report {

// One run of the checks over one drawing.
struct CheckRun {
  std::string drawing;                        // the drawing file as the user named it
  std::span<const validation::Check> checks;  // the checks that ran, in order
  std::span<const validation::Finding> findings;
};

// A finding with the fields its check fills (a conflict's address even when empty).
nlohmann::json FindingJson(const validation::Finding& finding);
// How many findings the check made.
size_t CountOf(const CheckRun& run, validation::Check check);

// A test case per check that ran (failed when it found anything) and one per finding.
std::string JUnitReport(const CheckRun& run);
// One result per finding, located at the drawing with its page and shape as logical location.
nlohmann::json SarifLog(const CheckRun& run);

}  // namespace kvpw::report
