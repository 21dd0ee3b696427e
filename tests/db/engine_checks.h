// What the engine adapters' tests share: failures as values, and record sets as text.
#pragma once

#include <gtest/gtest.h>

#include <optional>

#include "db/engine.h"
#include "frame/error.h"

namespace kvpw::testing {

inline std::optional<Error> ErrorOf(const auto& body) {
  try {
    body();
  } catch (const Error& e) {
    return e;
  }
  return std::nullopt;
}

// Checks that `body` fails with `number` and a description that contains `part`.
inline void ExpectFailure(const auto& body, int32_t number, const Text& part) {
  const auto error = ErrorOf(body);
  ASSERT_TRUE(error.has_value()) << "no failure";
  EXPECT_EQ(error->number(), number) << ToUtf8(error->description());
  EXPECT_NE(error->description().find(part), Text::npos) << ToUtf8(error->description());
}

// Rows as "a|b;c|d", Null shown as "Null".
inline Text RowsText(db::Recordset& rs) {
  Text out;
  for (; !rs.eof(); rs.move_next()) {
    if (!out.empty()) out += u";";
    for (int16_t i = 0; i < rs.field_count(); ++i) {
      if (i > 0) out += u"|";
      out += rs.value(i).is_null() ? Text(u"Null") : ToText(rs.value(i));
    }
  }
  return out;
}

}  // namespace kvpw::testing
