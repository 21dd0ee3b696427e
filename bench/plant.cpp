#include "plant.h"

#include "frame/misc.h"
#include "host/vsdx/vsdx_writer.h"

namespace kvpw::bench {
namespace {

constexpr int kBlock = 40;
constexpr int kPointsPerBlock = 10;

struct PointKind {
  const char16_t* name;
  int io_type;
};
// Points of the network controller AVL-LNC1628 (16 UI, 4 AO, 8 DO).
constexpr PointKind kPoints[kPointsPerBlock] = {{u"UI1", 1}, {u"UI2", 1}, {u"UI3", 1}, {u"UI4", 1},
                                                {u"UI5", 1}, {u"UI6", 1}, {u"AO1", 2}, {u"AO2", 2},
                                                {u"DO1", 4}, {u"DO2", 4}};

}  // namespace

void WritePlantDrawing(const std::vector<TypedPart>& parts, const std::filesystem::path& file) {
  host::VsdxWriter w(u"Plant.vsdx");
  w.master(u"Controller")
      .prop(u"P99", 1)
      .hidden()
      .prop(u"P11", u"")
      .prop(u"P12", u"")
      .prop(u"P1A", u"")
      .user(u"AIDATA", u"")
      .user(u"AODATA", u"")
      .user(u"U63", u"0");
  w.master(u"Sensor")
      .prop(u"P99", 4)
      .hidden()
      .prop(u"P11", u"")
      .prop(u"P12", u"")
      .prop(u"P1A", u"")
      .user(u"U63", u"0");
  w.master(u"Point")
      .prop(u"P11", u"")
      .prop(u"P15", u"")
      .prop(u"P16", u"")
      .prop(u"P17", u"")
      .user(u"IOType", 0)
      .user(u"U63", u"0");
  int address = 0, point = 0, sensor = 0;
  size_t part_index = 0;
  for (int p = 1; p <= kPlantPages; ++p) {
    w.page(u"Floor " + IntegerText(p));
    Text controller;
    for (int s = 0; s < kPlantShapesPerPage; ++s) {
      const int slot = s % kBlock;
      if (slot == 0) {
        controller = u"LNC-" + IntegerText(p) + u"-" + IntegerText(s / kBlock);
        w.shape({}, u"Controller")
            .prop(u"P11", controller)
            .prop(u"P12", u"AVL-LNC1628")
            .prop(u"P1A", u"1:" + IntegerText(++address))
            .user(u"AIDATA", u"1,2,3,4,5,6")
            .user(u"AODATA", u"1,2");
      } else if (slot <= kBlock - kPointsPerBlock - 1) {
        // Half way down each page a sensor takes the part and address of the one before it.
        if (s != kPlantShapesPerPage / 2 + 2) {
          part_index = (static_cast<size_t>(sensor) * 7919) % parts.size();
          ++address;
        }
        w.shape({}, u"Sensor")
            .prop(u"P11", u"TS-" + IntegerText(++sensor))
            .prop(u"P12", FromUtf8(parts[part_index].number))
            .prop(u"P1A", u"1:" + IntegerText(address));
      } else {
        const PointKind& kind = kPoints[slot - (kBlock - kPointsPerBlock)];
        const bool wrong = ++point % 500 == 0;
        w.shape({}, u"Point")
            .prop(u"P11", u"PT-" + IntegerText(point))
            .prop(u"P15", controller)
            .prop(u"P17", kind.name)
            .user(u"IOType", wrong ? 3 : kind.io_type);
      }
    }
  }
  w.save(file);
}

}  // namespace kvpw::bench
