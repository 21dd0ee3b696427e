// The floor of reading a drawing: inflating its parts with libzip and parsing each with pugixml,
// nothing else. Shared by the in-process benchmark and the whole-process floor program.
#pragma once

#include <filesystem>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <unordered_map>

namespace kvpw::bench {

struct ParsedPart {
  std::string buffer;
  pugi::xml_document xml;
};
using ParsedParts = std::unordered_map<std::string, std::unique_ptr<ParsedPart>>;

// Every part the .vsdx adapter parses, parsed with the adapter's options. With `keep` every
// parsed part stays in memory until all are parsed, as a document open for editing must keep
// them; without it each is dropped before the next.
ParsedParts InflateAndParse(const std::filesystem::path& file, bool keep);

// Writes the parsed parts back out as a drawing, the straightforward way: each serialised by
// pugixml and deflated by libzip at its default level, one after another. What a job that saves
// the whole drawing must do at least on top of reading it.
void SerialiseAndDeflate(const ParsedParts& parts, const std::filesystem::path& out);

}  // namespace kvpw::bench
