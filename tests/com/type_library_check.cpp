// An early-bound client's view of the component: loads the type library embedded in the DLL and
// checks every class, interface, member, dispatch identifier, kind and parameter name against the
// member tables the late-bound runtime dispatches on. Prints "N passed, N failed".
// Usage: kvpw_type_library_check KvPwForStencils.dll
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "com/automation.h"
#include "frame/library.h"
#include "roster/roster.h"
#include "roster/type_library.h"

namespace {

using kvpw::Text;

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED %s\n", what.c_str());
  }
}

GUID Guid(kvpw::TextView braced) {
  GUID guid{};
  const Text text(braced);
  CLSIDFromString(const_cast<LPOLESTR>(kvpw::com::Wide(text)), &guid);
  return guid;
}

INVOKEKIND InvokeKindOf(uint16_t kind) {
  if (kind & kvpw::kPropertyGet) return INVOKE_PROPERTYGET;
  if (kind & kvpw::kPropertyPut) return INVOKE_PROPERTYPUT;
  if (kind & kvpw::kPropertyPutRef) return INVOKE_PROPERTYPUTREF;
  return INVOKE_FUNC;
}

std::vector<Text> NamesOf(ITypeInfo* info, MEMBERID id) {
  BSTR names[64] = {};
  UINT count = 0;
  std::vector<Text> out;
  if (FAILED(info->GetNames(id, names, 64, &count))) return out;
  for (UINT i = 0; i < count; ++i) {
    out.push_back(kvpw::com::FromBstr(names[i]));
    SysFreeString(names[i]);
  }
  return out;
}

void CheckClass(ITypeLib* lib, const kvpw::ClassInfo& c) {
  const std::string cls = kvpw::ToUtf8(c.name);
  ITypeInfo* coclass = nullptr;
  Check(SUCCEEDED(lib->GetTypeInfoOfGuid(Guid(c.class_id), &coclass)), cls + ": coclass by CLSID");
  if (coclass) {
    BSTR name = nullptr;
    coclass->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    Check(kvpw::com::FromBstr(name) == c.name, cls + ": coclass name");
    SysFreeString(name);
    coclass->Release();
  }
  ITypeInfo* info = nullptr;
  if (FAILED(lib->GetTypeInfoOfGuid(Guid(c.interface_id), &info))) {
    Check(false, cls + ": interface by IID");
    return;
  }
  BSTR interface_name = nullptr;
  info->GetDocumentation(MEMBERID_NIL, &interface_name, nullptr, nullptr, nullptr);
  Check(kvpw::com::FromBstr(interface_name) == c.interface_name, cls + ": interface name");
  SysFreeString(interface_name);

  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  size_t described = 0;
  for (const kvpw::Member& m : c.members) {
    if (!m.call || !m.signature) continue;
    ++described;
    const std::string what = cls + "." + kvpw::ToUtf8(m.name);
    // The function of this identifier and kind.
    FUNCDESC* found = nullptr;
    for (UINT f = 0; f < attr->cFuncs && !found; ++f) {
      FUNCDESC* desc = nullptr;
      if (FAILED(info->GetFuncDesc(f, &desc))) continue;
      if (desc->memid == m.id && desc->invkind == InvokeKindOf(m.kind)) {
        found = desc;
      } else {
        info->ReleaseFuncDesc(desc);
      }
    }
    if (!found) {
      Check(false, what + ": no function with its identifier and kind");
      continue;
    }
    const std::vector<Text> names = NamesOf(info, m.id);
    Check(!names.empty() && names[0] == m.name, what + ": name");
    const std::vector<kvpw::ParamDecl> params = kvpw::ParamDecls(m);
    const bool assignment = m.kind & (kvpw::kPropertyPut | kvpw::kPropertyPutRef);
    // A property assignment's value is unnamed in the library's type information.
    const size_t named = assignment ? params.size() - 1 : params.size();
    const size_t retval = m.signature->result == kvpw::ValueType::kVoid ? 0 : 1;
    Check(static_cast<size_t>(found->cParams) == params.size() + retval, what + ": parameters");
    for (size_t p = 0; p < named && p + 1 < names.size(); ++p)
      Check(names[p + 1] == params[p].name, what + ": parameter " + kvpw::ToUtf8(params[p].name));
    for (size_t p = 0; p < named && p < static_cast<size_t>(found->cParams); ++p) {
      const USHORT flags = found->lprgelemdescParam[p].paramdesc.wParamFlags;
      Check(((flags & PARAMFLAG_FOPT) != 0) == m.signature->params[p].optional,
            what + ": optional " + kvpw::ToUtf8(params[p].name));
      Check(((flags & PARAMFLAG_FHASDEFAULT) != 0) == !params[p].default_value.empty(),
            what + ": default of " + kvpw::ToUtf8(params[p].name));
    }
    info->ReleaseFuncDesc(found);
  }
  Check(attr->cFuncs == described, cls + ": no functions beyond the member table's");
  info->ReleaseTypeAttr(attr);
  info->Release();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::printf("usage: kvpw_type_library_check DLL\n");
    return 2;
  }
  ITypeLib* lib = nullptr;
  Check(SUCCEEDED(LoadTypeLibEx(argv[1], REGKIND_NONE, &lib)), "the DLL's type library loads");
  if (lib) {
    TLIBATTR* attr = nullptr;
    lib->GetLibAttr(&attr);
    Check(IsEqualGUID(attr->guid, Guid(kvpw::library::kLibraryId)), "library identifier");
    Check(attr->wMajorVerNum == kvpw::library::kMajorVersion &&
              attr->wMinorVerNum == kvpw::library::kMinorVersion,
          "library version");
    Check(attr->lcid == kvpw::library::kLocale, "library locale");
    lib->ReleaseTLibAttr(attr);
    BSTR name = nullptr, help = nullptr;
    lib->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr);
    Check(kvpw::com::FromBstr(name) == kvpw::library::kName, "library name");
    Check(kvpw::com::FromBstr(help) == kvpw::library::kHelpString, "library help string");
    SysFreeString(name);
    SysFreeString(help);
    try {
      for (const kvpw::ClassInfo* c : kvpw::Classes()) CheckClass(lib, *c);
    } catch (const kvpw::Error& e) {
      Check(false, "the member tables: " + kvpw::ToUtf8(e.description()));
    }
    lib->Release();
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
