#include "fillin/attribute_codes.h"

#include "fillin/part_row.h"

namespace kvpw::fillin {
namespace {

constexpr AttributeLetter kServiceLetters[] = {
    {u'B', u"General Purpose"},
    {u'C', u"Solid State"},
    {u'D', u"Encapsulated"},
    {u'E', u"Contactor"},
    {u'F', u"Pneumatic"},
    {u'G', u"Accessory"},
    {u'H', u"Electric-Pneumatic (EP)"},
    {u'I', u"Voltage Sensitive"},
    {u'J', u"Current Sensitive"},
    {u'K', u"Variable Freq. Drive"},
    {u'L', u"Pneumatic-Electric (PE)"},
    {u'M', u"Alternators"},
};

constexpr AttributeLetter kMountingLetters[] = {
    {u'B', u"Plug-In"},
    {u'C', u"Surface Mounted"},
    {u'D', u"Snap Track Mounted"},
    {u'E', u"Starter Enclosure"},
};

// H has no text: the dialogs show nothing new for it.
constexpr AttributeLetter kCoilLetters[] = {
    {u'B', u"24 VAC Coil"},  {u'C', u"110 VAC Coil"}, {u'D', u"220-240 VAC Coil"},
    {u'E', u"12 VDC Coil"},  {u'F', u"24 VDC Coil"},  {u'G', u"Multiple Coil Voltage"},
    {u'I', u"480 VAC Coil"}, {u'J', u"575 VAC Coil"}, {u'K', u"270-280 VAC Coil"},
};

constexpr AttributeLetter kContactLetters[] = {
    {u'B', u"Single Throw"},
    {u'C', u"Double Throw"},
    {u'D', u"Multiple Contacts"},
};

constexpr AttributeLetter kOutputLetters[] = {
    {u'I', u"Normally Open"},
    {u'J', u"Normally Closed"},
};

}  // namespace

const AttributeTable kServiceType{3, kServiceLetters};
const AttributeTable kMounting{4, kMountingLetters};
const AttributeTable kCoilVoltage{5, kCoilLetters};
const AttributeTable kContactForm{6, kContactLetters};
const AttributeTable kOutputType{8, kOutputLetters};

std::optional<TextView> Decode(const AttributeTable& table, TextView code) {
  if (code.size() < table.position) return std::nullopt;
  const char16_t letter = code[table.position - 1];
  for (const AttributeLetter& entry : table.letters)
    if (entry.letter == letter) return entry.text;
  return std::nullopt;
}

void DecodeInto(const AttributeTable& table, TextView code, const host::ControlRef& control) {
  if (const auto text = Decode(table, code)) SetControl(control, Text(*text));
}

}  // namespace kvpw::fillin
