// The stencils' part dialogs as in-memory forms, filled by their fill-in operations: for the
// command line and for checking a catalogue without the drawing application.
#pragma once

#include <span>
#include <utility>
#include <vector>

#include "frame/pw2.h"

namespace kvpw::fillin {

// relay, ep, cs, trans, actuator, accessory, sheet, dims, terms.
std::span<const TextView> DialogKinds();

struct FilledDialog {
  // Every control of the dialog, with its value as text (Null as the empty text): first the
  // control the part number is read from (accessory: txtP13, which txtP5 copies), then the
  // controls the operation writes, in the order it writes them.
  std::vector<std::pair<Text, Text>> controls;
  // What the operation returned: the attribute code (cs: Empty; sheet, actuator), found or not
  // (accessory), Empty for the others.
  Variant result;
};

// Makes a form with the controls of the named dialog (kind compared without regard to case),
// every control empty but the part number's, calls the dialog's fill-in operation on
// `strDatafile` and reads the controls back. Boxes go to the Pw2's platform. An unknown kind
// fails with error 5; failures the operation lets through reach the caller.
FilledDialog FillDialog(Pw2& pw2, TextView kind, const Text& strDatafile, const Text& part_number);

}  // namespace kvpw::fillin
