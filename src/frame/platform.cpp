#include "frame/platform.h"

#include "frame/error.h"
#include "frame/library.h"

namespace kvpw {

int32_t MessageBox::Show(TextView text, int32_t box_style, std::optional<TextView> title) {
  return Present(text, box_style, title.value_or(library::kTitle));
}

int32_t MessageBox::ShowError(const Error& error, int32_t box_style) {
  Handled(error);
  return Show(error.description(), box_style, IntegerText(error.number()));
}

}  // namespace kvpw
