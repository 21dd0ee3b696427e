// The form control port: the members of the callers' combo boxes, list boxes, text boxes and
// forms that the library uses. Callers pass controls late-bound; the library takes them from a
// Variant as std::shared_ptr<Control>. A member the control does not have fails with 438, as a
// late-bound call on the real control would.
#pragma once

#include <cstdint>
#include <memory>

#include "frame/error.h"
#include "frame/object.h"

namespace kvpw::host {

class Control : public Object {
 public:
  // List members: combo and list boxes.
  virtual void clear() { Raise(err::kMemberNotSupported); }
  // Appends one row whose column 0 holds the item.
  virtual void add_item(const Variant& /*item*/) { Raise(err::kMemberNotSupported); }
  virtual int32_t list_count() { Raise(err::kMemberNotSupported); }
  // Column and row count from 0.
  virtual void set_column(int32_t /*column*/, int32_t /*row*/, const Variant& /*value*/) {
    Raise(err::kMemberNotSupported);
  }

  // The value may be Null (a combo box showing nothing).
  virtual Variant value() { Raise(err::kMemberNotSupported); }
  virtual void set_value(const Variant& /*value*/) { Raise(err::kMemberNotSupported); }
  virtual Text text() { Raise(err::kMemberNotSupported); }
  virtual void set_text(TextView /*text*/) { Raise(err::kMemberNotSupported); }
  virtual Variant default_value() { Raise(err::kMemberNotSupported); }
  virtual void set_default_value(const Variant& /*value*/) { Raise(err::kMemberNotSupported); }

  // Forms: a control by member name, and by name through the Controls collection.
  virtual std::shared_ptr<Control> member(TextView /*name*/) { Raise(err::kMemberNotSupported); }
  // `form.txtName = value` sets the named control's default member.
  virtual void set_member(TextView name, const Variant& value) {
    std::shared_ptr<Control> control = member(name);
    if (!control) Raise(err::kObjectNotSet);
    control->set_default_value(value);
  }
  virtual std::shared_ptr<Control> controls(TextView /*name*/) { Raise(err::kMemberNotSupported); }
};

using ControlRef = std::shared_ptr<Control>;

}  // namespace kvpw::host
