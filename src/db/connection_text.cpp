#include "db/connection_text.h"

#include "db/engine.h"
#include "frame/error.h"

namespace kvpw::db {
namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

TextView Trim(TextView text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Descriptions; where the desktop engine or its components have words of their own, theirs.
constexpr TextView kEmptyConnectionText =
    u"The connection text is empty: it must name a provider and a data source.";
constexpr TextView kNoProvider =
    u"The connection text names no provider; expected Provider=Microsoft.Jet.OLEDB.4.0.";
constexpr TextView kProviderNotFound =
    u"Provider cannot be found. It may not be properly installed.";
constexpr TextView kNoDataSource = u"The connection text names no database file (Data Source).";

[[noreturn]] void Fail(Text description) {
  Raise(err::kEngineFailure, std::move(description));
}

}  // namespace

ProviderTarget ParseProviderText(TextView text, const Text& system_database_property) {
  const std::vector<Setting> settings = ParseConnectionText(text);
  if (settings.empty()) Fail(Text(kEmptyConnectionText));
  const Text* provider = FindSetting(settings, kProviderKey);
  if (!provider || provider->empty() || EqualsNoCase(*provider, kOdbcProvider)) {
    if (const Text* dsn = FindSetting(settings, kDsnKey))
      Fail(u"Data source name '" + *dsn +
           u"' not found: no data sources are configured on this system.");
    Fail(Text(kNoProvider));
  }
  if (!EqualsNoCase(*provider, kJetProvider) && !EqualsNoCase(*provider, kAceProvider))
    Fail(Text(kProviderNotFound));
  ProviderTarget target;
  const Text* workgroup = FindSetting(settings, kSystemDatabaseProperty);
  target.system_database = workgroup ? *workgroup : system_database_property;
  const Text* source = FindSetting(settings, kDataSourceKey);
  if (!source || source->empty()) Fail(Text(kNoDataSource));
  target.data_source = *source;
  return target;
}

std::vector<Setting> ParseConnectionText(TextView text) {
  std::vector<Setting> settings;
  size_t i = 0;
  while (i < text.size()) {
    size_t eq = i;
    while (eq < text.size() && text[eq] != u'=' && text[eq] != u';') ++eq;
    const TextView key = Trim(text.substr(i, eq - i));
    if (eq == text.size() || text[eq] == u';') {
      i = eq + 1;
      continue;
    }
    size_t j = eq + 1;
    while (j < text.size() && IsBlank(text[j])) ++j;
    Text value;
    if (j < text.size() && (text[j] == u'"' || text[j] == u'\'')) {
      const char16_t quote = text[j++];
      while (j < text.size()) {
        if (text[j] == quote) {
          if (j + 1 < text.size() && text[j + 1] == quote) {
            value.push_back(quote);
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        value.push_back(text[j++]);
      }
      while (j < text.size() && text[j] != u';') ++j;
    } else {
      const size_t start = j;
      while (j < text.size() && text[j] != u';') ++j;
      value = Text(Trim(text.substr(start, j - start)));
    }
    if (!key.empty()) settings.push_back({Text(key), std::move(value)});
    i = j + 1;
  }
  return settings;
}

const Text* FindSetting(const std::vector<Setting>& settings, TextView key) {
  for (auto it = settings.rbegin(); it != settings.rend(); ++it)
    if (EqualsNoCase(it->key, key)) return &it->value;
  return nullptr;
}

}  // namespace kvpw::db
