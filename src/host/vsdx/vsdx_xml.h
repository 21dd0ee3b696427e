// The XML vocabulary of a .vsdx package and the small helpers its reader and writer share.
#pragma once

#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <utility>

#include "frame/text.h"

namespace kvpw::host::vsdx::xml {

inline constexpr char kContentTypesPart[] = "[Content_Types].xml";
inline constexpr char kCustomPropertiesPart[] = "docProps/custom.xml";

inline constexpr char kVisioNamespace[] = "http://schemas.microsoft.com/office/visio/2012/main";
inline constexpr char kRelNamespace[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr char kPackageRelNamespace[] =
    "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr char kContentTypesNamespace[] =
    "http://schemas.openxmlformats.org/package/2006/content-types";

inline constexpr char kRelDocument[] =
    "http://schemas.microsoft.com/visio/2010/relationships/document";
inline constexpr char kRelPages[] = "http://schemas.microsoft.com/visio/2010/relationships/pages";
inline constexpr char kRelPage[] = "http://schemas.microsoft.com/visio/2010/relationships/page";
inline constexpr char kRelMasters[] =
    "http://schemas.microsoft.com/visio/2010/relationships/masters";
inline constexpr char kRelMaster[] = "http://schemas.microsoft.com/visio/2010/relationships/master";
inline constexpr char kRelCustomProperties[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/custom-properties";

inline constexpr char kDocumentType[] = "application/vnd.ms-visio.drawing.main+xml";
inline constexpr char kPagesType[] = "application/vnd.ms-visio.pages+xml";
inline constexpr char kPageType[] = "application/vnd.ms-visio.page+xml";
inline constexpr char kMastersType[] = "application/vnd.ms-visio.masters+xml";
inline constexpr char kMasterType[] = "application/vnd.ms-visio.master+xml";
inline constexpr char kRelsType[] = "application/vnd.openxmlformats-package.relationships+xml";
inline constexpr char kCustomPropertiesType[] =
    "application/vnd.openxmlformats-officedocument.custom-properties+xml";

inline constexpr char kPropertySection[] = "Property";
inline constexpr char kUserSection[] = "User";
inline constexpr char kNoFormula[] = "No Formula";
inline constexpr char kInherited[] = "Inh";
inline constexpr char16_t kDocumentSheetName[] = u"TheDoc";
// The application's document sheet element, as every drawing it writes holds it.
inline constexpr std::pair<const char*, const char*> kDocumentSheetAttributes[] = {
    {"NameU", "TheDoc"}, {"IsCustomNameU", "1"}, {"Name", "TheDoc"}, {"IsCustomName", "1"},
    {"LineStyle", "0"},  {"FillStyle", "0"},     {"TextStyle", "0"}};

// Attribute and element names compared without pugixml's lookups: a shape's few attributes are
// walked once per question, which matters across tens of thousands of shapes.
inline bool Is(const char* name, std::string_view wanted) {
  for (const char c : wanted)
    if (*name++ != c) return false;
  return *name == '\0';
}
// Parts are parsed without processing instructions, so only elements (and the document's
// declaration, never a child of an element) have names.
inline bool IsElement(pugi::xml_node node, std::string_view name) {
  return Is(node.name(), name);
}
// The attribute's value, or nullptr when the node has none of that name.
inline const char* Attribute(pugi::xml_node node, std::string_view name) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
    if (Is(a.name(), name)) return a.value();
  return nullptr;
}

inline bool IsDeleted(pugi::xml_node node) {
  const char* del = Attribute(node, "Del");
  return del && del[0] == '1' && del[1] == '\0';
}

// The Cell child of that name.
pugi::xml_node CellNamed(pugi::xml_node parent, const char* name);
// Sets an attribute, adding it at the end when absent.
void Set(pugi::xml_node node, const char* name, const char* value);
// Appends <Cell N V [U] [F]/>.
pugi::xml_node AppendCell(pugi::xml_node parent, const char* name, const char* value,
                          const char* unit, const char* formula);

// A UTF-8 name against a text, without regard to case as the port compares names.
bool EqualsNoCase(const char* utf8, TextView text);
bool EqualsNoCaseUtf8(const char* a, const char* b);
std::string LowerAscii(std::string_view s);

// Appends text for an XML attribute value or element text, escaped. Tab, CR and LF become
// character references, so that a parser reads them back rather than as spaces. The other
// control characters, which XML 1.0 does not allow, are dropped (`kDrop`, for files others read),
// or kept as references that pugixml reads back, the text ending at a NUL as its strings do
// (`kKeep`, for text parsed back into a drawing).
enum class ControlCharacters { kDrop, kKeep };
void AppendEscaped(std::string& out, std::string_view text, ControlCharacters controls);

// Numbers as the files write them: '.' decimal point, shortest exact digits, "E" exponent.
bool ReadNumber(const char* text, double& out);
std::string NumberText(double value);

// The r:id of a <Rel> element.
const char* RelId(pugi::xml_node rel);

// Parses a part in place; a part that is not well-formed XML or holds a DOCTYPE fails with
// kFileError naming the file and the part.
void ParseInPlace(pugi::xml_document& xml, std::string& buffer, const std::string& part,
                  const Text& file);
// The part's text as the application writes it: no indentation, single-quoted attributes.
// `expected_size` (the part's size when read) reserves the text once; a part that outgrew it is
// measured and written again rather than grown by copies.
std::string Serialize(const pugi::xml_document& xml, size_t expected_size = 0);

void NewCustomProperties(pugi::xml_document& xml);
// Adds or sets the custom property that asks the application to recalculate every formula when
// it opens the drawing, so that shapes drawn from changed cells are redrawn.
void SetRecalculateOnOpen(pugi::xml_document& xml);
// Appends a relationship with an unused id; returns the id.
std::string AddRelationship(pugi::xml_document& rels, const char* type, std::string_view target);
void AddOverride(pugi::xml_document& types, std::string_view part_name, const char* content_type);

}  // namespace kvpw::host::vsdx::xml
