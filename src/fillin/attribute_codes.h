// The one-letter codes at fixed positions of a part's attribute code, and the texts the dialogs
// show for them.
#pragma once

#include <optional>
#include <span>

#include "host/controls.h"

namespace kvpw::fillin {

struct AttributeLetter {
  char16_t letter;
  TextView text;
};

// One position of the code (counted from 1) and the letters it knows.
struct AttributeTable {
  size_t position;
  std::span<const AttributeLetter> letters;
};

extern const AttributeTable kServiceType;
extern const AttributeTable kMounting;
extern const AttributeTable kCoilVoltage;
extern const AttributeTable kContactForm;
extern const AttributeTable kOutputType;

// The text of the letter at the table's position. Nothing for a code too short to have the
// position or a letter the table does not list; letters compare exactly, so lower case matches
// nothing.
std::optional<TextView> Decode(const AttributeTable& table, TextView code);

// Sets the passed control to the decoded text; without one the control keeps its value.
void DecodeInto(const AttributeTable& table, TextView code, const host::ControlRef& control);

}  // namespace kvpw::fillin
