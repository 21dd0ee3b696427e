#include "host/controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "frame/bind.h"
#include "frame/error.h"
#include "host/memory_controls.h"
#include "testing/support.h"

namespace kvpw::host {
namespace {

using testing::ErrorNumberOf;
namespace ce = control_error;

// The number and description of the failure `body` raises; 0 and nothing when none.
std::pair<int32_t, Text> FailureOf(const auto& body) {
  try {
    body();
  } catch (const Error& e) {
    return {e.number(), e.description()};
  }
  return {0, u""};
}

// Every port member, called with harmless arguments.
const struct {
  const char* name;
  std::function<void(Control&)> call;
} kPortMembers[] = {
    {"clear", [](Control& c) { c.clear(); }},
    {"add_item", [](Control& c) { c.add_item(Variant(u"x")); }},
    {"list_count", [](Control& c) { c.list_count(); }},
    {"set_column", [](Control& c) { c.set_column(0, 0, Variant(u"x")); }},
    {"value", [](Control& c) { c.value(); }},
    {"set_value", [](Control& c) { c.set_value(Variant(u"x")); }},
    {"text", [](Control& c) { c.text(); }},
    {"set_text", [](Control& c) { c.set_text(u"x"); }},
    {"default_value", [](Control& c) { c.default_value(); }},
    {"set_default_value", [](Control& c) { c.set_default_value(Variant(u"x")); }},
    {"member", [](Control& c) { c.member(u"txtP12"); }},
    {"set_member", [](Control& c) { c.set_member(u"txtP12", Variant(u"x")); }},
    {"controls", [](Control& c) { c.controls(u"txtP12"); }},
};

TEST(MemoryControls, EachKindLacksWhatItsRealCounterpartLacks) {
  auto form = std::make_shared<MemoryForm>(u"frmPart");
  form->add<MemoryTextBox>(u"txtP12");
  auto combo = std::make_shared<MemoryComboBox>(u"cboPart");
  combo->add_item(Variant(u"row"));
  const struct {
    const char* kind;
    std::shared_ptr<Control> control;
    std::vector<const char*> supported;
  } kinds[] = {
      {"combo box",
       combo,
       {"clear", "add_item", "list_count", "set_column", "value", "set_value", "text", "set_text",
        "default_value", "set_default_value"}},
      {"text box",
       std::make_shared<MemoryTextBox>(u"txt"),
       {"value", "set_value", "text", "set_text", "default_value", "set_default_value"}},
      {"form", form, {"member", "set_member", "controls"}},
  };
  for (const auto& k : kinds) {
    for (const auto& m : kPortMembers) {
      // Fresh list each time so that clear() does not empty the row set_column writes.
      if (k.control == combo && combo->list_count() == 0) combo->add_item(Variant(u"row"));
      const bool supported =
          std::find_if(k.supported.begin(), k.supported.end(), [&](const char* s) {
            return std::string_view(s) == m.name;
          }) != k.supported.end();
      EXPECT_EQ(ErrorNumberOf([&] { m.call(*k.control); }),
                supported ? 0 : err::kMemberNotSupported)
          << k.kind << "." << m.name;
    }
  }
  // The same through late binding: a text box has no list.
  const ObjectRef text_box = std::make_shared<MemoryTextBox>(u"txt");
  for (const char16_t* name : {u"Clear", u"ListCount", u"Controls", u"Refresh"})
    EXPECT_EQ(ErrorNumberOf([&] { Get(text_box, name); }), err::kMemberNotSupported)
        << ToUtf8(name);
}

TEST(MemoryControls, ComboBoxListAndSelection) {
  MemoryComboBox combo(u"cboPart");
  EXPECT_EQ(combo.value(), Variant(u""));
  EXPECT_EQ(combo.text(), u"");

  combo.add_item(Variant(u"P-100"));
  combo.set_column(1, combo.list_count() - 1, Variant(u"Relay"));
  combo.set_column(2, combo.list_count() - 1, Variant(12.5));
  combo.add_item(Variant(int32_t{200}));
  ASSERT_EQ(combo.list_count(), 2);
  EXPECT_EQ(combo.column(0, 0), Variant(u"P-100"));
  EXPECT_EQ(combo.column(1, 0), Variant(u"Relay"));
  EXPECT_EQ(combo.column(2, 0), Variant(u"12.5"));  // the list keeps texts
  EXPECT_EQ(combo.column(0, 1), Variant(u"200"));
  EXPECT_TRUE(combo.column(1, 1).is_null());  // never written
  EXPECT_TRUE(combo.column(9, 1).is_null());

  // Value and Text move together and select the matching row.
  combo.set_text(u"200");
  EXPECT_EQ(combo.value(), Variant(u"200"));
  EXPECT_EQ(combo.list_index(), 1);
  combo.set_value(Variant(u"typed"));
  EXPECT_EQ(combo.text(), u"typed");
  EXPECT_EQ(combo.list_index(), -1);
  combo.select(0);
  EXPECT_EQ(combo.value(), Variant(u"P-100"));
  EXPECT_EQ(combo.default_value(), Variant(u"P-100"));

  // Clear empties the list, keeping what the edit portion shows.
  combo.clear();
  EXPECT_EQ(combo.list_count(), 0);
  EXPECT_EQ(combo.list_index(), -1);
  EXPECT_EQ(combo.value(), Variant(u"P-100"));
  EXPECT_EQ(combo.text(), u"P-100");

  combo.set_value(kNull);
  EXPECT_TRUE(combo.value().is_null());
  EXPECT_EQ(combo.text(), u"");

  // Writes outside the list, Null items and Null cells fail as the real control does.
  combo.add_item(Variant(u"only"));
  const struct {
    int32_t column, row;
    Variant value;
    int32_t error;
  } writes[] = {
      {0, 1, Variant(u"x"), ce::kInvalidArrayIndex},
      {10, 0, Variant(u"x"), ce::kInvalidArrayIndex},
      {-1, 0, Variant(u"x"), ce::kInvalidArrayIndex},
      {0, -1, Variant(u"x"), ce::kInvalidArrayIndex},
      {1, 0, Variant(kNull), ce::kInvalidPropertyValue},
      {9, 0, Variant(u" "), 0},
  };
  for (const auto& w : writes)
    EXPECT_EQ(ErrorNumberOf([&] { combo.set_column(w.column, w.row, w.value); }), w.error)
        << w.column << "," << w.row;
  EXPECT_EQ(ErrorNumberOf([&] { combo.add_item(kNull); }), err::kTypeMismatch);
  EXPECT_EQ(combo.list_count(), 1);
}

TEST(MemoryControls, ListBoxValueFollowsTheSelection) {
  MemoryListBox list(u"lstDevices");
  list.add_item(Variant(u"AHU-1"));
  list.add_item(Variant(u"AHU-2"));
  EXPECT_TRUE(list.value().is_null());
  EXPECT_EQ(list.text(), u"");

  list.set_value(Variant(u"AHU-2"));
  EXPECT_EQ(list.list_index(), 1);
  EXPECT_EQ(list.text(), u"AHU-2");
  list.set_value(Variant(u"nothing like it"));
  EXPECT_TRUE(list.value().is_null());

  list.set_text(u"AHU-1");
  EXPECT_EQ(list.default_value(), Variant(u"AHU-1"));
  EXPECT_EQ(ErrorNumberOf([&] { list.set_text(u""); }), ce::kInvalidPropertyValue);
  EXPECT_EQ(list.value(), Variant(u"AHU-1"));  // unchanged by the failed write

  list.clear();
  EXPECT_EQ(list.list_count(), 0);
  EXPECT_TRUE(list.value().is_null());
}

TEST(MemoryControls, TextBoxValueTextAndDefaultAreOne) {
  MemoryTextBox box(u"txtP12");
  EXPECT_EQ(box.value(), Variant(u""));
  box.set_default_value(Variant(int16_t{42}));
  EXPECT_EQ(box.text(), u"42");
  box.set_text(u"PN-1");
  EXPECT_EQ(box.value(), Variant(u"PN-1"));
  EXPECT_EQ(ErrorNumberOf([&] { box.set_value(kNull); }), err::kInvalidUseOfNull);
  EXPECT_EQ(box.text(), u"PN-1");
}

TEST(MemoryControls, FormsFindTheirControlsByName) {
  MemoryForm form(u"frmPart");
  auto part = form.add<MemoryTextBox>(u"txtP12");
  auto term = form.add<MemoryTextBox>(u"txtTerm1");
  EXPECT_EQ(form.member(u"TXTP12"), part);
  EXPECT_EQ(form.controls(u"txtterm1"), term);

  form.set_member(u"txtP12", Variant(u"PN-7"));
  EXPECT_EQ(part->text(), u"PN-7");

  EXPECT_EQ(ErrorNumberOf([&] { form.member(u"txtTerm2"); }), err::kMemberNotSupported);
  EXPECT_EQ(FailureOf([&] { form.controls(u"txtTerm2"); }),
            (std::pair<int32_t, Text>{-2147024809, u"Could not find the specified object."}));
  EXPECT_EQ(ErrorNumberOf([&] { form.add<MemoryComboBox>(u"TXTP12"); }), err::kInvalidArgument);
}

TEST(MemoryControls, InjectedFailuresHitOnlyTheirMember) {
  MemoryComboBox combo(u"cboPart");
  combo.set_value(Variant(u"old"));
  const Text refusal = u"Could not set the Value property. Invalid property value.";
  combo.fail_on(ControlMember::kValueSet, Error(380, refusal));
  EXPECT_EQ(FailureOf([&] { combo.set_value(Variant(u"")); }),
            (std::pair<int32_t, Text>{380, refusal}));
  EXPECT_EQ(combo.value(), Variant(u"old"));
  combo.set_text(u"");  // other members still work
  EXPECT_EQ(combo.value(), Variant(u""));
  // The same failure again: it stays until cleared.
  EXPECT_EQ(ErrorNumberOf([&] { combo.set_value(Variant(u"x")); }), 380);
  combo.clear_failures();
  combo.set_value(Variant(u"x"));

  // With a number of calls to let through first: the third Column write fails.
  combo.fail_on(ControlMember::kColumnSet, Error(13), 2);
  combo.add_item(Variant(u"a"));
  for (int32_t column = 1; column <= 3; ++column)
    EXPECT_EQ(ErrorNumberOf([&] { combo.set_column(column, 0, Variant(IntegerText(column))); }),
              column == 3 ? 13 : 0);
  EXPECT_TRUE(combo.column(3, 0).is_null());

  MemoryForm form(u"frm");
  form.add<MemoryTextBox>(u"txtP12");
  form.fail_on(ControlMember::kControls, Error(91));
  EXPECT_EQ(ErrorNumberOf([&] { form.controls(u"txtP12"); }), 91);
  EXPECT_EQ(ErrorNumberOf([&] { form.member(u"txtP12"); }), 0);
}

TEST(MemoryControls, MacroLikeLateBoundCalls) {
  auto combo = std::make_shared<MemoryComboBox>(u"cboPart");
  const Variant passed{ObjectRef(combo)};
  const ObjectRef obj = passed.object();

  // The library takes the control from the caller's variant.
  EXPECT_EQ(bind::Conv<std::shared_ptr<Control>>::From(passed), combo);
  const Variant not_a_control{ObjectRef(std::make_shared<Object>())};
  EXPECT_EQ(ErrorNumberOf([&] { bind::Conv<std::shared_ptr<Control>>::From(not_a_control); }),
            err::kTypeMismatch);

  EXPECT_EQ(Get(obj, u"Value"), Variant(u""));
  EXPECT_EQ(DefaultValue(obj), Variant(u""));
  Let(obj, u"value", Variant(u""));
  Let(obj, u"Text", Variant(u""));
  Call(obj, u"Clear");
  Variant item(u"P-1");
  Call(obj, u"AddItem", {&item});
  const Variant count = Get(obj, u"ListCount");
  EXPECT_EQ(count, Variant(int32_t{1}));
  Variant column(int32_t{1}), row(ToLong(count) - 1), description(u"Relay, 24 V");
  Variant* column_args[] = {&column, &row, &description};
  Invoke(*obj, u"Column", kPropertyPut, column_args);
  EXPECT_EQ(Get(obj, u"Column", {&column, &row}), Variant(u"Relay, 24 V"));
  Variant front(u"P-0"), at(int32_t{0});
  Call(obj, u"AddItem", {&front, &at});
  EXPECT_EQ(combo->column(0, 0), Variant(u"P-0"));
  EXPECT_EQ(ErrorNumberOf([&] { Call(obj, u"AddItem"); }), err::kArgumentNotOptional);
  EXPECT_EQ(ErrorNumberOf([&] { Let(obj, u"ListCount", Variant(int32_t{3})); }),
            err::kMemberNotSupported);

  // A form: members by control name, Controls(name), and the default member with a name.
  auto form = std::make_shared<MemoryForm>(u"frmRelay");
  auto part = form->add<MemoryTextBox>(u"txtP12");
  const ObjectRef frm = form;
  Let(frm, u"txtP12", Variant(u"PN-9"));
  EXPECT_EQ(part->text(), u"PN-9");
  EXPECT_EQ(ToText(Get(frm, u"TXTP12")), u"PN-9");  // the control, read through its default
  Variant name(u"txtP12");
  EXPECT_EQ(Get(frm, u"Controls", {&name}).object(), ObjectRef(part));
  Variant* by_name[] = {&name};
  EXPECT_EQ(frm->Invoke(kDispIdValue, kPropertyGet, by_name).object(), ObjectRef(part));
  Variant missing(u"txtNope");
  EXPECT_EQ(ErrorNumberOf([&] { Get(frm, u"txtNope"); }), err::kMemberNotSupported);
  EXPECT_EQ(ErrorNumberOf([&] { Get(frm, u"Controls", {&missing}); }), ce::kObjectNotFound);
}

}  // namespace
}  // namespace kvpw::host
