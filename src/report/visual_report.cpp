#include "report/visual_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "validation/drawing_checks.h"

namespace kvpw::report {
namespace {

using validation::Check;
using validation::Finding;

inline const host::CellName kPinX{u"PinX"}, kPinY{u"PinY"}, kWidth{u"Width"}, kHeight{u"Height"},
    kLocPinX{u"LocPinX"}, kLocPinY{u"LocPinY"}, kAngle{u"Angle"}, kBeginX{u"BeginX"},
    kBeginY{u"BeginY"}, kEndX{u"EndX"}, kEndY{u"EndY"}, kPageWidth{u"PageWidth"},
    kPageHeight{u"PageHeight"};

// The writer's page size, for a page sheet that does not say.
constexpr double kFallbackWidth = 11, kFallbackHeight = 8.5;
// Pictures are drawn at screen resolution, shrunk to fit a wide window.
constexpr double kPixelsPerInch = 96, kMostPixelsWide = 1200;
// The picture's user units are hundredths of an inch: fonts of a fraction of a unit render
// poorly.
constexpr double kUnitsPerInch = 100;

// The colours the checks mark their shapes with, as the stencil shapes show them.
const char* MarkColour(Check check) {
  switch (check) {
    case Check::kDuplicateAddresses:
      return "#e00000";
    case Check::kInvalidPointTypes:
      return "#0050ff";
    case Check::kPointConnections:
      return "#00a000";
  }
  return "#000000";
}

double Number(host::Shape& shape, const host::CellName& cell) {
  return shape.cell(cell).result_number();
}

DrawnShape ReadShape(host::Shape& shape) {
  DrawnShape drawn;
  drawn.name = shape.name();
  drawn.id = shape.id();
  if (shape.cell_exists(validation::kDeviceNameCell))
    drawn.device = validation::CellText(shape, validation::kDeviceNameCell);
  if (shape.cell_exists(validation::kDeviceFlagsCell))
    drawn.kind = DrawnShape::Kind::kDevice;
  else if (shape.cell_exists(validation::kPointMarkerCell) &&
           shape.cell_exists(validation::kPointNameExistsCell))
    drawn.kind = DrawnShape::Kind::kPoint;

  if (shape.cell_exists(kBeginX) && shape.cell_exists(kBeginY) && shape.cell_exists(kEndX) &&
      shape.cell_exists(kEndY)) {
    if (drawn.kind == DrawnShape::Kind::kOther) drawn.kind = DrawnShape::Kind::kConnector;
    drawn.outline = {{Number(shape, kBeginX), Number(shape, kBeginY)},
                     {Number(shape, kEndX), Number(shape, kEndY)}};
    return drawn;
  }
  const double pin_x = Number(shape, kPinX), pin_y = Number(shape, kPinY);
  const double width = Number(shape, kWidth), height = Number(shape, kHeight);
  const double loc_x = Number(shape, kLocPinX), loc_y = Number(shape, kLocPinY);
  const double angle = Number(shape, kAngle);
  const double c = std::cos(angle), s = std::sin(angle);
  // The shape's own frame turns about its pin, which sits at LocPin within it.
  for (const auto& [x, y] : {std::pair{0.0, 0.0}, {width, 0.0}, {width, height}, {0.0, height}}) {
    const double dx = x - loc_x, dy = y - loc_y;
    drawn.outline.emplace_back(pin_x + dx * c - dy * s, pin_y + dx * s + dy * c);
  }
  return drawn;
}

double PageCell(host::Shape& sheet, const host::CellName& cell, double fallback) {
  if (!sheet.cell_exists(cell)) return fallback;
  const double value = Number(sheet, cell);
  return value > 0 ? value : fallback;
}

void Escaped(std::string& out, std::string_view text) {
  for (const char ch : text) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += ch;
    }
  }
}

std::string Html(TextView text) {
  std::string out;
  Escaped(out, ToUtf8(text));
  return out;
}

std::string Html(const std::string& text) {
  std::string out;
  Escaped(out, text);
  return out;
}

std::string Num(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.4f", value);
  std::string out = buffer;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  return out == "-0" ? "0" : out;
}

std::string ShapeAnchor(size_t page, int32_t id) {
  return "s-" + std::to_string(page + 1) + "-" + std::to_string(id);
}

std::string FindingAnchor(size_t index) {
  return "f-" + std::to_string(index + 1);
}

const char* KindClass(DrawnShape::Kind kind) {
  switch (kind) {
    case DrawnShape::Kind::kDevice:
      return "device";
    case DrawnShape::Kind::kPoint:
      return "point";
    case DrawnShape::Kind::kConnector:
      return "wire";
    case DrawnShape::Kind::kOther:
      break;
  }
  return "other";
}

constexpr char kStyle[] = R"(
body{margin:0;font:14px/1.4 sans-serif;background:#e8e8e8;color:#222}
header{background:#30343a;color:#f4f4f4;padding:10px 16px}
header h1{font-size:18px;margin:0 0 4px}
nav a{display:inline-block;margin:2px 6px 2px 0;padding:2px 8px;border-radius:3px;background:#4a5058;color:#f4f4f4;text-decoration:none}
.page{display:none;padding:8px 16px}
.page:target,.page:has(:target),#all:target .page{display:block}
#all:not(:has(:target)) .page:first-child{display:block}
.page h2{font-size:16px;margin:4px 0}
svg{display:block;max-width:100%;height:auto}
svg .paper{fill:#ffffff;stroke:#8a8a8a;stroke-width:2}
svg polygon,svg line,svg rect{vector-effect:non-scaling-stroke}
svg .device polygon{fill:#fdf1d6;stroke:#5a4500;stroke-width:2}
svg .point polygon{fill:#ececec;stroke:#555555;stroke-width:1;stroke-dasharray:4 2}
svg .other polygon{fill:none;stroke:#9a9a9a;stroke-width:1}
svg .wire line,svg line{stroke:#404040;stroke-width:1.5}
svg text{font-size:11px;text-anchor:middle;dominant-baseline:central;fill:#111;pointer-events:none}
svg .finding polygon{stroke-width:3;stroke-dasharray:none}
svg :target polygon,svg :target line{stroke:#ff9900;stroke-width:5}
section.findings{padding:8px 16px 24px}
table{border-collapse:collapse;background:#f6f6f6}
th,td{border:1px solid #c8c8c8;padding:3px 8px;text-align:left;vertical-align:top}
tr:target td{background:#fff3c4}
.swatch{display:inline-block;width:10px;height:10px;margin-right:6px;border-radius:2px}
)";

struct Mark {
  Check check;
  size_t finding;
};

}  // namespace

std::vector<DrawnPage> ReadLayout(host::Document& document) {
  std::vector<DrawnPage> pages;
  host::Pages& all = document.pages();
  for (int16_t p = 1; p <= all.count(); ++p) {
    host::Page& page = all.item(p);
    DrawnPage& drawn = pages.emplace_back();
    drawn.name = page.name();
    drawn.width = PageCell(page.page_sheet(), kPageWidth, kFallbackWidth);
    drawn.height = PageCell(page.page_sheet(), kPageHeight, kFallbackHeight);
    host::Shapes& shapes = page.shapes();
    const int16_t count = shapes.count();
    drawn.shapes.reserve(static_cast<size_t>(count));
    for (int16_t s = 1; s <= count; ++s) drawn.shapes.push_back(ReadShape(shapes.item(s)));
  }
  return pages;
}

std::string HtmlReport(const std::vector<DrawnPage>& pages, const CheckRun& run) {
  // Marks by page and shape: the finding's own shape, and a conflict's other shape too.
  std::map<std::pair<Text, int32_t>, std::vector<Mark>> marks;
  for (size_t i = 0; i < run.findings.size(); ++i) {
    const Finding& f = run.findings[i];
    marks[{f.shape.page, f.shape.id}].push_back({f.check, i});
    if (f.other) marks[{f.other->page, f.other->id}].push_back({f.check, i});
  }

  std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"/>";
  out += "<title>kvpw: " + Html(run.drawing) + "</title><style>" + kStyle + "</style></head>";
  out += "<body><header><h1>" + Html(run.drawing) + "</h1><div>";
  for (const Check check : run.checks) {
    size_t count = CountOf(run, check);
    out += "<span class=\"summary\"><span class=\"swatch\" style=\"background:";
    out += MarkColour(check);
    out += "\"></span>" + Html(std::string(validation::CheckTitle(check))) + ": " +
           std::to_string(count) + "</span> &#160; ";
  }
  out += "</div><nav><a href=\"#all\">All pages</a>";
  for (size_t p = 0; p < pages.size(); ++p)
    out += "<a href=\"#p-" + std::to_string(p + 1) + "\">" + Html(pages[p].name) + "</a>";
  out += "<a href=\"#findings\">Findings</a></nav></header><main id=\"all\">";

  for (size_t p = 0; p < pages.size(); ++p) {
    const DrawnPage& page = pages[p];
    const double ppi = std::min(kPixelsPerInch, kMostPixelsWide / page.width);
    out += "<section class=\"page\" id=\"p-" + std::to_string(p + 1) + "\"><h2>" + Html(page.name) +
           " (" + Num(page.width) + " &#215; " + Num(page.height) + " in)</h2>";
    const auto X = [&](double x) { return Num(x * kUnitsPerInch); };
    const auto Y = [&](double y) { return Num((page.height - y) * kUnitsPerInch); };
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + X(page.width) + " " + Y(0) +
           "\" width=\"" + Num(std::round(page.width * ppi)) + "\" height=\"" +
           Num(std::round(page.height * ppi)) + "\">";
    out += "<rect class=\"paper\" x=\"0\" y=\"0\" width=\"" + X(page.width) + "\" height=\"" +
           Y(0) + "\"/>";
    // Connectors first, so that boxes and their names lie on top of the wires.
    for (const bool wires : {true, false}) {
      for (const DrawnShape& shape : page.shapes) {
        if ((shape.outline.size() == 2) != wires) continue;
        const auto found = marks.find({page.name, shape.id});
        const std::vector<Mark>* mine = found == marks.end() ? nullptr : &found->second;
        std::string points;
        double cx = 0, cy = 0;
        for (const auto& [x, y] : shape.outline) {
          if (!points.empty()) points += ' ';
          points += X(x) + "," + Y(y);
          cx += x / static_cast<double>(shape.outline.size());
          cy += y / static_cast<double>(shape.outline.size());
        }
        if (mine) out += "<a href=\"#" + FindingAnchor(mine->front().finding) + "\">";
        out += "<g id=\"" + ShapeAnchor(p, shape.id) + "\" class=\"" + KindClass(shape.kind);
        if (mine) out += std::string(" finding ") + validation::CheckId(mine->front().check);
        out += "\"><title>" + Html(shape.name);
        if (!shape.device.empty()) out += " (" + Html(shape.device) + ")";
        if (mine)
          for (const Mark& m : *mine) out += "&#10;" + Html(run.findings[m.finding].message);
        out += "</title>";
        const std::string colour = mine ? MarkColour(mine->front().check) : std::string();
        if (wires) {
          out += "<line x1=\"" + X(shape.outline[0].first) + "\" y1=\"" +
                 Y(shape.outline[0].second) + "\" x2=\"" + X(shape.outline[1].first) + "\" y2=\"" +
                 Y(shape.outline[1].second) + "\"";
          if (mine) out += " style=\"stroke:" + colour + "\"";
          out += "/>";
        } else {
          out += "<polygon points=\"" + points + "\"";
          // A marked shape is tinted on white, so that its colour reads the same on any kind.
          if (mine) out += " style=\"fill:" + colour + ";fill-opacity:0.35;stroke:" + colour + "\"";
          out += "/>";
          if (!shape.device.empty())
            out +=
                "<text x=\"" + X(cx) + "\" y=\"" + Y(cy) + "\">" + Html(shape.device) + "</text>";
        }
        out += "</g>";
        if (mine) out += "</a>";
      }
    }
    out += "</svg></section>";
  }
  out += "</main><section class=\"findings\" id=\"findings\"><h2>Findings</h2>";
  if (run.findings.empty()) {
    out += "<p>No findings.</p>";
  } else {
    out +=
        "<table><thead><tr><th>#</th><th>Check</th><th>Page</th><th>Shape</th><th>Device</th>"
        "<th>Details</th><th>Message</th></tr></thead><tbody>";
    std::map<Text, size_t> page_numbers;
    for (size_t p = 0; p < pages.size(); ++p) page_numbers.emplace(pages[p].name, p);
    const auto shape_link = [&](const validation::ShapeRef& ref) {
      const auto page = page_numbers.find(ref.page);
      std::string label = Html(ref.shape) + " (ID " + std::to_string(ref.id) + ")";
      if (page == page_numbers.end()) return label;
      return "<a href=\"#" + ShapeAnchor(page->second, ref.id) + "\">" + label + "</a>";
    };
    for (size_t i = 0; i < run.findings.size(); ++i) {
      const Finding& f = run.findings[i];
      out += "<tr id=\"" + FindingAnchor(i) + "\"><td>" + std::to_string(i + 1) +
             "</td><td><span class=\"swatch\" style=\"background:" + MarkColour(f.check) +
             "\"></span>" + validation::CheckId(f.check) + "</td><td>" + Html(f.shape.page) +
             "</td><td>" + shape_link(f.shape) + "</td><td>" + Html(f.shape.device) + "</td><td>";
      switch (f.check) {
        case Check::kDuplicateAddresses:
          out += "address " + Html(f.address) + ", part type " + Html(f.part_type);
          if (f.other)
            out += "; also on " + Html(f.other->page) + " / " + shape_link(*f.other) + " " +
                   Html(f.other->device);
          break;
        case Check::kInvalidPointTypes:
          out += "controller " + Html(f.controller) + ", point " + Html(f.point);
          if (f.io_type) out += ", I/O type " + std::to_string(*f.io_type);
          break;
        case Check::kPointConnections:
          out += "controller " + Html(f.controller);
          break;
      }
      out += "</td><td>" + Html(f.message) + "</td></tr>";
    }
    out += "</tbody></table>";
  }
  out += "</section></body></html>\n";
  return out;
}

}  // namespace kvpw::report
