// Objects as the callers see them: late-bound members reached by name or dispatch identifier.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <typeinfo>

#include "frame/variant.h"

namespace kvpw {

using DispId = int32_t;
inline constexpr DispId kDispIdValue = 0;     // the default member
inline constexpr DispId kDispIdNewEnum = -4;  // the enumerator of a collection

// Bit flags; a macro's `x = obj.Name` asks for a method or a property read at once.
enum InvokeKind : uint16_t {
  kMethod = 1,
  kPropertyGet = 2,
  kPropertyPut = 4,
  kPropertyPutRef = 8,
};

// Arguments in declaration order, each pointing at the caller's own variable so that a
// by-reference parameter the callee writes reaches it. nullptr (or a short span) stands for an
// omitted optional argument. A property assignment passes the new value as the last argument.
using Args = std::span<Variant* const>;

class Object : public std::enable_shared_from_this<Object> {
 public:
  virtual ~Object() = default;
  virtual std::optional<DispId> IdOfName(TextView name) const;
  // Fails with 438 unless the object has such a member.
  virtual Variant Invoke(DispId id, uint16_t kinds, Args args);
};

// Late-bound use, as a macro writes it. An unknown name fails with 438, a missing object with 91.
Variant Invoke(Object& object, TextView name, uint16_t kinds, Args args);
Variant Call(const ObjectRef& object, TextView name, std::initializer_list<Variant*> args = {});
Variant Get(const ObjectRef& object, TextView name, std::initializer_list<Variant*> args = {});
void Let(const ObjectRef& object, TextView name, Variant value);
void SetRef(const ObjectRef& object, TextView name, Variant value);
// The value of an object used where a value is expected: its default member.
Variant DefaultValue(const ObjectRef& object);

// What a member takes and gives, as a type library describes it to early-bound callers.
enum class ValueType : uint8_t {
  kVoid,
  kVariant,
  kText,
  kInteger,
  kLong,
  kDouble,
  kBoolean,
  kObject
};
struct ParamInfo {
  ValueType type;
  // Passed as the caller's own variable rather than a copy of its value.
  bool by_ref;
  // Written by the member: the caller's variable receives the new value.
  bool written;
  bool optional;
  // For an object parameter, the kind of object the member expects (the port it is used
  // through), so that a runtime can wrap a foreign object accordingly; nullptr for any object.
  const std::type_info* object_type;
};
struct Signature {
  ValueType result;
  std::span<const ParamInfo> params;
};

// A member table entry: one name and identifier per kind of access. The parameter names are
// written as a macro declares them, separated by commas; an optional parameter with a default
// carries it after "=" ("boolOverwrite = True").
using Thunk = Variant (*)(Object& self, Args args);
struct Member {
  TextView name;
  DispId id;
  uint16_t kind;
  Thunk call;
  const Signature* signature = nullptr;
  TextView params = {};
};

// The identity of a class of the library and its default interface.
struct ClassInfo {
  TextView name;
  TextView prog_id;
  TextView class_id;
  TextView interface_name;
  TextView interface_id;
  std::span<const Member> members;
};

// Objects whose members come from a table.
class Dispatchable : public Object {
 public:
  virtual const ClassInfo& class_info() const = 0;
  std::optional<DispId> IdOfName(TextView name) const override;
  Variant Invoke(DispId id, uint16_t kinds, Args args) override;
};

std::optional<DispId> FindMemberId(std::span<const Member> members, TextView name);
Variant InvokeMember(std::span<const Member> members, Object& self, DispId id, uint16_t kinds,
                     Args args);

// Objects whose late-bound members come from one fixed table, without a class identity.
class TableObject : public Object {
 public:
  std::optional<DispId> IdOfName(TextView name) const override {
    return FindMemberId(member_table(), name);
  }
  Variant Invoke(DispId id, uint16_t kinds, Args args) override {
    return InvokeMember(member_table(), *this, id, kinds, args);
  }

 protected:
  virtual std::span<const Member> member_table() const = 0;
};

}  // namespace kvpw
