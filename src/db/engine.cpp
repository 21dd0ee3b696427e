#include "db/engine.h"

#include <cmath>

#include "frame/bind.h"
#include "frame/error.h"

namespace kvpw::db {
namespace {

// A column key as the callers pass it: a name, or a position that must name a column.
int16_t PositionOf(const Recordset& rs, const Variant& key) {
  if (key.is_text()) return rs.field_index(key.text());
  if (!key.is_number()) Raise(err::kItemNotFound);
  const double d = ToDouble(key);
  if (!(std::abs(d) < 32767)) Raise(err::kItemNotFound);
  const int16_t position = RoundToInteger(d);
  if (position < 0 || position >= rs.field_count()) Raise(err::kItemNotFound);
  return position;
}

RecordsetRef SelfOf(Recordset& rs) {
  return std::static_pointer_cast<Recordset>(rs.shared_from_this());
}

// One column of a record set; it reads the row that is current when asked, as the callers'
// Field objects do.
class FieldObject final : public Object {
 public:
  FieldObject(RecordsetRef rs, int16_t position) : rs_(std::move(rs)), position_(position) {}
  std::optional<DispId> IdOfName(TextView name) const override;
  Variant Invoke(DispId id, uint16_t kinds, Args args) override;

  Variant Value() const { return rs_->value(position_); }
  Text Name() const { return rs_->field_name(position_); }

 private:
  RecordsetRef rs_;
  int16_t position_;
};

class FieldsObject final : public Object {
 public:
  explicit FieldsObject(RecordsetRef rs) : rs_(std::move(rs)) {}
  std::optional<DispId> IdOfName(TextView name) const override;
  Variant Invoke(DispId id, uint16_t kinds, Args args) override;

  int32_t Count() const { return rs_->field_count(); }
  ObjectRef Item(const Variant& key) const {
    return std::make_shared<FieldObject>(rs_, PositionOf(*rs_, key));
  }

 private:
  RecordsetRef rs_;
};

// `rs.Fields`, and with a key `rs.Fields(key)` or `rs(key)`: the record set's default member.
ObjectRef RecordsetFields(Recordset& rs, const std::optional<Variant>& key) {
  if (!key) return std::make_shared<FieldsObject>(SelfOf(rs));
  return std::make_shared<FieldObject>(SelfOf(rs), PositionOf(rs, *key));
}

Text ConnectionString(Connection& c) {
  return c.connection_string();
}
void LetConnectionString(Connection& c, const Text& text) {
  c.set_connection_string(text);
}
void OpenConnection(Connection& c, const std::optional<Text>& text, const std::optional<Text>& user,
                    const std::optional<Text>& password, const std::optional<int32_t>&) {
  c.open(text.value_or(Text()), user.value_or(Text()), password.value_or(Text()));
}
RecordsetRef ExecuteSql(Connection& c, const Text& sql, const std::optional<Variant>&,
                        const std::optional<int32_t>&) {
  return c.execute(sql);
}

// ADO's own dispatch identifiers, so that code bound to its type library reaches the same members.
constexpr Member kFieldMembers[] = {
    bind::PropertyGet<&FieldObject::Value>(u"Value", kDispIdValue),
    bind::PropertyGet<&FieldObject::Name>(u"Name", 1100),
};
constexpr Member kFieldsMembers[] = {
    bind::PropertyGet<&FieldsObject::Item>(u"Item", kDispIdValue),
    bind::PropertyGet<&FieldsObject::Count>(u"Count", 1),
};
constexpr Member kRecordsetMembers[] = {
    bind::PropertyGet<&RecordsetFields>(u"Fields", kDispIdValue),
    bind::PropertyGet<&Recordset::eof>(u"EOF", 1006),
    bind::Method<&Recordset::move_next>(u"MoveNext", 1018),
};
constexpr Member kConnectionMembers[] = {
    bind::PropertyGet<&ConnectionString>(u"ConnectionString", kDispIdValue),
    bind::PropertyPut<&LetConnectionString>(u"ConnectionString", kDispIdValue),
    bind::Method<&Connection::close>(u"Close", 5),
    bind::Method<&ExecuteSql>(u"Execute", 6),
    bind::Method<&OpenConnection>(u"Open", 10),
    bind::PropertyGet<&Connection::state>(u"State", 30),
};

std::optional<DispId> FieldObject::IdOfName(TextView name) const {
  return FindMemberId(kFieldMembers, name);
}
Variant FieldObject::Invoke(DispId id, uint16_t kinds, Args args) {
  return InvokeMember(kFieldMembers, *this, id, kinds, args);
}
std::optional<DispId> FieldsObject::IdOfName(TextView name) const {
  return FindMemberId(kFieldsMembers, name);
}
Variant FieldsObject::Invoke(DispId id, uint16_t kinds, Args args) {
  return InvokeMember(kFieldsMembers, *this, id, kinds, args);
}

}  // namespace

const Variant& Recordset::field(const Variant& key) const {
  return value(PositionOf(*this, key));
}

std::span<const Member> Recordset::member_table() const {
  return kRecordsetMembers;
}

std::span<const Member> Connection::member_table() const {
  return kConnectionMembers;
}

}  // namespace kvpw::db
