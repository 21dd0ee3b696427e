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

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

// The interfaces as widl declares them from the type library source.
#include "KvPwForStencils_h.h"
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

// Every member of the class's table in one view of its interface, and nothing else but the
// `inherited` functions of IUnknown and IDispatch.
void CheckMembers(ITypeInfo* info, const kvpw::ClassInfo& c, bool direct, UINT inherited) {
  const std::string cls = kvpw::ToUtf8(c.name) + (direct ? " (direct)" : " (dispatch)");
  TYPEATTR* attr = nullptr;
  info->GetTypeAttr(&attr);
  size_t described = 0;
  SHORT last_slot = -1;
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
    const size_t retval = direct && m.signature->result != kvpw::ValueType::kVoid ? 1 : 0;
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
    if (direct) {
      // Compiled callers find the function by its slot: the table's order after IDispatch's.
      Check(found->funckind == FUNC_PUREVIRTUAL && found->oVft > last_slot &&
                found->oVft >= static_cast<SHORT>(7 * sizeof(void*)),
            what + ": its slot in the table's order");
      last_slot = found->oVft;
    }
    info->ReleaseFuncDesc(found);
  }
  Check(attr->cFuncs == described + inherited, cls + ": no functions beyond the member table's");
  info->ReleaseTypeAttr(attr);
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
  Check(attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL),
        cls + ": a dual interface");
  info->ReleaseTypeAttr(attr);
  // The dispatch view: IUnknown's and IDispatch's functions first, results as return values.
  CheckMembers(info, c, false, 7);
  // The direct-call view: the member table's functions in their order, results as [out, retval].
  HREFTYPE direct_ref = 0;
  ITypeInfo* direct = nullptr;
  if (SUCCEEDED(info->GetRefTypeOfImplType(static_cast<UINT>(-1), &direct_ref)) &&
      SUCCEEDED(info->GetRefTypeInfo(direct_ref, &direct))) {
    direct->GetTypeAttr(&attr);
    Check(attr->typekind == TKIND_INTERFACE, cls + ": its direct-call interface");
    direct->ReleaseTypeAttr(attr);
    CheckMembers(direct, c, true, 0);
    direct->Release();
  } else {
    Check(false, cls + ": its direct-call interface");
  }
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

// Owns a BSTR for the length of a check.
struct Bstring {
  BSTR b;
  explicit Bstring(const wchar_t* text) : b(SysAllocString(text)) {}
  ~Bstring() { SysFreeString(b); }
  Bstring(const Bstring&) = delete;
  Bstring& operator=(const Bstring&) = delete;
  Text text() const { return kvpw::com::FromBstr(b); }
};

template <class Interface>
Interface* DirectOf(IUnknown* object, kvpw::TextView class_name) {
  Interface* direct = nullptr;
  for (const kvpw::ClassInfo* c : kvpw::Classes())
    if (c->name == class_name)
      object->QueryInterface(Guid(c->interface_id), reinterpret_cast<void**>(&direct));
  return direct;
}

// Calls through the dual interfaces' function tables, as code compiled against the type
// library makes them: typed arguments, results as [out, retval], errors as HRESULTs with the
// error information set.
template <class Create>
void CheckDirectCalls(IDispatch* pw_dispatch, const Create& create) {
  _Pw2* pw = DirectOf<_Pw2>(pw_dispatch, u"Pw2");
  Check(pw != nullptr, "direct: Pw2 answers its interface");
  if (!pw) return;
  IUnknown* a = nullptr;
  IUnknown* b = nullptr;
  pw->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&a));
  pw_dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&b));
  Check(a && a == b, "direct: one identity with the dispatch side");
  if (a) a->Release();
  if (b) b->Release();

  Bstring path(L"D:\\props.mdb");
  Bstring read_back(nullptr);
  Check(SUCCEEDED(pw->put_PartPropsDatabasePath(path.b)) &&
            SUCCEEDED(pw->get_PartPropsDatabasePath(&read_back.b)) &&
            read_back.text() == u"D:\\props.mdb",
        "direct: a field put and read back");

  Bstring address(L"12:3:45");
  short tier = 1;
  Bstring tier_text(nullptr);
  Check(SUCCEEDED(pw->fncstrTier(&address.b, &tier, &tier_text.b)) && tier_text.text() == u"3",
        "direct: a method's [out, retval] text");

  // What the member writes reaches the caller's variables.
  Bstring drawing(L"plant.vsd");
  short count = 7;
  Bstring error(L"no drawing");
  VARIANT systems;
  VariantInit(&systems);
  Check(SUCCEEDED(pw->GetSystemList(drawing.b, &count, &error.b, &systems)) &&
            error.text() == u"Unable to get System List from 'plant.vsd': no drawing" &&
            V_VT(&systems) == (VT_ARRAY | VT_VARIANT) && V_ARRAY(&systems) == nullptr,
        "direct: a BSTR* written back and the never-dimensioned array");
  VariantClear(&systems);

  // A left-out argument fails with 449; the error information says so.
  Bstring empty(nullptr);
  SetErrorInfo(0, nullptr);
  const HRESULT hr = pw->fncstrTier(&address.b, nullptr, &empty.b);
  IErrorInfo* info = nullptr;
  Bstring source(nullptr), description(nullptr);
  if (GetErrorInfo(0, &info) == S_OK) {
    info->GetSource(&source.b);
    info->GetDescription(&description.b);
    info->Release();
  }
  Check(hr == static_cast<HRESULT>(0x800A01C1) && source.text() == kvpw::library::kName &&
            !description.text().empty(),
        "direct: an error as its HRESULT with the error information");
  ISupportErrorInfo* supports = nullptr;
  pw->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&supports));
  Check(supports && supports->InterfaceSupportsErrorInfo(__uuidof(_Pw2)) == S_OK,
        "direct: ISupportErrorInfo for the interface");
  if (supports) supports->Release();
  pw->Release();

  // The collection: an added device, its count, its default member by key, its enumerator.
  IDispatch* devices_dispatch = nullptr;
  for (const kvpw::ClassInfo* c : kvpw::Classes())
    if (c->name == u"PwVsdDeviceCollection") devices_dispatch = create(c->class_id);
  auto* devices = devices_dispatch
                      ? DirectOf<_PwVsdDeviceCollection>(devices_dispatch, u"PwVsdDeviceCollection")
                      : nullptr;
  if (devices_dispatch) devices_dispatch->Release();
  Check(devices != nullptr, "direct: the device collection answers its interface");
  if (!devices) return;
  Bstring name(L"AHU-1"), part(L"TS-9000"), ai(L"1"), ao(L""), di(L"2"), dout(L""), lcm(L"LCM1");
  short type = 3;
  VARIANT key;
  VariantInit(&key);
  V_VT(&key) = VT_BSTR;
  V_BSTR(&key) = SysAllocString(L"C1");
  IDispatch* added = nullptr;
  Check(SUCCEEDED(devices->Add(&name.b, &part.b, &type, &ai.b, &ao.b, &di.b, &dout.b, &lcm.b, &key,
                               &added)) &&
            added,
        "direct: Add with a key returns the device");
  long total = 0;
  Check(SUCCEEDED(devices->get_Count(&total)) && total == 1, "direct: Count");
  IDispatch* item = nullptr;
  Check(SUCCEEDED(devices->get_Item(&key, &item)) && item == added, "direct: Item by key");
  _PwVsdDevice* device = item ? DirectOf<_PwVsdDevice>(item, u"PwVsdDevice") : nullptr;
  Bstring device_name(nullptr);
  short device_type = 0;
  Check(device && SUCCEEDED(device->get_Device(&device_name.b)) && device_name.text() == u"AHU-1" &&
            SUCCEEDED(device->get_DeviceType(&device_type)) && device_type == 3,
        "direct: the device's properties");
  if (device) device->Release();
  if (item) item->Release();
  IUnknown* enumerator = nullptr;
  IEnumVARIANT* each = nullptr;
  if (SUCCEEDED(devices->get_NewEnum(&enumerator)) && enumerator) {
    enumerator->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&each));
    enumerator->Release();
  }
  VARIANT first;
  VariantInit(&first);
  ULONG fetched = 0;
  Check(each && each->Next(1, &first, &fetched) == S_OK && fetched == 1 &&
            V_VT(&first) == VT_DISPATCH && V_DISPATCH(&first) == added,
        "direct: the enumerator gives the device");
  VariantClear(&first);
  if (each) each->Release();
  // A key that is not there: the collection's own error through the function table.
  VARIANT other;
  VariantInit(&other);
  V_VT(&other) = VT_BSTR;
  V_BSTR(&other) = SysAllocString(L"C9");
  item = nullptr;
  Check(FAILED(devices->get_Item(&other, &item)) && !item, "direct: Item of a missing key fails");
  VariantClear(&other);
  VariantClear(&key);
  if (added) added->Release();
  devices->Release();
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

  // A flag written back into variables of the macro language's other types, in their widths.
  float single = 5;
  BYTE byte = 7;
  CY currency{};
  currency.int64 = 90000;
  DATE date = 45000;
  DECIMAL decimal{};
  decimal.Lo32 = 12;
  long long wide = 1LL << 40;
  // False is zero in each of them, all bytes clear.
  struct Kind {
    VARTYPE vt;
    void* variable;
    size_t size;
  };
  const Kind kinds[] = {
      {VT_R4, &single, sizeof single},        {VT_UI1, &byte, sizeof byte},
      {VT_CY, &currency, sizeof currency},    {VT_DATE, &date, sizeof date},
      {VT_DECIMAL, &decimal, sizeof decimal}, {VT_I8, &wide, sizeof wide},
  };
  for (const Kind& kind : kinds) {
    VARIANT found_ref;
    V_VT(&found_ref) = VT_BYREF | kind.vt;
    V_BYREF(&found_ref) = kind.variable;
    VARIANT file = Bstr(L"C:\\no\\such\\parts.mdb");
    VARIANT query = Bstr(L"SELECT * FROM tblParts");
    hr = Call(pw, 0x60030029, DISPATCH_METHOD, {file, query, found_ref}, {}, &result, &info);
    const auto* bytes = static_cast<const unsigned char*>(kind.variable);
    Check(SUCCEEDED(hr) && std::all_of(bytes, bytes + kind.size, [](auto c) { return c == 0; }),
          "boolFound written back into a variable of type " + std::to_string(kind.vt));
    VariantClear(&result);
    VariantClear(&file);
    VariantClear(&query);
  }

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

  CheckDirectCalls(pw, create);
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
