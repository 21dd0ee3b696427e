// The pattern and address texts callers hand in, through the dispatch surface: wildcard patterns
// turned into SQL conditions, network address tiers, the device-name pickers' address patterns
// matched against a drawing's device list, and both Like dialects on their own. The first byte
// picks the operation.
#include <memory>
#include <string_view>

#include "devices/device_classes.h"
#include "frame/error.h"
#include "frame/like.h"
#include "fuzz_support.h"
#include "host/drawing_builder.h"
#include "host/memory_controls.h"
#include "roster/roster.h"

namespace kvpw::fuzz {
namespace {

// A drawing whose device list holds devices at several addresses and with point data.
std::shared_ptr<host::Document> DrawingWithDevices(const PlatformRef& platform) {
  auto doc = host::DrawingBuilder(u"Patterns.vsd").page(u"Page-1").build();
  PwVsdDeviceCollection list(platform);
  const struct {
    const char16_t* name;
    int16_t type;
    const char16_t* ai;
    const char16_t* lcm;
  } devices[] = {
      {u"AHU-1", 1, u"1,2,", u"1:2:0:0:0"}, {u"VAV-10", 5, u",,", u"1:20:3:0:0"},
      {u"ctl-3", 4, u",,x", u"11:2:0:0:0"}, {u"[x]", 2, u",,", u"0:0:0:0:0"},
      {u"*?#", 7, u"a,b,c", u"*:#:?:[:]"},  {u"", 0, u"", u""},
  };
  for (const auto& d : devices) list.Add(d.name, u"P-1", d.type, d.ai, u",,", u",,", u",,", d.lcm);
  list.SaveToDocumentSheet(doc);
  return doc;
}

int16_t Int16Of(std::string_view bytes) {
  if (bytes.size() < 2) return bytes.empty() ? 0 : static_cast<int16_t>(bytes[0]);
  return static_cast<int16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                              static_cast<unsigned char>(bytes[1]));
}

// The text before the first NUL and the text after it.
std::pair<Text, Text> TwoTexts(std::string_view bytes) {
  const size_t split = bytes.find('\0');
  if (split == std::string_view::npos) return {TextOf(bytes), Text()};
  return {TextOf(bytes.substr(0, split)), TextOf(bytes.substr(split + 1))};
}

}  // namespace
}  // namespace kvpw::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kvpw;
  using namespace kvpw::fuzz;
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const FuzzPlatform p = MakePlatform();
  static const std::shared_ptr<host::Document> doc = DrawingWithDevices(p.platform);
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", p.platform);
  try {
    switch (data[0] % 5) {
      case 0: {
        auto [field, pattern] = TwoTexts(rest);
        Variant f = field, pat = pattern;
        const Variant condition = Call(pw2, u"FixSqlWildcardPattern", {&f, &pat});
        if (!condition.is_text()) Broken("a condition that is not a text");
        break;
      }
      case 1: {
        Variant tier = Int16Of(rest);
        Variant address = TextOf(rest.size() > 2 ? rest.substr(2) : std::string_view());
        (void)Call(pw2, u"fncstrTier", {&address, &tier});
        break;
      }
      case 2: {
        auto combo = std::make_shared<host::MemoryComboBox>(u"cbo");
        Variant control{ObjectRef(combo)}, filter{int16_t{0}}, address = TextOf(rest);
        Variant drawing{ObjectRef(doc)};
        Call(pw2, u"GetDeviceNamesByNetwork", {&control, &filter, &address, &drawing});
        break;
      }
      case 3: {
        auto combo = std::make_shared<host::MemoryComboBox>(u"cbo");
        Variant control{ObjectRef(combo)}, filter = TextOf(rest), drawing{ObjectRef(doc)};
        Call(pw2, u"GetPTDeviceNames", {&control, &filter, &drawing});
        break;
      }
      case 4: {
        const auto [text, pattern] = TwoTexts(rest);
        (void)Like(text, pattern);
        (void)LikePattern(pattern, LikeSyntax::kDatabase).Matches(text);
        break;
      }
    }
  } catch (const Error&) {
  }
  return 0;
}
