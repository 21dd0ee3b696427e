// The type library of the Windows component, written from the class roster: the same names,
// dispatch identifiers, kinds and parameters that the portable runtime dispatches on, so that
// early-bound callers and the late-bound tables cannot drift apart.
#pragma once

#include <string>
#include <vector>

#include "frame/object.h"

namespace kvpw {

struct ParamDecl {
  Text name;
  // The default as the type library writes it ("\"Blank.mdb\"", "-1"); empty for none.
  Text default_value;
};

// The parameter names of a member's table entry, with their defaults. Fails with 5 for a list
// whose count differs from the member's signature.
std::vector<ParamDecl> ParamDecls(const Member& member);

// The whole library in the interface definition language that widl compiles.
std::string TypeLibraryIdl();

// The component's direct-call functions of every dual interface, in C++ over the header widl
// writes from that source (src/com/direct_calls.inc).
std::string DirectCallStubs();

}  // namespace kvpw
