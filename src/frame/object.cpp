#include "frame/object.h"

#include "frame/error.h"

namespace kvpw {
namespace {

Args ArgsOf(std::initializer_list<Variant*> args) {
  return Args(args.begin(), args.size());
}

Object& Deref(const ObjectRef& object) {
  if (!object) Raise(err::kObjectNotSet);
  return *object;
}

}  // namespace

std::optional<DispId> Object::IdOfName(TextView) const {
  return std::nullopt;
}

Variant Object::Invoke(DispId, uint16_t, Args) {
  Raise(err::kMemberNotSupported);
}

Variant Invoke(Object& object, TextView name, uint16_t kinds, Args args) {
  const auto id = object.IdOfName(name);
  if (!id) Raise(err::kMemberNotSupported);
  return object.Invoke(*id, kinds, args);
}

Variant Call(const ObjectRef& object, TextView name, std::initializer_list<Variant*> args) {
  return Invoke(Deref(object), name, kMethod | kPropertyGet, ArgsOf(args));
}

Variant Get(const ObjectRef& object, TextView name, std::initializer_list<Variant*> args) {
  return Invoke(Deref(object), name, kPropertyGet | kMethod, ArgsOf(args));
}

void Let(const ObjectRef& object, TextView name, Variant value) {
  Variant* args[] = {&value};
  Invoke(Deref(object), name, kPropertyPut, args);
}

void SetRef(const ObjectRef& object, TextView name, Variant value) {
  Variant* args[] = {&value};
  Invoke(Deref(object), name, kPropertyPutRef, args);
}

Variant DefaultValue(const ObjectRef& object) {
  return Deref(object).Invoke(kDispIdValue, kPropertyGet | kMethod, {});
}

std::optional<DispId> Dispatchable::IdOfName(TextView name) const {
  return FindMemberId(class_info().members, name);
}

Variant Dispatchable::Invoke(DispId id, uint16_t kinds, Args args) {
  return InvokeMember(class_info().members, *this, id, kinds, args);
}

std::optional<DispId> FindMemberId(std::span<const Member> members, TextView name) {
  for (const Member& m : members)
    if (EqualsNoCase(m.name, name)) return m.id;
  return std::nullopt;
}

Variant InvokeMember(std::span<const Member> members, Object& self, DispId id, uint16_t kinds,
                     Args args) {
  // An entry without a thunk only lends its name to the id (an alias).
  for (const Member& m : members)
    if (m.id == id && (m.kind & kinds) && m.call) return m.call(self, args);
  Raise(err::kMemberNotSupported);
}

}  // namespace kvpw
