#include "db/odbc/access_files.h"

#include "db/database_files.h"
#include "frame/error.h"

namespace kvpw::db {
namespace {

// A value of a driver text, in braces when it holds what would end it.
Text DriverValue(TextView value) {
  const bool plain = value.find_first_of(u";{}") == TextView::npos &&
                     (value.empty() || (value.front() != u' ' && value.back() != u' '));
  if (plain) return Text(value);
  Text quoted = u"{";
  for (const char16_t c : value) {
    quoted += c;
    if (c == u'}') quoted += u'}';
  }
  return quoted + u"}";
}

class AccessConnection final : public Connection {
 public:
  explicit AccessConnection(std::shared_ptr<Engine> odbc) : odbc_(std::move(odbc)) {}

  void set_connection_string(TextView text) override {
    if (state() == kStateOpen) Raise(kErrObjectOpen, Text(kObjectOpen));
    connection_string_ = Text(text);
  }
  const Text& connection_string() const override { return connection_string_; }

  void set_property(TextView name, const Variant& value) override {
    if (!EqualsNoCase(name, kSystemDatabaseProperty)) Raise(err::kItemNotFound);
    system_database_ = ToText(value);
  }

  void open(TextView connection_text, TextView user, TextView password) override {
    if (state() == kStateOpen) Raise(kErrObjectOpen, Text(kObjectOpen));
    if (!connection_text.empty()) connection_string_ = Text(connection_text);
    const ProviderTarget target = ParseProviderText(connection_string_, system_database_);
    const std::vector<Text> installed = InstalledOdbcDrivers();
    ConnectionRef inner = odbc_->new_connection();
    inner->open(AccessDriverText(target, installed), user, password);
    inner_ = std::move(inner);
  }

  int32_t state() const override { return inner_ ? inner_->state() : kStateClosed; }

  RecordsetRef execute(TextView sql) override {
    if (!inner_) Raise(kErrObjectClosed, Text(kObjectClosed));
    return inner_->execute(sql);
  }

  void close() override {
    if (!inner_) Raise(kErrObjectClosed, Text(kObjectClosed));
    inner_->close();
  }

 private:
  std::shared_ptr<Engine> odbc_;
  Text connection_string_;
  Text system_database_;
  ConnectionRef inner_;
};

class AccessFilesEngine final : public Engine {
 public:
  explicit AccessFilesEngine(std::shared_ptr<Engine> odbc) : odbc_(std::move(odbc)) {}
  ConnectionRef new_connection() override { return std::make_shared<AccessConnection>(odbc_); }
  void copy_file(TextView from, TextView to, bool overwrite) override {
    CopyDatabaseFile(from, to, overwrite);
  }

 private:
  std::shared_ptr<Engine> odbc_;
};

}  // namespace

Text AccessDriverText(const ProviderTarget& target, std::span<const Text> installed) {
  for (const TextView driver : kAccessDrivers)
    for (const Text& name : installed)
      if (EqualsNoCase(name, driver)) {
        Text text = u"Driver={" + name + u"};DBQ=" + DriverValue(target.data_source);
        if (!target.system_database.empty())
          text += u";SystemDB=" + DriverValue(target.system_database);
        return text;
      }
  Raise(err::kEngineFailure, u"The Access ODBC driver is not installed (looked for '" +
                                 Text(kAccessDrivers[0]) + u"' and '" + Text(kAccessDrivers[1]) +
                                 u"').");
}

std::shared_ptr<Engine> MakeAccessFilesEngine(std::shared_ptr<Engine> odbc) {
  return std::make_shared<AccessFilesEngine>(std::move(odbc));
}

}  // namespace kvpw::db
