// A connection that opens another adapter's connection and hands every call on to it: for the
// engines that choose an adapter by the connection text, or turn the text into another one.
#pragma once

#include "db/engine.h"

namespace kvpw::db {

class ForwardingConnection : public Connection {
 public:
  void set_connection_string(TextView text) override;
  const Text& connection_string() const override { return connection_string_; }
  // The workgroup file is the only property callers set, before opening.
  void set_property(TextView name, const Variant& value) override;
  int32_t state() const override;
  RecordsetRef execute(TextView sql) override;
  void close() override;
  void begin_reads() override;
  void end_reads() override;

 protected:
  // For open(): fails on an open connection, and takes `connection_text` when one is given.
  const Text& TextToOpen(TextView connection_text);
  const Variant& system_database() const { return system_database_; }

  ConnectionRef inner_;

 private:
  Text connection_string_;
  Variant system_database_;
};

}  // namespace kvpw::db
