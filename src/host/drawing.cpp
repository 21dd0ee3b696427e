#include "host/drawing.h"

#include <cmath>
#include <limits>

#include "frame/error.h"

namespace kvpw::host {

void CheckNoUnits(const Variant& units) {
  const bool none =
      (units.is_number() && ToDouble(units) == 0) || (units.is_text() && units.text().empty());
  if (!none) throw Error(host_error::kBadUnits, host_error::kBadUnitsText);
}

int32_t WholeNumber(double value) {
  const double whole = std::trunc(value);
  if (!(whole >= std::numeric_limits<int32_t>::min() &&
        whole <= std::numeric_limits<int32_t>::max()))
    Raise(err::kOverflow);
  return static_cast<int32_t>(whole);
}

bool ValidRowName(TextView name) {
  if (name.empty()) return false;
  for (char16_t c : name) {
    const bool ok = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') ||
                    (c >= u'a' && c <= u'z') || c == u'_' || (c >= 0xC0 && c != 0xD7 && c != 0xF7);
    if (!ok) return false;
  }
  return true;
}

// Late binding, as a macro calls the drawing application's objects. An entry without a thunk is
// an alias: it lends its name to the id, and the entry of the same id and kind does the work.
namespace {

void Expect(Args args, size_t least, size_t most) {
  if (args.size() > most) Raise(err::kWrongArgumentCount);
  for (size_t i = 0; i < least; ++i)
    if (i >= args.size() || args[i] == nullptr) Raise(err::kArgumentNotOptional);
}

template <class T>
T& As(Object& o) {
  return static_cast<T&>(o);
}

constexpr DispId kIdName = 1;

constexpr Member kCellMembers[] = {
    {u"ResultIU", kDispIdValue, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       return Variant(As<Cell>(o).result_number());
     }},
    {u"Formula", 1, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       return Variant(As<Cell>(o).formula());
     }},
    {u"FormulaU", 1, kPropertyGet, nullptr},
    {u"Formula", 1, kPropertyPut,
     [](Object& o, Args a) -> Variant {
       Expect(a, 1, 1);
       As<Cell>(o).set_formula(ToText(*a[0]));
       return Variant();
     }},
    {u"ResultStr", 2, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 1, 1);
       return Variant(As<Cell>(o).result_text(*a[0]));
     }},
    {u"ResultStrU", 2, kPropertyGet, nullptr},
    {u"ResultInt", 3, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 2, 2);
       auto& cell = As<Cell>(o);
       CheckNoUnits(*a[0]);
       if (ToLong(*a[1]) == 0) return Variant(cell.result_int());
       return Variant(WholeNumber(std::round(cell.result_number())));
     }},
};

constexpr Member kShapeMembers[] = {
    {u"Name", kIdName, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       return Variant(As<Shape>(o).name());
     }},
    {u"CellExists", 2, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 2, 2);
       auto& shape = As<Shape>(o);
       const Text name = ToText(*a[0]);
       const bool exists = ToLong(*a[1]) != 0 ? shape.cell_exists_locally(CellName(name))
                                              : shape.cell_exists(CellName(name));
       return Variant(int16_t(exists ? -1 : 0));
     }},
    {u"CellExistsU", 2, kPropertyGet, nullptr},
    {u"Cells", 3, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 1, 1);
       auto& shape = As<Shape>(o);
       const Text name = ToText(*a[0]);
       return Variant(shape.owner().ref(shape.cell(CellName(name))));
     }},
    {u"CellsU", 3, kPropertyGet, nullptr},
    {u"CellsSRC", 4, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 3, 3);
       auto& shape = As<Shape>(o);
       Cell& cell = shape.cell_src(ToInteger(*a[0]), ToInteger(*a[1]), ToInteger(*a[2]));
       return Variant(shape.owner().ref(cell));
     }},
    {u"AddNamedRow", 5, kMethod,
     [](Object& o, Args a) -> Variant {
       Expect(a, 3, 3);
       return Variant(
           As<Shape>(o).add_named_row(ToInteger(*a[0]), ToText(*a[1]), ToInteger(*a[2])));
     }},
};

// An item by position (a number) or by name (a text).
template <class Collection>
auto& ItemOf(Collection& c, const Variant& index) {
  if (index.is_text()) return c.item(TextView(index.text()));
  return c.item(ToInteger(index));
}

constexpr Member kShapesMembers[] = {
    {u"Item", kDispIdValue, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 1, 1);
       auto& shapes = As<Shapes>(o);
       Shape& shape = ItemOf(shapes, *a[0]);
       return Variant(shapes.owner().ref(shape));
     }},
    {u"Count", 1, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       return Variant(As<Shapes>(o).count());
     }},
};

constexpr Member kPageMembers[] = {
    {u"Name", kIdName, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       return Variant(As<Page>(o).name());
     }},
    {u"Shapes", 2, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       auto& page = As<Page>(o);
       return Variant(page.owner().ref(page.shapes()));
     }},
    {u"PageSheet", 3, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       auto& page = As<Page>(o);
       return Variant(page.owner().ref(page.page_sheet()));
     }},
};

constexpr Member kPagesMembers[] = {
    {u"Item", kDispIdValue, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 1, 1);
       auto& pages = As<Pages>(o);
       return Variant(pages.owner().ref(ItemOf(pages, *a[0])));
     }},
    {u"Count", 1, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       return Variant(As<Pages>(o).count());
     }},
};

constexpr Member kDocumentMembers[] = {
    {u"Name", kIdName, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       return Variant(As<Document>(o).name());
     }},
    {u"Pages", 2, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       auto& doc = As<Document>(o);
       return Variant(doc.ref(doc.pages()));
     }},
    {u"DocumentSheet", 3, kPropertyGet,
     [](Object& o, Args a) -> Variant {
       Expect(a, 0, 0);
       auto& doc = As<Document>(o);
       return Variant(doc.ref(doc.document_sheet()));
     }},
};

}  // namespace

std::span<const Member> Cell::member_table() const {
  return kCellMembers;
}
std::span<const Member> Shape::member_table() const {
  return kShapeMembers;
}
std::span<const Member> Shapes::member_table() const {
  return kShapesMembers;
}
std::span<const Member> Page::member_table() const {
  return kPageMembers;
}
std::span<const Member> Pages::member_table() const {
  return kPagesMembers;
}
std::span<const Member> Document::member_table() const {
  return kDocumentMembers;
}

void Shape::add_rows(int16_t section, std::span<const NewRow> rows, TextView hidden_formula) {
  for (const NewRow& r : rows) {
    const int16_t index = add_named_row(section, r.row, 0);
    if (!hidden_formula.empty())
      set_cell_src_formula(section, index, kColumnPropertyHidden, hidden_formula);
    set_cell_formula(*r.value_cell, r.formula);
  }
}

}  // namespace kvpw::host
