// The generated plant drawing of the drawing benchmarks: 40,000 shapes on 10 pages of which
// 30,000 are devices. Every block of 40 shapes is one network controller, 29 sensors with
// catalogue parts and addresses, and 10 points wired to the controller; one point in 500 has a
// type its controller does not accept, and one sensor per page repeats an address, so that every
// check has a few findings to report and mark.
#pragma once

#include <filesystem>
#include <vector>

#include "catalogue.h"

namespace kvpw::bench {

inline constexpr int kPlantPages = 10;
inline constexpr int kPlantShapesPerPage = 4000;
inline constexpr int kPlantDevices = 30000;

// `parts` are the typed parts of the catalogue the drawing is checked against.
void WritePlantDrawing(const std::vector<TypedPart>& parts, const std::filesystem::path& file);

}  // namespace kvpw::bench
