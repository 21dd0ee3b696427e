#include "com/automation.h"

#include <dispex.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>
#include <unordered_map>
#include <vector>

#include "com/adapters.h"
#include "com/direct_calls.h"
#include "frame/library.h"
#include "roster/type_library.h"

namespace kvpw::com {

std::atomic<long> g_module_references{0};

namespace {

// Asked of an automation object to learn whether it is one of ours, and which.
// {07C801CB-00D0-4CC3-9AFE-FA30EEDB10F0}
constexpr GUID kIidLibraryObject = {
    0x07c801cb, 0x00d0, 0x4cc3, {0x9a, 0xfe, 0xfa, 0x30, 0xee, 0xdb, 0x10, 0xf0}};

// MinGW-w64's uuid library lacks it.
constexpr GUID kIidDispatchEx = {
    0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

// The facility of the macro language's own error numbers.
constexpr unsigned kFacilityControl = 0xA;

GUID ParseGuid(TextView braced) {
  GUID guid{};
  const Text text(braced);
  if (FAILED(CLSIDFromString(const_cast<LPOLESTR>(Wide(text)), &guid))) return GUID{};
  return guid;
}

bool IsMissing(const VARIANT& v) {
  if (V_VT(&v) == VT_ERROR) return V_ERROR(&v) == DISP_E_PARAMNOTFOUND;
  if (V_VT(&v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&v)) return IsMissing(*V_VARIANTREF(&v));
  return false;
}

uint16_t KindsOfFlags(WORD flags) {
  uint16_t kinds = 0;
  if (flags & DISPATCH_METHOD) kinds |= kMethod;
  if (flags & DISPATCH_PROPERTYGET) kinds |= kPropertyGet;
  if (flags & DISPATCH_PROPERTYPUT) kinds |= kPropertyPut;
  if (flags & DISPATCH_PROPERTYPUTREF) kinds |= kPropertyPutRef;
  return kinds;
}

WORD FlagsOfKinds(uint16_t kinds) {
  WORD flags = 0;
  if (kinds & kMethod) flags |= DISPATCH_METHOD;
  if (kinds & kPropertyGet) flags |= DISPATCH_PROPERTYGET;
  if (kinds & kPropertyPut) flags |= DISPATCH_PROPERTYPUT;
  if (kinds & kPropertyPutRef) flags |= DISPATCH_PROPERTYPUTREF;
  return flags;
}

// Clears a VARIANT when it goes out of scope.
struct VariantHolder {
  VARIANT v;
  VariantHolder() { VariantInit(&v); }
  ~VariantHolder() { VariantClear(&v); }
  VariantHolder(const VariantHolder&) = delete;
  VariantHolder& operator=(const VariantHolder&) = delete;
};

// A never-dimensioned array is no SAFEARRAY at all, as the macro language keeps one: it has no
// bounds, and UBound on it fails with 9.
SAFEARRAY* ToSafeArray(const Array& array) {
  if (!array.dimensioned()) return nullptr;
  const ULONG count = static_cast<ULONG>(array.items->size());
  SAFEARRAY* sa = SafeArrayCreateVector(VT_VARIANT, 0, count);
  if (!sa) throw std::bad_alloc();
  for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
    VariantHolder item;
    ToVariant((*array.items)[i], &item.v);
    SafeArrayPutElement(sa, &i, &item.v);
  }
  return sa;
}

Variant FromSafeArray(SAFEARRAY* sa, VARTYPE element_type) {
  // A macro's undimensioned array.
  if (!sa) return Variant(Array{});
  if (SafeArrayGetDim(sa) != 1) Raise(err::kTypeMismatch);
  LONG lower = 0, upper = -1;
  SafeArrayGetLBound(sa, 1, &lower);
  SafeArrayGetUBound(sa, 1, &upper);
  std::vector<Variant> items;
  for (LONG i = lower; i <= upper; ++i) {
    VariantHolder item;
    if (element_type == VT_VARIANT) {
      SafeArrayGetElement(sa, &i, &item.v);
    } else {
      // Typed elements are read through a variant of their type.
      void* slot = nullptr;
      if (FAILED(SafeArrayPtrOfIndex(sa, &i, &slot))) Raise(err::kSubscript);
      VARIANT ref;
      VariantInit(&ref);
      V_VT(&ref) = VT_BYREF | element_type;
      V_BYREF(&ref) = slot;
      VariantCopyInd(&item.v, &ref);
    }
    items.push_back(FromVariant(item.v));
  }
  return Variant::MakeArray(std::move(items));
}

class ComObject;
std::mutex g_wrappers_mutex;
// One automation object per library object while it lives, so that `Is` compares them rightly.
std::unordered_map<const Object*, ComObject*> g_wrappers;

const Member* FindMember(const ClassInfo* info, DispId id, uint16_t kinds) {
  if (!info) return nullptr;
  for (const Member& m : info->members)
    if (m.id == id && (m.kind & kinds) && m.call) return &m;
  return nullptr;
}

class EnumVariant final : public IEnumVARIANT {
 public:
  explicit EnumVariant(ObjectRef enumerator) : enumerator_(std::move(enumerator)) {
    ++g_module_references;
  }
  ~EnumVariant() { --g_module_references; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumVARIANT)) {
      *out = static_cast<IEnumVARIANT*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
    ULONG done = 0;
    try {
      for (; done < count; ++done) {
        // The library's enumerators give Empty past the last item.
        Variant item = Call(enumerator_, u"Next");
        if (item.is_empty()) break;
        VariantInit(&items[done]);
        ToVariant(item, &items[done]);
      }
    } catch (...) {
      for (ULONG i = 0; i < done; ++i) VariantClear(&items[i]);
      if (fetched) *fetched = 0;
      return E_FAIL;
    }
    if (fetched) *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    try {
      for (ULONG i = 0; i < count; ++i)
        if (Call(enumerator_, u"Next").is_empty()) return S_FALSE;
      return S_OK;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    try {
      Call(enumerator_, u"Reset");
      return S_OK;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

 private:
  std::atomic<ULONG> refs_{1};
  ObjectRef enumerator_;
};

// The caller's error information for a failure of a direct call, as IErrorInfo.
void SetCallerErrorInfo(const Error& error, const GUID& interface_id) {
  ICreateErrorInfo* create = nullptr;
  if (FAILED(CreateErrorInfo(&create))) return;
  try {
    const Text source(library::kName);
    create->SetGUID(interface_id);
    create->SetSource(const_cast<LPOLESTR>(Wide(source)));
    create->SetDescription(const_cast<LPOLESTR>(Wide(error.description())));
  } catch (const std::bad_alloc&) {
  }
  IErrorInfo* info = nullptr;
  if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
    SetErrorInfo(0, info);
    info->Release();
  }
  create->Release();
}

class ComObject final : public IDispatch, public ISupportErrorInfo, public DirectCaller {
 public:
  explicit ComObject(ObjectRef object) : object_(std::move(object)) {
    if (auto* d = dynamic_cast<Dispatchable*>(object_.get())) {
      class_info_ = &d->class_info();
      interface_id_ = ParseGuid(class_info_->interface_id);
      face_.reset(MakeDirectFace(interface_id_, *this));
    }
    ++g_module_references;
  }
  ~ComObject() { --g_module_references; }
  const ObjectRef& object() const { return object_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIidLibraryObject)) {
      *out = static_cast<IDispatch*>(this);
    } else if (face_ && IsEqualIID(riid, interface_id_)) {
      *out = face_->dispatch();
    } else if (face_ && IsEqualIID(riid, IID_ISupportErrorInfo)) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
    return face_ && IsEqualIID(riid, interface_id_) ? S_OK : S_FALSE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    std::unique_lock lock(g_wrappers_mutex);
    const ULONG left = --refs_;
    if (left == 0) {
      auto found = g_wrappers.find(object_.get());
      if (found != g_wrappers.end() && found->second == this) g_wrappers.erase(found);
      lock.unlock();
      delete this;
    }
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = class_info_ && ModuleTypeLib() ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ITypeLib* lib = ModuleTypeLib();
    if (!class_info_ || !lib) return E_NOTIMPL;
    return lib->GetTypeInfoOfGuid(interface_id_, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    try {
      const auto id = object_->IdOfName(FromBstr(names[0], wcslen(names[0])));
      ids[0] = id ? *id : DISPID_UNKNOWN;
      if (!id) hr = DISP_E_UNKNOWNNAME;
      // Named arguments: the position of each among the member's parameters.
      std::vector<ParamDecl> params;
      if (id && class_info_) {
        for (const Member& m : class_info_->members)
          if (m.id == *id && m.signature && m.signature->params.size() > params.size())
            params = ParamDecls(m);
      }
      for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        const Text name = FromBstr(names[i], wcslen(names[i]));
        for (size_t p = 0; p < params.size(); ++p)
          if (EqualsNoCase(params[p].name, name)) ids[i] = static_cast<DISPID>(p);
        if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
      }
    } catch (...) {
      return E_UNEXPECTED;
    }
    return hr;
  }

  IDispatch* outer() override { return this; }
  HRESULT CallDirect(DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result) override {
    // As Invoke receives them: last first, an assigned value named as such.
    std::vector<VARIANT> reversed(args, args + count);
    std::reverse(reversed.begin(), reversed.end());
    DISPID assigned = DISPID_PROPERTYPUT;
    const bool assignment = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS params{reversed.data(), assignment ? &assigned : nullptr, count,
                      assignment ? 1u : 0u};
    try {
      return InvokeMember(id, flags, &params, result, nullptr);
    } catch (const Error& e) {
      SetCallerErrorInfo(e, interface_id_);
      return ErrorHResult(e.number());
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* arg_error) override {
    try {
      return InvokeMember(id, flags, params, result, arg_error);
    } catch (const Error& e) {
      FillExcepInfo(e, excep);
      return DISP_E_EXCEPTION;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  HRESULT InvokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, UINT*) {
    const uint16_t kinds = KindsOfFlags(flags);
    const Member* member = FindMember(class_info_, id, kinds);
    const Signature* signature = member ? member->signature : nullptr;
    const UINT total = params ? params->cArgs : 0;
    const UINT named = params ? params->cNamedArgs : 0;
    // Arguments arrive last first; named ones (first in the array) by their position.
    std::vector<VARIANT*> slots(total - named, nullptr);
    for (UINT i = 0; i < total - named; ++i) slots[i] = &params->rgvarg[total - 1 - i];
    VARIANT* assigned = nullptr;
    for (UINT j = 0; j < named; ++j) {
      const DISPID position = params->rgdispidNamedArgs[j];
      if (position == DISPID_PROPERTYPUT) {
        assigned = &params->rgvarg[j];
        continue;
      }
      if (position < 0 || position > 64) return DISP_E_PARAMNOTFOUND;
      if (slots.size() <= static_cast<size_t>(position)) slots.resize(position + 1, nullptr);
      slots[position] = &params->rgvarg[j];
    }
    // The assigned value is the member's last parameter.
    if (assigned) {
      if (signature && !signature->params.empty() && slots.size() < signature->params.size() - 1)
        slots.resize(signature->params.size() - 1, nullptr);
      slots.push_back(assigned);
    }
    std::vector<Variant> values(slots.size());
    std::vector<Variant*> args(slots.size(), nullptr);
    for (size_t i = 0; i < slots.size(); ++i) {
      if (!slots[i] || IsMissing(*slots[i])) continue;
      const std::type_info* type =
          signature && i < signature->params.size() ? signature->params[i].object_type : nullptr;
      values[i] = FromVariant(*slots[i], type);
      args[i] = &values[i];
    }
    const auto write_back = [&] {
      for (size_t i = 0; i < slots.size(); ++i) {
        if (!args[i] || !(V_VT(slots[i]) & VT_BYREF)) continue;
        if (!signature || i >= signature->params.size() || !signature->params[i].written) continue;
        StoreByRef(values[i], *slots[i]);
      }
    };
    Variant out;
    try {
      out = object_->Invoke(id, kinds, args);
    } catch (...) {
      write_back();
      throw;
    }
    write_back();
    if (!result) return S_OK;
    VariantInit(result);
    if (id == DISPID_NEWENUM) {
      if (!out.is_object() || !out.object()) Raise(err::kMemberNotSupported);
      V_VT(result) = VT_UNKNOWN;
      V_UNKNOWN(result) = new EnumVariant(out.object());
      return S_OK;
    }
    ToVariant(out, result);
    return S_OK;
  }

  std::atomic<ULONG> refs_{1};
  ObjectRef object_;
  const ClassInfo* class_info_ = nullptr;
  GUID interface_id_{};
  std::unique_ptr<DirectFace> face_;
};

}  // namespace

BSTR ToBstr(TextView text) {
  BSTR out = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                               static_cast<UINT>(text.size()));
  if (!out) throw std::bad_alloc();
  return out;
}

Variant FromVariant(const VARIANT& value, const std::type_info* object_type) {
  const VARTYPE vt = V_VT(&value);
  if (vt == (VT_BYREF | VT_VARIANT)) return FromVariant(*V_VARIANTREF(&value), object_type);
  if (vt & VT_ARRAY) {
    SAFEARRAY* sa = (vt & VT_BYREF) ? *V_ARRAYREF(&value) : V_ARRAY(&value);
    return FromSafeArray(sa, vt & VT_TYPEMASK);
  }
  switch (vt) {
    case VT_EMPTY:
      return Variant();
    case VT_NULL:
      return Variant(kNull);
    case VT_BOOL:
      return Variant(V_BOOL(&value) != VARIANT_FALSE);
    case VT_BYREF | VT_BOOL:
      return Variant(*V_BOOLREF(&value) != VARIANT_FALSE);
    case VT_I2:
      return Variant(static_cast<int16_t>(V_I2(&value)));
    case VT_BYREF | VT_I2:
      return Variant(static_cast<int16_t>(*V_I2REF(&value)));
    case VT_UI1:
      return Variant(static_cast<int16_t>(V_UI1(&value)));
    case VT_BYREF | VT_UI1:
      return Variant(static_cast<int16_t>(*V_UI1REF(&value)));
    case VT_I4:
      return Variant(static_cast<int32_t>(V_I4(&value)));
    case VT_BYREF | VT_I4:
      return Variant(static_cast<int32_t>(*V_I4REF(&value)));
    case VT_R8:
      return Variant(V_R8(&value));
    case VT_BYREF | VT_R8:
      return Variant(*V_R8REF(&value));
    case VT_BSTR:
      return Variant(FromBstr(V_BSTR(&value)));
    case VT_BYREF | VT_BSTR:
      return Variant(FromBstr(*V_BSTRREF(&value)));
    case VT_DISPATCH:
      return Variant(FromDispatch(V_DISPATCH(&value), object_type));
    case VT_BYREF | VT_DISPATCH:
      return Variant(FromDispatch(*V_DISPATCHREF(&value), object_type));
    case VT_UNKNOWN:
    case VT_BYREF | VT_UNKNOWN: {
      IUnknown* unknown = vt == VT_UNKNOWN ? V_UNKNOWN(&value) : *V_UNKNOWNREF(&value);
      if (!unknown) return Variant(ObjectRef());
      IDispatch* dispatch = nullptr;
      if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        Raise(err::kTypeMismatch);
      ObjectRef object = FromDispatch(dispatch, object_type);
      dispatch->Release();
      return Variant(object);
    }
    default:
      break;
  }
  // Other numbers (single, currency, dates, decimals, unsigned) are read as doubles.
  VariantHolder number;
  if (FAILED(VariantChangeType(&number.v, const_cast<VARIANT*>(&value), 0, VT_R8)))
    Raise(err::kTypeMismatch);
  return Variant(V_R8(&number.v));
}

void ToVariant(const Variant& value, VARIANT* out) {
  VariantInit(out);
  switch (value.type()) {
    case VarType::kEmpty:
      return;
    case VarType::kNull:
      V_VT(out) = VT_NULL;
      return;
    case VarType::kBoolean:
      V_VT(out) = VT_BOOL;
      V_BOOL(out) = value.boolean() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VarType::kInteger:
      V_VT(out) = VT_I2;
      V_I2(out) = value.integer();
      return;
    case VarType::kLong:
      V_VT(out) = VT_I4;
      V_I4(out) = value.long_value();
      return;
    case VarType::kDouble:
      V_VT(out) = VT_R8;
      V_R8(out) = value.double_value();
      return;
    case VarType::kText:
      V_BSTR(out) = ToBstr(value.text());
      V_VT(out) = VT_BSTR;
      return;
    case VarType::kObject:
      V_DISPATCH(out) = ToDispatch(value.object());
      V_VT(out) = VT_DISPATCH;
      return;
    case VarType::kArray:
      V_ARRAY(out) = ToSafeArray(value.array());
      V_VT(out) = VT_ARRAY | VT_VARIANT;
      return;
  }
}

namespace {

// The macro language's other scalar variables (Byte, Single, Currency, Date, Decimal and the
// unsigned and 64-bit ones): the value converted as the platform converts it, then stored in
// the variable's own width.
void StoreOtherScalar(const Variant& value, VARIANT& target) {
  const VARTYPE type = V_VT(&target) & ~VT_BYREF;
  VariantHolder fresh;
  ToVariant(value, &fresh.v);
  const HRESULT hr = VariantChangeType(&fresh.v, &fresh.v, 0, type);
  if (hr == DISP_E_OVERFLOW) Raise(err::kOverflow);
  if (FAILED(hr)) Raise(err::kTypeMismatch);
  switch (type) {
    case VT_UI1:
      *V_UI1REF(&target) = V_UI1(&fresh.v);
      return;
    case VT_I1:
      *V_I1REF(&target) = V_I1(&fresh.v);
      return;
    case VT_UI2:
      *V_UI2REF(&target) = V_UI2(&fresh.v);
      return;
    case VT_UI4:
      *V_UI4REF(&target) = V_UI4(&fresh.v);
      return;
    case VT_INT:
      *V_INTREF(&target) = V_INT(&fresh.v);
      return;
    case VT_UINT:
      *V_UINTREF(&target) = V_UINT(&fresh.v);
      return;
    case VT_I8:
      *V_I8REF(&target) = V_I8(&fresh.v);
      return;
    case VT_UI8:
      *V_UI8REF(&target) = V_UI8(&fresh.v);
      return;
    case VT_R4:
      *V_R4REF(&target) = V_R4(&fresh.v);
      return;
    case VT_CY:
      *V_CYREF(&target) = V_CY(&fresh.v);
      return;
    case VT_DATE:
      *V_DATEREF(&target) = V_DATE(&fresh.v);
      return;
    case VT_DECIMAL:
      *V_DECIMALREF(&target) = V_DECIMAL(&fresh.v);
      // The decimal overlays the variant, whose type sits where the variable has nothing.
      V_DECIMALREF(&target)->wReserved = 0;
      return;
    default:
      Raise(err::kTypeMismatch);
  }
}

}  // namespace

void StoreByRef(const Variant& value, VARIANT& target) {
  const VARTYPE vt = V_VT(&target);
  if (!(vt & VT_BYREF)) return;
  switch (vt & ~VT_BYREF) {
    case VT_VARIANT: {
      VARIANT fresh;
      ToVariant(value, &fresh);
      VariantClear(V_VARIANTREF(&target));
      *V_VARIANTREF(&target) = fresh;
      return;
    }
    case VT_BSTR: {
      BSTR fresh = ToBstr(ToText(value));
      SysFreeString(*V_BSTRREF(&target));
      *V_BSTRREF(&target) = fresh;
      return;
    }
    case VT_BOOL:
      *V_BOOLREF(&target) = ToBoolean(value) ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case VT_I2:
      *V_I2REF(&target) = ToInteger(value);
      return;
    case VT_I4:
      *V_I4REF(&target) = ToLong(value);
      return;
    case VT_R8:
      *V_R8REF(&target) = ToDouble(value);
      return;
    case VT_DISPATCH: {
      if (!value.is_object()) Raise(err::kTypeMismatch);
      IDispatch* fresh = ToDispatch(value.object());
      if (*V_DISPATCHREF(&target)) (*V_DISPATCHREF(&target))->Release();
      *V_DISPATCHREF(&target) = fresh;
      return;
    }
    case VT_ARRAY | VT_VARIANT: {
      if (!value.is_array()) Raise(err::kTypeMismatch);
      SAFEARRAY* fresh = ToSafeArray(value.array());
      if (*V_ARRAYREF(&target)) SafeArrayDestroy(*V_ARRAYREF(&target));
      *V_ARRAYREF(&target) = fresh;
      return;
    }
    default:
      StoreOtherScalar(value, target);
  }
}

IDispatch* ToDispatch(const ObjectRef& object) {
  if (!object) return nullptr;
  if (auto* foreign = dynamic_cast<AutomationBacked*>(object.get())) {
    foreign->dispatch()->AddRef();
    return foreign->dispatch();
  }
  std::lock_guard lock(g_wrappers_mutex);
  auto found = g_wrappers.find(object.get());
  if (found != g_wrappers.end()) {
    found->second->AddRef();
    return found->second;
  }
  auto* wrapper = new ComObject(object);
  g_wrappers.emplace(object.get(), wrapper);
  return wrapper;
}

ObjectRef FromDispatch(IDispatch* dispatch, const std::type_info* object_type) {
  if (!dispatch) return nullptr;
  void* ours = nullptr;
  if (SUCCEEDED(dispatch->QueryInterface(kIidLibraryObject, &ours))) {
    auto* wrapper = static_cast<ComObject*>(static_cast<IDispatch*>(ours));
    ObjectRef object = wrapper->object();
    wrapper->Release();
    return object;
  }
  return MakeAdapter(dispatch, object_type);
}

HRESULT ErrorHResult(int32_t number) {
  if (number > 0 && number <= 0xFFFF)
    return MAKE_HRESULT(SEVERITY_ERROR, kFacilityControl, static_cast<unsigned>(number));
  return static_cast<HRESULT>(number);
}

void FillExcepInfo(const Error& error, EXCEPINFO* info) {
  if (!info) return;
  *info = EXCEPINFO{};
  info->scode = ErrorHResult(error.number());
  try {
    info->bstrSource = ToBstr(library::kName);
    info->bstrDescription = ToBstr(error.description());
  } catch (const std::bad_alloc&) {
  }
}

void RaiseFromHResult(HRESULT hr, const EXCEPINFO* info) {
  if (hr == DISP_E_EXCEPTION && info) {
    EXCEPINFO filled = *info;
    if (filled.pfnDeferredFillIn) filled.pfnDeferredFillIn(&filled);
    const HRESULT code = filled.scode ? filled.scode : static_cast<HRESULT>(filled.wCode);
    const int32_t number = HRESULT_FACILITY(code) == kFacilityControl
                               ? static_cast<int32_t>(HRESULT_CODE(code))
                               : static_cast<int32_t>(code);
    Text description = FromBstr(filled.bstrDescription);
    SysFreeString(filled.bstrDescription);
    SysFreeString(filled.bstrSource);
    SysFreeString(filled.bstrHelpFile);
    if (description.empty()) Raise(number);
    Raise(number, std::move(description));
  }
  switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_UNKNOWNNAME:
      Raise(err::kMemberNotSupported);
    case DISP_E_TYPEMISMATCH:
      Raise(err::kTypeMismatch);
    case DISP_E_OVERFLOW:
      Raise(err::kOverflow);
    case DISP_E_PARAMNOTOPTIONAL:
      Raise(err::kArgumentNotOptional);
    case DISP_E_BADPARAMCOUNT:
      Raise(err::kWrongArgumentCount);
    default:
      break;
  }
  Raise(static_cast<int32_t>(hr), u"Automation error");
}

ForeignObject::ForeignObject(IDispatch* dispatch) : dispatch_(dispatch) {
  dispatch_->AddRef();
}

ForeignObject::~ForeignObject() {
  dispatch_->Release();
}

std::optional<DispId> ForeignObject::IdOfName(TextView name) const {
  const Text text(name);
  DISPID id = DISPID_UNKNOWN;
  IDispatchEx* ex = nullptr;
  if (SUCCEEDED(dispatch_->QueryInterface(kIidDispatchEx, reinterpret_cast<void**>(&ex)))) {
    BSTR bstr = ToBstr(text);
    const HRESULT hr = ex->GetDispID(bstr, fdexNameCaseInsensitive, &id);
    SysFreeString(bstr);
    ex->Release();
    if (SUCCEEDED(hr)) return id;
  }
  LPOLESTR names[] = {const_cast<LPOLESTR>(Wide(text))};
  if (SUCCEEDED(dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return id;
  return std::nullopt;
}

Variant ForeignObject::Invoke(DispId id, uint16_t kinds, Args args) {
  const size_t count = args.size();
  const bool assignment = kinds & (kPropertyPut | kPropertyPutRef);
  // Each argument as a variable of its own, passed by reference so the callee's writes return.
  std::vector<VariantHolder> locals(count);
  std::vector<VARIANT> passed(count);
  for (size_t i = 0; i < count; ++i) {
    VARIANT& slot = passed[count - 1 - i];
    VariantInit(&slot);
    if (!args[i]) {
      V_VT(&slot) = VT_ERROR;
      V_ERROR(&slot) = DISP_E_PARAMNOTFOUND;
      continue;
    }
    ToVariant(*args[i], &locals[i].v);
    if (assignment && i + 1 == count) {
      slot = locals[i].v;  // the assigned value goes by value; locals[i] still owns it
    } else {
      V_VT(&slot) = VT_BYREF | VT_VARIANT;
      V_VARIANTREF(&slot) = &locals[i].v;
    }
  }
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{passed.data(), assignment ? &put : nullptr, static_cast<UINT>(count),
                    assignment ? 1u : 0u};
  VariantHolder result;
  EXCEPINFO info{};
  UINT arg_error = 0;
  const HRESULT hr =
      dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, FlagsOfKinds(kinds), &params,
                        assignment ? nullptr : &result.v, &info, &arg_error);
  if (FAILED(hr)) RaiseFromHResult(hr, &info);
  for (size_t i = 0; i + (assignment ? 1 : 0) < count; ++i) {
    if (!args[i]) continue;
    // Objects are handed back only when the callee put another one in their place.
    const VARTYPE vt = V_VT(&locals[i].v);
    if ((vt == VT_DISPATCH || vt == VT_UNKNOWN) && args[i]->is_object()) {
      IDispatch* before = ToDispatch(args[i]->object());
      const bool same = before == V_DISPATCH(&locals[i].v);
      if (before) before->Release();
      if (same) continue;
    }
    *args[i] = FromVariant(locals[i].v);
  }
  return FromVariant(result.v);
}

Variant CallForeign(Object& object, TextView name, uint16_t kinds,
                    std::initializer_list<Variant> args) {
  std::vector<Variant> values(args);
  std::vector<Variant*> pointers;
  for (Variant& v : values) pointers.push_back(&v);
  return kvpw::Invoke(object, name, kinds, pointers);
}

}  // namespace kvpw::com
