#include "testing/drawings.h"

#include "host/drawing_builder.h"
#include "host/vsdx/vsdx_writer.h"

namespace kvpw::testing {

const char* AdapterName(Adapter adapter) {
  return adapter == Adapter::kMemory ? "Memory" : "Vsdx";
}

void PrintTo(Adapter adapter, std::ostream* os) {
  *os << AdapterName(adapter);
}

std::string AdapterTestName(const ::testing::TestParamInfo<Adapter>& info) {
  return AdapterName(info.param);
}

TestDrawing::TestDrawing(TextView document_name) : document_name_(document_name) {}

TestDrawing& TestDrawing::Add(Kind kind, TextView name, TextView master, Variant value) {
  steps_.push_back(Step{kind, Text(name), Text(master), std::move(value)});
  return *this;
}

TestDrawing& TestDrawing::page(TextView name) {
  return Add(Kind::kPage, name);
}
TestDrawing& TestDrawing::master(TextView name) {
  return Add(Kind::kMaster, name);
}
TestDrawing& TestDrawing::shape(TextView name, TextView master) {
  return Add(Kind::kShape, name, master);
}
TestDrawing& TestDrawing::group(TextView name, TextView master) {
  return Add(Kind::kGroup, name, master);
}
TestDrawing& TestDrawing::member(TextView name, TextView master) {
  return Add(Kind::kMember, name, master);
}
TestDrawing& TestDrawing::document_sheet() {
  return Add(Kind::kSheet);
}
TestDrawing& TestDrawing::prop(TextView row, const Variant& value) {
  return Add(Kind::kProp, row, {}, value);
}
TestDrawing& TestDrawing::user(TextView row, const Variant& value) {
  return Add(Kind::kUser, row, {}, value);
}
TestDrawing& TestDrawing::hidden(bool on) {
  return Add(Kind::kHidden, {}, {}, Variant(on));
}

TestDrawing& TestDrawing::cell(TextView name, double value) {
  return Add(Kind::kCell, name, {}, Variant(value));
}
TestDrawing& TestDrawing::page_size(double width, double height) {
  Add(Kind::kPageSize, {}, {}, Variant(width));
  steps_.back().second = height;
  return *this;
}

// Both builders take the same steps; only what they build differs.
template <class Builder>
void TestDrawing::Replay(Builder& builder) const {
  for (const Step& s : steps_) {
    switch (s.kind) {
      case Kind::kPage:
        builder.page(s.name);
        break;
      case Kind::kMaster:
        builder.master(s.name);
        break;
      case Kind::kShape:
        builder.shape(s.name, s.master);
        break;
      case Kind::kGroup:
        builder.group(s.name, s.master);
        break;
      case Kind::kMember:
        builder.member(s.name, s.master);
        break;
      case Kind::kSheet:
        builder.document_sheet();
        break;
      case Kind::kProp:
        builder.prop(s.name, s.value);
        break;
      case Kind::kUser:
        builder.user(s.name, s.value);
        break;
      case Kind::kHidden:
        builder.hidden(s.value.boolean());
        break;
      case Kind::kCell:
        builder.cell(s.name, s.value.double_value());
        break;
      case Kind::kPageSize:
        builder.page_size(s.value.double_value(), s.second);
        break;
    }
  }
}

std::shared_ptr<host::Document> TestDrawing::build(Adapter adapter) const {
  if (adapter == Adapter::kMemory) {
    host::DrawingBuilder builder(document_name_);
    Replay(builder);
    return builder.build();
  }
  host::VsdxWriter writer(document_name_);
  Replay(writer);
  return writer.build();
}

Constant ConstantOf(TextView formula) {
  const host::CellValue v = host::ParseFormula(formula);
  return Constant{v.kind, Text(v.text()), v.kind == host::CellValue::Kind::kText ? 0 : v.number};
}

Constant ConstantOf(host::Cell& cell) {
  const host::CellValue v = host::ParseFormula(cell.formula());
  if (v.kind == host::CellValue::Kind::kText) return Constant{v.kind, cell.result_text(Text()), 0};
  return Constant{v.kind, Text(), cell.result_number()};
}

void PrintTo(const Constant& constant, std::ostream* os) {
  switch (constant.kind) {
    case host::CellValue::Kind::kNone:
      *os << "no value";
      return;
    case host::CellValue::Kind::kText:
      *os << "text \"" << ToUtf8(constant.text) << '"';
      return;
    case host::CellValue::Kind::kNumber:
      *os << "number " << constant.number;
      return;
    case host::CellValue::Kind::kBoolean:
      *os << "flag " << constant.number;
      return;
  }
}

std::shared_ptr<host::Document> EmptyDrawing(Adapter adapter, TextView document_name) {
  return TestDrawing(document_name).page(u"Page-1").build(adapter);
}

}  // namespace kvpw::testing
