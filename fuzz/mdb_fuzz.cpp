// A desktop-database file's pages as mdbtools' library reads them for the import: the catalogue,
// every table's rows and the stored queries' definitions. Damaged files must fail with our error,
// never crash or hang. Run by hand (build-fuzz/fuzz/fuzz_mdb CORPUS SEEDS, seeds from
// ../shared/testdata/mdb): the reader is mdbtools' own code, and a fault found there is reported
// upstream, not fixed here.
#include <span>

#include "db/mdb/mdb_file.h"
#include "frame/error.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kvpw;
  const auto file = fuzz::ScratchDir() / "input.mdb";
  fuzz::WriteFile(file, std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    const auto mdb = db::mdb::MdbFile::Open(file.string());
    for (const db::mdb::Object& object : mdb->objects()) {
      if (object.kind != db::mdb::ObjectKind::kTable && object.name != "MSysQueries") continue;
      try {
        mdb->read_table(object.name, [](std::span<const db::mdb::Value>) {});
      } catch (const Error&) {
      }
    }
  } catch (const Error&) {
  }
  return 0;
}
