#include "devices/cells.h"

#include "frame/variant.h"

namespace kvpw::devices {
namespace {

// Adds the row a missing cell needs; false when its name is of neither section.
bool AddRowFor(host::Shape& shape, const host::CellName& name) {
  const TextView text = name.text();
  if (text.size() < 5) return false;
  const Text prefix = LowerCase(text.substr(0, 5));
  const TextView row = text.substr(5);
  if (prefix == u"user.") {
    shape.add_named_row(host::kSectionUser, row, 0);
    return true;
  }
  if (prefix == u"prop.") {
    const int16_t index = shape.add_named_row(host::kSectionProperty, row, 0);
    shape.set_cell_src_formula(host::kSectionProperty, index, host::kColumnPropertyHidden,
                               kTrueFormula);
    return true;
  }
  return false;
}

void SetFormula(host::Shape& shape, const host::CellName& name, TextView formula) {
  if (!shape.cell_exists(name) && !AddRowFor(shape, name)) return;
  shape.set_cell_formula(name, formula);
}

}  // namespace

Text QuotedTextFormula(TextView text) {
  Text formula;
  formula.reserve(text.size() + 3);
  formula += u"=\"";
  formula += text;
  formula += u'"';
  return formula;
}

Text GetCellText(host::Shape& shape, const host::CellName& name) {
  if (!shape.cell_exists(name)) return Text();
  static const Variant kNoUnits{Text()};
  return shape.cell_result_text(name, kNoUnits);
}

int32_t GetCellInteger(host::Shape& shape, const host::CellName& name) {
  if (!shape.cell_exists(name)) return 0;
  return shape.cell(name).result_int();
}

void SetCellText(host::Shape& shape, const host::CellName& name, TextView text) {
  SetFormula(shape, name, QuotedTextFormula(text));
}

void PropertyTextWriter::Set(Text name, TextView text) {
  Text formula = QuotedTextFormula(text);
  const host::CellName cell(name);
  if (shape_.cell_exists(cell) || name.size() < 5 ||
      LowerCase(TextView(name).substr(0, 5)) != u"prop.") {
    Flush();
    SetFormula(shape_, cell, formula);
    return;
  }
  names_.push_back(std::move(name));
  formulas_.push_back(std::move(formula));
  // In batches: holding every formula of a long list back would cost more memory than the rows.
  if (names_.size() == kBatch) Flush();
}

void PropertyTextWriter::Flush() {
  if (names_.empty()) return;
  // Taken out first: whatever adding them throws, they are not added twice.
  const std::vector<Text> names = std::move(names_);
  const std::vector<Text> formulas = std::move(formulas_);
  names_.clear();
  formulas_.clear();
  std::vector<host::CellName> cells(names.begin(), names.end());
  std::vector<host::Shape::NewRow> rows;
  rows.reserve(names.size());
  for (size_t i = 0; i < names.size(); ++i)
    rows.push_back({TextView(names[i]).substr(5), &cells[i], formulas[i]});
  shape_.add_rows(host::kSectionProperty, rows, kTrueFormula);
}

void SetCellInteger(host::Shape& shape, const host::CellName& name, int16_t value) {
  SetFormula(shape, name, IntegerText(value));
}

}  // namespace kvpw::devices
