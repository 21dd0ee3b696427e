// The standard part sheet and dimension controls of a form. Once the part's row is read, each
// control is its own step: a form lacking some controls still gets the others.
#include <functional>

#include "fillin/part_row.h"
#include "frame/pw2.h"

namespace kvpw {
namespace {

using fillin::PartRow;

struct ControlColumn {
  TextView control;
  TextView column;
};

// The part sheet in the order it is written; txtBitmap comes between the document and the
// terminal amount, and the terminals follow.
constexpr ControlColumn kSheetBeforeCode[] = {
    {u"txtP46", u"MfgName"},
    {u"txtP36", u"VendorName"},
    {u"txtP10", u"Description"},
    {u"txtPDF", u"PDF"},
};
constexpr TextView kCodeControl = u"txtBitmap";
constexpr ControlColumn kTermAmt{u"txtTermAmt", u"SoccTermAmt"};
constexpr int32_t kSheetTerminals = 20;

constexpr ControlColumn kDimensions[] = {
    {u"txtD1", u"PhysDepth"}, {u"txtD2", u"PhysHeight"}, {u"txtD3", u"PhysWidth"},
    {u"txtD4", u"SoccD4"},    {u"txtD5", u"SoccD5"},     {u"txtD6", u"SoccD6"},
};

// The Sx sheet keeps only the fourth letter of the code.
enum class CodeKept { kWhole, kFourthLetter };
constexpr size_t kSxLetter = 4;

void WriteStep(const std::shared_ptr<host::Control>& frm, TextView control,
               const std::function<Text()>& text) {
  IgnoringFailure([&] { fillin::SetFormMember(frm, control, text()); });
}

// Each control gets `text(column)`; txtBitmap gets `code` when there is one to write.
void WriteSheet(const std::shared_ptr<host::Control>& frm,
                const std::function<Text(TextView column)>& text, const std::optional<Text>& code) {
  for (const ControlColumn& c : kSheetBeforeCode)
    WriteStep(frm, c.control, [&] { return text(c.column); });
  if (code) WriteStep(frm, kCodeControl, [&] { return *code; });
  WriteStep(frm, kTermAmt.control, [&] { return text(kTermAmt.column); });
  for (int32_t n = 1; n <= kSheetTerminals; ++n)
    WriteStep(frm, fillin::TermControl(n), [&] { return text(fillin::TermColumn(n)); });
}

Text FillPartSheet(const PlatformRef& platform, const Text& datafile,
                   const std::shared_ptr<host::Control>& frm, const Text& part_number,
                   CodeKept kept) {
  auto row = PartRow::LookUp(platform, datafile, fillin::kAllColumns, part_number);
  if (!row) return Text();
  Text code;
  if (row->matched()) {
    IgnoringFailure([&] { code = row->column(u"SoccBitmap"); });
    if (kept == CodeKept::kFourthLetter)
      code = code.size() >= kSxLetter ? code.substr(kSxLetter - 1, 1) : Text();
    WriteSheet(
        frm, [&](TextView column) { return row->column(column); }, code);
  } else {
    // No row: everything but the code is emptied, and the code control keeps its value.
    WriteSheet(
        frm, [](TextView) { return Text(); }, std::nullopt);
  }
  row->Close();
  return code;
}

}  // namespace

Text Pw2::FillInPw2PartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frm,
                              const Text& strPartNumber) {
  return FillPartSheet(platform_, strDatafile, frm, strPartNumber, CodeKept::kWhole);
}

Text Pw2::FillInSxPartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frm,
                             const Text& strPartNumber) {
  return FillPartSheet(platform_, strDatafile, frm, strPartNumber, CodeKept::kFourthLetter);
}

void Pw2::FillInDimFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frm,
                          const Text& strPartNumber) {
  auto row = PartRow::LookUp(platform_, strDatafile, fillin::kAllColumns, strPartNumber);
  if (!row) return;
  // No test for a row: without one every read fails with 3021 and every control is skipped.
  for (const ControlColumn& d : kDimensions)
    WriteStep(frm, d.control, [&] { return row->column(d.column); });
  row->Close();
}

}  // namespace kvpw
