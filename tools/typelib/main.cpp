// Writes the Windows component's type library source from the class roster:
// kvpw_typelib > src/com/KvPwForStencils.idl
#include <cstdio>

#include "frame/error.h"
#include "roster/type_library.h"

int main() {
  try {
    const std::string idl = kvpw::TypeLibraryIdl();
    std::fwrite(idl.data(), 1, idl.size(), stdout);
    return 0;
  } catch (const kvpw::Error& e) {
    std::fprintf(stderr, "kvpw_typelib: %s\n", kvpw::ToUtf8(e.description()).c_str());
    return 1;
  }
}
