// The ports over the callers' automation objects: form controls and forms, and (through
// MakeAdapter) whatever port a member expects of an object a caller passes.
#pragma once

#include <vector>

#include "com/automation.h"
#include "db/engine.h"
#include "host/controls.h"

namespace kvpw::com {

// The library's view of a caller's object, as the port `object_type` names; a plain
// late-bound object for a port this runtime has no adapter of (or none asked).
ObjectRef MakeAdapter(IDispatch* dispatch, const std::type_info* object_type);

// A dialog control or form, every member reached by name as a macro reaches it.
class ControlOverAutomation final : public host::Control, public AutomationBacked {
 public:
  explicit ControlOverAutomation(IDispatch* dispatch) : foreign_(dispatch) {}
  IDispatch* dispatch() const override { return foreign_.dispatch(); }

  std::optional<DispId> IdOfName(TextView name) const override { return foreign_.IdOfName(name); }
  Variant Invoke(DispId id, uint16_t kinds, Args args) override {
    return foreign_.Invoke(id, kinds, args);
  }

  void clear() override;
  void add_item(const Variant& item) override;
  int32_t list_count() override;
  void set_column(int32_t column, int32_t row, const Variant& value) override;
  Variant value() override;
  void set_value(const Variant& value) override;
  Text text() override;
  void set_text(TextView text) override;
  Variant default_value() override;
  void set_default_value(const Variant& value) override;
  std::shared_ptr<Control> member(TextView name) override;
  std::shared_ptr<Control> controls(TextView name) override;

 private:
  ForeignObject foreign_;
};

// A record set of the caller's own engine, read forward through EOF, MoveNext and Fields.
class RecordsetOverAutomation final : public db::Recordset, public AutomationBacked {
 public:
  explicit RecordsetOverAutomation(IDispatch* dispatch) : foreign_(dispatch) {}
  IDispatch* dispatch() const override { return foreign_.dispatch(); }

  bool eof() const override;
  void move_next() override;
  int16_t field_count() const override;
  Text field_name(int16_t position) const override;
  int16_t field_index(TextView name) const override;
  const Variant& value(int16_t position) const override;

 private:
  Variant Field(int16_t position, TextView member) const;
  mutable ForeignObject foreign_;
  // The current row's values as read, until the next move.
  mutable std::vector<std::optional<Variant>> row_;
};

}  // namespace kvpw::com
