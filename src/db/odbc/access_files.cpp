#include "db/odbc/access_files.h"

#include "db/database_files.h"
#include "db/forwarding_connection.h"
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

class AccessConnection final : public ForwardingConnection {
 public:
  explicit AccessConnection(std::shared_ptr<Engine> odbc) : odbc_(std::move(odbc)) {}

  void open(TextView connection_text, TextView user, TextView password) override {
    const Text workgroup = system_database().is_empty() ? Text() : ToText(system_database());
    const ProviderTarget target = ParseProviderText(TextToOpen(connection_text), workgroup);
    const std::vector<Text> installed = InstalledOdbcDrivers();
    ConnectionRef inner = odbc_->new_connection();
    inner->open(AccessDriverText(target, installed), user, password);
    inner_ = std::move(inner);
  }

 private:
  std::shared_ptr<Engine> odbc_;
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
