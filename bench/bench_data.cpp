// Writes the data of the whole-process benchmark (whole_process.sh) into a folder: parts.mdb, the
// example catalogue grown to 100,000 parts, and drawing.vsdx, the generated plant drawing.
#include <cstdio>
#include <exception>
#include <filesystem>

#include "catalogue.h"
#include "plant.h"

namespace {
constexpr int kParts = 100000;
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_data FOLDER\n");
    return 2;
  }
  try {
    namespace fs = std::filesystem;
    const fs::path folder = argv[1];
    fs::create_directories(folder);
    const std::string& catalogue = kvpw::bench::ScaledCatalogue(kParts);
    fs::copy_file(catalogue, folder / "parts.mdb", fs::copy_options::overwrite_existing);
    kvpw::bench::WritePlantDrawing(kvpw::bench::TypedParts(catalogue), folder / "drawing.vsdx");
    std::printf("%s: %d shapes on %d pages, %ju bytes; parts.mdb: %d parts\n",
                (folder / "drawing.vsdx").c_str(),
                kvpw::bench::kPlantPages * kvpw::bench::kPlantShapesPerPage,
                kvpw::bench::kPlantPages,
                static_cast<uintmax_t>(fs::file_size(folder / "drawing.vsdx")), kParts);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_data: %s\n", e.what());
    return 2;
  }
  return 0;
}
