#include "host/vsdx/hash_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kvpw::host::vsdx {
namespace {

// Values under one key come back first-added-first, however the table grew and wherever their
// runs wrapped round the end of the array.
TEST(HashIndex, FindsTheFirstAddedMatchThroughGrowthAndWrapping) {
  struct Case {
    const char* what;
    size_t (*hash)(uint32_t);
  };
  const Case cases[] = {
      {"few keys, long runs", [](uint32_t i) -> size_t { return i % 7; }},
      {"keys at the end of the array", [](uint32_t i) -> size_t { return 0xFFFFFFFFu - i % 5; }},
      {"equal low halves, other high halves",
       [](uint32_t i) -> size_t { return (size_t{i} << 32) | 3u; }},
      {"spread", [](uint32_t i) -> size_t { return i * 0x9E3779B97F4A7C15ull; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HashIndex<uint32_t> index;
    constexpr uint32_t kCount = 5000;
    for (uint32_t i = 0; i < kCount; ++i) index.Add(c.hash(i), i);
    EXPECT_EQ(index.size(), kCount);
    for (uint32_t i = 0; i < kCount; i += 97) {
      // Among the values sharing i's hash, the first one added at or after i.
      const uint32_t found = index.Find(
          c.hash(i), [&](uint32_t v) { return v >= i && c.hash(v) == c.hash(i); }, UINT32_MAX);
      EXPECT_EQ(found, i);
    }
  }
}

TEST(HashIndex, AbsentKeysAndEmptyIndexGiveTheDefault) {
  HashIndex<const int*> index;
  EXPECT_EQ(index.Find(42, [](const int*) { return true; }), nullptr);
  const int values[3] = {1, 2, 3};
  for (const int& v : values) index.Add(static_cast<size_t>(v), &v);
  EXPECT_EQ(index.Find(2, [](const int*) { return true; }), &values[1]);
  EXPECT_EQ(index.Find(4, [](const int*) { return true; }), nullptr);
  EXPECT_EQ(index.Find(2, [](const int* p) { return *p == 3; }), nullptr);
}

}  // namespace
}  // namespace kvpw::host::vsdx
