#include "host/vsdx/vsdx_writer.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "frame/error.h"
#include "host/vsdx/vsdx_drawing.h"
#include "host/vsdx/vsdx_xml.h"

namespace kvpw::host {
namespace {

namespace xml = vsdx::xml;

constexpr char kDeclaration[] = "<?xml version='1.0' encoding='utf-8' ?>\r\n";
constexpr uint32_t kFirstMasterId = 2;
constexpr uint32_t kMasterShapeId = 5;  // the application numbers a master's shape from 5
// The size of a shape or master given none.
constexpr double kDefaultWidth = 0.75, kDefaultHeight = 0.5;

void Attribute(std::string& out, const char* name, std::string_view value) {
  out += ' ';
  out += name;
  out += "='";
  xml::AppendEscaped(out, value, xml::ControlCharacters::kDrop);
  out += '\'';
}

void Attribute(std::string& out, const char* name, TextView value) {
  Attribute(out, name, std::string_view(ToUtf8(value)));
}

std::string Root(const char* element) {
  std::string out = kDeclaration;
  out += '<';
  out += element;
  Attribute(out, "xmlns", std::string_view(xml::kVisioNamespace));
  Attribute(out, "xmlns:r", std::string_view(xml::kRelNamespace));
  out += " xml:space='preserve'>";
  return out;
}

// <Cell N='Value' .../> holding a value as the application stores a constant.
void ValueCell(std::string& out, const char* name, const Variant& value) {
  out += "<Cell N='";
  out += name;
  out += '\'';
  switch (value.type()) {
    case VarType::kEmpty:
    case VarType::kNull:
      Attribute(out, "V", std::string_view());
      Attribute(out, "F", std::string_view(xml::kNoFormula));
      break;
    case VarType::kBoolean:
      Attribute(out, "V", std::string_view(value.boolean() ? "1" : "0"));
      Attribute(out, "U", std::string_view("BOOL"));
      break;
    case VarType::kInteger:
    case VarType::kLong:
    case VarType::kDouble:
      Attribute(out, "V", std::string_view(xml::NumberText(ToDouble(value))));
      break;
    case VarType::kText:
      Attribute(out, "V", TextView(value.text()));
      Attribute(out, "U", std::string_view("STR"));
      break;
    case VarType::kObject:
    case VarType::kArray:
      Raise(err::kTypeMismatch);
  }
  out += "/>";
}

// Names are unique without regard to case, as the application keeps them: a name already taken
// becomes "<name>.<n>", counting up from the object's number.
template <class Taken>
Text UniqueName(Text base, long long number, const Taken& taken) {
  if (!taken(base)) return base;
  for (long long n = number;; ++n) {
    Text candidate = base + u"." + IntegerText(n);
    if (!taken(candidate)) return candidate;
  }
}

struct Relationships {
  std::string text =
      std::string(kDeclaration) + "<Relationships xmlns='" + xml::kPackageRelNamespace + "'>";
  int count = 0;
  std::string Add(const char* type, std::string_view target) {
    const std::string id = "rId" + std::to_string(++count);
    text += "<Relationship";
    Attribute(text, "Id", std::string_view(id));
    Attribute(text, "Type", std::string_view(type));
    Attribute(text, "Target", target);
    text += "/>";
    return id;
  }
  std::string Done() const { return text + "</Relationships>"; }
};

}  // namespace

VsdxWriter::VsdxWriter(TextView document_name) : document_name_(document_name) {}

VsdxWriter& VsdxWriter::master(TextView name) {
  masters_.push_back(MasterData{Text(name), {}});
  target_ = Target::kMaster;
  last_prop_.clear();
  return *this;
}

VsdxWriter& VsdxWriter::page(TextView name) {
  const long long number = static_cast<long long>(pages_.size() + 1);
  const Text base = name.empty() ? u"Page-" + IntegerText(number) : Text(name);
  const auto taken = [&](const Text& candidate) {
    return std::any_of(pages_.begin(), pages_.end(),
                       [&](const PageData& p) { return EqualsNoCase(p.name, candidate); });
  };
  pages_.push_back(PageData{UniqueName(base, number, taken), {}});
  target_ = Target::kNone;
  last_prop_.clear();
  group_ = static_cast<size_t>(-1);
  return *this;
}

VsdxWriter& VsdxWriter::AddShape(TextView name, TextView master, bool group, bool member) {
  if (pages_.empty()) page(u"Page-1");
  PageData& page = pages_.back();
  if (member && group_ == static_cast<size_t>(-1))
    Raise(err::kInvalidArgument, u"A member needs a group made before it.");
  ShapeData shape;
  shape.id = static_cast<uint32_t>(page.shapes.size() + 1);
  shape.group = group;
  shape.top_level = !member;
  if (!master.empty()) {
    for (size_t i = 0; i < masters_.size() && shape.master < 0; ++i)
      if (EqualsNoCase(masters_[i].name, master)) shape.master = static_cast<int>(i);
    if (shape.master < 0)
      Raise(err::kInvalidArgument, u"No master is named " + Text(master) + u".");
  }
  // The application names a new instance after its master: the first on a page takes the
  // master's name, later ones "<master>.<ID>". A shape never named keeps no name ("Sheet.<ID>").
  Text base = name.empty() && shape.master >= 0 ? masters_[shape.master].name : Text(name);
  if (!base.empty()) {
    const auto taken = [&](const Text& candidate) {
      return std::any_of(page.shapes.begin(), page.shapes.end(),
                         [&](const ShapeData& s) { return EqualsNoCase(s.name, candidate); });
    };
    shape.name = UniqueName(std::move(base), shape.id, taken);
  }
  page.shapes.push_back(std::move(shape));
  target_shape_ = page.shapes.size() - 1;
  if (member) page.shapes[group_].members.push_back(target_shape_);
  if (group)
    group_ = target_shape_;
  else if (!member)
    group_ = static_cast<size_t>(-1);
  target_ = Target::kShape;
  last_prop_.clear();
  return *this;
}

VsdxWriter& VsdxWriter::shape(TextView name, TextView master) {
  return AddShape(name, master, false, false);
}

VsdxWriter& VsdxWriter::group(TextView name, TextView master) {
  return AddShape(name, master, true, false);
}

VsdxWriter& VsdxWriter::member(TextView name, TextView master) {
  return AddShape(name, master, false, true);
}

VsdxWriter& VsdxWriter::document_sheet() {
  target_ = Target::kSheet;
  last_prop_.clear();
  return *this;
}

std::vector<VsdxWriter::Row>& VsdxWriter::TargetRows() {
  switch (target_) {
    case Target::kMaster:
      return masters_.back().rows;
    case Target::kShape:
      return pages_.back().shapes[target_shape_].rows;
    case Target::kSheet:
      return sheet_rows_;
    case Target::kNone:
      break;
  }
  Raise(err::kInvalidArgument, u"Rows need a master, a shape or the document sheet first.");
}

VsdxWriter& VsdxWriter::SetRow(int16_t section, TextView row, const Variant& value) {
  std::vector<Row>& rows = TargetRows();
  for (Row& r : rows) {
    if (r.section == section && EqualsNoCase(r.name, row)) {
      r.value = value;
      if (section == kSectionProperty) last_prop_ = r.name;
      return *this;
    }
  }
  rows.push_back(Row{section, Text(row), value});
  if (section == kSectionProperty) last_prop_ = Text(row);
  return *this;
}

VsdxWriter& VsdxWriter::prop(TextView row, const Variant& value) {
  return SetRow(kSectionProperty, row, value);
}

VsdxWriter& VsdxWriter::user(TextView row, const Variant& value) {
  return SetRow(kSectionUser, row, value);
}

VsdxWriter& VsdxWriter::hidden(bool on) {
  if (last_prop_.empty()) Raise(err::kInvalidArgument, u"hidden() needs a prop() before it.");
  for (Row& r : TargetRows()) {
    if (r.section == kSectionProperty && EqualsNoCase(r.name, last_prop_)) {
      r.hidden = on;
      r.hidden_set = true;
    }
  }
  return *this;
}

VsdxWriter& VsdxWriter::cell(TextView name, double value) {
  const CellName parsed(name);
  if (!parsed.is_shape_cell() || target_ == Target::kSheet)
    Raise(err::kInvalidArgument, u"No shape cell is named " + Text(name) + u".");
  std::vector<Row>& rows = TargetRows();
  const Text spelled = FromUtf8(kShapeCells[parsed.shape_cell()]);
  for (Row& r : rows)
    if (r.section == kSectionObject && r.name == spelled) {
      r.value = value;
      return *this;
    }
  rows.push_back(Row{kSectionObject, spelled, value});
  return *this;
}

VsdxWriter& VsdxWriter::text(TextView text) {
  if (target_ != Target::kShape) Raise(err::kInvalidArgument, u"text() needs a shape before it.");
  pages_.back().shapes[target_shape_].text = Text(text);
  return *this;
}

VsdxWriter& VsdxWriter::page_size(double width, double height) {
  if (pages_.empty()) page(u"Page-1");
  pages_.back().width = width;
  pages_.back().height = height;
  return *this;
}

namespace {

template <class Rows>
std::optional<double> ObjectCell(const Rows& rows, std::string_view name) {
  for (const auto& r : rows)
    if (r.section == kSectionObject && ToUtf8(r.name) == name) return ToDouble(r.value);
  return std::nullopt;
}

void NumberCell(std::string& out, const char* name, double value, const char* formula = nullptr) {
  out += "<Cell N='";
  out += name;
  out += "' V='" + xml::NumberText(value) + "'";
  if (formula) Attribute(out, "F", std::string_view(formula));
  out += "/>";
}

// A thin black outline on white, which masters and plain shapes carry and instances inherit.
constexpr char kLineAndFill[] =
    "<Cell N='LineWeight' V='0.01'/><Cell N='LineColor' V='#000000'/><Cell N='LinePattern' "
    "V='1'/><Cell N='FillForegnd' V='#ffffff'/><Cell N='FillPattern' V='1'/>"
    "<Cell N='VerticalAlign' V='1'/>";
// Text a tenth of an inch high, so that names fit boxes of an inch or so.
constexpr char kCharacter[] =
    "<Section N='Character'><Row IX='0'><Cell N='Size' "
    "V='0.1'/></Row></Section>";

// The outline a viewer draws: a rectangle of the shape's size, or for a connector a line along
// its width. The formulas follow the size as the application's own shapes do.
void GeometrySection(std::string& out, double width, double height, bool line) {
  out += "<Section N='Geometry' IX='0'>";
  out += line ? "<Cell N='NoFill' V='1'/>" : "<Cell N='NoFill' V='0'/>";
  out += "<Cell N='NoLine' V='0'/><Cell N='NoShow' V='0'/>";
  const auto vertex = [&](const char* type, int ix, double x, double y, const char* fx,
                          const char* fy) {
    out += "<Row T='";
    out += type;
    out += "' IX='" + std::to_string(ix) + "'>";
    NumberCell(out, "X", x, fx);
    NumberCell(out, "Y", y, fy);
    out += "</Row>";
  };
  vertex("MoveTo", 1, 0, 0, "Width*0", "Height*0");
  vertex("LineTo", 2, width, 0, "Width*1", "Height*0");
  if (!line) {
    vertex("LineTo", 3, width, height, "Width*1", "Height*1");
    vertex("LineTo", 4, 0, height, "Width*0", "Height*1");
    vertex("LineTo", 5, 0, 0, "Geometry1.X1", "Geometry1.Y1");
  }
  out += "</Section>";
}

// The Property and User sections of a sheet. `inherited` holds the master's rows: a row the
// master has is written as an override of its Value cell (and hidden flag) only.
template <class Rows>
void WriteSections(std::string& out, const Rows& rows, const Rows* inherited) {
  for (const int16_t section : {kSectionProperty, kSectionUser}) {
    bool open = false;
    for (const auto& r : rows) {
      if (r.section != section) continue;
      if (!open) {
        out += "<Section N='";
        out += section == kSectionProperty ? xml::kPropertySection : xml::kUserSection;
        out += "'>";
        open = true;
      }
      bool overrides = false;
      if (inherited)
        for (const auto& m : *inherited)
          overrides = overrides || (m.section == section && EqualsNoCase(m.name, r.name));
      out += "<Row";
      Attribute(out, "N", TextView(r.name));
      out += '>';
      ValueCell(out, "Value", r.value);
      if (section == kSectionProperty) {
        if (!overrides) {
          out += "<Cell N='Label'";
          Attribute(out, "V", TextView(r.name));
          out += "/><Cell N='Type' V='0'/>";
        }
        if (!overrides || r.hidden_set)
          out += r.hidden ? "<Cell N='Invisible' V='1'/>" : "<Cell N='Invisible' V='0'/>";
      } else if (!overrides) {
        out += "<Cell N='Prompt' V='' F='No Formula'/>";
      }
      out += "</Row>";
    }
    if (open) out += "</Section>";
  }
}

}  // namespace

void VsdxWriter::WriteShape(std::string& out, const PageData& page, const ShapeData& shape,
                            size_t position) const {
  out += "<Shape";
  Attribute(out, "ID", std::string_view(std::to_string(shape.id)));
  if (!shape.name.empty()) {
    Attribute(out, "NameU", TextView(shape.name));
    Attribute(out, "Name", TextView(shape.name));
  }
  Attribute(out, "Type", std::string_view(shape.group ? "Group" : "Shape"));
  if (shape.master >= 0)
    Attribute(out, "Master", std::string_view(std::to_string(kFirstMasterId + shape.master)));
  else
    out += " LineStyle='3' FillStyle='3' TextStyle='3'";
  out += '>';
  const std::vector<Row>* master_rows = shape.master >= 0 ? &masters_[shape.master].rows : nullptr;
  const auto own = [&](const char* name) { return ObjectCell(shape.rows, name); };
  const auto inherited = [&](const char* name, double fallback) {
    if (const auto value = own(name)) return *value;
    if (master_rows)
      if (const auto value = ObjectCell(*master_rows, name)) return *value;
    return fallback;
  };
  double width = 0, height = 0;
  bool line = false;
  if (own("BeginX") && own("BeginY") && own("EndX") && own("EndY")) {
    const double bx = *own("BeginX"), by = *own("BeginY"), ex = *own("EndX"), ey = *own("EndY");
    line = true;
    width = std::hypot(ex - bx, ey - by);
    NumberCell(out, "PinX", (bx + ex) / 2);
    NumberCell(out, "PinY", (by + ey) / 2);
    NumberCell(out, "Width", width);
    NumberCell(out, "Height", 0);
    NumberCell(out, "LocPinX", width / 2, "Width*0.5");
    NumberCell(out, "LocPinY", 0, "Height*0.5");
    NumberCell(out, "Angle", std::atan2(ey - by, ex - bx));
    NumberCell(out, "BeginX", bx);
    NumberCell(out, "BeginY", by);
    NumberCell(out, "EndX", ex);
    NumberCell(out, "EndY", ey);
  } else {
    // Laid out on a grid, unless placed, so that the drawing opens readably.
    NumberCell(out, "PinX", own("PinX").value_or(1 + static_cast<double>(position % 8)));
    const size_t rows = static_cast<size_t>(std::max(1.0, std::floor(page.height) - 1));
    NumberCell(out, "PinY",
               own("PinY").value_or(page.height - 1 - static_cast<double>((position / 8) % rows)));
    width = inherited("Width", kDefaultWidth);
    height = inherited("Height", kDefaultHeight);
    // A shape placed on purpose carries its whole frame, as the application writes a dropped
    // instance (viewers do not all look in the master for it); others only what they change.
    const bool placed = own("PinX") || own("PinY");
    const bool whole = shape.master < 0 || placed;
    if (whole || own("Width")) NumberCell(out, "Width", width);
    if (whole || own("Height")) NumberCell(out, "Height", height);
    if (whole || own("LocPinX") || own("Width"))
      NumberCell(out, "LocPinX", own("LocPinX").value_or(width / 2), "Width*0.5");
    if (whole || own("LocPinY") || own("Height"))
      NumberCell(out, "LocPinY", own("LocPinY").value_or(height / 2), "Height*0.5");
    if (const auto angle = own("Angle")) NumberCell(out, "Angle", *angle);
  }
  if (shape.master < 0) out += kLineAndFill;
  if (shape.master < 0 || !shape.text.empty()) out += kCharacter;
  WriteSections(out, shape.rows, master_rows);
  if (!shape.group) GeometrySection(out, width, height, line);
  if (!shape.text.empty()) {
    out += "<Text>";
    xml::AppendEscaped(out, ToUtf8(shape.text), xml::ControlCharacters::kDrop);
    out += "</Text>";
  }
  if (!shape.members.empty()) {
    out += "<Shapes>";
    for (size_t i = 0; i < shape.members.size(); ++i)
      WriteShape(out, page, page.shapes[shape.members[i]], i);
    out += "</Shapes>";
  }
  out += "</Shape>";
}

vsdx::Package VsdxWriter::package() const {
  std::string types = std::string(kDeclaration) + "<Types xmlns='" + xml::kContentTypesNamespace +
                      "'><Default Extension='rels' ContentType='" + xml::kRelsType +
                      "'/><Default Extension='xml' ContentType='application/xml'/>";
  const auto override_of = [&](const std::string& part, const char* type) {
    types += "<Override";
    Attribute(types, "PartName", std::string_view("/" + part));
    Attribute(types, "ContentType", std::string_view(type));
    types += "/>";
  };
  std::vector<std::pair<std::string, std::string>> parts;

  Relationships package_rels;
  package_rels.Add(xml::kRelDocument, "visio/document.xml");
  Relationships document_rels;
  document_rels.Add(xml::kRelPages, "pages/pages.xml");

  std::string document = Root("VisioDocument");
  document += "<DocumentSheet";
  for (const auto& [name, value] : xml::kDocumentSheetAttributes)
    Attribute(document, name, std::string_view(value));
  document += '>';
  WriteSections(document, sheet_rows_, static_cast<const std::vector<Row>*>(nullptr));
  document += "</DocumentSheet></VisioDocument>";
  override_of("visio/document.xml", xml::kDocumentType);
  override_of("visio/pages/pages.xml", xml::kPagesType);

  if (!masters_.empty()) {
    document_rels.Add(xml::kRelMasters, "masters/masters.xml");
    override_of("visio/masters/masters.xml", xml::kMastersType);
    Relationships master_rels;
    std::string list = Root("Masters");
    for (size_t i = 0; i < masters_.size(); ++i) {
      const std::string file = "master" + std::to_string(i + 1) + ".xml";
      const std::string id = master_rels.Add(xml::kRelMaster, file);
      list += "<Master";
      Attribute(list, "ID", std::string_view(std::to_string(kFirstMasterId + i)));
      if (!masters_[i].name.empty()) {
        Attribute(list, "NameU", TextView(masters_[i].name));
        Attribute(list, "Name", TextView(masters_[i].name));
      }
      list += " MasterType='2'><PageSheet LineStyle='0' FillStyle='0' TextStyle='0'/><Rel r:id='" +
              id + "'/></Master>";
      std::string contents = Root("MasterContents");
      contents += "<Shapes><Shape ID='" + std::to_string(kMasterShapeId) +
                  "' Type='Shape' LineStyle='3' FillStyle='3' TextStyle='3'>";
      const double width = ObjectCell(masters_[i].rows, "Width").value_or(kDefaultWidth);
      const double height = ObjectCell(masters_[i].rows, "Height").value_or(kDefaultHeight);
      NumberCell(contents, "PinX", width / 2, "Width*0.5");
      NumberCell(contents, "PinY", height / 2, "Height*0.5");
      NumberCell(contents, "Width", width);
      NumberCell(contents, "Height", height);
      NumberCell(contents, "LocPinX", width / 2, "Width*0.5");
      NumberCell(contents, "LocPinY", height / 2, "Height*0.5");
      contents += kLineAndFill;
      contents += kCharacter;
      WriteSections(contents, masters_[i].rows, static_cast<const std::vector<Row>*>(nullptr));
      GeometrySection(contents, width, height, false);
      contents += "</Shape></Shapes></MasterContents>";
      override_of("visio/masters/" + file, xml::kMasterType);
      parts.emplace_back("visio/masters/" + file, std::move(contents));
    }
    parts.emplace_back("visio/masters/masters.xml", list + "</Masters>");
    parts.emplace_back("visio/masters/_rels/masters.xml.rels", master_rels.Done());
  }

  Relationships page_list_rels;
  std::string page_list = Root("Pages");
  for (size_t i = 0; i < pages_.size(); ++i) {
    const PageData& page = pages_[i];
    const std::string file = "page" + std::to_string(i + 1) + ".xml";
    const std::string id = page_list_rels.Add(xml::kRelPage, file);
    page_list += "<Page";
    Attribute(page_list, "ID", std::string_view(std::to_string(i)));
    Attribute(page_list, "NameU", TextView(page.name));
    Attribute(page_list, "Name", TextView(page.name));
    page_list += "><PageSheet LineStyle='0' FillStyle='0' TextStyle='0'>";
    NumberCell(page_list, "PageWidth", page.width);
    NumberCell(page_list, "PageHeight", page.height);
    page_list += "<Cell N='PageScale' V='1' U='IN'/><Cell N='DrawingScale' V='1' U='IN'/>";
    page_list += "</PageSheet><Rel r:id='" + id + "'/></Page>";

    std::string contents = Root("PageContents");
    contents += "<Shapes>";
    std::vector<bool> uses(masters_.size());
    size_t position = 0;
    for (const ShapeData& shape : page.shapes) {
      if (shape.master >= 0) uses[shape.master] = true;
      if (shape.top_level) WriteShape(contents, page, shape, position++);
    }
    contents += "</Shapes></PageContents>";
    override_of("visio/pages/" + file, xml::kPageType);
    parts.emplace_back("visio/pages/" + file, std::move(contents));
    Relationships page_rels;
    for (size_t m = 0; m < masters_.size(); ++m)
      if (uses[m])
        page_rels.Add(xml::kRelMaster, "../masters/master" + std::to_string(m + 1) + ".xml");
    if (page_rels.count > 0)
      parts.emplace_back("visio/pages/_rels/" + file + ".rels", page_rels.Done());
  }
  parts.emplace_back("visio/pages/pages.xml", page_list + "</Pages>");
  parts.emplace_back("visio/pages/_rels/pages.xml.rels", page_list_rels.Done());

  vsdx::Package package = vsdx::Package::Empty(document_name_);
  package.Write(xml::kContentTypesPart, types + "</Types>");
  package.Write("_rels/.rels", package_rels.Done());
  package.Write("visio/document.xml", std::move(document));
  package.Write("visio/_rels/document.xml.rels", document_rels.Done());
  for (auto& [name, content] : parts) package.Write(name, std::move(content));
  return package;
}

std::shared_ptr<Document> VsdxWriter::build() const {
  return vsdx::VsdxDocument::Load(package(), document_name_);
}

void VsdxWriter::save(const std::filesystem::path& file) const {
  package().Save(file);
}

}  // namespace kvpw::host
