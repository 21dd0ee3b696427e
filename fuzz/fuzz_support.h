// What the fuzz targets share: a private scratch folder, the platform the operations run on, and
// the outcome rule every target enforces (a kvpw::Error is an answer; anything else escapes and
// is reported by libFuzzer as a crash).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "frame/platform.h"
#include "frame/text.h"
#include "host/message_boxes.h"

namespace kvpw::fuzz {

// A folder of this process under the system's temporary folder, removed at exit.
const std::filesystem::path& ScratchDir();

// The example catalogue the build made (parts.mdb, partprops.mdb), found beside the program's
// build tree or through KVPW_EXAMPLES_DIR.
std::filesystem::path ExamplesDir();

// The SQLite engine and a recording box, made fresh so that boxes do not pile up across inputs.
struct FuzzPlatform {
  std::shared_ptr<host::RecordingMessageBox> boxes;
  PlatformRef platform;
};
FuzzPlatform MakePlatform();

// Input bytes as text: UTF-8, except that 0xFF (never part of UTF-8) and the two bytes after it
// give one 16-bit unit as it is, so that lone surrogates and every other unit can be reached.
inline constexpr unsigned char kRawUnit = 0xFF;
Text TextOf(std::string_view bytes);

// Stops the run with a message: an invariant of the library did not hold.
[[noreturn]] void Broken(const std::string& what);

// Writes bytes to a file of the scratch folder; reads a whole file.
void WriteFile(const std::filesystem::path& file, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& file);

}  // namespace kvpw::fuzz
