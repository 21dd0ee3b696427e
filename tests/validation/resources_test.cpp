// Thousands of operations in one process leave memory and open files as they found them: a
// catalogue opened and closed, a list filled, a drawing file read and checked, over and over.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "frame/pw2.h"
#include "host/memory_controls.h"
#include "host/vsdx/vsdx_drawing.h"
#include "testing/support.h"

#if defined(__SANITIZE_ADDRESS__)
#define KVPW_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVPW_ASAN 1
#endif
#endif

#ifdef KVPW_ASAN
// The sanitizer runtime's own count; GCC ships no header that declares it.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace kvpw {
namespace {

int OpenDescriptors() {
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return -1;
  int count = 0;
  while (const dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') ++count;
  closedir(dir);
  return count - 1;  // the folder's own descriptor
}

// Resident set size in kilobytes, from the kernel's account of the process.
int64_t ResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stoll(line.substr(6));
  return -1;
}

// Bytes the program holds in live allocations. Under AddressSanitizer freed blocks wait in its
// quarantine, which fills the resident set by design, so there only live allocations are
// compared.
int64_t LiveHeapBytes() {
#ifdef KVPW_ASAN
  return static_cast<int64_t>(__sanitizer_get_current_allocated_bytes());
#else
  const struct mallinfo2 info = mallinfo2();
  return static_cast<int64_t>(info.uordblks + info.hblkhd);  // small blocks, then mapped ones
#endif
}

struct Usage {
  int descriptors;
  int64_t resident_kb;
  int64_t live_bytes;
};

Usage Measure() {
  return {OpenDescriptors(), ResidentKb(), LiveHeapBytes()};
}

TEST(Resources, TheProbesSeeWhatTheyMeasure) {
  const Usage before = Measure();
  const int fd = open("/proc/self/status", O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(OpenDescriptors(), before.descriptors + 1);
  close(fd);
  EXPECT_EQ(OpenDescriptors(), before.descriptors);
  EXPECT_GT(before.resident_kb, 0);
  auto block = std::make_unique<char[]>(4 << 20);
  asm volatile("" : : "g"(block.get()) : "memory");  // kept: the allocation must happen
  EXPECT_GE(LiveHeapBytes() - before.live_bytes, 4 << 20);
}

// Under AddressSanitizer each operation costs several times as much; fewer rounds there still
// show any growth, which every round would add to.
#ifdef KVPW_ASAN
constexpr int kOperations = 3'000;
#else
constexpr int kOperations = 10'000;
#endif
constexpr int kOperationsPerRound = 3;
constexpr int kRounds = kOperations / kOperationsPerRound;
constexpr int kWarmUpRounds = kRounds / 10;

TEST(Resources, StayFlatOverThousandsOfOperations) {
  const testing::TestPlatform test = testing::MakeTestPlatform();
  const Text parts = FromUtf8((testing::ExamplesDir() / "parts.mdb").string());
  const auto drawing = testing::ExamplesDir() / "plant.vsdx";
  Pw2 pw2(test.platform);
  pw2.Initialize(parts, parts);
  auto combo = std::make_shared<host::MemoryComboBox>(u"cbo");

  Usage warm{};
  size_t boxes_per_round = 0;
  for (int round = 0; round < kRounds; ++round) {
    if (round == kWarmUpRounds) warm = Measure();
    bool found = false;
    const Variant row = pw2.GetDatabaseTableRow(
        parts, u"SELECT PartNumber FROM Pz_PartsEng_PartItemCodes WHERE IsController = True",
        found);
    ASSERT_TRUE(found);
    pw2.PopulateCombo(parts, combo, u"SELECT PartNumber FROM Pz_PartsEng_PartItemCodes",
                      u"PartNumber");
    ASSERT_GT(combo->list_count(), 0);
    {
      const auto doc = host::OpenVsdx(drawing);
      pw2.CheckForDuplicateAddresses(doc, parts);
    }
    // The example drawing has faults on purpose: the check shows the same boxes every round.
    if (round == 0) boxes_per_round = test.boxes->boxes().size();
    ASSERT_EQ(test.boxes->boxes().size(), boxes_per_round) << "round " << round;
    test.boxes->clear();
    test.sql->clear();
  }
  const Usage end = Measure();
  EXPECT_EQ(end.descriptors, warm.descriptors);
  EXPECT_LE(end.live_bytes - warm.live_bytes, 512 << 10)
      << "live heap from " << warm.live_bytes << " to " << end.live_bytes << " bytes";
#ifndef KVPW_ASAN
  EXPECT_LE(end.resident_kb - warm.resident_kb, 4096)
      << "resident set from " << warm.resident_kb << " to " << end.resident_kb << " kB";
#endif
}

}  // namespace
}  // namespace kvpw
