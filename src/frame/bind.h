// Turns C++ member functions into member-table thunks: arguments are converted by the ordinary
// rules, omitted optional arguments become std::nullopt, and by-reference parameters (non-const
// lvalue references) are written back into the caller's variables after the call, whether it
// returns or fails.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <type_traits>
#include <utility>

#include "frame/error.h"
#include "frame/object.h"

namespace kvpw::bind {

template <class T>
struct Conv;

template <>
struct Conv<Variant> {
  static Variant From(const Variant& v) { return v; }
  static Variant To(Variant v) { return v; }
};
template <>
struct Conv<Text> {
  static Text From(const Variant& v) { return ToText(v); }
  static Variant To(Text t) { return Variant(std::move(t)); }
};
template <>
struct Conv<int16_t> {
  static int16_t From(const Variant& v) { return ToInteger(v); }
  static Variant To(int16_t i) { return Variant(i); }
};
template <>
struct Conv<int32_t> {
  static int32_t From(const Variant& v) { return ToLong(v); }
  static Variant To(int32_t l) { return Variant(l); }
};
template <>
struct Conv<double> {
  static double From(const Variant& v) { return ToDouble(v); }
  static Variant To(double d) { return Variant(d); }
};
template <>
struct Conv<bool> {
  static bool From(const Variant& v) { return ToBoolean(v); }
  static Variant To(bool b) { return Variant(b); }
};
// Objects: Nothing passes as nullptr; an object of another kind, or a plain value, is a mismatch.
template <class T>
struct Conv<std::shared_ptr<T>> {
  static std::shared_ptr<T> From(const Variant& v) {
    if (!v.is_object()) Raise(err::kTypeMismatch);
    if (!v.object()) return nullptr;
    auto typed = std::dynamic_pointer_cast<T>(v.object());
    if (!typed) Raise(err::kTypeMismatch);
    return typed;
  }
  static Variant To(const std::shared_ptr<T>& p) { return Variant(ObjectRef(p)); }
};
template <class T>
struct Conv<std::optional<T>> {
  static std::optional<T> From(const Variant& v) { return Conv<T>::From(v); }
  static Variant To(const std::optional<T>& o) { return o ? Conv<T>::To(*o) : Variant(); }
};

template <class T>
inline constexpr bool kIsOptional = false;
template <class T>
inline constexpr bool kIsOptional<std::optional<T>> = true;

template <class P>
using Value = std::remove_cvref_t<P>;

template <class P>
inline constexpr bool kByRef =
    std::is_lvalue_reference_v<P> && !std::is_const_v<std::remove_reference_t<P>>;

template <class P>
Value<P> Load(Args args, size_t i) {
  const bool omitted = i >= args.size() || args[i] == nullptr;
  if constexpr (kIsOptional<Value<P>>) {
    if (omitted) return std::nullopt;
  } else {
    if (omitted) Raise(err::kArgumentNotOptional);
  }
  return Conv<Value<P>>::From(*args[i]);
}

template <class>
struct MethodTraits;
template <class C, class R, class... P>
struct MethodTraits<R (C::*)(P...)> {
  using Class = C;
  using Ret = R;
  using Params = std::tuple<P...>;
};
template <class C, class R, class... P>
struct MethodTraits<R (C::*)(P...) const> : MethodTraits<R (C::*)(P...)> {};
// A free function taking the object first: for members whose dispatch form differs from the C++
// one (an optional by-reference argument, say).
template <class C, class R, class... P>
struct MethodTraits<R (*)(C&, P...)> : MethodTraits<R (C::*)(P...)> {};

template <auto M, size_t... I>
Variant CallWith(Object& self, Args args, std::index_sequence<I...>) {
  using Traits = MethodTraits<decltype(M)>;
  using Params = typename Traits::Params;
  if (args.size() > sizeof...(I)) Raise(err::kWrongArgumentCount);
  auto& target = static_cast<typename Traits::Class&>(self);
  std::tuple<Value<std::tuple_element_t<I, Params>>...> values{
      Load<std::tuple_element_t<I, Params>>(args, I)...};
  // The caller's variable is the argument itself, so whatever the member wrote before it failed
  // must reach the caller as well.
  const auto write_back = [&] {
    (
        [&] {
          if constexpr (kByRef<std::tuple_element_t<I, Params>>) {
            if (I < args.size() && args[I])
              *args[I] = Conv<Value<std::tuple_element_t<I, Params>>>::To(std::get<I>(values));
          }
        }(),
        ...);
  };
  Variant result;
  try {
    if constexpr (std::is_void_v<typename Traits::Ret>) {
      std::invoke(M, target, std::get<I>(values)...);
    } else {
      result =
          Conv<Value<typename Traits::Ret>>::To(std::invoke(M, target, std::get<I>(values)...));
    }
  } catch (...) {
    write_back();
    throw;
  }
  write_back();
  return result;
}

template <auto M>
Variant Thunk(Object& self, Args args) {
  using Params = typename MethodTraits<decltype(M)>::Params;
  return CallWith<M>(self, args, std::make_index_sequence<std::tuple_size_v<Params>>{});
}

template <class T>
struct TypeOf;
template <>
struct TypeOf<void> {
  static constexpr ValueType kType = ValueType::kVoid;
};
template <>
struct TypeOf<Variant> {
  static constexpr ValueType kType = ValueType::kVariant;
};
template <>
struct TypeOf<Text> {
  static constexpr ValueType kType = ValueType::kText;
};
template <>
struct TypeOf<int16_t> {
  static constexpr ValueType kType = ValueType::kInteger;
};
template <>
struct TypeOf<int32_t> {
  static constexpr ValueType kType = ValueType::kLong;
};
template <>
struct TypeOf<double> {
  static constexpr ValueType kType = ValueType::kDouble;
};
template <>
struct TypeOf<bool> {
  static constexpr ValueType kType = ValueType::kBoolean;
};
template <class T>
struct TypeOf<std::shared_ptr<T>> {
  static constexpr ValueType kType = ValueType::kObject;
};
template <class T>
struct TypeOf<std::optional<T>> : TypeOf<T> {};

template <class T>
constexpr const std::type_info* ObjectTypeOf() {
  if constexpr (kIsOptional<T>) {
    return ObjectTypeOf<typename T::value_type>();
  } else if constexpr (TypeOf<T>::kType == ValueType::kObject) {
    return &typeid(typename T::element_type);
  } else {
    return nullptr;
  }
}

template <class P>
constexpr ParamInfo ParamOf() {
  // Omitted optional arguments are the caller's to leave out, so they count as passed by
  // reference like every other argument a macro passes in its own variable.
  return {TypeOf<Value<P>>::kType, std::is_reference_v<P> || kIsOptional<Value<P>>, kByRef<P>,
          kIsOptional<Value<P>>, ObjectTypeOf<Value<P>>()};
}

template <auto M, class Params = typename MethodTraits<decltype(M)>::Params>
struct SignatureOf;
template <auto M, class... P>
struct SignatureOf<M, std::tuple<P...>> {
  static constexpr ParamInfo kParams[sizeof...(P) == 0 ? 1 : sizeof...(P)] = {ParamOf<P>()...};
  static constexpr Signature kValue{TypeOf<Value<typename MethodTraits<decltype(M)>::Ret>>::kType,
                                    std::span<const ParamInfo>(kParams, sizeof...(P))};
};

template <auto M>
constexpr Member Method(TextView name, DispId id, TextView params = {}) {
  return {name, id, kMethod, &Thunk<M>, &SignatureOf<M>::kValue, params};
}
template <auto M>
constexpr Member PropertyGet(TextView name, DispId id, TextView params = {}) {
  return {name, id, kPropertyGet, &Thunk<M>, &SignatureOf<M>::kValue, params};
}
// The assigned value is the last parameter and passes by value.
template <auto M>
constexpr Member PropertyPut(TextView name, DispId id, TextView params = {}) {
  return {name, id, kPropertyPut, &Thunk<M>, &SignatureOf<M>::kValue, params};
}
template <auto M>
constexpr Member PropertyPutRef(TextView name, DispId id, TextView params = {}) {
  return {name, id, kPropertyPutRef, &Thunk<M>, &SignatureOf<M>::kValue, params};
}

// A public data member read and assigned as a property.
template <class>
struct FieldTraits;
template <class C, class T>
struct FieldTraits<T C::*> {
  using Class = C;
  using Type = T;
};

template <auto F>
Variant FieldGet(Object& self, Args args) {
  using Traits = FieldTraits<decltype(F)>;
  if (!args.empty()) Raise(err::kWrongArgumentCount);
  return Conv<typename Traits::Type>::To(static_cast<typename Traits::Class&>(self).*F);
}
template <auto F>
Variant FieldPut(Object& self, Args args) {
  using Traits = FieldTraits<decltype(F)>;
  if (args.size() != 1 || !args[0]) Raise(err::kWrongArgumentCount);
  static_cast<typename Traits::Class&>(self).*F = Conv<typename Traits::Type>::From(*args[0]);
  return Variant();
}
template <auto F>
struct FieldSignature {
  using Type = typename FieldTraits<decltype(F)>::Type;
  static constexpr ParamInfo kValueParam[] = {ParamOf<Type>()};
  static constexpr Signature kGet{TypeOf<Type>::kType, {}};
  static constexpr Signature kPut{ValueType::kVoid, kValueParam};
};

template <auto F>
constexpr Member FieldGetter(TextView name, DispId id) {
  return {name, id, kPropertyGet, &FieldGet<F>, &FieldSignature<F>::kGet};
}
template <auto F>
constexpr Member FieldSetter(TextView name, DispId id) {
  return {name, id, kPropertyPut, &FieldPut<F>, &FieldSignature<F>::kPut};
}

}  // namespace kvpw::bind
