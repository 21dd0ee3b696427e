// The example parts catalogue grown to a given number of parts, for benchmarks.
#pragma once

#include <string>
#include <vector>

namespace kvpw::bench {

// Path of a copy of the example parts database whose parts (and their item-code rows) are
// repeated with suffixed part numbers ("BRE-1C-24A-X17") until about `parts` parts exist. Built
// once per process in the temporary directory.
const std::string& ScaledCatalogue(int parts);

// A catalogue of `parts` made-up parts ("P-0000001" on) in one table keyed by part number, and
// the view the part lookups read (qrySoccParts), written at `file` (replaced if there).
void WriteKeyedCatalogue(const std::string& file, int parts);

struct TypedPart {
  std::string number, type;
};

// The catalogue's part numbers that have an engineering part type, in table order.
std::vector<TypedPart> TypedParts(const std::string& catalogue);

}  // namespace kvpw::bench
