#include "host/vsdx/vsdx_xml.h"

#include <charconv>
#include <cstring>
#include <unordered_set>

#include "host/vsdx/package.h"

namespace kvpw::host::vsdx::xml {
namespace {

constexpr char kCustomNamespace[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/custom-properties";
constexpr char kVtNamespace[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";
constexpr char kPropertyFormat[] = "{D5CDD505-2E9C-101B-9397-08002B2CF9AE}";
constexpr char kRecalculate[] = "RecalcDocument";

// Whitespace-only text is kept (it is content in shape text) and a DOCTYPE is seen so that it
// can be refused: pugixml never expands entities, but no drawing part has a reason to declare
// any.
constexpr unsigned kParseOptions =
    pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration | pugi::parse_doctype;

// Writes into the room reserved beforehand and only measures what does not fit, so that a part
// never grows by copies (which would hold it twice on the way).
struct StringWriter : pugi::xml_writer {
  std::string out;
  size_t needed = 0;
  void write(const void* data, size_t size) override {
    if (needed == out.size() && out.size() + size <= out.capacity())
      out.append(static_cast<const char*>(data), size);
    needed += size;
  }
};

}  // namespace

pugi::xml_node CellNamed(pugi::xml_node parent, const char* name) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (!IsElement(c, "Cell")) continue;
    const char* n = Attribute(c, "N");
    if (n && Is(n, name)) return c;
  }
  return {};
}

void Set(pugi::xml_node node, const char* name, const char* value) {
  pugi::xml_attribute a = node.attribute(name);
  if (!a) a = node.append_attribute(name);
  a.set_value(value);
}

pugi::xml_node AppendCell(pugi::xml_node parent, const char* name, const char* value,
                          const char* unit, const char* formula) {
  pugi::xml_node c = parent.append_child("Cell");
  c.append_attribute("N") = name;
  c.append_attribute("V") = value;
  if (unit) c.append_attribute("U") = unit;
  if (formula) c.append_attribute("F") = formula;
  return c;
}

void AppendEscaped(std::string& out, std::string_view text, ControlCharacters controls) {
  const auto plain = [](char c) {
    return static_cast<unsigned char>(c) >= 0x20 && c != '&' && c != '<' && c != '>' && c != '\'' &&
           c != '"';
  };
  for (size_t i = 0; i < text.size(); ++i) {
    // Most values have nothing to escape: copy each run of plain characters at once.
    const size_t from = i;
    while (i < text.size() && plain(text[i])) ++i;
    out.append(text.data() + from, i - from);
    if (i == text.size()) break;
    const char c = text[i];
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        if (controls == ControlCharacters::kKeep) {
          if (c == '\0') return;
          out += "&#";
          out += std::to_string(static_cast<int>(c));
          out += ';';
        }
    }
  }
}

bool EqualsNoCase(const char* utf8, TextView text) {
  // Names are nearly always spelled as asked: try the exact match first.
  size_t same = 0;
  while (same < text.size() && utf8[same] != '\0' &&
         static_cast<unsigned char>(utf8[same]) < 0x80 &&
         static_cast<char16_t>(utf8[same]) == text[same])
    ++same;
  if (same == text.size() && utf8[same] == '\0') return true;
  size_t i = 0;
  for (const char* p = utf8; *p; ++p, ++i) {
    if (static_cast<unsigned char>(*p) >= 0x80) return kvpw::EqualsNoCase(FromUtf8(utf8), text);
    if (i >= text.size() || LowerChar(static_cast<char16_t>(*p)) != LowerChar(text[i]))
      return false;
  }
  return i == text.size();
}

bool EqualsNoCaseUtf8(const char* a, const char* b) {
  return kvpw::EqualsNoCase(FromUtf8(a), FromUtf8(b));
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool ReadNumber(const char* text, double& out) {
  const char* begin = text;
  const char* end = text + std::strlen(text);
  if (begin == end) return false;
  if (*begin == '+') ++begin;
  const auto [last, ec] = std::from_chars(begin, end, out);
  return ec == std::errc() && last == end;
}

std::string NumberText(double value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string out(buffer, ec == std::errc() ? end : buffer);
  // "1e+20" -> "1E20", "1e-06" -> "1E-6"
  if (const size_t e = out.find('e'); e != std::string::npos) {
    std::string exponent = out.substr(e + 1);
    const bool negative = exponent.front() == '-';
    if (exponent.front() == '-' || exponent.front() == '+') exponent.erase(0, 1);
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    out = out.substr(0, e) + "E" + (negative ? "-" : "") + exponent;
  }
  return out;
}

const char* RelId(pugi::xml_node rel) {
  for (pugi::xml_attribute a = rel.first_attribute(); a; a = a.next_attribute()) {
    const std::string_view name = a.name();
    if (name == "id" || (name.size() > 3 && name.substr(name.size() - 3) == ":id"))
      return a.value();
  }
  return "";
}

void ParseInPlace(pugi::xml_document& xml, std::string& buffer, const std::string& part,
                  const Text& file) {
  const pugi::xml_parse_result result =
      xml.load_buffer_inplace(buffer.data(), buffer.size(), kParseOptions, pugi::encoding_utf8);
  const Text where = u"the part '" + FromUtf8(part) + u"' ";
  if (!result)
    FailRead(file, where + u"is not well-formed XML (" + FromUtf8(result.description()) +
                       u" at offset " + IntegerText(result.offset) + u").");
  for (pugi::xml_node n = xml.first_child(); n; n = n.next_sibling())
    if (n.type() == pugi::node_doctype) FailRead(file, where + u"declares a DOCTYPE.");
  if (!xml.document_element()) FailRead(file, where + u"holds no element.");
}

std::string Serialize(const pugi::xml_document& xml, size_t expected_size) {
  const auto save = [&xml](size_t room) {
    StringWriter writer;
    writer.out.reserve(room);
    xml.save(writer, "", pugi::format_raw | pugi::format_attribute_single_quote,
             pugi::encoding_utf8);
    return writer;
  };
  // A little room for what was added: a few changed values or a new row are common. A part that
  // grew past it (the document part gaining the device list) is written once more, measured.
  StringWriter first = save(expected_size + expected_size / 8);
  if (first.needed == first.out.size()) return std::move(first.out);
  const size_t needed = first.needed;
  first = StringWriter();
  return std::move(save(needed).out);
}

void NewCustomProperties(pugi::xml_document& xml) {
  pugi::xml_node declaration = xml.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "UTF-8";
  declaration.append_attribute("standalone") = "yes";
  pugi::xml_node root = xml.append_child("Properties");
  root.append_attribute("xmlns") = kCustomNamespace;
  root.append_attribute("xmlns:vt") = kVtNamespace;
}

void SetRecalculateOnOpen(pugi::xml_document& xml) {
  pugi::xml_node root = xml.document_element();
  if (!root.attribute("xmlns:vt")) root.append_attribute("xmlns:vt") = kVtNamespace;
  int last_pid = 1;
  for (pugi::xml_node p = root.child("property"); p; p = p.next_sibling("property")) {
    last_pid = std::max(last_pid, p.attribute("pid").as_int());
    if (std::strcmp(p.attribute("name").value(), kRecalculate) != 0) continue;
    while (p.first_child()) p.remove_child(p.first_child());
    p.append_child("vt:bool").text() = "true";
    return;
  }
  pugi::xml_node p = root.append_child("property");
  p.append_attribute("fmtid") = kPropertyFormat;
  p.append_attribute("pid") = last_pid + 1;
  p.append_attribute("name") = kRecalculate;
  p.append_child("vt:bool").text() = "true";
}

std::string AddRelationship(pugi::xml_document& rels, const char* type, std::string_view target) {
  pugi::xml_node root = rels.document_element();
  std::unordered_set<std::string> taken;
  for (pugi::xml_node r = root.child("Relationship"); r; r = r.next_sibling("Relationship"))
    taken.insert(r.attribute("Id").value());
  std::string id;
  for (size_t n = taken.size() + 1;; ++n) {
    id = "rId" + std::to_string(n);
    if (!taken.contains(id)) break;
  }
  pugi::xml_node r = root.append_child("Relationship");
  r.append_attribute("Id") = id.c_str();
  r.append_attribute("Type") = type;
  r.append_attribute("Target") = std::string(target).c_str();
  return id;
}

void AddOverride(pugi::xml_document& types, std::string_view part_name, const char* content_type) {
  pugi::xml_node o = types.document_element().append_child("Override");
  o.append_attribute("PartName") = std::string(part_name).c_str();
  o.append_attribute("ContentType") = content_type;
}

}  // namespace kvpw::host::vsdx::xml
