#include "com/drawing_adapter.h"

#include <deque>

namespace kvpw::com {
namespace {

// Members of the drawing application's objects.
constexpr TextView kName = u"Name";
constexpr TextView kPages = u"Pages";
constexpr TextView kDocumentSheet = u"DocumentSheet";
constexpr TextView kShapes = u"Shapes";
constexpr TextView kPageSheet = u"PageSheet";
constexpr TextView kItem = u"Item";
constexpr TextView kCount = u"Count";
constexpr TextView kId = u"ID";
constexpr TextView kCellExists = u"CellExists";
constexpr TextView kCells = u"Cells";
constexpr TextView kCellsSrc = u"CellsSRC";
constexpr TextView kAddNamedRow = u"AddNamedRow";
constexpr TextView kFormula = u"Formula";
constexpr TextView kResultStr = u"ResultStr";
constexpr TextView kResultIu = u"ResultIU";
constexpr TextView kResultInt = u"ResultInt";
// CellExists' second argument: 0 counts inherited cells, 1 only the shape's own.
constexpr int16_t kExistsAnywhere = 0;
constexpr int16_t kExistsLocally = 1;

IDispatch* DispatchOf(const Variant& value) {
  if (!value.is_object() || !value.object()) Raise(err::kObjectNotSet);
  auto* backed = dynamic_cast<AutomationBacked*>(value.object().get());
  if (!backed) Raise(err::kTypeMismatch);
  return backed->dispatch();
}

// The identity of an automation object: its IUnknown.
const void* IdentityOf(IDispatch* dispatch) {
  IUnknown* unknown = nullptr;
  if (FAILED(dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown))))
    return dispatch;
  unknown->Release();
  return unknown;
}

// Late-bound members by name through the port's own table; the automation object behind.
template <class Port>
class Backed : public Port, public AutomationBacked {
 public:
  Backed(DocumentOverAutomation& owner, IDispatch* dispatch) : owner_(owner), foreign_(dispatch) {}
  IDispatch* dispatch() const override { return foreign_.dispatch(); }

 protected:
  Variant Get(TextView name, std::initializer_list<Variant> args = {}) {
    return CallForeign(foreign_, name, kPropertyGet | kMethod, args);
  }
  DocumentOverAutomation& owner_;
  ForeignObject foreign_;
};

class CellOverAutomation;
class ShapeOverAutomation;
class ShapesOverAutomation;
class PageOverAutomation;
class PagesOverAutomation;

}  // namespace

class DocumentOverAutomation final : public host::Document, public AutomationBacked {
 public:
  explicit DocumentOverAutomation(IDispatch* dispatch) : foreign_(dispatch) {}
  IDispatch* dispatch() const override { return foreign_.dispatch(); }
  Text name() override { return ToText(CallForeign(foreign_, kName, kPropertyGet)); }
  host::Pages& pages() override;
  host::Shape& document_sheet() override;

  // One adapter per automation object met.
  template <class Adapter>
  Adapter& Adopt(IDispatch* dispatch) {
    const void* identity = IdentityOf(dispatch);
    auto found = parts_.find(identity);
    if (found != parts_.end()) {
      if (auto* adapter = dynamic_cast<Adapter*>(found->second.get())) return *adapter;
    }
    auto adapter = std::make_unique<Adapter>(*this, dispatch);
    Adapter& result = *adapter;
    parts_[identity] = std::move(adapter);
    return result;
  }

 private:
  ForeignObject foreign_;
  std::unordered_map<const void*, std::unique_ptr<Object>> parts_;
};

namespace {

class CellOverAutomation final : public Backed<host::Cell> {
 public:
  using Backed::Backed;
  Text formula() override { return ToText(Get(kFormula)); }
  void set_formula(TextView formula) override {
    CallForeign(foreign_, kFormula, kPropertyPut, {Variant(formula)});
  }
  Text result_text(const Variant& units) override { return ToText(Get(kResultStr, {units})); }
  double result_number() override { return ToDouble(Get(kResultIu)); }
  int32_t result_int() override {
    return ToLong(Get(kResultInt, {Variant(int16_t{0}), Variant(int16_t{0})}));
  }
};

class ShapeOverAutomation final : public Backed<host::Shape> {
 public:
  using Backed::Backed;
  host::Document& owner() override { return owner_; }
  Text name() override { return ToText(Get(kName)); }
  int32_t id() override { return ToLong(Get(kId)); }
  bool cell_exists(const host::CellName& name) override {
    return ToBoolean(Get(kCellExists, {Variant(name.text()), Variant(kExistsAnywhere)}));
  }
  bool cell_exists_locally(const host::CellName& name) override {
    return ToBoolean(Get(kCellExists, {Variant(name.text()), Variant(kExistsLocally)}));
  }
  host::Cell& cell(const host::CellName& name) override {
    return owner_.Adopt<CellOverAutomation>(DispatchOf(Get(kCells, {Variant(name.text())})));
  }
  host::Cell& cell_src(int16_t section, int16_t row, int16_t column) override {
    return owner_.Adopt<CellOverAutomation>(
        DispatchOf(Get(kCellsSrc, {Variant(section), Variant(row), Variant(column)})));
  }
  int16_t add_named_row(int16_t section, TextView row_name, int16_t row_tag) override {
    return ToInteger(CallForeign(foreign_, kAddNamedRow, kMethod,
                                 {Variant(section), Variant(row_name), Variant(row_tag)}));
  }
};

class ShapesOverAutomation final : public Backed<host::Shapes> {
 public:
  using Backed::Backed;
  host::Document& owner() override { return owner_; }
  int16_t count() override { return ToInteger(Get(kCount)); }
  host::Shape& item(int16_t position) override {
    return owner_.Adopt<ShapeOverAutomation>(DispatchOf(Get(kItem, {Variant(position)})));
  }
  host::Shape& item(TextView name) override {
    return owner_.Adopt<ShapeOverAutomation>(DispatchOf(Get(kItem, {Variant(name)})));
  }
};

class PageOverAutomation final : public Backed<host::Page> {
 public:
  using Backed::Backed;
  host::Document& owner() override { return owner_; }
  Text name() override { return ToText(Get(kName)); }
  host::Shapes& shapes() override {
    return owner_.Adopt<ShapesOverAutomation>(DispatchOf(Get(kShapes)));
  }
  host::Shape& page_sheet() override {
    return owner_.Adopt<ShapeOverAutomation>(DispatchOf(Get(kPageSheet)));
  }
};

class PagesOverAutomation final : public Backed<host::Pages> {
 public:
  using Backed::Backed;
  host::Document& owner() override { return owner_; }
  int16_t count() override { return ToInteger(Get(kCount)); }
  host::Page& item(int16_t position) override {
    return owner_.Adopt<PageOverAutomation>(DispatchOf(Get(kItem, {Variant(position)})));
  }
  host::Page& item(TextView name) override {
    return owner_.Adopt<PageOverAutomation>(DispatchOf(Get(kItem, {Variant(name)})));
  }
};

}  // namespace

host::Pages& DocumentOverAutomation::pages() {
  return Adopt<PagesOverAutomation>(
      DispatchOf(CallForeign(foreign_, kPages, kPropertyGet | kMethod)));
}

host::Shape& DocumentOverAutomation::document_sheet() {
  return Adopt<ShapeOverAutomation>(
      DispatchOf(CallForeign(foreign_, kDocumentSheet, kPropertyGet | kMethod)));
}

std::shared_ptr<host::Document> MakeDocumentAdapter(IDispatch* document) {
  return std::make_shared<DocumentOverAutomation>(document);
}

}  // namespace kvpw::com
