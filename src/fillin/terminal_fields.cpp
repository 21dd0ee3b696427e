// The three simplest fill-ins: terminal labels of a form, and maker, vendor, description and
// document into passed controls.
#include <limits>

#include "fillin/part_row.h"
#include "frame/pw2.h"

namespace kvpw {

using fillin::PartRow;

void Pw2::FillInTermFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frmTemp,
                           const int16_t& intTermCount, std::optional<bool> fAmt) {
  const Text part_number = ToText(fillin::ControlValue(fillin::FormMember(frmTemp, u"txtP12")));
  auto row = PartRow::LookUp(platform_, strDatafile, fillin::kAllColumns, part_number);
  if (!row) return;
  const bool matched = row->matched();
  // The bound is taken once, when the loop starts.
  const int16_t count = intTermCount;
  for (int32_t n = 1; n <= count; ++n)
    fillin::SetInControls(frmTemp, fillin::TermControl(n),
                          matched ? row->column(fillin::TermColumn(n)) : Text());
  // The counter is 16-bit: stepping past its largest value overflows.
  if (count == std::numeric_limits<int16_t>::max()) Raise(err::kOverflow);
  if (fAmt.value_or(false))
    fillin::SetInControls(frmTemp, u"txtTermAmt", matched ? row->column(u"SoccTermAmt") : Text());
  row->Close();
}

void Pw2::FillInAccFields(const Text& strDatafile,
                          const std::shared_ptr<host::Control>& frmPartNumber,
                          const std::shared_ptr<host::Control>& frmMan,
                          const std::shared_ptr<host::Control>& frmVendor,
                          const std::shared_ptr<host::Control>& frmDescript,
                          const std::optional<std::shared_ptr<host::Control>>& frmPDF) {
  const Text part_number = fillin::ControlText(frmPartNumber);
  auto row = PartRow::LookUp(platform_, strDatafile, fillin::kAccessoryColumns, part_number);
  if (!row) return;
  fillin::CopyColumns(
      *row, {{frmMan, u"MfgName"}, {frmVendor, u"VendorName"}, {frmDescript, u"Description"}});
  // A document box showing nothing (Null) is left as it is.
  if (frmPDF && !fillin::ControlValue(*frmPDF).is_null())
    fillin::CopyColumns(*row, {{*frmPDF, u"PDF"}});
  row->Close();
}

void Pw2::FillInCDFields(const Text& strDatafile, const Text& strPartNo,
                         const std::shared_ptr<host::Control>& frmDesc,
                         const std::shared_ptr<host::Control>& frmPDF,
                         const std::shared_ptr<host::Control>& frmMan,
                         const std::shared_ptr<host::Control>& frmVen) {
  auto row = PartRow::LookUp(platform_, strDatafile, fillin::kAllColumns, strPartNo);
  if (!row) return;
  fillin::CopyColumns(
      *row,
      {{frmMan, u"MfgName"}, {frmVen, u"VendorName"}, {frmDesc, u"Description"}, {frmPDF, u"PDF"}});
  row->Close();
}

}  // namespace kvpw
