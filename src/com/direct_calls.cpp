#include "com/direct_calls.h"

// The interfaces as widl declares them from the type library source.
#include "KvPwForStencils_h.h"

namespace kvpw::com {

#include "com/direct_calls.inc"

}  // namespace kvpw::com
