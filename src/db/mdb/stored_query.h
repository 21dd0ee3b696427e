// The stored queries of a desktop-database file: their definitions, kept in the system table
// MSysQueries as one row per attribute, turned back into the SQL they stand for.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kvpw::db::mdb {

// One row of MSysQueries (texts UTF-8; Flag absent when Null).
struct QueryRow {
  int attribute = 0;
  std::string name1, name2, expression;
  std::optional<int> flag;
};

enum class QueryKind {
  kSelect,
  kMakeTable,
  kAppend,
  kUpdate,
  kDelete,
  kCrosstab,
  kDataDefinition,
  kPassThrough,
  kUnion,
  kUnknown,
};

struct StoredQuery {
  QueryKind kind = QueryKind::kUnknown;
  std::string sql;      // in the desktop engine's dialect
  std::string refusal;  // why it is not run; empty for select and union queries that run
};

// The rows of one query, in stored order.
StoredQuery DecodeQuery(std::span<const QueryRow> rows);

// "select", "make-table", "append", "update", "delete", "crosstab", "data-definition",
// "pass-through", "union", "unknown".
std::string_view KindName(QueryKind kind);

}  // namespace kvpw::db::mdb
