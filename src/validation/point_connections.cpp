// Point shapes whose controller is missing from the device list saved in the document sheet.
#include <memory>
#include <unordered_set>

#include "devices/device_classes.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "validation/drawing_checks.h"
#include "validation/findings.h"

namespace kvpw {
namespace {

using namespace validation;

// "None" is what a point shape says when it is meant to be wired to nothing.
constexpr TextView kNotConnected = u"None";
constexpr TextView kMissingPrefix = u"Shape ";
constexpr TextView kMissingSuffix =
    u" does not have a valid point connection.\n\rThe shape has been turned green.";
constexpr TextView kFinishedPrefix = u"Missing Point Connections finished.  There were ";
constexpr TextView kFinishedSuffix = u" errors found.";

}  // namespace

void Pw2::CheckForInvalidPointConnections(const int16_t& intUpperPage, const int16_t& intLowerPage,
                                          const std::shared_ptr<host::Document>& docActive,
                                          const Text& strDatafile) {
  static_cast<void>(strDatafile);  // the check uses no database
  try {
    const auto devices = std::make_shared<PwVsdDeviceCollection>(platform_);
    devices->LoadFromDocumentSheet(docActive);
    // The list is this call's own and stays as loaded, so FindDevice's answer for a name (is
    // any record's Device that name, without regard to case) comes from a set of its names.
    std::unordered_set<Text> listed;
    for (const DeviceRef& record : devices->records()) listed.insert(LowerCase(record->Device));
    int16_t errors = 0;
    if (intLowerPage <= intUpperPage) {
      if (!docActive) Raise(err::kObjectNotSet);
      ForEachShape(
          docActive->pages(), intLowerPage, intUpperPage,
          [&](host::Page& page, host::Shape& shape, int16_t, int16_t) {
            if (!shape.cell_exists(kPointMarkerCell) || !shape.cell_exists(kPointNameExistsCell))
              return;
            if (CellText(shape, kControllerCell) == kNotConnected) return;
            if (listed.contains(LowerCase(CellText(shape, kControllerCell)))) return;
            errors = CountOneMore(errors);
            Text device = CellText(shape, kDeviceNameCell);
            Text message = Text(kMissingPrefix) + device + Text(kMissingSuffix);
            platform_->message_box->Show(message, style::kInformation, kErrorFoundTitle);
            shape.cell(kMarkCell).set_formula(kMarkMissingController);
            if (platform_->findings) {
              Finding finding{Check::kPointConnections,
                              {page.name(), shape.name(), shape.id(), std::move(device)}};
              finding.controller = CellText(shape, kControllerCell);
              finding.message = std::move(message);
              platform_->findings->Report(std::move(finding));
            }
          });
    }
    platform_->message_box->Show(
        Text(kFinishedPrefix) + IntegerText(errors) + Text(kFinishedSuffix), style::kInformation,
        kCompletedTitle);
  } catch (const Error& e) {
    platform_->message_box->ShowError(e, style::kInformation);
  }
}

}  // namespace kvpw
