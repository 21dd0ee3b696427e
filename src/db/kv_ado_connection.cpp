#include "db/kv_ado_connection.h"

#include "frame/error.h"

namespace kvpw {
namespace {

struct Ending {
  TextView ending;
  TextView type;
};
constexpr Ending kTypeByEnding[] = {
    {u".mdb", u"MDB"}, {u".cdb", u"MDB"},  {u".xls", u"EXCEL"},
    {u".csv", u"CSV"}, {u".txt", u"TEXT"},
};
constexpr TextView kMdb = u"MDB";

}  // namespace

KvAdoConnection::KvAdoConnection(PlatformRef platform) : platform_(std::move(platform)) {}

KvAdoConnection::~KvAdoConnection() {
  if (auto_close_conn_ != -1) return;
  try {
    ConnClose();
  } catch (const Error&) {
    // Release cannot report; the engine connection ends with its last holder anyway.
  }
}

const Text& KvAdoConnection::DBType() {
  if (db_type_.empty() && !file_name_.empty()) {
    const TextView name = file_name_;
    const Text last4 = LowerCase(name.substr(name.size() < 4 ? 0 : name.size() - 4));
    for (const auto& [ending, type] : kTypeByEnding)
      if (last4 == ending) db_type_ = type;
  }
  return db_type_;
}

const Text& KvAdoConnection::Provider() {
  if (provider_.empty() && DBType() == kMdb) provider_ = db::kJetProvider;
  return provider_;
}

const Text& KvAdoConnection::ConnString() {
  if (conn_string_.empty()) {
    if (!dsn_.empty()) {
      conn_string_ = u"DSN=" + dsn_;
    } else if (DBType() == kMdb) {
      conn_string_ = u"Provider=" + Provider() + u";Data Source=" + file_name_;
    }
  }
  return conn_string_;
}

bool KvAdoConnection::ConnIsOpen() const {
  return connection_ && connection_->state() == db::kStateOpen;
}

db::ConnectionRef KvAdoConnection::ConnOpen(Text& strError) {
  strError.clear();
  if (ConnIsOpen()) return Connection();
  db::ConnectionRef connection = platform_->engine->new_connection();
  connection->set_connection_string(ConnString());
  if (!mdw_file_.empty()) connection->set_property(db::kSystemDatabaseProperty, mdw_file_);
  try {
    connection->open(ConnString(), user_id_, password_);
  } catch (const Error& e) {
    strError = e.description();
    connection = nullptr;
  }
  connection_ = connection;
  return connection;
}

void KvAdoConnection::ConnClose() {
  if (!connection_) return;
  if (connection_->state() == db::kStateOpen) connection_->close();
  connection_ = nullptr;
}

db::RecordsetRef KvAdoConnection::ConnQuery(const Text& strCmd, Text& strError) {
  ConnOpen(strError);
  if (!strError.empty()) {
    strError = Text(kUnableToOpenDatabase) + strError;
    return nullptr;
  }
  try {
    return connection_->execute(strCmd);
  } catch (const Error& e) {
    strError = Text(kErrorExecutingQuery) + e.description();
    return nullptr;
  }
}

Text KvAdoConnection::ConnExecute(const Text& strCmd) {
  Text reason;
  ConnOpen(reason);
  if (!reason.empty()) return Text(kUnableToOpenDatabase) + reason;
  try {
    connection_->execute(strCmd);
  } catch (const Error& e) {
    return Text(kErrorExecutingQuery) + e.description();
  }
  return Text();
}

bool KvAdoConnection::CreateNew(std::optional<Text> strMDBTemplate,
                                std::optional<bool> boolOverwrite) {
  if (file_name_.empty()) return false;
  try {
    platform_->engine->copy_file(strMDBTemplate.value_or(Text(kDefaultTemplate)), file_name_,
                                 boolOverwrite.value_or(true));
  } catch (const Error&) {
    return false;
  }
  return true;
}

db::ConnectionRef KvAdoConnection::Connection() {
  if (connection_ && connection_->state() == db::kStateClosed) connection_ = nullptr;
  return connection_;
}

void KvAdoConnection::SetConnection(db::ConnectionRef connection) {
  connection_ = std::move(connection);
}

}  // namespace kvpw
