// The two point pickers of a connection dialog, filled from the chosen controller's point data.
#include <initializer_list>

#include "devices/device_classes.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "host/controls.h"

namespace kvpw {
namespace {

std::shared_ptr<host::Control> ControlNamed(host::Control& form, TextView name) {
  std::shared_ptr<host::Control> control = form.member(name);
  if (!control) Raise(err::kObjectNotSet);
  return control;
}

// `first` and `second` are the pickers that receive the odd and the even entries; each entry
// goes to every control of its list, in order.
void InsertPointPairs(const PlatformRef& platform, const std::shared_ptr<host::Control>& frmName,
                      const std::shared_ptr<host::Document>& docActive,
                      std::initializer_list<TextView> first,
                      std::initializer_list<TextView> second) {
  try {
    PwVsdDeviceCollection devices(platform);
    devices.LoadFromDocumentSheet(docActive);
    if (!frmName) Raise(err::kObjectNotSet);
    host::Control& form = *frmName;
    for (const DeviceRef& record : devices.records()) {
      if (ToText(ControlNamed(form, u"txtP15")->default_value()) != record->Device) continue;
      // Cleared pair by pair (txtP17, txtP18, then txtP30, txtP31), each found just before.
      std::vector<std::shared_ptr<host::Control>> firsts, seconds;
      for (size_t i = 0; i < first.size(); ++i) {
        firsts.push_back(ControlNamed(form, first.begin()[i]));
        firsts.back()->clear();
        seconds.push_back(ControlNamed(form, second.begin()[i]));
        seconds.back()->clear();
      }
      const Text data =
          record->GetDataField(ToText(ControlNamed(form, u"txtP19")->default_value()));
      // Each matching record starts its pairs on the first picker, so that the pickers, which
      // end up showing the last such record, always pair its entries the same way.
      bool to_first = true;
      Text pending;
      for (char16_t c : data) {
        if (c != u',') {
          pending.push_back(c);
          continue;
        }
        for (const auto& control : to_first ? firsts : seconds) control->add_item(Variant(pending));
        to_first = !to_first;
        pending.clear();
      }
    }
  } catch (const Error& e) {
    platform->message_box->ShowError(e, style::kInformation);
  }
}

}  // namespace

Variant Pw2::P1P2Insert(const std::shared_ptr<host::Control>& frmName,
                        const std::shared_ptr<host::Document>& docActive) {
  InsertPointPairs(platform_, frmName, docActive, {u"txtP17"}, {u"txtP18"});
  return Variant();
}

Variant Pw2::P1P2InsertTS9XXXX(const std::shared_ptr<host::Control>& frmName,
                               const std::shared_ptr<host::Document>& docActive) {
  InsertPointPairs(platform_, frmName, docActive, {u"txtP17", u"txtP30"}, {u"txtP18", u"txtP31"});
  return Variant();
}

}  // namespace kvpw
