// The library's identity, as callers bind to it.
#pragma once

#include <cstdint>

#include "frame/text.h"

namespace kvpw::library {

inline constexpr TextView kName = u"KvPwForStencils";
inline constexpr TextView kTitle = u"KvPwForStencils";
inline constexpr TextView kHelpString = u"Korvane PW 2010 Interface for Visio Stencils";
inline constexpr TextView kLibraryId = u"{86863F5D-C460-483A-94BB-5FE7E887E495}";
inline constexpr uint16_t kMajorVersion = 1;
inline constexpr uint16_t kMinorVersion = 0;
inline constexpr uint32_t kLocale = 0x409;

}  // namespace kvpw::library
