#include "db/engines.h"

#include "db/connection_text.h"
#include "db/forwarding_connection.h"
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
class ChoosingConnection final : public ForwardingConnection {
 public:
  explicit ChoosingConnection(std::shared_ptr<const Adapters> adapters)
      : adapters_(std::move(adapters)) {}

  void open(TextView connection_text, TextView user, TextView password) override {
    const Text& given = TextToOpen(connection_text);
    const std::vector<Setting> settings = ParseConnectionText(given);
    Text text = given;
    bool odbc = IsOdbcText(text);
    if (const Text* bound = BoundSource(*adapters_, settings)) {
      text = *bound;
      odbc = IsOdbcText(text);
    }
    inner_ = (odbc ? adapters_->odbc : adapters_->files)->new_connection();
    inner_->set_connection_string(text);
    if (!system_database().is_empty())
      inner_->set_property(kSystemDatabaseProperty, system_database());
    inner_->open(text, user, password);
  }

 private:
  std::shared_ptr<const Adapters> adapters_;
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
