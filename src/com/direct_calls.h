// The direct-call (vtable) side of the dual interfaces. Each function packs its arguments as
// IDispatch::Invoke receives them, borrowing the caller's values and variables, and goes through
// the same member call as a late-bound caller, so the two sides cannot differ.
#pragma once

// clang-format off
#include <windows.h>
#include <oaidl.h>
// clang-format on

namespace kvpw::com {

// The automation object that a direct-call face belongs to.
class DirectCaller {
 public:
  virtual IDispatch* outer() = 0;
  // `args` in declaration order; for an assignment the assigned value is the last. Failures come
  // back as the error's HRESULT with the caller's error information set.
  virtual HRESULT CallDirect(DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result) = 0;

 protected:
  ~DirectCaller() = default;
};

// Owned by its automation object, which counts its references and answers its queries.
class DirectFace {
 public:
  virtual ~DirectFace() = default;
  virtual IDispatch* dispatch() = 0;
};

// The face of the dual interface with this identifier, or nullptr for none.
DirectFace* MakeDirectFace(const GUID& interface_id, DirectCaller& owner);

// The member of a VARIANT that holds a value of type `vt`; a VARIANT holds a VARIANT as itself.
template <VARTYPE vt>
auto& Field(VARIANT& v) {
  if constexpr (vt == VT_BSTR) {
    return V_BSTR(&v);
  } else if constexpr (vt == VT_I2) {
    return V_I2(&v);
  } else if constexpr (vt == VT_I4) {
    return V_I4(&v);
  } else if constexpr (vt == VT_R8) {
    return V_R8(&v);
  } else if constexpr (vt == VT_BOOL) {
    return V_BOOL(&v);
  } else if constexpr (vt == VT_DISPATCH) {
    return V_DISPATCH(&v);
  } else if constexpr (vt == VT_UNKNOWN) {
    return V_UNKNOWN(&v);
  } else {
    static_assert(vt == VT_VARIANT);
    return v;
  }
}

// A borrowed VARIANT that carries a value of type `vt`.
template <VARTYPE vt, class T>
VARIANT In(T value) {
  VARIANT v;
  VariantInit(&v);
  Field<vt>(v) = value;
  if constexpr (vt != VT_VARIANT) V_VT(&v) = vt;
  return v;
}

// The caller's variable by reference, so that what the member writes reaches it. A null pointer
// is an omitted argument.
template <VARTYPE vt, class T>
VARIANT Ref(T* variable) {
  VARIANT v;
  VariantInit(&v);
  if (!variable) {
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
  }
  V_VT(&v) = VT_BYREF | vt;
  V_BYREF(&v) = variable;
  return v;
}

template <class Interface>
class DirectCalls : public Interface, public DirectFace {
 public:
  explicit DirectCalls(DirectCaller& owner) : owner_(owner) {}
  IDispatch* dispatch() override { return this; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    return owner_.outer()->QueryInterface(riid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_.outer()->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_.outer()->Release(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return owner_.outer()->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return owner_.outer()->GetTypeInfo(index, lcid, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override {
    return owner_.outer()->GetIDsOfNames(riid, names, count, lcid, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                                   UINT* arg_error) override {
    return owner_.outer()->Invoke(id, riid, lcid, flags, params, result, excep, arg_error);
  }

 protected:
  HRESULT Call(DISPID id, WORD flags, VARIANT* args, UINT count) {
    return owner_.CallDirect(id, flags, args, count, nullptr);
  }

  // The member's result in the type the interface declares.
  template <VARTYPE vt, class T>
  HRESULT Call(DISPID id, WORD flags, VARIANT* args, UINT count, T* result) {
    if (!result) return E_POINTER;
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = owner_.CallDirect(id, flags, args, count, &value);
    if (SUCCEEDED(hr) && vt != VT_VARIANT && V_VT(&value) != vt)
      hr = VariantChangeType(&value, &value, 0, vt);
    if (FAILED(hr)) {
      VariantClear(&value);
      return hr;
    }
    *result = Field<vt>(value);
    return S_OK;
  }

 private:
  DirectCaller& owner_;
};

}  // namespace kvpw::com
