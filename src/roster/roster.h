// The library's outer surface: its four classes, created by identifier. It binds every
// subsystem, so it sits above them all; the runtimes take their class table from here.
#pragma once

#include <span>

#include "frame/object.h"
#include "frame/platform.h"

namespace kvpw {

std::span<const ClassInfo* const> Classes();

// By programmatic identifier ("KvPwForStencils.Pw2") or class identifier, without regard to
// case; nothing when the library has no such class.
const ClassInfo* FindClass(TextView identifier);

// Fails with 429 and a description naming the identifier when the library has no such class.
ObjectRef CreateObject(TextView identifier, PlatformRef platform);

}  // namespace kvpw
