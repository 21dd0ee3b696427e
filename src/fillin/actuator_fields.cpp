// The electric actuator dialog (part sheet, dimensions and range) and the actuator accessory
// sheet. After the part's row is read, each control is its own step, skipped when it fails.
#include "fillin/part_row.h"
#include "frame/pw2.h"

namespace kvpw {
namespace {

using fillin::PartRow;

constexpr TextView kRangeLabel = u"Range: ";

struct ControlColumn {
  TextView control;
  TextView column;
};

// The accessory sheet in the order it is written. Maker and vendor each go into two controls;
// txtP5 takes the form's own txtP13 instead of a column.
constexpr ControlColumn kAccessoryHead[] = {
    {u"txtP46", u"MfgName"},
    {u"txtP36", u"VendorName"},
    {u"txtP10", u"Description"},
    {u"txtPDF", u"PDF"},
};
constexpr TextView kCodeControl = u"txtBitmap";
// Terminals 4 to 9 and 13 to 18 only.
constexpr int32_t kAccessoryTerminals[][2] = {{4, 9}, {13, 18}};
constexpr ControlColumn kAccessoryDimensions[] = {{u"txtD5", u"SoccD5"}, {u"txtD6", u"SoccD6"}};
constexpr TextView kCopiedControl = u"txtP5";
constexpr TextView kCopiedFrom = u"txtP13";
constexpr ControlColumn kAccessoryTail[] = {
    {u"txtP9", u"MfgPartNumber"},
    {u"txtP50", u"DescriptionShort"},
    {u"txtP54", u"MfgName"},
    {u"txtP58", u"VendorName"},
};

template <class F>
void WriteStep(const std::shared_ptr<host::Control>& frm, TextView control, F&& text) {
  IgnoringFailure([&] { fillin::SetFormMember(frm, control, text()); });
}

}  // namespace

Text Pw2::FillInElectricActuatorFields(const Text& strDatafile,
                                       const std::shared_ptr<host::Control>& frm,
                                       const Text& strPartNumber,
                                       const std::shared_ptr<host::Control>& frmRange) {
  const Text code = FillInPw2PartFields(strDatafile, frm, strPartNumber);
  FillInDimFields(strDatafile, frm, strPartNumber);
  auto row = PartRow::LookUp(platform_, strDatafile, fillin::kAllColumns, strPartNumber);
  if (!row) return Text();
  // No test for a row: without one the read fails with 3021 and the range keeps its text.
  IgnoringFailure(
      [&] { fillin::SetControl(frmRange, Text(kRangeLabel) + row->column(u"SoccVlvActSR")); });
  row->Close();
  return code;
}

bool Pw2::FillInElectricActuatorAccessoryFields(const Text& strDatafile,
                                                const std::shared_ptr<host::Control>& frm,
                                                const Text& strAccessoryPartNumber) {
  auto row = PartRow::LookUp(platform_, strDatafile, fillin::kAllColumns, strAccessoryPartNumber);
  if (!row) return false;
  const bool found = row->matched();
  if (found) {
    const auto column = [&](TextView name) { return [&row, name] { return row->column(name); }; };
    Text code;
    IgnoringFailure([&] { code = row->column(u"SoccBitmap"); });
    for (const ControlColumn& c : kAccessoryHead) WriteStep(frm, c.control, column(c.column));
    WriteStep(frm, kCodeControl, [&] { return code; });
    for (const auto& [first, last] : kAccessoryTerminals)
      for (int32_t n = first; n <= last; ++n)
        WriteStep(frm, fillin::TermControl(n), column(fillin::TermColumn(n)));
    for (const ControlColumn& c : kAccessoryDimensions) WriteStep(frm, c.control, column(c.column));
    WriteStep(frm, kCopiedControl,
              [&] { return ToText(fillin::ControlValue(fillin::FormMember(frm, kCopiedFrom))); });
    for (const ControlColumn& c : kAccessoryTail) WriteStep(frm, c.control, column(c.column));
  }
  row->Close();
  return found;
}

}  // namespace kvpw
