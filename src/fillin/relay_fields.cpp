// Relay, EP, CS and transformer dialogs: the part's details into passed controls, and the
// attribute letters decoded into the texts the dialogs show.
#include "fillin/attribute_codes.h"
#include "fillin/part_row.h"
#include "frame/pw2.h"

namespace kvpw {
namespace {

using fillin::PartRow;

// EP and transformer dialogs look their part number up with a blank appended; whether the
// engine's comparison ignores it is the engine's business.
constexpr TextView kPartNumberSuffix = u" ";

Text ValueWithSuffix(const std::shared_ptr<host::Control>& control) {
  return ToText(fillin::ControlValue(control)) + Text(kPartNumberSuffix);
}

}  // namespace

void Pw2::FillInRelayPartFields(
    const Text& strDatafile, const std::shared_ptr<host::Control>& frmName,
    const std::shared_ptr<host::Control>& frmMan, const std::shared_ptr<host::Control>& frmVen,
    const std::shared_ptr<host::Control>& frmDesc, const std::shared_ptr<host::Control>& frmPDF,
    const std::shared_ptr<host::Control>& frmService,
    const std::shared_ptr<host::Control>& frmMount, const std::shared_ptr<host::Control>& frmCoil,
    const std::shared_ptr<host::Control>& frmContact,
    const std::shared_ptr<host::Control>& frmTermamt,
    const std::shared_ptr<host::Control>& frmTerm20,
    const std::shared_ptr<host::Control>& frmType) {
  const Text part_number = fillin::ControlText(frmName);
  auto row = PartRow::LookUp(platform_, strDatafile, fillin::kRelayColumns, part_number);
  if (!row) return;
  fillin::CopyColumns(
      *row,
      {{frmMan, u"MfgName"}, {frmVen, u"VendorName"}, {frmDesc, u"Description"}, {frmPDF, u"PDF"}});
  const Text code = row->matched() ? row->column(u"SoccBitmap") : Text();
  fillin::CopyColumns(
      *row, {{frmTermamt, u"SoccTermAmt"}, {frmTerm20, u"SoccTerm20"}, {frmType, u"SoccAsType"}});
  row->Close();
  fillin::DecodeInto(fillin::kServiceType, code, frmService);
  fillin::DecodeInto(fillin::kMounting, code, frmMount);
  fillin::DecodeInto(fillin::kCoilVoltage, code, frmCoil);
  fillin::DecodeInto(fillin::kContactForm, code, frmContact);
}

void Pw2::FillInEPPartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frmName,
                             const std::shared_ptr<host::Control>& frmMan,
                             const std::shared_ptr<host::Control>& frmVen,
                             const std::shared_ptr<host::Control>& frmDesc,
                             const std::shared_ptr<host::Control>& frmPDF,
                             const std::shared_ptr<host::Control>& frmMount,
                             const std::shared_ptr<host::Control>& frmCoil) {
  const Text part_number = ValueWithSuffix(frmName);
  auto row = PartRow::LookUp(platform_, strDatafile, fillin::kRelayColumns, part_number);
  if (!row) return;
  fillin::CopyColumns(
      *row,
      {{frmMan, u"MfgName"}, {frmVen, u"VendorName"}, {frmDesc, u"Description"}, {frmPDF, u"PDF"}});
  const Text code = row->matched() ? row->column(u"SoccBitmap") : Text();
  row->Close();
  fillin::DecodeInto(fillin::kMounting, code, frmMount);
  fillin::DecodeInto(fillin::kCoilVoltage, code, frmCoil);
}

Variant Pw2::FillInCSPartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frm,
                                const std::shared_ptr<host::Control>& /*frmService*/,
                                const std::shared_ptr<host::Control>& frmOutput) {
  const Text part_number = fillin::ControlText(fillin::FormMember(frm, u"txtP12"));
  const Text code = FillInPw2PartFields(strDatafile, frm, part_number);
  fillin::DecodeInto(fillin::kOutputType, code, frmOutput);
  return Variant();
}

void Pw2::FillInTransPartFields(const Text& strDatafile,
                                const std::shared_ptr<host::Control>& frmName,
                                const std::shared_ptr<host::Control>& frmMan,
                                const std::shared_ptr<host::Control>& frmVen,
                                const std::shared_ptr<host::Control>& frmDesc,
                                const std::shared_ptr<host::Control>& frmPDF,
                                const std::shared_ptr<host::Control>& frmTermamt,
                                const std::shared_ptr<host::Control>& frmTerm10) {
  const Text part_number = ValueWithSuffix(frmName);
  auto row = PartRow::LookUp(platform_, strDatafile, fillin::kTransColumns, part_number);
  if (!row) return;
  fillin::CopyColumns(*row, {{frmMan, u"MfgName"},
                             {frmVen, u"VendorName"},
                             {frmDesc, u"Description"},
                             {frmPDF, u"PDF"},
                             {frmTermamt, u"SoccTermAmt"},
                             {frmTerm10, u"SoccTerm10"}});
  row->Close();
}

}  // namespace kvpw
