#include "host/vsdx/package.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "frame/error.h"
#include "frame/on_cores.h"

namespace kvpw::host::vsdx {
namespace {

constexpr char16_t kCannotRead[] = u"Cannot read drawing '";
constexpr char16_t kCannotSave[] = u"Cannot save drawing '";
constexpr uintmax_t kEndRecordSize = 22;

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

Text TextOf(std::string_view utf8) {
  return FromUtf8(utf8);
}

Text FileNameOf(const std::filesystem::path& file) {
  return FromUtf8(file.filename().string());
}

// Entry names must stay inside the package: no absolute paths, drive letters, backslashes or
// "." and ".." steps.
bool SafeEntryName(std::string_view name) {
  if (name.empty() || name.front() == '/' || name.find('\\') != std::string_view::npos ||
      name.find(':') != std::string_view::npos || name.find('\0') != std::string_view::npos)
    return false;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view segment = name.substr(start, end - start);
    if (segment == "." || segment == "..") return false;
    if (segment.empty() && end != name.size()) return false;  // "a//b"
    start = end + 1;
  }
  return true;
}

std::string ZipErrorText(zip_error_t* error) {
  return zip_error_strerror(error);
}

// --- Saving -----------------------------------------------------------------------------------

// libdeflate at its default level: on drawing XML a tenth smaller than zlib's default level in
// less than half its time, and the same DEFLATE any reader inflates.
constexpr int kDeflateLevel = 6;

// A changed part compressed ahead of the archive's writing, so that parts can be compressed side
// by side; the archive then copies the bytes as they are.
struct DeflatedPart {
  // Left uninitialised beyond what is written: the bound is far above what drawing XML needs,
  // and zeroing it would touch every page of it.
  std::unique_ptr<unsigned char[]> bytes;
  uint64_t compressed_size = 0;
  uint64_t size = 0;
  uint32_t crc = 0;
  bool ok = false;
};

DeflatedPart Deflate(const std::string& content) {
  DeflatedPart part;
  part.size = content.size();
  std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
      libdeflate_alloc_compressor(kDeflateLevel), libdeflate_free_compressor);
  if (!compressor) return part;
  const size_t bound = libdeflate_deflate_compress_bound(compressor.get(), content.size());
  part.bytes.reset(new (std::nothrow) unsigned char[bound]);
  if (!part.bytes) return part;
  part.compressed_size = libdeflate_deflate_compress(compressor.get(), content.data(),
                                                     content.size(), part.bytes.get(), bound);
  part.ok = part.compressed_size > 0 || content.empty();
  // Kept until the archive is written: hand the room of the bound back now, or the next part's
  // text cannot reuse it and every part adds fresh pages of its size.
  if (part.ok) {
    std::unique_ptr<unsigned char[]> exact(new (std::nothrow) unsigned char[part.compressed_size]);
    if (!exact) {
      part.ok = false;
      return part;
    }
    std::memcpy(exact.get(), part.bytes.get(), part.compressed_size);
    part.bytes = std::move(exact);
  }
  part.crc = libdeflate_crc32(0, content.data(), content.size());
  return part;
}

// A changed part to compress: its bytes, or what makes them.
struct ChangedPart {
  const std::string* content;
  const Package::PartMaker* make;
  uint64_t expected_size;
};

DeflatedPart DeflateChanged(const ChangedPart& changed) {
  if (!changed.make) return Deflate(*changed.content);
  try {
    return Deflate((*changed.make)());
  } catch (const std::exception&) {
    return DeflatedPart{};  // reported as out of memory, the only way making a part fails
  }
}

// The indexes of `sizes`, largest first: threads taking work in this order finish together.
std::vector<size_t> LargestFirst(const std::vector<uint64_t>& sizes) {
  std::vector<size_t> order(sizes.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return sizes[a] > sizes[b]; });
  return order;
}

// Makes and compresses every part, side by side.
std::vector<DeflatedPart> DeflateAll(const std::vector<ChangedPart>& changed) {
  std::vector<DeflatedPart> parts(changed.size());
  std::vector<uint64_t> sizes;
  for (const ChangedPart& c : changed) sizes.push_back(c.expected_size);
  const std::vector<size_t> order = LargestFirst(sizes);
  std::atomic<size_t> next{0};
  OnCores(parts.size(), [&] {
    for (size_t k; (k = next.fetch_add(1)) < order.size();)
      parts[order[k]] = DeflateChanged(changed[order[k]]);
  });
  return parts;
}

// A libzip source handing out a part's compressed bytes and their description, which the
// archive writes without compressing again.
struct DeflatedSource {
  const DeflatedPart* part;
  uint64_t at = 0;
  zip_error_t error;
};

zip_int64_t ReadDeflated(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command) {
  auto* source = static_cast<DeflatedSource*>(state);
  const DeflatedPart& part = *source->part;
  switch (command) {
    case ZIP_SOURCE_OPEN:
      source->at = 0;
      return 0;
    case ZIP_SOURCE_READ: {
      const uint64_t n = std::min<uint64_t>(length, part.compressed_size - source->at);
      std::memcpy(data, part.bytes.get() + source->at, n);
      source->at += n;
      return static_cast<zip_int64_t>(n);
    }
    case ZIP_SOURCE_CLOSE:
      return 0;
    case ZIP_SOURCE_STAT: {
      auto* st = static_cast<zip_stat_t*>(data);
      zip_stat_init(st);
      st->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
      st->size = part.size;
      st->comp_size = part.compressed_size;
      st->comp_method = ZIP_CM_DEFLATE;
      st->crc = part.crc;
      return sizeof(*st);
    }
    case ZIP_SOURCE_ERROR:
      return zip_error_to_data(&source->error, data, length);
    case ZIP_SOURCE_FREE:
      zip_error_fini(&source->error);
      delete source;
      return 0;
    case ZIP_SOURCE_SUPPORTS:
      return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                            ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
      zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
      return -1;
  }
}

zip_source_t* DeflatedPartSource(zip_t* archive, const DeflatedPart& part) {
  auto* state = new DeflatedSource{&part, 0, {}};
  zip_error_init(&state->error);
  zip_source_t* source = zip_source_function(archive, &ReadDeflated, state);
  if (!source) {
    zip_error_fini(&state->error);
    delete state;
  }
  return source;
}

struct ArchiveCloser {
  void operator()(zip_t* z) const {
    if (z) zip_discard(z);
  }
};

}  // namespace

std::string RelsPartOf(std::string_view part) {
  const size_t slash = part.rfind('/');
  if (slash == std::string_view::npos) return "_rels/" + std::string(part) + ".rels";
  return std::string(part.substr(0, slash)) + "/_rels/" + std::string(part.substr(slash + 1)) +
         ".rels";
}

std::string ResolvePartName(std::string_view source_part, std::string_view target) {
  std::vector<std::string_view> parts;
  std::string_view rest = target;
  if (!rest.empty() && rest.front() == '/') {
    rest.remove_prefix(1);
  } else {
    std::string_view folder = source_part;
    const size_t slash = folder.rfind('/');
    folder = slash == std::string_view::npos ? std::string_view() : folder.substr(0, slash);
    while (!folder.empty()) {
      const size_t next = folder.find('/');
      parts.push_back(folder.substr(0, next));
      folder = next == std::string_view::npos ? std::string_view() : folder.substr(next + 1);
    }
  }
  while (!rest.empty()) {
    const size_t next = rest.find('/');
    const std::string_view segment = rest.substr(0, next);
    rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (parts.empty()) return {};
      parts.pop_back();
      continue;
    }
    parts.push_back(segment);
  }
  std::string out;
  for (std::string_view p : parts) {
    if (!out.empty()) out += '/';
    out += p;
  }
  return out;
}

Package::Package(Package&& other) noexcept {
  *this = std::move(other);
}

Package& Package::operator=(Package&& other) noexcept {
  if (this != &other) {
    if (archive_) zip_discard(archive_);
    name_ = std::move(other.name_);
    limits_ = other.limits_;
    bytes_ = std::move(other.bytes_);
    archive_ = std::exchange(other.archive_, nullptr);
    entries_ = std::move(other.entries_);
    by_name_ = std::move(other.by_name_);
    total_read_ = other.total_read_;
  }
  return *this;
}

Package::~Package() {
  if (archive_) zip_discard(archive_);
}

void FailRead(const Text& file, std::u16string_view reason) {
  throw Error(kFileError, kCannotRead + file + u"': " + Text(reason));
}

void Package::Fail(std::u16string_view reason, std::string_view part) const {
  if (part.empty()) FailRead(name_, reason);
  FailRead(name_, u"the part '" + TextOf(part) + u"' " + Text(reason));
}

Package Package::Empty(Text name) {
  Package p;
  p.name_ = std::move(name);
  return p;
}

Package Package::Open(const std::filesystem::path& file, const PackageLimits& limits) {
  Package p;
  p.name_ = FileNameOf(file);
  p.limits_ = limits;

  std::error_code ec;
  const auto size = std::filesystem::file_size(file, ec);
  if (ec) p.Fail(u"the file cannot be read (" + TextOf(ec.message()) + u").");
  if (size > limits.max_total_bytes) p.Fail(u"the file is larger than a drawing may be.");
  // Shorter than the end record every zip file closes with; libzip would take it as empty.
  if (size < kEndRecordSize) p.Fail(u"it is not a zip package (the file is too short).");
  std::ifstream in(file, std::ios::binary);
  p.bytes_ = std::make_unique<std::string>(size, '\0');
  if (!in || !in.read(p.bytes_->data(), static_cast<std::streamsize>(size)))
    p.Fail(u"the file cannot be read.");

  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(p.bytes_->data(), p.bytes_->size(), 0, &error);
  if (!source) p.Fail(u"out of memory.");
  p.archive_ = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
  if (!p.archive_) {
    zip_source_free(source);
    const Text reason = TextOf(ZipErrorText(&error));
    zip_error_fini(&error);
    p.Fail(u"it is not a zip package (" + reason + u").");
  }
  zip_error_fini(&error);

  const zip_int64_t count = zip_get_num_entries(p.archive_, 0);
  if (count > limits.max_entries)
    p.Fail(u"it holds " + IntegerText(count) + u" entries; a drawing may hold at most " +
           IntegerText(limits.max_entries) + u".");
  uint64_t declared_total = 0;
  p.entries_.reserve(static_cast<size_t>(count));
  for (zip_int64_t i = 0; i < count; ++i) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(p.archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &st) != 0 ||
        !(st.valid & ZIP_STAT_NAME))
      p.Fail(u"its directory is damaged.");
    const std::string_view name = st.name;
    if (!SafeEntryName(name))
      p.Fail(u"the entry '" + TextOf(name) + u"' names a path outside the package.");
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
      p.Fail(u"is encrypted.", name);
    if (!(st.valid & ZIP_STAT_COMP_METHOD) ||
        (st.comp_method != ZIP_CM_STORE && st.comp_method != ZIP_CM_DEFLATE))
      p.Fail(u"uses an unsupported compression method.", name);
    if (st.size > limits.max_part_bytes) p.Fail(u"is larger than a part may be.", name);
    if (st.size > limits.max_ratio * std::max<uint64_t>(st.comp_size, 1))
      p.Fail(u"is compressed beyond the allowed ratio.", name);
    declared_total += st.size;
    if (declared_total > limits.max_total_bytes)
      p.Fail(u"its parts together are larger than a drawing may be.");
    const auto [it, added] = p.by_name_.emplace(Lower(name), p.entries_.size());
    if (!added) p.Fail(u"the entry '" + TextOf(name) + u"' appears twice.");
    Entry e;
    e.name = std::string(name);
    e.index = i;
    e.size = st.size;
    e.compressed_size = st.comp_size;
    p.entries_.push_back(std::move(e));
  }
  return p;
}

Package::Entry* Package::Find(std::string_view part) {
  const auto it = by_name_.find(Lower(part));
  return it == by_name_.end() ? nullptr : &entries_[it->second];
}

const Package::Entry* Package::Find(std::string_view part) const {
  const auto it = by_name_.find(Lower(part));
  return it == by_name_.end() ? nullptr : &entries_[it->second];
}

bool Package::Has(std::string_view part) const {
  return Find(part) != nullptr;
}

bool Package::Changed(std::string_view part) const {
  const Entry* e = Find(part);
  return e && e->changed;
}

std::vector<std::string> Package::PartNames() const {
  std::vector<std::string> names;
  for (const Entry& e : entries_) names.push_back(e.name);
  return names;
}

const std::string& Package::Read(std::string_view part) {
  return Load(part).content;
}

std::string Package::Take(std::string_view part) {
  Entry& e = Load(part);
  if (e.changed) return e.content;
  e.loaded = false;
  return std::move(e.content);
}

Package::Entry& Package::Load(std::string_view part) {
  Entry* e = Find(part);
  if (!e) Fail(u"is missing.", part);
  if (e->loaded) return *e;
  if (e->make) {
    e->content = e->make();
    e->loaded = true;
    return *e;
  }

  e->content = Inflate(archive_, *e);
  CountRead(e->content.size());
  e->loaded = true;
  return *e;
}

void Package::CountRead(uint64_t bytes) {
  total_read_ += bytes;
  if (total_read_ > limits_.max_total_bytes)
    Fail(u"its parts together are larger than a drawing may be.");
}

std::string Package::Inflate(zip* archive, const Entry& e) const {
  // The directory's sizes are only claims: count what inflates and stop at the first limit.
  std::unique_ptr<zip_file_t, int (*)(zip_file_t*)> file(
      zip_fopen_index(archive, static_cast<zip_uint64_t>(e.index), 0), zip_fclose);
  if (!file) Fail(u"cannot be opened (" + TextOf(zip_strerror(archive)) + u").", e.name);
  std::string content(static_cast<size_t>(e.size), '\0');
  uint64_t got = 0;
  while (got < content.size()) {
    const zip_int64_t n = zip_fread(file.get(), content.data() + got, content.size() - got);
    if (n < 0) Fail(u"is damaged (" + TextOf(zip_file_strerror(file.get())) + u").", e.name);
    if (n == 0) Fail(u"holds less data than its header declares.", e.name);
    got += static_cast<uint64_t>(n);
  }
  char extra[1];
  const zip_int64_t more = zip_fread(file.get(), extra, sizeof extra);
  if (more < 0) Fail(u"is damaged (" + TextOf(zip_file_strerror(file.get())) + u").", e.name);
  if (more > 0) Fail(u"holds more data than its header declares.", e.name);
  return content;
}

std::vector<std::exception_ptr> Package::TakeEach(
    const std::vector<std::string>& parts, const std::function<void(size_t, std::string)>& use) {
  std::vector<std::exception_ptr> errors(parts.size());
  // Parts still in the source archive are inflated side by side; the others are handed over here.
  std::vector<const Entry*> ahead(parts.size());
  std::vector<uint64_t> sizes(parts.size());
  for (size_t i = 0; i < parts.size(); ++i) {
    const Entry* e = Find(parts[i]);
    if (e && !e->loaded && !e->make && e->index >= 0) {
      ahead[i] = e;
      sizes[i] = e->size;
      continue;
    }
    try {
      use(i, Take(parts[i]));
    } catch (...) {
      errors[i] = std::current_exception();
    }
  }
  std::vector<size_t> order = LargestFirst(sizes);
  std::erase_if(order, [&](size_t i) { return !ahead[i]; });
  if (order.empty()) return errors;
  std::vector<char> inflated(parts.size());
  std::atomic<size_t> next{0};
  const auto take = [&](zip* archive) {
    for (size_t k; (k = next.fetch_add(1)) < order.size();) {
      const size_t i = order[k];
      try {
        std::string content = Inflate(archive, *ahead[i]);
        inflated[i] = 1;
        use(i, std::move(content));
      } catch (...) {
        errors[i] = std::current_exception();
      }
    }
  };
  const std::thread::id here = std::this_thread::get_id();
  OnCores(order.size(), [&] {
    if (std::this_thread::get_id() == here) return take(archive_);
    // An archive reads through state of its own, so each helper opens one over the same bytes;
    // a helper that cannot leaves the work to the others.
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes_->data(), bytes_->size(), 0, &error);
    std::unique_ptr<zip_t, ArchiveCloser> reader(
        source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr);
    if (source && !reader) zip_source_free(source);
    zip_error_fini(&error);
    if (reader) take(reader.get());
  });
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!inflated[i]) continue;
    try {
      CountRead(ahead[i]->size);
    } catch (...) {
      if (!errors[i]) errors[i] = std::current_exception();
    }
  }
  return errors;
}

Package::Entry& Package::Entered(std::string_view part) {
  if (Entry* e = Find(part)) return *e;
  by_name_.emplace(Lower(part), entries_.size());
  Entry& e = entries_.emplace_back();
  e.name = std::string(part);
  return e;
}

void Package::Write(std::string_view part, std::string content) {
  Entry& e = Entered(part);
  e.content = std::move(content);
  e.make = nullptr;
  e.size = e.content.size();
  e.loaded = true;
  e.changed = true;
}

void Package::Write(std::string_view part, PartMaker make, uint64_t expected_size) {
  Entry& e = Entered(part);
  e.content = std::string();
  e.size = expected_size;
  e.make = std::move(make);
  e.loaded = false;
  e.changed = true;
}

void Package::Save(const std::filesystem::path& file) const {
  const Text target = FileNameOf(file);
  const auto fail = [&](std::u16string_view reason) {
    throw Error(kFileError, kCannotSave + target + u"': " + Text(reason));
  };
  std::filesystem::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) fail(u"its folder does not exist.");
  struct stat old_stat;
  const bool exists = ::stat(file.c_str(), &old_stat) == 0;
  if (exists && !S_ISREG(old_stat.st_mode)) fail(u"it is not a regular file.");
  // Renaming would replace a read-only file without complaint, so ask first.
  if (exists && (old_stat.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
    fail(u"the file is read-only.");

  std::string temp = (folder / ("." + file.filename().string() + ".kvpw-XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) fail(u"a file cannot be made in its folder (" + TextOf(std::strerror(errno)) + u").");
  ::close(fd);
  bool done = false;
  struct Cleanup {
    const std::string& path;
    const bool& done;
    ~Cleanup() {
      if (!done) ::unlink(path.c_str());
    }
  } cleanup{temp, done};

  int error_code = 0;
  std::unique_ptr<zip_t, ArchiveCloser> out(zip_open(temp.c_str(), ZIP_TRUNCATE, &error_code));
  if (!out) {
    zip_error_t error;
    zip_error_init_with_code(&error, error_code);
    const Text reason = TextOf(ZipErrorText(&error));
    zip_error_fini(&error);
    fail(u"the new file cannot be written (" + reason + u").");
  }
  std::vector<ChangedPart> changed;
  for (const Entry& e : entries_)
    if (e.changed || e.index < 0)
      changed.push_back({&e.content, e.make ? &e.make : nullptr, e.size});
  const std::vector<DeflatedPart> deflated = DeflateAll(changed);
  size_t next_deflated = 0;
  for (const Entry& e : entries_) {
    zip_source_t* source = nullptr;
    // An unchanged entry is taken whole from the source archive, compressed bytes and all.
    const bool copied = !e.changed && e.index >= 0;
    if (copied) {
      source = zip_source_zip(out.get(), archive_, static_cast<zip_uint64_t>(e.index), 0, 0, 0);
    } else {
      const DeflatedPart& part = deflated[next_deflated++];
      if (!part.ok) fail(u"out of memory.");
      source = DeflatedPartSource(out.get(), part);
    }
    if (!source) fail(u"out of memory.");
    const zip_int64_t index = zip_file_add(out.get(), e.name.c_str(), source, 0);
    if (index < 0) {
      zip_source_free(source);
      fail(u"the entry '" + TextOf(e.name) + u"' cannot be added.");
    }
    zip_stat_t st;
    if (copied && zip_stat_index(archive_, static_cast<zip_uint64_t>(e.index), 0, &st) == 0 &&
        (st.valid & ZIP_STAT_MTIME))
      zip_file_set_mtime(out.get(), static_cast<zip_uint64_t>(index), st.mtime, 0);
  }
  if (zip_close(out.get()) != 0)
    fail(u"writing failed (" + TextOf(zip_strerror(out.get())) + u").");
  out.release();

  const int written = ::open(temp.c_str(), O_RDONLY);
  if (written < 0 || ::fsync(written) != 0) {
    if (written >= 0) ::close(written);
    fail(u"writing failed (" + TextOf(std::strerror(errno)) + u").");
  }
  ::close(written);
  ::chmod(temp.c_str(), exists ? (old_stat.st_mode & 07777) : 0644);
  if (::rename(temp.c_str(), file.c_str()) != 0)
    fail(u"the new file cannot replace it (" + TextOf(std::strerror(errno)) + u").");
  done = true;
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace kvpw::host::vsdx
