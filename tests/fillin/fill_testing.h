// What the fill-in tests share: a dialog whose every control starts with a text of its own, so
// that a test sees both what an operation wrote and what it left alone, and the databases.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "testing/support.h"

namespace kvpw::fill_testing {

using Values = std::vector<std::pair<Text, Text>>;
using Changes = Values;

// A form of text boxes, each starting as "was " + its name, and a combo box cboPart holding the
// part number (txtP12 holds it too).
class Dialog {
 public:
  explicit Dialog(const Text& part_number, std::initializer_list<TextView> missing = {});

  const std::shared_ptr<host::MemoryForm>& form() const { return form_; }
  // A control of the form; nullptr for one the form lacks.
  std::shared_ptr<host::MemoryControl> operator[](TextView name) const;
  // As a Variant, for calls through the runtime.
  Variant object(TextView name) const { return Variant(ObjectRef((*this)[name])); }

  Values values() const;
  // Every control as it started, except `changed`.
  Values expected(const Changes& changed) const;
  // What `expected` gives with every control in `names` set to the empty text.
  Values emptied(std::initializer_list<TextView> names, const Changes& changed = {}) const;

  // The part sheet controls other than txtBitmap; txtTerm1 to txtTerm20.
  static std::vector<Text> SheetNames();

 private:
  std::shared_ptr<host::MemoryForm> form_;
  std::vector<std::shared_ptr<host::MemoryControl>> controls_;
  Values initial_;
};

Text Was(TextView name);

class FillInTest : public ::testing::Test {
 protected:
  FillInTest();

  // The example catalogue.
  Text parts() const;
  // A catalogue built by the test: a table qrySoccParts with the part-row columns, and these rows
  // (SQL value lists for MfgPartNumber, SoccBitmap).
  Text own() const { return dir_.file("own.mdb"); }
  Text missing() const { return dir_.file("missing.mdb"); }
  void BuildOwn(const std::string& values);

  const std::vector<host::Box>& boxes() const { return test_.boxes->boxes(); }
  const std::vector<Text>& sql() const { return *test_.sql; }
  // The plain box of a lookup on a file that cannot be opened.
  void ExpectUnableToOpenBoxes(size_t count) const;

  testing::TempDir dir_;
  testing::TestPlatform test_ = testing::MakeTestPlatform();
  Pw2 pw2_{test_.platform};
};

}  // namespace kvpw::fill_testing
