// What the three drawing checks share: the cells they read and write, their message titles, and
// the point-type queries of the invalid point type check.
#pragma once

#include <cstdint>

#include "db/kv_ado_connection.h"
#include "host/drawing.h"

namespace kvpw::validation {

// Device shapes carry P99; point shapes carry P16 and P17 and name their controller in P15.
inline const host::CellName kDeviceFlagsCell{u"Prop.P99.value"};
inline const host::CellName kAddressExistsCell{u"Prop.P1A.value"};
inline const host::CellName kPointMarkerCell{u"Prop.P16.value"};
inline const host::CellName kPointNameExistsCell{u"Prop.P17.value"};
inline const host::CellName kDeviceNameCell{u"Prop.P11"};
inline const host::CellName kPartNumberCell{u"Prop.P12"};
inline const host::CellName kControllerCell{u"Prop.P15"};
inline const host::CellName kPointNameCell{u"Prop.P17"};
inline const host::CellName kAddressCell{u"Prop.P1A"};
inline const host::CellName kIoTypeExistsCell{u"User.IOType.Value"};
inline const host::CellName kIoTypeCell{u"User.IOType"};
inline const host::CellName kPointTypeExistsCell{u"User.PointType.Value"};
inline const host::CellName kPointTypeCell{u"User.PointType"};
inline const host::CellName kMarkCell{u"User.U63"};

// The stencil shapes colour themselves by this mark.
inline constexpr TextView kMarkInvalidPoint = u"=\"4\"";       // blue
inline constexpr TextView kMarkMissingController = u"=\"3\"";  // green

inline constexpr TextView kErrorFoundTitle = u"Error Found";
inline constexpr TextView kCompletedTitle = u"Completed";

// Calls visit(page, shape, page number, shape position) for each shape of pages `from` to `to`
// in the host's order. A page's shape count is taken when the page is begun, as the callers'
// macros do, so a shape added on the way is not visited.
template <class Visit>
void ForEachShape(host::Pages& pages, int32_t from, int32_t to, Visit&& visit) {
  for (int32_t p = from; p <= to; ++p) {
    host::Page& page = pages.item(static_cast<int16_t>(p));
    host::Shapes& shapes = page.shapes();
    const int16_t shape_count = shapes.count();
    for (int32_t s = 1; s <= shape_count; ++s)
      visit(page, shapes.item(static_cast<int16_t>(s)), static_cast<int16_t>(p),
            static_cast<int16_t>(s));
  }
}

// A cell's value as text, read without units.
Text CellText(host::Shape& shape, const host::CellName& name);

// The checks count in 16 bits, as the callers' macros do: one more past 32767 is error 6.
int16_t CountOneMore(int16_t count);

// The SoccIOType of a part, 0 when the part is not found or the query fails. A Null or
// non-numeric value fails (94 or 13), as does one beyond 16 bits (6).
int16_t GetPartIOType(KvAdoConnection& connection, const Text& strPartNumber);

// Whether the controller part has a point of that name and I/O type. Part number and point name
// go into the query as they are: a quote in either breaks the query, which then answers false.
bool IsValidPointType(KvAdoConnection& connection, const Text& strPartNumber,
                      const Text& strPointName, int16_t intIOType);

}  // namespace kvpw::validation
