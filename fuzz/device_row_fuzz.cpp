// A device row as a drawing's document sheet may hold it, read through the dispatch surface by
// PwVsdDevice.LoadFromString. A row that loads must write back (ToString) as a row that loads to
// the same record, unless its address is empty: then the written row ends with a backquote,
// which gives no piece, and reads back short by design.
#include <string_view>

#include "devices/device_classes.h"
#include "frame/error.h"
#include "fuzz_support.h"
#include "roster/roster.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kvpw;
  const fuzz::FuzzPlatform p = fuzz::MakePlatform();
  const ObjectRef device = CreateObject(u"KvPwForStencils.PwVsdDevice", p.platform);
  Variant row = fuzz::TextOf(std::string_view(reinterpret_cast<const char*>(data), size));
  bool loaded = false;
  try {
    loaded = ToBoolean(Call(device, u"LoadFromString", {&row}));
  } catch (const Error&) {
  }
  // Whatever was assigned before a failure reads back through every member.
  Text written;
  try {
    for (const char16_t* member :
         {u"Device", u"PartNum", u"DeviceType", u"AIData", u"AOData", u"DIData", u"DOData", u"LCM"})
      (void)Call(device, member);
    for (const char16_t* field : {u"AI", u"ao", u"Di", u"DOx", u""}) {
      Variant which = Text(field);
      (void)Call(device, u"GetDataField", {&which});
    }
    written = ToText(Call(device, u"ToString"));
  } catch (const Error& e) {
    fuzz::Broken("a device read back fails: " + ToUtf8(e.description()));
  }
  if (!loaded || ToText(Call(device, u"LCM")).empty()) return 0;
  const ObjectRef again = CreateObject(u"KvPwForStencils.PwVsdDevice", p.platform);
  Variant copy = written;
  try {
    if (!ToBoolean(Call(again, u"LoadFromString", {&copy})))
      fuzz::Broken("a written row is refused");
    if (ToText(Call(again, u"ToString")) != written)
      fuzz::Broken("a written row reads back as another record");
  } catch (const Error& e) {
    fuzz::Broken("a written row fails to load: " + ToUtf8(e.description()));
  }
  return 0;
}
