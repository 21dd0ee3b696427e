// Writes the Windows component's sources that come from the class roster:
//   kvpw_typelib > src/com/KvPwForStencils.idl                 the type library
//   kvpw_typelib --direct-calls > src/com/direct_calls.inc     the dual interfaces' functions
#include <cstdio>
#include <cstring>

#include "frame/error.h"
#include "roster/type_library.h"

int main(int argc, char** argv) {
  const bool direct_calls = argc == 2 && std::strcmp(argv[1], "--direct-calls") == 0;
  if (argc > 2 || (argc == 2 && !direct_calls)) {
    std::fprintf(stderr, "usage: kvpw_typelib [--direct-calls]\n");
    return 2;
  }
  try {
    const std::string text = direct_calls ? kvpw::DirectCallStubs() : kvpw::TypeLibraryIdl();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  } catch (const kvpw::Error& e) {
    std::fprintf(stderr, "kvpw_typelib: %s\n", kvpw::ToUtf8(e.description()).c_str());
    return 1;
  }
}
