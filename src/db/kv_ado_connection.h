// One database connection as the stencils' macros use it: works out database type, provider and
// connection text from what the caller filled in, opens on first use, and reports failures as
// reason texts instead of raising them.
#pragma once

#include <optional>

#include "db/engine.h"
#include "frame/platform.h"

namespace kvpw {

class KvAdoConnection final : public Dispatchable {
 public:
  explicit KvAdoConnection(PlatformRef platform);
  ~KvAdoConnection() override;
  KvAdoConnection(const KvAdoConnection&) = delete;
  KvAdoConnection& operator=(const KvAdoConnection&) = delete;
  const ClassInfo& class_info() const override;

  bool ConnIsOpen() const;
  db::ConnectionRef ConnOpen(Text& strError);
  void ConnClose();
  Text ConnExecute(const Text& strCmd);
  db::RecordsetRef ConnQuery(const Text& strCmd, Text& strError);
  bool CreateNew(std::optional<Text> strMDBTemplate = std::nullopt,
                 std::optional<bool> boolOverwrite = std::nullopt);

  // Computed on reading, each at most once (kept until assigned).
  const Text& DBType();
  const Text& Provider();
  const Text& ConnString();
  // Forgets a connection that has been closed meanwhile.
  db::ConnectionRef Connection();
  void SetConnection(db::ConnectionRef connection);

  // The raw flag: only True (-1) closes the connection on release.
  int16_t AutoCloseConn() const { return auto_close_conn_; }
  void LetAutoCloseConn(int16_t flag) { auto_close_conn_ = flag; }

  const Text& Tag() const { return tag_; }
  const Text& FileName() const { return file_name_; }
  const Text& DSN() const { return dsn_; }
  const Text& MDWFile() const { return mdw_file_; }
  const Text& UserID() const { return user_id_; }
  const Text& Password() const { return password_; }
  const Text& DefaultPath() const { return default_path_; }
  void LetTag(const Text& v) { tag_ = v; }
  void LetDBType(const Text& v) { db_type_ = v; }
  void LetFileName(const Text& v) { file_name_ = v; }
  void LetDSN(const Text& v) { dsn_ = v; }
  void LetMDWFile(const Text& v) { mdw_file_ = v; }
  void LetProvider(const Text& v) { provider_ = v; }
  void LetConnString(const Text& v) { conn_string_ = v; }
  void LetUserID(const Text& v) { user_id_ = v; }
  void LetPassword(const Text& v) { password_ = v; }
  void LetDefaultPath(const Text& v) { default_path_ = v; }

 private:
  PlatformRef platform_;
  Text tag_, db_type_, file_name_, dsn_, mdw_file_, provider_, conn_string_, user_id_, password_;
  db::ConnectionRef connection_;
  int16_t auto_close_conn_ = -1;
  Text default_path_;
};

// Reason prefixes of ConnQuery and ConnExecute.
inline constexpr TextView kUnableToOpenDatabase = u"Unable to open database: ";
inline constexpr TextView kErrorExecutingQuery = u"Error executing query: ";
inline constexpr TextView kDefaultTemplate = u"Blank.mdb";

}  // namespace kvpw
