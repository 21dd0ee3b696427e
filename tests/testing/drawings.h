// Test drawings built once and replayed onto either drawing adapter, so that one test body runs
// on the in-memory drawing and on a .vsdx file alike:
//
//   class ScanTest : public ::testing::TestWithParam<testing::Adapter> {};
//   TEST_P(ScanTest, ...) {
//     auto doc = TestDrawing(u"Plant.vsd").page(u"P").shape(u"S").prop(u"P11", u"a")
//                    .build(GetParam());
//   }
//   INSTANTIATE_TEST_SUITE_P(, ScanTest, testing::kBothAdapters, testing::AdapterTestName);
//
// The steps are those of host::DrawingBuilder and host::VsdxWriter; prop(), user() and hidden()
// apply to the target named last. A .vsdx drawing is written as a package and read back by the
// file reader, so it answers exactly as a file on disk would.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "frame/text.h"
#include "frame/variant.h"
#include "host/drawing.h"
#include "host/memory_drawing.h"

namespace kvpw::testing {

enum class Adapter { kMemory, kVsdx };

// "Memory" or "Vsdx", as test names show them.
const char* AdapterName(Adapter adapter);
void PrintTo(Adapter adapter, std::ostream* os);
std::string AdapterTestName(const ::testing::TestParamInfo<Adapter>& info);

inline const auto kBothAdapters = ::testing::Values(Adapter::kMemory, Adapter::kVsdx);

class TestDrawing {
 public:
  explicit TestDrawing(TextView document_name = u"Drawing1.vsd");

  TestDrawing& page(TextView name);
  TestDrawing& master(TextView name);
  // A top-level shape, an instance of the master of that name when one is given.
  TestDrawing& shape(TextView name, TextView master = {});
  // A top-level group; member() adds shapes to the group made last.
  TestDrawing& group(TextView name, TextView master = {});
  TestDrawing& member(TextView name, TextView master = {});
  TestDrawing& document_sheet();
  TestDrawing& prop(TextView row, const Variant& value);
  TestDrawing& user(TextView row, const Variant& value);
  // The hidden flag of the property row set last.
  TestDrawing& hidden(bool on = true);
  // A shape cell of the target ("PinX", "Width", "BeginX", ...), and the current page's size.
  TestDrawing& cell(TextView name, double value);
  TestDrawing& page_size(double width, double height);

  // A new document each call; the drawing can be built any number of times.
  std::shared_ptr<host::Document> build(Adapter adapter) const;

 private:
  enum class Kind {
    kPage,
    kMaster,
    kShape,
    kGroup,
    kMember,
    kSheet,
    kProp,
    kUser,
    kHidden,
    kCell,
    kPageSize
  };
  struct Step {
    Kind kind;
    Text name;
    Text master;  // the master of a shape; unused otherwise
    Variant value;
    double second = 0;  // a page's height
  };
  TestDrawing& Add(Kind kind, TextView name = {}, TextView master = {}, Variant value = {});
  template <class Builder>
  void Replay(Builder& builder) const;

  Text document_name_;
  std::vector<Step> steps_;
};

// A drawing of one empty page, the least a .vsdx drawing holds.
std::shared_ptr<host::Document> EmptyDrawing(Adapter adapter, TextView document_name);

// The constant a formula holds: a text, a number, a flag, or nothing. The adapters spell a
// formula back differently (the in-memory drawing as it was written, a .vsdx file from the
// stored constant), so a test that checks what the library wrote compares these.
struct Constant {
  host::CellValue::Kind kind = host::CellValue::Kind::kNone;
  Text text;
  double number = 0;
  bool operator==(const Constant&) const = default;
};
// Of a formula of the forms the library writes.
Constant ConstantOf(TextView formula);
// Of a cell: the kind its formula shows, the value its result gives.
Constant ConstantOf(host::Cell& cell);
void PrintTo(const Constant& constant, std::ostream* os);

}  // namespace kvpw::testing
