// The zip package under a .vsdx drawing: its entries checked once on open against hostile-file
// limits, parts inflated on demand with the same limits enforced while reading, and an atomic
// save that copies every unchanged entry's compressed bytes as they are.
#pragma once

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "frame/text.h"

struct zip;

namespace kvpw::host::vsdx {

// Real drawings hold parts of at most a few hundred kilobytes, compressed at most 30 to 1; these
// limits leave ample room while refusing zip bombs before they are inflated.
struct PackageLimits {
  int64_t max_entries = 10'000;
  uint64_t max_part_bytes = 32ull << 20;
  uint64_t max_total_bytes = 256ull << 20;
  uint64_t max_ratio = 200;
};

class Package {
 public:
  // Reads the whole file and checks its directory; fails with kFileError naming the file.
  static Package Open(const std::filesystem::path& file, const PackageLimits& limits = {});
  // A package with no entries, for drawings made from scratch.
  static Package Empty(Text name);

  Package(Package&&) noexcept;
  Package& operator=(Package&&) noexcept;
  ~Package();

  // The file name without folders, as errors name it.
  const Text& name() const { return name_; }
  // Part names are entry names without the leading "/", compared without regard to case.
  bool Has(std::string_view part) const;
  // The inflated bytes of a part; fails when it is missing or breaks a limit.
  const std::string& Read(std::string_view part);
  // The same, handed over rather than kept (for parts that are parsed in place).
  std::string Take(std::string_view part);
  // Takes several parts at once: each is inflated on one of as many threads as there are cores
  // and handed to `use` there, with its index. Returns what inflating or `use` threw for each
  // part, null where nothing did. `use` must touch nothing that another part's call touches.
  std::vector<std::exception_ptr> TakeEach(const std::vector<std::string>& parts,
                                           const std::function<void(size_t, std::string)>& use);
  // Replaces or adds a part; only parts written here are compressed again on save.
  void Write(std::string_view part, std::string content);
  // The same for a part whose bytes are made only when they are needed: on save, beside the
  // other parts being made and compressed, and dropped once compressed, so that a large drawing
  // never holds all its new text at once. `make` runs on a helper thread and must touch nothing
  // that another part's `make` touches; it stays until the part is written again.
  // `expected_size`, about what `make` gives, puts the largest parts first among those made side
  // by side, so that none is left to run alone at the end.
  using PartMaker = std::function<std::string()>;
  void Write(std::string_view part, PartMaker make, uint64_t expected_size);
  bool Changed(std::string_view part) const;
  std::vector<std::string> PartNames() const;

  // Writes beside `file` and renames over it, so that a failed save leaves the old file intact.
  void Save(const std::filesystem::path& file) const;

 private:
  struct Entry {
    std::string name;
    int64_t index = -1;  // in the source archive; -1 for parts added since
    uint64_t size = 0;
    uint64_t compressed_size = 0;
    bool loaded = false;
    bool changed = false;
    std::string content;
    PartMaker make;  // set: content is made from it when needed
  };
  Package() = default;
  Entry& Entered(std::string_view part);
  Entry* Find(std::string_view part);
  const Entry* Find(std::string_view part) const;
  [[noreturn]] void Fail(std::u16string_view reason, std::string_view part = {}) const;
  Entry& Load(std::string_view part);
  std::string Inflate(zip* archive, const Entry& e) const;
  // Adds to what was inflated so far; fails once the parts together pass the limit.
  void CountRead(uint64_t bytes);

  Text name_;
  PackageLimits limits_;
  std::unique_ptr<std::string> bytes_;  // the file as read; the source archive reads from it
  zip* archive_ = nullptr;
  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> by_name_;  // keyed in lower case
  uint64_t total_read_ = 0;
};

// Every failure to read or write a drawing file, numbered in the host's range like the other
// host errors; the description names the file and the reason.
inline constexpr int32_t kFileError = static_cast<int32_t>(0x86DB0000u | 0x3F0);

// Fails with kFileError: "Cannot read drawing '<file>': <reason>".
[[noreturn]] void FailRead(const Text& file, std::u16string_view reason);

// Joins a relationship target to the folder of the part that holds the relationship ("../x"
// steps up); an empty result means the target leaves the package.
std::string ResolvePartName(std::string_view source_part, std::string_view target);
// "visio/pages/page1.xml" -> "visio/pages/_rels/page1.xml.rels"; "" -> "_rels/.rels".
std::string RelsPartOf(std::string_view part);

}  // namespace kvpw::host::vsdx
