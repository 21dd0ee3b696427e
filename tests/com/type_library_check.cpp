// An early-bound client's view of the component: loads the type library embedded in the DLL and
// checks every class, interface, member, dispatch identifier, kind and parameter name against the
// member tables the late-bound runtime dispatches on; then calls the DLL's objects through
// IDispatch as a compiled client does, with what a script host never sends: named arguments,
// typed by-reference arguments, explicit property puts. Prints "N passed, N failed".
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

// One IDispatch call; arguments in declaration order, `names` the named arguments' positions
// (the last arguments are the named ones).
HRESULT Call(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> args,
             std::vector<DISPID> names, VARIANT* result, EXCEPINFO* info) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPPARAMS params{reversed.data(), names.empty() ? nullptr : names.data(),
                    static_cast<UINT>(reversed.size()), static_cast<UINT>(names.size())};
  // The named ones come first in the array, in the order of their positions given.
  std::vector<VARIANT> ordered;
  const size_t positional = args.size() - names.size();
  for (size_t i = positional; i < args.size(); ++i) ordered.push_back(args[i]);
  for (size_t i = positional; i-- > 0;) ordered.push_back(args[i]);
  params.rgvarg = ordered.data();
  if (result) VariantInit(result);
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, info, nullptr);
}

VARIANT Bstr(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(text);
  return v;
}

VARIANT Short(short value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I2;
  V_I2(&v) = value;
  return v;
}

Text TextOf(const VARIANT& v) {
  return V_VT(&v) == VT_BSTR ? kvpw::com::FromBstr(V_BSTR(&v)) : Text(u"<not a text>");
}

void CheckCalls(const wchar_t* dll_path) {
  HMODULE dll = LoadLibraryW(dll_path);
  Check(dll != nullptr, "the DLL loads");
  if (!dll) return;
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  auto get_class_object = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
  auto can_unload = reinterpret_cast<CanUnloadNow>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  Check(get_class_object && can_unload, "the entry points");
  if (!get_class_object || !can_unload) return;

  const auto create = [&](kvpw::TextView clsid) -> IDispatch* {
    IClassFactory* factory = nullptr;
    IDispatch* object = nullptr;
    if (SUCCEEDED(
            get_class_object(Guid(clsid), IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
      factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object));
      factory->Release();
    }
    return object;
  };
  Check(can_unload() == S_OK, "unloadable before any object");
  IDispatch* pw = nullptr;
  for (const kvpw::ClassInfo* c : kvpw::Classes())
    if (c->name == u"Pw2") pw = create(c->class_id);
  Check(pw != nullptr, "Pw2 from its class factory");
  if (!pw) return;
  Check(can_unload() == S_FALSE, "not unloadable while an object lives");

  LPOLESTR names[] = {const_cast<LPOLESTR>(L"FNCSTRTIER"), const_cast<LPOLESTR>(L"inttier"),
                      const_cast<LPOLESTR>(L"strAddr")};
  DISPID ids[3] = {};
  Check(SUCCEEDED(pw->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids)) &&
            ids[0] == 0x6003001D && ids[1] == 1 && ids[2] == 0,
        "member and parameter names without case");
  VARIANT result;
  EXCEPINFO info{};
  // Both by name, the tier first.
  HRESULT hr =
      Call(pw, 0x6003001D, DISPATCH_METHOD, {Short(1), Bstr(L"12:3:45")}, {1, 0}, &result, &info);
  Check(SUCCEEDED(hr) && TextOf(result) == u"3", "named arguments in another order");
  VariantClear(&result);

  // A property put as compiled code sends it, then read back.
  VARIANT path = Bstr(L"C:\\parts.mdb");
  hr = Call(pw, 0x40030000, DISPATCH_PROPERTYPUT, {path}, {DISPID_PROPERTYPUT}, nullptr, &info);
  hr = Call(pw, 0x40030000, DISPATCH_PROPERTYGET, {}, {}, &result, &info);
  Check(SUCCEEDED(hr) && TextOf(result) == u"C:\\parts.mdb", "a property put and get");
  VariantClear(&result);
  VariantClear(&path);

  // Typed by-reference arguments, as an early-bound caller passes its own variables.
  short count = 7;
  BSTR error = SysAllocString(L"no drawing");
  VARIANT count_ref, error_ref;
  V_VT(&count_ref) = VT_BYREF | VT_I2;
  V_I2REF(&count_ref) = &count;
  V_VT(&error_ref) = VT_BYREF | VT_BSTR;
  V_BSTRREF(&error_ref) = &error;
  VARIANT drawing = Bstr(L"plant.vsd");
  hr = Call(pw, 0x60030014, DISPATCH_METHOD, {drawing, count_ref, error_ref}, {}, &result, &info);
  Check(SUCCEEDED(hr) &&
            kvpw::com::FromBstr(error) == u"Unable to get System List from 'plant.vsd': no drawing",
        "a BSTR* argument written back");
  Check(count == 7, "a short* argument not written");
  Check(V_VT(&result) == (VT_ARRAY | VT_VARIANT) && V_ARRAY(&result) == nullptr,
        "the never-dimensioned array");
  VariantClear(&result);
  VariantClear(&drawing);
  SysFreeString(error);

  // An error as the caller's runtime reports it.
  VARIANT missing = Bstr(L"1:2");
  hr = Call(pw, 0x6003001D, DISPATCH_METHOD, {missing}, {}, &result, &info);
  Check(hr == DISP_E_EXCEPTION && info.scode == static_cast<SCODE>(0x800A01C1) &&
            kvpw::com::FromBstr(info.bstrSource) == kvpw::library::kName,
        "a missing argument fails with 449");
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  info = EXCEPINFO{};
  VariantClear(&missing);

  pw->Release();
  Check(can_unload() == S_OK, "unloadable once the last object is released");
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
  CoInitialize(nullptr);
  CheckCalls(argv[1]);
  CoUninitialize();
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
