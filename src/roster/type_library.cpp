#include "roster/type_library.h"

#include <cstdio>
#include <optional>

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

// A value type as the interface declares it, and the variant type that carries it.
struct TypeNames {
  const char* idl;
  const char* vt;
};

TypeNames TypeNamesOf(ValueType type) {
  switch (type) {
    case ValueType::kText:
      return {"BSTR", "VT_BSTR"};
    case ValueType::kInteger:
      return {"short", "VT_I2"};
    case ValueType::kLong:
      return {"long", "VT_I4"};
    case ValueType::kDouble:
      return {"double", "VT_R8"};
    case ValueType::kBoolean:
      return {"VARIANT_BOOL", "VT_BOOL"};
    case ValueType::kObject:
      return {"IDispatch*", "VT_DISPATCH"};
    case ValueType::kVoid:
    case ValueType::kVariant:
      break;
  }
  return {"VARIANT", "VT_VARIANT"};
}

std::string Hex(DispId id) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08x", static_cast<uint32_t>(id));
  return buffer;
}

std::string Uuid(TextView braced) {
  return ToUtf8(braced.substr(1, braced.size() - 2));
}

// One parameter of a member's interface function, the result included.
struct ParamShape {
  std::string attributes;  // "in, out, optional"
  TypeNames type;
  bool by_ref = false;
  std::string name;
};

bool IsEnumerator(const Member& m) {
  return m.id == kDispIdNewEnum;
}

std::vector<ParamShape> ParamShapes(const Member& m) {
  std::vector<ParamShape> out;
  const std::vector<ParamDecl> names = ParamDecls(m);
  const bool assignment = m.kind & (kPropertyPut | kPropertyPutRef);
  for (size_t i = 0; i < m.signature->params.size(); ++i) {
    const ParamInfo& p = m.signature->params[i];
    ParamShape shape{"in", TypeNamesOf(p.type), false, ToUtf8(names[i].name)};
    if (assignment && i + 1 == m.signature->params.size()) {
      shape.name = ToUtf8(kAssignedValueName);
    } else if (p.optional && names[i].default_value.empty()) {
      // Only variants can say that they were left out.
      shape = {"in, out, optional", TypeNamesOf(ValueType::kVariant), true, shape.name};
    } else {
      // widl attaches a text default only to a text passed by value; late-bound callers, who
      // pass their own variables either way, see no difference.
      shape.by_ref = p.by_ref && !(p.optional && names[i].default_value.starts_with(u'"'));
      if (shape.by_ref) shape.attributes = "in, out";
      if (p.optional)
        shape.attributes += ", optional, defaultvalue(" + ToUtf8(names[i].default_value) + ")";
    }
    out.push_back(std::move(shape));
  }
  if (m.signature->result != ValueType::kVoid) {
    const TypeNames type =
        IsEnumerator(m) ? TypeNames{"IUnknown*", "VT_UNKNOWN"} : TypeNamesOf(m.signature->result);
    out.push_back({"out, retval", type, true, ToUtf8(kResultName)});
  }
  return out;
}

std::string Declaration(const ParamShape& p) {
  return std::string(p.type.idl) + (p.by_ref ? "* " : " ") + p.name;
}

std::string MemberIdl(const Member& m) {
  std::string out = "    [id(" + Hex(m.id) + ")";
  if (m.kind & kPropertyGet) out += ", propget";
  if (m.kind & kPropertyPut) out += ", propput";
  if (m.kind & kPropertyPutRef) out += ", propputref";
  // The enumerator is for For Each, not for calling by name.
  if (IsEnumerator(m)) out += ", restricted, hidden";
  out += "]\n    HRESULT " + ToUtf8(m.name) + "(";
  std::string params;
  for (const ParamShape& p : ParamShapes(m))
    params += (params.empty() ? "[" : ", [") + p.attributes + "] " + Declaration(p);
  return out + params + ");\n";
}

// The function a direct caller calls: its arguments packed as the dispatch side receives them
// (borrowed, by reference where the interface passes them so), then the same member is invoked.
std::string MemberStub(const Member& m) {
  std::string name = ToUtf8(m.name);
  const char* flags = "DISPATCH_METHOD";
  if (m.kind & kPropertyGet) name = "get_" + name, flags = "DISPATCH_PROPERTYGET";
  if (m.kind & kPropertyPut) name = "put_" + name, flags = "DISPATCH_PROPERTYPUT";
  if (m.kind & kPropertyPutRef) name = "putref_" + name, flags = "DISPATCH_PROPERTYPUTREF";
  std::vector<ParamShape> params = ParamShapes(m);
  std::optional<ParamShape> result;
  if (!params.empty() && params.back().attributes == "out, retval") {
    result = params.back();
    params.pop_back();
  }
  std::string declared, packed;
  for (const ParamShape& p : params) {
    declared += (declared.empty() ? "" : ", ") + Declaration(p);
    packed += (packed.empty() ? "" : ", ") + std::string(p.by_ref ? "Ref<" : "In<") + p.type.vt +
              ">(" + p.name + ")";
  }
  if (result) declared += (declared.empty() ? "" : ", ") + Declaration(*result);
  std::string out = "  HRESULT STDMETHODCALLTYPE " + name + "(" + declared + ") override {\n";
  std::string call = "Call";
  if (result) call += std::string("<") + result->type.vt + ">";
  call += "(" + Hex(m.id) + ", " + flags;
  if (params.empty()) {
    call += ", nullptr, 0";
  } else {
    out += "    VARIANT args[] = {" + packed + "};\n";
    call += ", args, " + std::to_string(params.size());
  }
  if (result) call += ", " + result->name;
  return out + "    return " + call + ");\n  }\n";
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
  for (const ClassInfo* c : Classes()) out += "  interface " + ToUtf8(c->interface_name) + ";\n";
  // Dual: late-bound callers go through IDispatch, compiled ones call the functions directly.
  for (const ClassInfo* c : Classes()) {
    out += "\n  [\n    odl,\n    uuid(" + Uuid(c->interface_id) +
           "),\n    hidden,\n    dual,\n    nonextensible,\n    oleautomation\n  ]\n  interface " +
           ToUtf8(c->interface_name) + " : IDispatch\n  {\n";
    for (const Member& m : c->members) {
      if (!m.call || !m.signature) continue;
      out += MemberIdl(m);
    }
    out += "  };\n";
  }
  for (const ClassInfo* c : Classes()) {
    out += "\n  [\n    uuid(" + Uuid(c->class_id) + ")\n  ]\n  coclass " + ToUtf8(c->name) +
           "\n  {\n    [default] interface " + ToUtf8(c->interface_name) + ";\n  };\n";
  }
  return out + "};\n";
}

}  // namespace kvpw

namespace kvpw {

std::string DirectCallStubs() {
  std::string out =
      "// Written by kvpw_typelib --direct-calls from the class roster; the roster's test checks\n"
      "// that it is current. Do not edit by hand.\n"
      "// The direct-call side of each dual interface, over the header widl writes.\n";
  for (const ClassInfo* c : Classes()) {
    const std::string name = ToUtf8(c->interface_name);
    out += "\nclass Direct" + name + " final : public DirectCalls<" + name +
           "> {\n public:\n  using DirectCalls::DirectCalls;\n\n";
    for (const Member& m : c->members)
      if (m.call && m.signature) out += MemberStub(m);
    out += "};\n";
  }
  out += "\nDirectFace* MakeDirectFace(const GUID& interface_id, DirectCaller& owner) {\n";
  for (const ClassInfo* c : Classes()) {
    const std::string name = ToUtf8(c->interface_name);
    out += "  if (IsEqualIID(interface_id, __uuidof(" + name + "))) return new Direct" + name +
           "(owner);\n";
  }
  return out + "  return nullptr;\n}\n";
}

}  // namespace kvpw
