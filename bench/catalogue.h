// The example parts catalogue grown to a given number of parts, for benchmarks.
#pragma once

#include <string>

namespace kvpw::bench {

// Path of a copy of the example parts database whose parts (and their item-code rows) are
// repeated with suffixed part numbers ("BRE-1C-24A-X17") until about `parts` parts exist. Built
// once per process in the temporary directory.
const std::string& ScaledCatalogue(int parts);

}  // namespace kvpw::bench
