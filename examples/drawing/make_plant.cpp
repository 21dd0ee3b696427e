// Writes the example drawings.
//
// The small one: an air handler, a boiler plant and an exhaust fan on three pages of 17 by 11
// inches, drawn as a control diagram: each controller a box with its point terminals, point
// shapes wired to them, and the field devices the points serve. Three faults are drawn on
// purpose, for the checks to find:
//   - GCM-3 was copied from GCM-1 and still has its address (a duplicate address);
//   - the point "RAT-SP" is wired to AO1 of GCM-1, whose part has no analog outputs;
//   - the point "EF-1-S" is wired to GCM-9, which is not in the drawing.
//
// The large one (--large): the same kind of diagram for a whole building, hundreds of devices
// over several pages, for trying the tool at a realistic size. It keeps one fault of each kind,
// on its last page.
//
// Usage: make_plant [--large] OUT.vsdx
#include <algorithm>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "frame/error.h"
#include "host/vsdx/vsdx_writer.h"

namespace {

using kvpw::Text;
using kvpw::TextView;
using kvpw::host::VsdxWriter;

constexpr int16_t kControllerType = 1;
constexpr int16_t kFieldDeviceType = 2;
// I/O type indexes of the point shapes.
constexpr int16_t kAnalogInput = 1, kAnalogOutput = 2, kDigitalInput = 3, kDigitalOutput = 4;

// Pages of the size control diagrams are printed on (ANSI B, landscape), in inches.
constexpr double kPageWidth = 17, kPageHeight = 11;
// Where the columns of a diagram stand, and how far apart its rows are.
constexpr double kControllerX = 3, kPointX = 8, kDeviceX = 12.5, kRowStep = 0.7, kTopMargin = 1.6;
constexpr double kControllerWidth = 2.2, kPointWidth = 1.6, kPointHeight = 0.45;
constexpr double kDeviceWidth = 1.8, kDeviceHeight = 0.6;

Text Lines(std::initializer_list<TextView> lines) {
  Text out;
  for (TextView line : lines) {
    if (!out.empty()) out += u'\n';
    out += line;
  }
  return out;
}

void Masters(VsdxWriter& w) {
  w.master(u"Controller")
      .cell(u"Width", kControllerWidth)
      .cell(u"Height", 3)
      .prop(u"P99", kControllerType)
      .prop(u"P11", u"")
      .prop(u"P12", u"")
      .prop(u"P1A", u"0:0:0:0:0")
      .user(u"U63", u"")
      .master(u"Field Device")
      .cell(u"Width", kDeviceWidth)
      .cell(u"Height", kDeviceHeight)
      .prop(u"P99", kFieldDeviceType)
      .prop(u"P11", u"")
      .prop(u"P12", u"")
      .master(u"Point")
      .cell(u"Width", kPointWidth)
      .cell(u"Height", kPointHeight)
      .prop(u"P11", u"")
      .prop(u"P12", u"")
      .prop(u"P15", u"None")
      .prop(u"P16", u"")
      .prop(u"P17", u"")
      .user(u"IOType", int16_t{0})
      .user(u"U63", u"");
}

// One page of a diagram: points in rows down the middle, their controllers to the left spanning
// their rows, field devices to the right of the points that drive them; the wires are drawn
// after the shapes they join, the page's title last.
class Diagram {
 public:
  Diagram(VsdxWriter& w, TextView page, TextView title, double width = kPageWidth,
          double height = kPageHeight)
      : w_(w), title_(title), width_(width), height_(height) {
    w_.page(page).page_size(width, height);
  }
  Diagram(const Diagram&) = delete;
  Diagram& operator=(const Diagram&) = delete;

  // A controller beside rows `first` to `first + rows - 1`.
  void Controller(TextView name, TextView part, TextView address, TextView ai, TextView ao,
                  TextView di, TextView do_, int first, int rows) {
    const double top = RowY(first) + kRowStep / 2, bottom = RowY(first + rows - 1) - kRowStep / 2;
    w_.shape(u"", u"Controller")
        .cell(u"PinX", x_ + kControllerX)
        .cell(u"PinY", (top + bottom) / 2)
        .cell(u"Height", std::max(kRowStep, top - bottom) - 0.1)
        .text(Lines({name, part, address}))
        .prop(u"P11", name)
        .prop(u"P12", part)
        .prop(u"P1A", address)
        .user(u"AIDATA", ai)
        .user(u"AODATA", ao)
        .user(u"DIDATA", di)
        .user(u"DODATA", do_);
    controllers_.push_back(Text(name));
  }

  // A field device beside the point of row `row`.
  void FieldDevice(TextView name, TextView part, int row) {
    w_.shape(u"", u"Field Device")
        .cell(u"PinX", x_ + kDeviceX)
        .cell(u"PinY", RowY(row))
        .text(Lines({name, part}))
        .prop(u"P11", name)
        .prop(u"P12", part);
    device_rows_.push_back(row);
  }

  // A point on the next row, wired to its controller's terminal when the controller is on the
  // page and to the field device beside it.
  void Point(TextView name, TextView controller, TextView point, int16_t io_type) {
    const double y = RowY(row_);
    w_.shape(u"", u"Point")
        .cell(u"PinX", x_ + kPointX)
        .cell(u"PinY", y)
        .text(Lines({name, point}))
        .prop(u"P11", name)
        .prop(u"P15", controller)
        .prop(u"P17", point)
        .user(u"IOType", io_type);
    if (std::find(controllers_.begin(), controllers_.end(), controller) != controllers_.end())
      wires_.push_back(
          {x_ + kControllerX + kControllerWidth / 2, y, x_ + kPointX - kPointWidth / 2, y});
    if (std::find(device_rows_.begin(), device_rows_.end(), row_) != device_rows_.end())
      wires_.push_back({x_ + kPointX + kPointWidth / 2, y, x_ + kDeviceX - kDeviceWidth / 2, y});
    ++row_;
  }

  int row() const { return row_; }
  void Skip() { ++row_; }
  // Rows from the top again, one page width of the small example further right.
  void NextColumn() {
    x_ += kPageWidth;
    row_ = 0;
    device_rows_.clear();
  }

  // A group of two shapes that the checks pass over, as a legend is.
  void Legend() { w_.group(u"Legend").member(u"Legend Text"); }

  ~Diagram() {
    for (const Wire& wire : wires_)
      w_.shape(u"Wire")
          .cell(u"BeginX", wire.begin_x)
          .cell(u"BeginY", wire.begin_y)
          .cell(u"EndX", wire.end_x)
          .cell(u"EndY", wire.end_y);
    w_.shape(u"Title")
        .cell(u"PinX", width_ / 2)
        .cell(u"PinY", height_ - 0.6)
        .cell(u"Width", 8)
        .cell(u"Height", 0.5)
        .text(title_);
  }

 private:
  struct Wire {
    double begin_x, begin_y, end_x, end_y;
  };

  double RowY(int row) const { return height_ - kTopMargin - row * kRowStep; }

  VsdxWriter& w_;
  Text title_;
  double width_, height_;
  double x_ = 0;  // where the current column of the diagram starts
  int row_ = 0;
  std::vector<Text> controllers_;
  std::vector<int> device_rows_;
  std::vector<Wire> wires_;
};

void SmallPlant(VsdxWriter& w) {
  {
    Diagram d(w, u"AHU-1", u"AHU-1 air handling unit: supply fan, return air");
    d.Controller(u"GCM-1", u"AVL-GCM2000", u"1:1:0:0:0", u"UI1,UI2,UI3", u"", u"UI4", u"DO1,DO2", 0,
                 6);
    d.FieldDevice(u"SF-1-R", u"BRE-1C-24A", 3);  // the fan's relay, driven by SF-1-C
    d.FieldDevice(u"CS-1", u"CSG-SA150-NO", 2);  // its current switch, read by SF-1-S
    d.Point(u"SAT", u"GCM-1", u"UI1", kAnalogInput);
    d.Point(u"RAT", u"GCM-1", u"UI2", kAnalogInput);
    d.Point(u"SF-1-S", u"GCM-1", u"UI4", kDigitalInput);
    d.Point(u"SF-1-C", u"GCM-1", u"DO1", kDigitalOutput);
    d.Point(u"RAT-SP", u"GCM-1", u"AO1", kAnalogOutput);
    d.Point(u"SPARE-1", u"None", u"UI3", kAnalogInput);
    d.Legend();
  }
  {
    Diagram d(w, u"Boiler Plant", u"Boiler plant: hot water supply, boiler valve, pump");
    d.Controller(u"GCM-2", u"AVL-GCM2400", u"1:2:0:0:0", u"UI1,UI2", u"AO1,AO2", u"", u"DO1", 0, 3);
    d.Controller(u"LNC-1", u"AVL-LNC1628", u"1:2:5:0:0", u"UI1", u"", u"", u"", 4, 2);
    d.FieldDevice(u"P-1-R", u"BRE-1C-24D", 2);
    d.Point(u"HWS", u"GCM-2", u"UI1", kAnalogInput);
    d.Point(u"BLR-1-VLV", u"GCM-2", u"AO1", kAnalogOutput);
    d.Point(u"P-1-C", u"GCM-2", u"DO1", kDigitalOutput);
  }
  {
    Diagram d(w, u"Exhaust", u"EF-1 exhaust fan");
    d.Controller(u"GCM-3", u"AVL-GCM2000", u"1:1:0:0:0", u"UI1", u"", u"", u"DO1", 0, 2);
    d.Point(u"EF-1-C", u"GCM-3", u"DO1", kDigitalOutput);
    d.Point(u"EF-1-S", u"GCM-9", u"UI1", kDigitalInput);
  }
}

Text Numbered(TextView prefix, int n) {
  return Text(prefix) + kvpw::IntegerText(n);
}

// Floors of air handlers on pages of 34 by 22 inches (ANSI D), each unit on a controller of its
// own with five points and the two devices they drive: eight devices a unit, eight units a
// page in two columns.
void LargePlant(VsdxWriter& w, int pages) {
  constexpr int kUnitsPerPage = 8, kPointsPerUnit = 5;
  int unit = 0;
  for (int p = 1; p <= pages; ++p) {
    Diagram d(w, Numbered(u"Floor ", p), Numbered(u"Air handling units, floor ", p), 2 * kPageWidth,
              2 * kPageHeight);
    for (int u = 0; u < kUnitsPerPage; ++u) {
      if (u == kUnitsPerPage / 2) d.NextColumn();
      ++unit;
      const Text gcm = Numbered(u"GCM-", 100 + unit);
      const Text ahu = Numbered(u"AHU-", unit);
      // The last unit was copied from the first and kept its address; one of its points is
      // wired to an input its part lacks, another names a controller that is not drawn.
      const bool last = p == pages && u == kUnitsPerPage - 1;
      const int first = d.row();
      const Text address = u"2:" + kvpw::IntegerText(last ? 1 : unit) + u":0:0:0";
      d.Controller(gcm, u"AVL-GCM2400", address, u"UI1,UI2", u"AO1,AO2", u"", u"DO1", first,
                   kPointsPerUnit);
      d.FieldDevice(ahu + u"-CV", u"BRE-1C-24A", first + 2);
      d.FieldDevice(ahu + u"-SF", u"BRE-1C-24D", first + 4);
      d.Point(ahu + u"-SAT", gcm, u"UI1", kAnalogInput);
      d.Point(ahu + u"-RAT", gcm, u"UI2", kAnalogInput);
      d.Point(ahu + u"-VLV", gcm, u"AO1", kAnalogOutput);
      if (last)
        d.Point(ahu + u"-SF-S", gcm, u"DI1", kDigitalInput);
      else
        d.Point(ahu + u"-DMP", gcm, u"AO2", kAnalogOutput);
      d.Point(ahu + u"-SF-C", last ? Text(u"GCM-999") : gcm, u"DO1", kDigitalOutput);
      d.Skip();
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool large = argc == 3 && std::strcmp(argv[1], "--large") == 0;
  if (argc != 2 && !large) {
    std::cerr << "usage: make_plant [--large] OUT.vsdx\n";
    return 2;
  }
  try {
    VsdxWriter w(large ? u"Building.vsdx" : u"Plant.vsdx");
    Masters(w);
    if (large)
      LargePlant(w, 6);
    else
      SmallPlant(w);
    w.save(argv[argc - 1]);
  } catch (const kvpw::Error& e) {
    std::cerr << "make_plant: " << kvpw::ToUtf8(e.description()) << "\n";
    return 1;
  }
  return 0;
}
