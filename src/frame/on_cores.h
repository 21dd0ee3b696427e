// Work shared among the machine's cores: the large independent pieces of reading and writing a
// drawing, and a catalogue read beside a walk over the drawing.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace kvpw {

// Runs `work` on this thread and on a helper for each further core, `most` threads at most, and
// waits for them. `work` must not throw. Without threads to be had, fewer share it.
template <class Work>
void OnCores(size_t most, const Work& work) {
  const size_t helpers = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()),
                                          std::max<size_t>(most, 1)) -
                         1;
  std::vector<std::thread> threads;
  try {
    threads.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) threads.emplace_back([&work] { work(); });
  } catch (const std::exception&) {
    // No more threads: the ones started and this one share the work.
  }
  work();
  for (std::thread& t : threads) t.join();
}

// Runs `beside` on a helper thread while `here` runs on this one, and waits for both: `here` is
// the work that must stay on the calling thread (a drawing application's objects may only be
// called from it). What `beside` throws is thrown here after both have run, before what `here`
// throws, as if `beside` had run first. Without a helper to be had, it does run first.
template <class Beside, class Here>
void WhileBeside(const Beside& beside, const Here& here) {
  std::exception_ptr beside_error, here_error;
  const auto run_beside = [&] {
    try {
      beside();
    } catch (...) {
      beside_error = std::current_exception();
    }
  };
  std::thread helper;
  if (std::thread::hardware_concurrency() > 1) {
    try {
      helper = std::thread(run_beside);
    } catch (const std::exception&) {
      // No thread to be had: one after the other on this one.
    }
  }
  if (!helper.joinable()) run_beside();
  try {
    here();
  } catch (...) {
    here_error = std::current_exception();
  }
  if (helper.joinable()) helper.join();
  if (beside_error) std::rethrow_exception(beside_error);
  if (here_error) std::rethrow_exception(here_error);
}

// Calls `each(i)` for every i below `count`, side by side, each once. What a call throws is
// thrown here once all have run; of several, the one of the lowest i, as a loop would have.
template <class Each>
void ForEachOnCores(size_t count, const Each& each) {
  std::vector<std::exception_ptr> errors(count);
  std::atomic<size_t> next{0};
  OnCores(count, [&] {
    for (size_t i; (i = next.fetch_add(1)) < count;) {
      try {
        each(i);
      } catch (...) {
        errors[i] = std::current_exception();
      }
    }
  });
  for (const std::exception_ptr& e : errors)
    if (e) std::rethrow_exception(e);
}

}  // namespace kvpw
