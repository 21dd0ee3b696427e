// Writes the example drawing: an air handler and a boiler plant on three pages, controllers with
// their point data and addresses, field devices, and point shapes wired to the controllers'
// points. Three faults are drawn on purpose, for the checks to find:
//   - GCM-3 was copied from GCM-1 and still has its address (a duplicate address);
//   - the point "RAT-SP" is wired to AO1 of GCM-1, whose part has no analog outputs;
//   - the point "EF-1-S" is wired to GCM-9, which is not in the drawing.
// Usage: make_plant OUT.vsdx
#include <iostream>

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

void Controller(VsdxWriter& w, TextView name, TextView part, TextView address, TextView ai,
                TextView ao, TextView di, TextView do_) {
  w.shape(u"", u"Controller")
      .prop(u"P11", name)
      .prop(u"P12", part)
      .prop(u"P1A", address)
      .user(u"AIDATA", ai)
      .user(u"AODATA", ao)
      .user(u"DIDATA", di)
      .user(u"DODATA", do_);
}

void FieldDevice(VsdxWriter& w, TextView name, TextView part) {
  w.shape(u"", u"Field Device").prop(u"P11", name).prop(u"P12", part);
}

void Point(VsdxWriter& w, TextView name, TextView controller, TextView point, int16_t io_type) {
  w.shape(u"", u"Point")
      .prop(u"P11", name)
      .prop(u"P15", controller)
      .prop(u"P17", point)
      .user(u"IOType", io_type);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_plant OUT.vsdx\n";
    return 2;
  }
  try {
    VsdxWriter w(u"Plant.vsdx");
    w.master(u"Controller")
        .prop(u"P99", kControllerType)
        .prop(u"P11", u"")
        .prop(u"P12", u"")
        .prop(u"P1A", u"0:0:0:0:0")
        .user(u"U63", u"")
        .master(u"Field Device")
        .prop(u"P99", kFieldDeviceType)
        .prop(u"P11", u"")
        .prop(u"P12", u"")
        .master(u"Point")
        .prop(u"P11", u"")
        .prop(u"P12", u"")
        .prop(u"P15", u"None")
        .prop(u"P16", u"")
        .prop(u"P17", u"")
        .user(u"IOType", int16_t{0})
        .user(u"U63", u"");

    w.page(u"AHU-1");
    Controller(w, u"GCM-1", u"AVL-GCM2000", u"1:1:0:0:0", u"UI1,UI2,UI3", u"", u"UI4", u"DO1,DO2");
    FieldDevice(w, u"SF-1-R", u"BRE-1C-24A");
    FieldDevice(w, u"CS-1", u"CSG-SA150-NO");
    Point(w, u"SAT", u"GCM-1", u"UI1", kAnalogInput);
    Point(w, u"RAT", u"GCM-1", u"UI2", kAnalogInput);
    Point(w, u"SF-1-S", u"GCM-1", u"UI4", kDigitalInput);
    Point(w, u"SF-1-C", u"GCM-1", u"DO1", kDigitalOutput);
    Point(w, u"RAT-SP", u"GCM-1", u"AO1", kAnalogOutput);
    Point(w, u"SPARE-1", u"None", u"UI3", kAnalogInput);
    w.group(u"Legend").member(u"Legend Text");

    w.page(u"Boiler Plant");
    Controller(w, u"GCM-2", u"AVL-GCM2400", u"1:2:0:0:0", u"UI1,UI2", u"AO1,AO2", u"", u"DO1");
    Controller(w, u"LNC-1", u"AVL-LNC1628", u"1:2:5:0:0", u"UI1", u"", u"", u"");
    FieldDevice(w, u"P-1-R", u"BRE-1C-24D");
    Point(w, u"HWS", u"GCM-2", u"UI1", kAnalogInput);
    Point(w, u"BLR-1-VLV", u"GCM-2", u"AO1", kAnalogOutput);
    Point(w, u"P-1-C", u"GCM-2", u"DO1", kDigitalOutput);

    w.page(u"Exhaust");
    Controller(w, u"GCM-3", u"AVL-GCM2000", u"1:1:0:0:0", u"UI1", u"", u"", u"DO1");
    Point(w, u"EF-1-C", u"GCM-3", u"DO1", kDigitalOutput);
    Point(w, u"EF-1-S", u"GCM-9", u"UI1", kDigitalInput);

    w.save(argv[1]);
  } catch (const kvpw::Error& e) {
    std::cerr << "make_plant: " << kvpw::ToUtf8(e.description()) << "\n";
    return 1;
  }
  return 0;
}
