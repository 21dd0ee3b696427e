#include "floor.h"

#include <zip.h>

#include <sstream>
#include <stdexcept>
#include <vector>

namespace kvpw::bench {

ParsedParts InflateAndParse(const std::filesystem::path& file, bool keep) {
  int error = 0;
  zip_t* z = zip_open(file.c_str(), ZIP_RDONLY, &error);
  if (!z) throw std::runtime_error("cannot open " + file.string());
  ParsedParts parts;
  for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
    std::string name = zip_get_name(z, i, 0);
    if (name == "[Content_Types].xml" || name.rfind("docProps/", 0) == 0) continue;
    zip_stat_t st;
    zip_stat_index(z, i, 0, &st);
    auto part = std::make_unique<ParsedPart>();
    part->buffer.resize(st.size);
    zip_file_t* f = zip_fopen_index(z, i, 0);
    if (!f || zip_fread(f, part->buffer.data(), st.size) != static_cast<zip_int64_t>(st.size))
      throw std::runtime_error("cannot inflate " + name);
    zip_fclose(f);
    const auto result = part->xml.load_buffer_inplace(
        part->buffer.data(), part->buffer.size(),
        pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration | pugi::parse_doctype,
        pugi::encoding_utf8);
    if (!result) throw std::runtime_error("cannot parse " + name);
    if (keep) parts.emplace(std::move(name), std::move(part));
  }
  zip_discard(z);
  return parts;
}

void SerialiseAndDeflate(const ParsedParts& parts, const std::filesystem::path& out) {
  int error = 0;
  zip_t* z = zip_open(out.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!z) throw std::runtime_error("cannot write " + out.string());
  // libzip reads the sources at close, so each text lives until then.
  std::vector<std::string> texts;
  texts.reserve(parts.size());
  for (const auto& [name, part] : parts) {
    std::ostringstream text;
    part->xml.save(text, "", pugi::format_raw, pugi::encoding_utf8);
    texts.push_back(std::move(text).str());
    zip_source_t* source = zip_source_buffer(z, texts.back().data(), texts.back().size(), 0);
    if (!source || zip_file_add(z, name.c_str(), source, ZIP_FL_OVERWRITE) < 0)
      throw std::runtime_error("cannot add " + name);
  }
  if (zip_close(z) != 0) throw std::runtime_error("cannot write " + out.string());
}

}  // namespace kvpw::bench
