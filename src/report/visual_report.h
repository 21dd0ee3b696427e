// The drawing checks' findings shown on the drawing: one self-contained HTML page with an SVG
// picture of every page and a table of the findings, each finding marked on its shapes in the
// colour the checks give them and linked both ways with its row.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/drawing.h"
#include "report/findings_report.h"

namespace kvpw::report {

// A top-level shape as the picture draws it, read through the drawing port.
struct DrawnShape {
  enum class Kind { kDevice, kPoint, kConnector, kOther };
  Kind kind = Kind::kOther;
  Text name;
  int32_t id = 0;
  Text device;  // Prop.P11, when the shape has it
  // Page coordinates in inches, y upwards: the four corners of a 2-D shape in order, or a
  // connector's begin and end.
  std::vector<std::pair<double, double>> outline;
};

struct DrawnPage {
  Text name;
  double width = 0, height = 0;  // inches
  std::vector<DrawnShape> shapes;
};

// Every page's top-level shapes placed from PinX, PinY, Width, Height, LocPinX, LocPinY and
// Angle (a connector from BeginX to EndX), the page's size from its page sheet.
std::vector<DrawnPage> ReadLayout(host::Document& document);

// The HTML page. It refers to nothing outside itself and runs no script: the page picker and
// the links between marks and rows work with CSS alone.
std::string HtmlReport(const std::vector<DrawnPage>& pages, const CheckRun& run);

}  // namespace kvpw::report
