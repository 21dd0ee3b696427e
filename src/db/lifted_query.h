// Queries with their quoted texts turned into parameters, so that an adapter compiles a query
// once and runs it again with other texts: the part lookups run one query over and over with
// only the part number changed, and compiling a query on a view costs far more than running it.
#pragma once

#include <optional>
#include <vector>

#include "frame/text.h"

namespace kvpw::db {

// The query with "?" for each text after its WHERE, and those texts in order. Only texts after
// WHERE are lifted, so that result column names never change.
struct LiftedQuery {
  Text sql;
  std::vector<Text> values;
  bool has_backticks = false;  // `...` somewhere outside its texts
};

// None when the query has no such texts, or cannot be read (an unterminated text or name: the
// engine is left to say so).
std::optional<LiftedQuery> LiftLiterals(TextView sql);

}  // namespace kvpw::db
