// Single cells of a shape (the document sheet, mostly) read and written by name: a missing cell
// reads as empty or 0, and writing one first adds its row.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/text.h"
#include "host/drawing.h"

namespace kvpw::devices {

// The value as text (units: the empty text); the empty text when the shape has no such cell.
Text GetCellText(host::Shape& shape, const host::CellName& name);
// The value as a whole number, the fraction dropped; 0 when the shape has no such cell.
int32_t GetCellInteger(host::Shape& shape, const host::CellName& name);
// Sets the formula ="text" (the text not escaped). A missing "User." or "Prop." cell gets a new
// row first, a property row hidden; a missing cell of any other name is left unwritten.
void SetCellText(host::Shape& shape, const host::CellName& name, TextView text);
// Sets the formula to the value's decimal digits, adding the row as SetCellText does.
void SetCellInteger(host::Shape& shape, const host::CellName& name, int16_t value);

// SetCellText on many "Prop." cells in order, the rows that are missing held back and added
// together: the effects are those of the calls one by one, as long as no two of the names are
// alike without regard to case. Flush before reading the shape.
class PropertyTextWriter {
 public:
  explicit PropertyTextWriter(host::Shape& shape) : shape_(shape) {}
  void Set(Text name, TextView text);
  // Adds the rows held back.
  void Flush();

 private:
  static constexpr size_t kBatch = 1024;
  host::Shape& shape_;
  std::vector<Text> names_;
  std::vector<Text> formulas_;
};

// Formula forms the library writes.
Text QuotedTextFormula(TextView text);
inline constexpr TextView kTrueFormula = u"=True";

}  // namespace kvpw::devices
