#include "frame/on_cores.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace kvpw {
namespace {

// `here` stays on the calling thread, both always run, and of two failures the helper's is the
// one that comes out, as if it had run first.
TEST(WhileBeside, RunsBothAndRaisesTheHelpersFailureFirst) {
  struct Case {
    bool beside_fails, here_fails;
    const char* raised;  // nullptr: nothing
  };
  const Case cases[] = {
      {false, false, nullptr},
      {true, false, "beside"},
      {false, true, "here"},
      {true, true, "beside"},
  };
  for (const Case& c : cases) {
    bool beside_ran = false, here_ran = false;
    std::thread::id here_thread;
    std::string raised;
    try {
      WhileBeside(
          [&] {
            beside_ran = true;
            if (c.beside_fails) throw std::runtime_error("beside");
          },
          [&] {
            here_ran = true;
            here_thread = std::this_thread::get_id();
            if (c.here_fails) throw std::runtime_error("here");
          });
    } catch (const std::runtime_error& e) {
      raised = e.what();
    }
    EXPECT_TRUE(beside_ran && here_ran);
    EXPECT_EQ(here_thread, std::this_thread::get_id());
    EXPECT_EQ(raised, c.raised ? c.raised : "");
  }
}

TEST(ForEachOnCores, CallsEachOnceAndRaisesTheLowestFailure) {
  constexpr size_t kCount = 64;
  std::vector<std::atomic<int>> calls(kCount);
  std::string raised;
  try {
    ForEachOnCores(kCount, [&](size_t i) {
      ++calls[i];
      if (i == 40 || i == 17) throw std::runtime_error(std::to_string(i));
    });
  } catch (const std::runtime_error& e) {
    raised = e.what();
  }
  for (size_t i = 0; i < kCount; ++i) EXPECT_EQ(calls[i], 1) << i;
  EXPECT_EQ(raised, "17");
}

}  // namespace
}  // namespace kvpw
