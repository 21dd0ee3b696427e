// Builds in-memory drawings in a few readable lines:
//
//   auto doc = DrawingBuilder(u"Plant.vsd")
//                  .master(u"Controller").prop(u"P99", 1).prop(u"P11", u"")
//                  .page(u"Page-1")
//                  .shape(u"Relay").prop(u"P11", u"R1").prop(u"P99", 3).user(u"IOType", 2)
//                  .shape(u"Ctl", u"Controller").prop(u"P11", u"C1")
//                  .page(u"Page-2").group(u"G").member(u"Inner").prop(u"P99", 2)
//                  .document_sheet().prop(u"DeviceTableRowCount", 0).hidden()
//                  .build();
//
// prop(), user(), hidden() and formula() apply to the target named last: a master, a shape, a
// group member or the document sheet. A shape given before any page lands on a new "Page-1".
#pragma once

#include <memory>

#include "host/memory_drawing.h"

namespace kvpw::host {

class DrawingBuilder {
 public:
  explicit DrawingBuilder(TextView document_name = u"Drawing1.vsd");

  DrawingBuilder& page(TextView name);
  DrawingBuilder& master(TextView name);
  // A top-level shape, made from the master of that name when one is given.
  DrawingBuilder& shape(TextView name, TextView master = {});
  // A top-level shape whose members follow with member().
  DrawingBuilder& group(TextView name, TextView master = {});
  DrawingBuilder& member(TextView name, TextView master = {});
  DrawingBuilder& document_sheet();

  // The value of a custom property or user-defined row: a text, a number or a flag. The row is
  // added when the target has none of that name; an inherited row is overridden.
  DrawingBuilder& prop(TextView row, const Variant& value);
  DrawingBuilder& user(TextView row, const Variant& value);
  // The hidden flag of the property row set last.
  DrawingBuilder& hidden(bool on = true);
  // A cell of the target's own, as kShapeCells names them: "PinX", "Width", "BeginX", ...
  DrawingBuilder& cell(TextView name, double value);
  // The current page's size, in inches.
  DrawingBuilder& page_size(double width, double height);
  // A formula for an existing cell of the target.
  DrawingBuilder& formula(const CellName& cell, TextView formula);

  MemoryShape& target() const;
  MemoryPage& current_page();
  std::shared_ptr<MemoryDocument> build() const { return document_; }

 private:
  const MemoryShape* MasterNamed(TextView name) const;

  std::shared_ptr<MemoryDocument> document_;
  MemoryPage* page_ = nullptr;
  MemoryShape* group_ = nullptr;
  MemoryShape* target_ = nullptr;
  Text last_prop_;
};

}  // namespace kvpw::host
