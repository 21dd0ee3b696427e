// The library's objects as automation objects, and the callers' automation objects as the
// library's: values, arrays, objects, by-reference arguments and errors cross here.
#pragma once

// clang-format off
#include <windows.h>
#include <oaidl.h>
// clang-format on
// The library's message box port has the name that windows.h makes a macro of.
#undef MessageBox

#include <atomic>
#include <typeinfo>

#include "frame/error.h"
#include "frame/object.h"

namespace kvpw::com {

// Live objects and server locks, for DllCanUnloadNow.
extern std::atomic<long> g_module_references;

inline Text FromBstr(const wchar_t* text, size_t length) {
  return Text(reinterpret_cast<const char16_t*>(text), length);
}
inline Text FromBstr(BSTR text) {
  return text ? FromBstr(text, SysStringLen(text)) : Text();
}
inline const wchar_t* Wide(const Text& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
BSTR ToBstr(TextView text);

// A caller's value as the library's. A foreign object becomes an adapter of the port that
// `object_type` names (a control, a document, a record set), or a plain late-bound object.
Variant FromVariant(const VARIANT& value, const std::type_info* object_type = nullptr);
// The library's value as a new VARIANT the caller owns (out must be cleared or fresh).
void ToVariant(const Variant& value, VARIANT* out);
// Stores into the caller's variable that a VT_BYREF argument points at, in its own type.
void StoreByRef(const Variant& value, VARIANT& target);

// The automation object that stands for a library object (the same one for the same object,
// while it lives), or the caller's own object back when it came from outside. AddRef'ed.
IDispatch* ToDispatch(const ObjectRef& object);
ObjectRef FromDispatch(IDispatch* dispatch, const std::type_info* object_type);

// The error as the caller's runtime reports it: Err.Number and Err.Description.
HRESULT ErrorHResult(int32_t number);
void FillExcepInfo(const Error& error, EXCEPINFO* info);
// An automation failure as the library's error, with the callee's words when it gave some.
[[noreturn]] void RaiseFromHResult(HRESULT hr, const EXCEPINFO* info);

// The embedded type library of this module (loaded once); nullptr when it cannot be loaded.
ITypeLib* ModuleTypeLib();
HMODULE ModuleHandle();

// A library object that stands for a caller's automation object; handed back, it is that object.
class AutomationBacked {
 public:
  virtual ~AutomationBacked() = default;
  virtual IDispatch* dispatch() const = 0;
};

// Late-bound calls on a caller's object: names through IDispatchEx where the object has it
// (script objects answer only there), by-reference arguments written back.
class ForeignObject : public Object, public AutomationBacked {
 public:
  explicit ForeignObject(IDispatch* dispatch);
  ~ForeignObject() override;
  ForeignObject(const ForeignObject&) = delete;
  ForeignObject& operator=(const ForeignObject&) = delete;

  std::optional<DispId> IdOfName(TextView name) const override;
  Variant Invoke(DispId id, uint16_t kinds, Args args) override;
  IDispatch* dispatch() const override { return dispatch_; }

 private:
  IDispatch* dispatch_;
};

// Members by name on any foreign object: 438 when it has no such member.
Variant CallForeign(Object& object, TextView name, uint16_t kinds,
                    std::initializer_list<Variant> args = {});

}  // namespace kvpw::com
