#include "db/forwarding_connection.h"

#include "db/connection_text.h"
#include "frame/error.h"

namespace kvpw::db {

void ForwardingConnection::set_connection_string(TextView text) {
  if (state() == kStateOpen) Raise(kErrObjectOpen, Text(kObjectOpen));
  connection_string_ = Text(text);
}

void ForwardingConnection::set_property(TextView name, const Variant& value) {
  if (!EqualsNoCase(name, kSystemDatabaseProperty)) Raise(err::kItemNotFound);
  system_database_ = value;
}

int32_t ForwardingConnection::state() const {
  return inner_ ? inner_->state() : kStateClosed;
}

RecordsetRef ForwardingConnection::execute(TextView sql) {
  if (!inner_) Raise(kErrObjectClosed, Text(kObjectClosed));
  return inner_->execute(sql);
}

void ForwardingConnection::close() {
  if (!inner_) Raise(kErrObjectClosed, Text(kObjectClosed));
  inner_->close();
}

void ForwardingConnection::begin_reads() {
  if (inner_) inner_->begin_reads();
}

void ForwardingConnection::end_reads() {
  if (inner_) inner_->end_reads();
}

const Text& ForwardingConnection::TextToOpen(TextView connection_text) {
  if (state() == kStateOpen) Raise(kErrObjectOpen, Text(kObjectOpen));
  if (!connection_text.empty()) connection_string_ = Text(connection_text);
  return connection_string_;
}

}  // namespace kvpw::db
