// Writes the fuzz targets' starting corpora from the shared test drawings and the example
// drawing and catalogue: make_seeds OUT_DIR DRAWINGS_DIR EXAMPLES_DIR.
#include <zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "db/engine.h"
#include "db/sqlite_engine.h"
#include "devices/device_classes.h"
#include "devices/device_names.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "host/message_boxes.h"
#include "host/vsdx/vsdx_drawing.h"

namespace fs = std::filesystem;
using namespace kvpw;

namespace {

int seed_number = 0;

void Seed(const fs::path& dir, const std::string& bytes) {
  fs::create_directories(dir);
  std::ofstream out(dir / ("seed-" + std::to_string(++seed_number)), std::ios::binary);
  out << bytes;
}

// The package as "name\0content\0...", the form the drawing target zips itself.
std::string PartsOf(const fs::path& file) {
  int error = 0;
  zip_t* archive = zip_open(file.c_str(), ZIP_RDONLY, &error);
  if (!archive) return {};
  std::string out;
  const zip_int64_t n = zip_get_num_entries(archive, 0);
  for (zip_int64_t i = 0; i < n; ++i) {
    zip_stat_t st;
    if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &st) != 0) continue;
    zip_file_t* f = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
    if (!f) continue;
    std::string content(st.size, '\0');
    const zip_int64_t got = zip_fread(f, content.data(), content.size());
    zip_fclose(f);
    if (got < 0) continue;
    content.resize(static_cast<size_t>(got));
    if (!out.empty()) out += '\0';
    out += st.name;
    out += '\0';
    out += content;
  }
  zip_discard(archive);
  return out;
}

std::string Utf8(const Text& text) {
  return ToUtf8(text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_seeds OUT_DIR DRAWINGS_DIR EXAMPLES_DIR\n");
    return 2;
  }
  const fs::path out = argv[1], drawings_dir = argv[2], examples = argv[3];
  fs::remove_all(out);
  const auto boxes = std::make_shared<host::RecordingMessageBox>();
  const PlatformRef platform = std::make_shared<const Platform>(db::MakeSqliteEngine(), boxes);

  std::vector<fs::path> drawings{examples / "plant.vsdx"};
  if (fs::is_directory(drawings_dir))
    for (const auto& entry : fs::directory_iterator(drawings_dir))
      if (entry.path().extension() == ".vsdx") drawings.push_back(entry.path());

  std::vector<Text> addresses{u"1:2", u"0:0:0:0:0", u"1:", u"[1-3]:*"};
  for (const fs::path& drawing : drawings) {
    std::ifstream in(drawing, std::ios::binary);
    Seed(out / "vsdx", std::string(std::istreambuf_iterator<char>(in), {}));
    Seed(out / "vsdx", PartsOf(drawing));
    try {
      const auto doc = host::OpenVsdx(drawing);
      Pw2(platform).UpdateDeviceList(doc, true);
      PwVsdDeviceCollection list(platform);
      list.LoadFromDocumentSheet(doc);
      for (const DeviceRef& d : list.records()) {
        Seed(out / "rows", Utf8(d->ToString()));
        addresses.push_back(d->LCM);
        Seed(out / "patterns",
             '\x04' + Utf8(d->Device) + '\0' + Utf8(d->Device.substr(0, 2)) + "*");
      }
    } catch (const Error& e) {
      std::fprintf(stderr, "make_seeds: %s: %s\n", drawing.c_str(), Utf8(e.description()).c_str());
    }
  }
  for (const char* row : {"V1`AHU-1`P-1`5`1,2,`,,`,,`,,`1:2:0:0:0", "V1`x`p`32768`a`b`c`d`e",
                          "V1`only", "V2`newer`p`0`a`b`c`d`e", "V1`n`p`-3`a`b`c`d`e`extra"})
    Seed(out / "rows", row);

  for (const Text& a : addresses) {
    Seed(out / "patterns", '\x02' + Utf8(a));
    for (const char tier : {'\1', '\3', '\5'})
      Seed(out / "patterns", std::string("\x01\0", 2) + tier + Utf8(a));
  }
  for (const char* p : {"RLY-*", "[A-C]?#*", "[!0-9]*", "a[]b", "*", "[*]x"}) {
    Seed(out / "patterns", std::string("\x00PartNumber", 11) + '\0' + p);
    Seed(out / "patterns", std::string("\x04") + "RLY-ENC" + '\0' + p);
  }
  for (const char* p : {"AI", "ao", "DIx", "D"}) Seed(out / "patterns", std::string("\x03") + p);

  const db::ConnectionRef connection = db::MakeSqliteEngine()->new_connection();
  connection->open(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" +
                       FromUtf8((examples / "parts.mdb").string()),
                   u"", u"");
  const db::RecordsetRef tables =
      connection->execute(u"SELECT name FROM sqlite_master WHERE type = 'table'");
  std::vector<std::string> names;
  for (; !tables->eof(); tables->move_next()) names.push_back(Utf8(ToText(tables->value(0))));
  for (const std::string& t : names) {
    Seed(out / "sql", "SELECT * FROM " + t);
    Seed(out / "sql", "SELECT COUNT(*) AS RecordCount FROM " + t + " WHERE 1 = True");
  }
  Seed(out / "sql", Utf8(Text(devices::kControllerListQuery)));
  Seed(out / "sql",
       "SELECT MfgPartNumber FROM tblParts WHERE MfgPartNumber LIKE 'RLY%' ORDER BY 1");
  Seed(out / "sql", "UPDATE tblParts SET MfgPartNumber = 'x' WHERE MfgPartNumber = 'BRE-1C-24A  '");
  // The desktop engine's dialect, which the adapter rewrites.
  for (const char* q :
       {"SELECT DISTINCTROW TOP 3 MfgPartNumber & \" - \" & Description AS Shown FROM tblParts",
        "SELECT PartID Mod 3, IIf(PartID > 2, \"big\", Nz(PDF, 'none')) FROM tblParts WHERE "
        "MfgPartNumber LIKE \"BRE*\" AND Discontinued = No",
        "SELECT tblParts!PartID, UCase(Left(Description, 4)), Val('12abc'), CLng(\"7\") FROM "
        "tblParts WHERE #1/2/2003# < Date() ORDER BY 1 DESC"})
    Seed(out / "sql", q);
  connection->close();
  return 0;
}
