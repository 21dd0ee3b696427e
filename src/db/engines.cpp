#include "db/engines.h"

#include "db/connection_text.h"
#include "frame/error.h"

namespace kvpw::db {
namespace {

struct Adapters {
  std::shared_ptr<Engine> files;
  std::shared_ptr<Engine> odbc;
  std::vector<std::pair<Text, Text>> data_sources;
};

// The text the chosen adapter opens: a bound catalogue's data source, or the text itself.
const Text* BoundSource(const Adapters& adapters, const std::vector<Setting>& settings) {
  if (adapters.data_sources.empty()) return nullptr;
  const Text* source = FindSetting(settings, kDataSourceKey);
  if (!source) return nullptr;
  for (const auto& [file, text] : adapters.data_sources)
    if (file == *source) return &text;
  return nullptr;
}

// Holds what callers set before opening, and hands it to the adapter the text chooses then.
class ChoosingConnection final : public Connection {
 public:
  explicit ChoosingConnection(std::shared_ptr<const Adapters> adapters)
      : adapters_(std::move(adapters)) {}

  void set_connection_string(TextView text) override {
    if (state() == kStateOpen) Raise(kErrObjectOpen, Text(kObjectOpen));
    connection_string_ = Text(text);
  }
  const Text& connection_string() const override { return connection_string_; }

  void set_property(TextView name, const Variant& value) override {
    if (!EqualsNoCase(name, kSystemDatabaseProperty)) Raise(err::kItemNotFound);
    system_database_ = value;
  }

  void open(TextView connection_text, TextView user, TextView password) override {
    if (state() == kStateOpen) Raise(kErrObjectOpen, Text(kObjectOpen));
    if (!connection_text.empty()) connection_string_ = Text(connection_text);
    const std::vector<Setting> settings = ParseConnectionText(connection_string_);
    Text text = connection_string_;
    bool odbc = IsOdbcText(text);
    if (const Text* bound = BoundSource(*adapters_, settings)) {
      text = *bound;
      odbc = IsOdbcText(text);
    }
    inner_ = (odbc ? adapters_->odbc : adapters_->files)->new_connection();
    inner_->set_connection_string(text);
    if (!system_database_.is_empty())
      inner_->set_property(kSystemDatabaseProperty, system_database_);
    inner_->open(text, user, password);
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

  void begin_reads() override {
    if (inner_) inner_->begin_reads();
  }
  void end_reads() override {
    if (inner_) inner_->end_reads();
  }

 private:
  std::shared_ptr<const Adapters> adapters_;
  Text connection_string_;
  Variant system_database_;
  ConnectionRef inner_;
};

class ChoosingEngine final : public Engine {
 public:
  explicit ChoosingEngine(std::shared_ptr<const Adapters> adapters)
      : adapters_(std::move(adapters)) {}
  ConnectionRef new_connection() override {
    return std::make_shared<ChoosingConnection>(adapters_);
  }
  void copy_file(TextView from, TextView to, bool overwrite) override {
    adapters_->files->copy_file(from, to, overwrite);
  }

 private:
  std::shared_ptr<const Adapters> adapters_;
};

}  // namespace

bool IsOdbcText(TextView connection_text) {
  const std::vector<Setting> settings = ParseConnectionText(connection_text);
  const Text* provider = FindSetting(settings, kProviderKey);
  if (provider && !provider->empty() && !EqualsNoCase(*provider, kOdbcProvider)) return false;
  return FindSetting(settings, kDsnKey) || FindSetting(settings, kDriverKey);
}

std::shared_ptr<Engine> MakeEngine(std::shared_ptr<Engine> files, EngineOptions options) {
  auto adapters = std::make_shared<Adapters>();
  adapters->files = std::move(files);
  adapters->odbc = MakeOdbcEngine(options.odbc);
  adapters->data_sources = std::move(options.data_sources);
  return std::make_shared<ChoosingEngine>(std::move(adapters));
}

}  // namespace kvpw::db
