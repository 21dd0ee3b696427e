#include "fillin/dialog_forms.h"

#include "fillin/part_row.h"
#include "frame/misc.h"
#include "host/memory_controls.h"

namespace kvpw::fillin {
namespace {

constexpr TextView kKinds[] = {u"relay",     u"ep",    u"cs",   u"trans", u"actuator",
                               u"accessory", u"sheet", u"dims", u"terms"};

// A form whose controls are remembered in the order they were added.
class DialogForm {
 public:
  explicit DialogForm(TextView name) : form_(std::make_shared<host::MemoryForm>(name)) {}

  const std::shared_ptr<host::MemoryForm>& form() const { return form_; }

  host::ControlRef text_box(TextView name, const Text& value = Text()) {
    auto box = form_->add<host::MemoryTextBox>(name);
    box->set_value(Variant(value));
    controls_.push_back(box);
    return box;
  }
  host::ControlRef combo_box(TextView name, const Text& value) {
    auto combo = form_->add<host::MemoryComboBox>(name);
    combo->set_value(Variant(value));
    controls_.push_back(combo);
    return combo;
  }
  void text_boxes(std::initializer_list<TextView> names) {
    for (const TextView name : names) text_box(name);
  }
  void terminals(int32_t first, int32_t last) {
    for (int32_t n = first; n <= last; ++n) text_box(TermControl(n));
  }
  void part_sheet() {
    text_boxes({u"txtP46", u"txtP36", u"txtP10", u"txtPDF", u"txtBitmap", u"txtTermAmt"});
    terminals(1, 20);
  }
  void dimensions() { text_boxes({u"txtD1", u"txtD2", u"txtD3", u"txtD4", u"txtD5", u"txtD6"}); }

  std::vector<std::pair<Text, Text>> values() const {
    std::vector<std::pair<Text, Text>> out;
    for (const auto& control : controls_)
      out.emplace_back(control->name(), NullToEmptyString(control->default_value()));
    return out;
  }

 private:
  std::shared_ptr<host::MemoryForm> form_;
  std::vector<std::shared_ptr<host::MemoryControl>> controls_;
};

}  // namespace

std::span<const TextView> DialogKinds() {
  return kKinds;
}

FilledDialog FillDialog(Pw2& pw2, TextView kind, const Text& strDatafile, const Text& part_number) {
  const auto is = [&](TextView name) { return EqualsNoCase(kind, name); };
  FilledDialog filled;
  if (is(u"relay") || is(u"ep") || is(u"trans")) {
    DialogForm d(u"frmPart");
    const auto name = d.combo_box(u"cboPartNumber", part_number);
    const auto man = d.text_box(u"txtMan"), ven = d.text_box(u"txtVen"),
               desc = d.text_box(u"txtDesc"), pdf = d.text_box(u"txtPDF");
    if (is(u"relay")) {
      const auto service = d.text_box(u"txtService"), mount = d.text_box(u"txtMount"),
                 coil = d.text_box(u"txtCoil"), contact = d.text_box(u"txtContact"),
                 termamt = d.text_box(u"txtTermAmt"), term20 = d.text_box(u"txtTerm20"),
                 type = d.text_box(u"txtType");
      pw2.FillInRelayPartFields(strDatafile, name, man, ven, desc, pdf, service, mount, coil,
                                contact, termamt, term20, type);
    } else if (is(u"ep")) {
      const auto mount = d.text_box(u"txtMount"), coil = d.text_box(u"txtCoil");
      pw2.FillInEPPartFields(strDatafile, name, man, ven, desc, pdf, mount, coil);
    } else {
      const auto termamt = d.text_box(u"txtTermAmt"), term10 = d.text_box(u"txtTerm10");
      pw2.FillInTransPartFields(strDatafile, name, man, ven, desc, pdf, termamt, term10);
    }
    filled.controls = d.values();
  } else if (is(u"cs")) {
    DialogForm d(u"frmCS");
    d.text_box(u"txtP12", part_number);
    d.part_sheet();
    const auto service = d.text_box(u"txtService"), output = d.text_box(u"txtOutput");
    filled.result = pw2.FillInCSPartFields(strDatafile, d.form(), service, output);
    filled.controls = d.values();
  } else if (is(u"actuator")) {
    DialogForm d(u"frmActuator");
    d.text_box(u"txtP12", part_number);
    d.part_sheet();
    d.dimensions();
    const auto range = d.text_box(u"txtRange");
    filled.result = pw2.FillInElectricActuatorFields(strDatafile, d.form(), part_number, range);
    filled.controls = d.values();
  } else if (is(u"accessory")) {
    DialogForm d(u"frmAccessory");
    d.text_box(u"txtP13");
    d.text_boxes({u"txtP46", u"txtP36", u"txtP10", u"txtPDF", u"txtBitmap"});
    d.terminals(4, 9);
    d.terminals(13, 18);
    d.text_boxes({u"txtD5", u"txtD6", u"txtP5", u"txtP9", u"txtP50", u"txtP54", u"txtP58"});
    filled.result = pw2.FillInElectricActuatorAccessoryFields(strDatafile, d.form(), part_number);
    filled.controls = d.values();
  } else if (is(u"sheet")) {
    DialogForm d(u"frmPartSheet");
    d.text_box(u"txtP12", part_number);
    d.part_sheet();
    filled.result = pw2.FillInPw2PartFields(strDatafile, d.form(), part_number);
    filled.controls = d.values();
  } else if (is(u"dims")) {
    DialogForm d(u"frmDimensions");
    d.text_box(u"txtP12", part_number);
    d.dimensions();
    pw2.FillInDimFields(strDatafile, d.form(), part_number);
    filled.controls = d.values();
  } else if (is(u"terms")) {
    DialogForm d(u"frmTerminals");
    d.text_box(u"txtP12", part_number);
    d.text_box(u"txtTermAmt");
    d.terminals(1, 20);
    pw2.FillInTermFields(strDatafile, d.form(), 20, true);
    filled.controls = d.values();
  } else {
    Text known;
    for (const TextView k : kKinds) known += (known.empty() ? u"" : u", ") + Text(k);
    Raise(err::kInvalidArgument,
          u"Unknown dialog '" + Text(kind) + u"': use one of " + known + u".");
  }
  return filled;
}

}  // namespace kvpw::fillin
