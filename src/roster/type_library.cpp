#include "roster/type_library.h"

#include <cstdio>

#include "frame/error.h"
#include "frame/library.h"
#include "roster/roster.h"

namespace kvpw {
namespace {

// What the type library calls the value of a property assignment.
constexpr TextView kAssignedValueName = u"RHS";
constexpr TextView kResultName = u"Result";

TextView Trim(TextView t) {
  while (!t.empty() && t.front() == u' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == u' ') t.remove_suffix(1);
  return t;
}

Text DefaultIdl(TextView value) {
  // The macro language's flags are -1 and 0; texts and numbers are written as they are.
  if (EqualsNoCase(value, u"True")) return u"-1";
  if (EqualsNoCase(value, u"False")) return u"0";
  return Text(value);
}

const char* TypeName(ValueType type) {
  switch (type) {
    case ValueType::kText:
      return "BSTR";
    case ValueType::kInteger:
      return "short";
    case ValueType::kLong:
      return "long";
    case ValueType::kDouble:
      return "double";
    case ValueType::kBoolean:
      return "VARIANT_BOOL";
    case ValueType::kObject:
      return "IDispatch*";
    case ValueType::kVoid:
    case ValueType::kVariant:
      break;
  }
  return "VARIANT";
}

std::string Hex(DispId id) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08x", static_cast<uint32_t>(id));
  return buffer;
}

std::string Uuid(TextView braced) {
  return ToUtf8(braced.substr(1, braced.size() - 2));
}

std::string MemberIdl(const Member& m) {
  std::string out = "    [id(" + Hex(m.id) + ")";
  if (m.kind & kPropertyGet) out += ", propget";
  if (m.kind & kPropertyPut) out += ", propput";
  if (m.kind & kPropertyPutRef) out += ", propputref";
  // The enumerator is for For Each, not for calling by name.
  const bool enumerator = m.id == kDispIdNewEnum;
  if (enumerator) out += ", restricted, hidden";
  out += "]\n    HRESULT " + ToUtf8(m.name) + "(";
  const std::vector<ParamDecl> names = ParamDecls(m);
  const bool assignment = m.kind & (kPropertyPut | kPropertyPutRef);
  std::string params;
  for (size_t i = 0; i < m.signature->params.size(); ++i) {
    const ParamInfo& p = m.signature->params[i];
    const bool assigned_value = assignment && i + 1 == m.signature->params.size();
    std::string decl;
    if (assigned_value) {
      decl = std::string("[in] ") + TypeName(p.type) + " " + ToUtf8(kAssignedValueName);
    } else if (p.optional && names[i].default_value.empty()) {
      // Only variants can say that they were left out.
      decl = "[in, out, optional] VARIANT* " + ToUtf8(names[i].name);
    } else {
      // widl attaches a text default only to a text passed by value; late-bound callers, who
      // pass their own variables either way, see no difference.
      const bool by_ref = p.by_ref && !(p.optional && names[i].default_value.starts_with(u'"'));
      decl = by_ref ? "[in, out" : "[in";
      if (p.optional) decl += ", optional, defaultvalue(" + ToUtf8(names[i].default_value) + ")";
      decl += std::string("] ") + TypeName(p.type) + (by_ref ? "* " : " ") + ToUtf8(names[i].name);
    }
    params += (params.empty() ? "" : ", ") + decl;
  }
  if (m.signature->result != ValueType::kVoid) {
    const std::string type = enumerator ? "IUnknown*" : TypeName(m.signature->result);
    params += (params.empty() ? "" : ", ") + std::string("[out, retval] ") + type + "* " +
              ToUtf8(kResultName);
  }
  return out + params + ");\n";
}

}  // namespace

std::vector<ParamDecl> ParamDecls(const Member& member) {
  std::vector<ParamDecl> out;
  TextView rest = member.params;
  while (!Trim(rest).empty()) {
    const size_t comma = rest.find(u',');
    TextView item = Trim(rest.substr(0, comma));
    rest = comma == TextView::npos ? TextView() : rest.substr(comma + 1);
    ParamDecl decl;
    const size_t equals = item.find(u'=');
    decl.name = Text(Trim(item.substr(0, equals)));
    if (equals != TextView::npos) decl.default_value = DefaultIdl(Trim(item.substr(equals + 1)));
    out.push_back(std::move(decl));
  }
  const size_t declared = member.signature ? member.signature->params.size() : 0;
  const bool assignment = member.kind & (kPropertyPut | kPropertyPutRef);
  // A property assignment's last parameter is the assigned value, which has no name of its own.
  if (assignment && declared > 0 && out.size() + 1 == declared)
    out.push_back({Text(kAssignedValueName), {}});
  if (out.size() != declared)
    Raise(err::kInvalidArgument,
          u"the parameter names of " + Text(member.name) + u" do not match its parameters");
  return out;
}

std::string TypeLibraryIdl() {
  std::string out =
      "// Written by kvpw_typelib from the class roster; the roster's test checks that it is\n"
      "// current. Do not edit by hand.\n"
      "import \"oaidl.idl\";\n\n";
  out += "[\n  uuid(" + Uuid(library::kLibraryId) + "),\n  version(" +
         std::to_string(library::kMajorVersion) + "." + std::to_string(library::kMinorVersion) +
         "),\n  lcid(" + Hex(library::kLocale) + "),\n  helpstring(\"" +
         ToUtf8(library::kHelpString) + "\")\n]\nlibrary " + ToUtf8(library::kName) + "\n{\n";
  out += "  importlib(\"stdole2.tlb\");\n\n";
  for (const ClassInfo* c : Classes())
    out += "  dispinterface " + ToUtf8(c->interface_name) + ";\n";
  for (const ClassInfo* c : Classes()) {
    out += "\n  [\n    uuid(" + Uuid(c->interface_id) + "),\n    hidden\n  ]\n  dispinterface " +
           ToUtf8(c->interface_name) + "\n  {\n  properties:\n  methods:\n";
    for (const Member& m : c->members) {
      if (!m.call || !m.signature) continue;
      out += MemberIdl(m);
    }
    out += "  };\n";
  }
  for (const ClassInfo* c : Classes()) {
    out += "\n  [\n    uuid(" + Uuid(c->class_id) + ")\n  ]\n  coclass " + ToUtf8(c->name) +
           "\n  {\n    [default] dispinterface " + ToUtf8(c->interface_name) + ";\n  };\n";
  }
  return out + "};\n";
}

}  // namespace kvpw
