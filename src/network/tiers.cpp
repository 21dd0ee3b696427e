// Address tiers and the three pickers that list the tiers in use.
#include <algorithm>
#include <limits>
#include <unordered_set>

#include "devices/device_classes.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "frame/variant.h"
#include "host/controls.h"

namespace kvpw {
namespace {

// A tier the address does not have.
constexpr TextView kMissingTier = u"0";

TextView TierOf(TextView address, int16_t tier) {
  int32_t counter = 0;
  size_t start = 0;
  for (size_t i = 0; i < address.size(); ++i) {
    if (address[i] != u':') continue;
    if (counter == tier) return address.substr(start, i - start);
    ++counter;
    start = i + 1;
  }
  return counter == tier ? address.substr(start) : kMissingTier;
}

// Clears the picker, then lists the distinct values of one tier over the stored device list in
// ascending numeric order, ties in the order first met. Failures after the start are reported.
void FillTierPicker(const PlatformRef& platform, const std::shared_ptr<host::Control>& picker,
                    const std::shared_ptr<host::Document>& document, int16_t tier,
                    bool stop_when_empty) {
  try {
    if (!picker) Raise(err::kObjectNotSet);
    picker->clear();
    PwVsdDeviceCollection devices(platform);
    devices.LoadFromDocumentSheet(document);
    if (stop_when_empty && devices.Count() == 0) return;
    // The empty placeholder takes part in the uniqueness test, so an empty tier is never listed.
    std::unordered_set<TextView> seen{TextView()};
    std::vector<std::pair<double, TextView>> values;
    for (const DeviceRef& record : devices.records()) {
      const TextView value = TierOf(record->LCM, tier);
      if (seen.insert(value).second) values.emplace_back(Val(value), value);
    }
    std::stable_sort(values.begin(), values.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [number, text] : values) picker->add_item(Variant(text));
  } catch (const Error& e) {
    platform->message_box->ShowError(e, style::kInformation);
  }
}

}  // namespace

Text Pw2::fncstrTier(const Text& strAddr, const int16_t& intTier) {
  return Text(TierOf(strAddr, intTier));
}

void Pw2::PopulateComboNetwork(const std::shared_ptr<host::Control>& objNetwork,
                               const std::shared_ptr<host::Document>& docActive) {
  FillTierPicker(platform_, objNetwork, docActive, 0, true);
}

void Pw2::PopulateComboGCM(const std::shared_ptr<host::Control>& /*objNetwork*/,
                           const std::shared_ptr<host::Control>& objGCM,
                           const std::shared_ptr<host::Document>& docActive) {
  FillTierPicker(platform_, objGCM, docActive, 1, false);
}

void Pw2::PopulateComboINTR(const std::shared_ptr<host::Control>& /*objNetwork*/,
                            const std::shared_ptr<host::Control>& /*objGCM*/,
                            const std::shared_ptr<host::Control>& objIntr,
                            const std::shared_ptr<host::Document>& docActive) {
  FillTierPicker(platform_, objIntr, docActive, 2, false);
}

}  // namespace kvpw
