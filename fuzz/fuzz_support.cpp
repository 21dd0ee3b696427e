#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "db/sqlite_engine.h"

namespace kvpw::fuzz {
namespace {

struct Scratch {
  Scratch() {
    path = std::filesystem::temp_directory_path() / ("kvpw-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

}  // namespace

const std::filesystem::path& ScratchDir() {
  static const Scratch scratch;
  return scratch.path;
}

std::filesystem::path ExamplesDir() {
  if (const char* dir = std::getenv("KVPW_EXAMPLES_DIR")) return dir;
  return KVPW_EXAMPLES_DIR;
}

FuzzPlatform MakePlatform() {
  FuzzPlatform p;
  p.boxes = std::make_shared<host::RecordingMessageBox>();
  p.platform = std::make_shared<const Platform>(db::MakeSqliteEngine(), p.boxes);
  return p;
}

Text TextOf(std::string_view bytes) {
  Text out;
  size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) == kRawUnit && i + 2 < bytes.size()) {
      out.push_back(static_cast<char16_t>((static_cast<unsigned char>(bytes[i + 1]) << 8) |
                                          static_cast<unsigned char>(bytes[i + 2])));
      i += 3;
      continue;
    }
    size_t end = bytes.find(static_cast<char>(kRawUnit), i + 1);
    if (end == std::string_view::npos) end = bytes.size();
    out += FromUtf8(bytes.substr(i, end - i));
    i = end;
  }
  return out;
}

void Broken(const std::string& what) {
  std::fprintf(stderr, "kvpw fuzz: %s\n", what.c_str());
  std::abort();
}

// With plain system calls, retried when interrupted: libFuzzer's timer signal arrives every
// second and may break into a write.
void WriteFile(const std::filesystem::path& file, std::string_view bytes) {
  int fd;
  while ((fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)) < 0)
    if (errno != EINTR) Broken("cannot write " + file.string());
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Broken("cannot write " + file.string());
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  close(fd);
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) Broken("cannot read " + file.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kvpw::fuzz
