// In-memory form controls that behave like the dialog controls the stencils use, for tests and
// the command line. Each kind has the members its real counterpart has; the others fail with
// 438. All of them answer late-bound calls by name ("Clear", "AddItem", "ListCount", "Column",
// "Value", "Text", "Name", the default member; on a form "Controls" and each control's name).
//
// How they behave where the port leaves a choice:
// - Combo box: an editable text with a list (up to 10 columns, as an unbound list keeps).
//   Value and Text start empty (a fresh dialog's combo is filled, not skipped as one showing
//   Null). Setting Value or Text sets both (Null sets Value to Null and Text to the empty
//   text) and selects the first row whose column 0 equals the text exactly, or none. Choosing
//   a row (select()) sets both to its column 0. Clear empties the list and the selection but
//   keeps Value and Text, as the edit portion is not part of the list.
// - List box: Value is column 0 of the selected row, Null when none; Text likewise, empty when
//   none. Setting Value selects the matching row, or none; setting Text to a text no row holds
//   fails with 380. Clear leaves no selection, so Value becomes Null.
// - Both: AddItem stores the item's text in column 0 of a new last row (a Null item fails with
//   13, a type mismatch); columns never written read Null. Column(c, r) set outside 10 columns
//   or the rows fails with 381, with Null with 380. The default member is Value.
// - Text box: Value, Text and the default member are its text; a Null value fails with 94.
// - Form: its controls by name (member(), a late-bound member of the control's name) fail with
//   438 for a name it lacks; Controls(name) fails with -2147024809 "Could not find the
//   specified object.". Setting a member sets that control's default member.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <vector>

#include "host/controls.h"

namespace kvpw::host {

// Members whose failure tests can force.
enum class ControlMember : uint8_t {
  kClear,
  kAddItem,
  kListCount,
  kColumnSet,
  kValueGet,
  kValueSet,
  kTextGet,
  kTextSet,
  kDefaultGet,
  kDefaultSet,
  kMember,
  kControls,
};
inline constexpr size_t kControlMemberCount = 12;

namespace control_error {
inline constexpr int32_t kInvalidPropertyValue = 380;
inline constexpr int32_t kInvalidArrayIndex = 381;
inline constexpr int32_t kObjectNotFound = -2147024809;
inline constexpr char16_t kObjectNotFoundText[] = u"Could not find the specified object.";
}  // namespace control_error

class MemoryControl : public Control {
 public:
  explicit MemoryControl(TextView name) : name_(name) {}

  const Text& name() const { return name_; }
  // The member fails with `error` from now on, after `skip` more calls that succeed.
  void fail_on(ControlMember member, Error error, int skip = 0);
  void clear_failures();

  std::optional<DispId> IdOfName(TextView name) const override;
  Variant Invoke(DispId id, uint16_t kinds, Args args) override;

 protected:
  // Raises the failure set for the member, if any.
  void Check(ControlMember member);
  // Whether late binding finds the member; a name the kind lacks fails with 438 at once.
  virtual bool HasMember(DispId id) const;
  // Late-bound forms that the port does not carry.
  virtual Variant ColumnValue(int32_t column, std::optional<int32_t> row);
  virtual void AddItemAt(const Variant& item, int32_t index);

 private:
  struct Failure {
    Error error;
    int skip;
  };
  Text name_;
  std::array<std::optional<Failure>, kControlMemberCount> failures_;
};

// What combo and list boxes share: the list and its selection.
class MemoryListControl : public MemoryControl {
 public:
  static constexpr int32_t kMaxColumns = 10;
  using MemoryControl::MemoryControl;

  void clear() override;
  void add_item(const Variant& item) override;
  int32_t list_count() override;
  void set_column(int32_t column, int32_t row, const Variant& value) override;

  // Null for a column never written; fails with 381 outside the list.
  Variant column(int32_t column, int32_t row) const;
  int32_t list_index() const { return list_index_; }
  // As when the user chooses a row; -1 chooses none.
  virtual void select(int32_t row);

 protected:
  bool HasMember(DispId id) const override;
  Variant ColumnValue(int32_t column, std::optional<int32_t> row) override;
  void AddItemAt(const Variant& item, int32_t index) override;
  // The first row whose column 0 is the text, or -1.
  int32_t MatchRow(TextView text) const;
  Text FirstColumn(int32_t row) const;
  void InsertRow(const Variant& item, int32_t index);

  std::vector<std::vector<Variant>> rows_;
  int32_t list_index_ = -1;
};

class MemoryComboBox final : public MemoryListControl {
 public:
  using MemoryListControl::MemoryListControl;

  Variant value() override;
  void set_value(const Variant& value) override;
  Text text() override;
  void set_text(TextView text) override;
  Variant default_value() override;
  void set_default_value(const Variant& value) override;
  void select(int32_t row) override;

 private:
  void Assign(const Variant& value);

  Variant value_ = Text();
  Text text_;
};

class MemoryListBox final : public MemoryListControl {
 public:
  using MemoryListControl::MemoryListControl;

  Variant value() override;
  void set_value(const Variant& value) override;
  Text text() override;
  void set_text(TextView text) override;
  Variant default_value() override;
  void set_default_value(const Variant& value) override;

 private:
  void Assign(const Variant& value);
};

class MemoryTextBox final : public MemoryControl {
 public:
  using MemoryControl::MemoryControl;

  Variant value() override;
  void set_value(const Variant& value) override;
  Text text() override;
  void set_text(TextView text) override;
  Variant default_value() override;
  void set_default_value(const Variant& value) override;

 protected:
  bool HasMember(DispId id) const override;

 private:
  void Assign(const Variant& value);

  Text text_;
};

class MemoryForm final : public MemoryControl {
 public:
  using MemoryControl::MemoryControl;

  // Adds a new control of that kind and name; names are unique without regard to case.
  template <class T>
  std::shared_ptr<T> add(TextView name) {
    auto control = std::make_shared<T>(name);
    add(control);
    return control;
  }
  void add(std::shared_ptr<MemoryControl> control);

  std::shared_ptr<Control> member(TextView name) override;
  std::shared_ptr<Control> controls(TextView name) override;

  std::optional<DispId> IdOfName(TextView name) const override;
  Variant Invoke(DispId id, uint16_t kinds, Args args) override;

 protected:
  bool HasMember(DispId id) const override;

 private:
  std::optional<size_t> Find(TextView name) const;

  std::vector<std::shared_ptr<MemoryControl>> controls_;
};

}  // namespace kvpw::host
