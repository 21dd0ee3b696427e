#include "fillin/fill_testing.h"

#include "fillin/part_row.h"
#include "frame/library.h"

namespace kvpw::fill_testing {
namespace {

// Every control any fill-in names, passed or reached through the form.
std::vector<Text> AllNames() {
  std::vector<Text> names = {u"txtP12",   u"txtMan",    u"txtVen",     u"txtDesc", u"txtService",
                             u"txtMount", u"txtCoil",   u"txtContact", u"txtType", u"txtOutput",
                             u"txtRange", u"txtBitmap", u"txtP5",      u"txtP9",   u"txtP13",
                             u"txtP50",   u"txtP54",    u"txtP58",     u"txtD1",   u"txtD2",
                             u"txtD3",    u"txtD4",     u"txtD5",      u"txtD6"};
  for (const Text& name : Dialog::SheetNames()) names.push_back(name);
  return names;
}

}  // namespace

Text Was(TextView name) {
  return u"was " + Text(name);
}

std::vector<Text> Dialog::SheetNames() {
  std::vector<Text> names = {u"txtP46", u"txtP36", u"txtP10", u"txtPDF", u"txtTermAmt"};
  for (int n = 1; n <= 20; ++n) names.push_back(fillin::TermControl(n));
  return names;
}

Dialog::Dialog(const Text& part_number, std::initializer_list<TextView> missing)
    : form_(std::make_shared<host::MemoryForm>(u"frmDialog")) {
  const auto lacks = [&](TextView name) {
    for (const TextView m : missing)
      if (m == name) return true;
    return false;
  };
  auto part = form_->add<host::MemoryComboBox>(u"cboPart");
  part->set_value(Variant(part_number));
  controls_.push_back(part);
  for (const Text& name : AllNames()) {
    if (lacks(name)) continue;
    auto box = form_->add<host::MemoryTextBox>(name);
    box->set_value(Variant(name == u"txtP12" ? part_number : Was(name)));
    controls_.push_back(box);
  }
  initial_ = values();
}

std::shared_ptr<host::MemoryControl> Dialog::operator[](TextView name) const {
  for (const auto& control : controls_)
    if (control->name() == name) return control;
  return nullptr;
}

Values Dialog::values() const {
  Values out;
  for (const auto& control : controls_) {
    const Variant v = control->default_value();
    out.emplace_back(control->name(), v.is_null() ? u"<Null>" : ToText(v));
  }
  return out;
}

Values Dialog::expected(const Changes& changed) const {
  Values out = initial_;
  for (const auto& [name, value] : changed) {
    bool found = false;
    for (auto& entry : out)
      if (entry.first == name) {
        entry.second = Text(value);
        found = true;
      }
    EXPECT_TRUE(found) << "the dialog has no control " << ToUtf8(name);
  }
  return out;
}

Values Dialog::emptied(std::initializer_list<TextView> names, const Changes& changed) const {
  Values out = expected(changed);
  for (const TextView name : names)
    for (auto& entry : out)
      if (entry.first == name) entry.second.clear();
  return out;
}

FillInTest::FillInTest() = default;

Text FillInTest::parts() const {
  return FromUtf8((testing::ExamplesDir() / "parts.mdb").string());
}

void FillInTest::BuildOwn(const std::string& values) {
  std::string columns =
      "MfgPartNumber TEXT COLLATE NOCASE, MfgName TEXT, VendorName TEXT, Description TEXT,"
      " DescriptionShort TEXT, PDF TEXT, SoccBitmap TEXT, SoccTermAmt TEXT, SoccAsType TEXT,"
      " SoccVlvActSR TEXT, PhysDepth DOUBLE, PhysHeight DOUBLE, PhysWidth DOUBLE, SoccD4 TEXT,"
      " SoccD5 TEXT, SoccD6 TEXT";
  for (int n = 1; n <= 20; ++n) columns += ", SoccTerm" + std::to_string(n) + " TEXT";
  testing::BuildDatabase(dir_.path() / "own.mdb",
                         "CREATE TABLE qrySoccParts(" + columns +
                             ");"
                             "INSERT INTO qrySoccParts(MfgPartNumber, SoccBitmap) VALUES " +
                             values + ";");
}

void FillInTest::ExpectUnableToOpenBoxes(size_t count) const {
  ASSERT_EQ(boxes().size(), count);
  const Text start = u"Unable to query '" + missing() + u"': Unable to open database: ";
  for (const host::Box& box : boxes()) {
    EXPECT_EQ(box.text.substr(0, start.size()), start) << ToUtf8(box.text);
    EXPECT_GT(box.text.size(), start.size()) << "the engine's reason follows";
    EXPECT_EQ(box.style, 0);
    EXPECT_EQ(box.title, library::kTitle);
  }
}

}  // namespace kvpw::fill_testing
