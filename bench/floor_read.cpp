// The whole-process floor for `kvpw check`: open the drawing, inflate and parse every part the
// library parses, keep them all alive, and exit. What a process must do at least to read it.
// With an output file it also writes the parts back out: the floor of a job that saves.
#include <cstdio>
#include <exception>

#include "floor.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: floor_read DRAWING.vsdx [OUT.vsdx]\n");
    return 2;
  }
  try {
    const kvpw::bench::ParsedParts parts = kvpw::bench::InflateAndParse(argv[1], true);
    size_t bytes = 0;
    for (const auto& [name, part] : parts) bytes += part->buffer.size();
    std::printf("%zu parts, %zu bytes of XML\n", parts.size(), bytes);
    if (argc == 3) kvpw::bench::SerialiseAndDeflate(parts, argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "floor_read: %s\n", e.what());
    return 2;
  }
  return 0;
}
