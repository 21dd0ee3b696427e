// The dialogs as the command line fills them, and the fill-ins as a macro calls them: created by
// identifier, called late-bound with controls inside variants.
#include "fillin/dialog_forms.h"

#include "fillin/fill_testing.h"
#include "roster/roster.h"

namespace kvpw::fill_testing {
namespace {

using testing::ErrorNumberOf;

using DialogFormsTest = FillInTest;

TEST_F(DialogFormsTest, FillsEachDialogKind) {
  const fillin::FilledDialog relay = fillin::FillDialog(pw2_, u"relay", parts(), u"O'B-2401C");
  EXPECT_EQ(relay.controls,
            (Values{{u"cboPartNumber", u"O'B-2401C"},
                    {u"txtMan", u"O'Brien Electric Co."},
                    {u"txtVen", u"Factory Direct"},
                    {u"txtDesc", u"Pilot relay on 4 in. box cover, SPDT 15 A, 24 VAC coil"},
                    {u"txtPDF", u"Docs\\Relays\\OBE-2400.pdf"},
                    {u"txtService", u"General Purpose"},
                    {u"txtMount", u"Surface Mounted"},
                    {u"txtCoil", u"24 VAC Coil"},
                    {u"txtContact", u"Double Throw"},
                    {u"txtTermAmt", u"5"},
                    {u"txtTerm20", u""},
                    {u"txtType", u"Pilot relay"}}));
  EXPECT_EQ(relay.result, Variant());

  const struct {
    TextView kind;
    Text part;
    size_t controls;
    Variant result;
    Text first_written;  // the value of the control after the part number's
  } cases[] = {
      {u"EP", u"PNX-EPE-277A", 7, Variant(), u"Pneutrex Inc."},
      {u"trans", u"MPT-100-MT", 7, Variant(), u"Meridian Power Products"},
      {u"cs", u"CSG-SA150-NO", 29, Variant(), u"Castlegate Instruments"},
      {u"actuator", u"HA035N-24P", 34, Variant(u"AAPNBAA"), u"Hartwell Actuation"},
      {u"accessory", u"HA-AUX2", 25, Variant(true), u"Hartwell Actuation"},
      {u"accessory", u"NO-SUCH-PART", 25, Variant(false), u""},
      {u"sheet", u"O'B-2401C", 27, Variant(u"RABCBCB"), u"O'Brien Electric Co."},
      {u"dims", u"O'B-2401C", 7, Variant(), u"1.8"},
      {u"terms", u"O'B-2401C", 22, Variant(), u"5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.kind));
    const fillin::FilledDialog filled = fillin::FillDialog(pw2_, c.kind, parts(), c.part);
    ASSERT_EQ(filled.controls.size(), c.controls);
    EXPECT_EQ(filled.result, c.result);
    EXPECT_EQ(filled.controls[1].second, c.first_written);
  }
  // The output of the current switch is decoded.
  const auto cs = fillin::FillDialog(pw2_, u"cs", parts(), u"CSG-SA150-NO").controls;
  EXPECT_EQ(cs.back(), (std::pair<Text, Text>{u"txtOutput", u"Normally Open"}));
  EXPECT_EQ(fillin::DialogKinds().size(), 9u);
  EXPECT_TRUE(boxes().empty());

  EXPECT_EQ(ErrorNumberOf([&] { fillin::FillDialog(pw2_, u"valve", parts(), u"X"); }),
            err::kInvalidArgument);
}

TEST_F(DialogFormsTest, FillInsThroughTheComponentRuntime) {
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", test_.platform);
  // FillIn<name>, numbered in this order from 0x60030008.
  DispId id = 0x60030008;
  for (const TextView name :
       {u"TermFields", u"AccFields", u"CDFields", u"RelayPartFields", u"EPPartFields",
        u"CSPartFields", u"TransPartFields", u"ElectricActuatorFields",
        u"ElectricActuatorAccessoryFields", u"DimFields", u"Pw2PartFields", u"SxPartFields"})
    EXPECT_EQ(pw2->IdOfName(u"fillin" + LowerCase(name)), id++) << ToUtf8(name);

  Variant file = parts();
  {
    Dialog d(u"O'B-2401C");
    Variant name = d.object(u"cboPart"), man = d.object(u"txtMan"), ven = d.object(u"txtVen"),
            desc = d.object(u"txtDesc"), pdf = d.object(u"txtPDF"),
            service = d.object(u"txtService"), mount = d.object(u"txtMount"),
            coil = d.object(u"txtCoil"), contact = d.object(u"txtContact"),
            amount = d.object(u"txtTermAmt"), term20 = d.object(u"txtTerm20"),
            type = d.object(u"txtType");
    EXPECT_EQ(Call(pw2, u"FillInRelayPartFields",
                   {&file, &name, &man, &ven, &desc, &pdf, &service, &mount, &coil, &contact,
                    &amount, &term20, &type}),
              Variant());
    EXPECT_EQ(ToText(d[u"txtCoil"]->default_value()), u"24 VAC Coil");
    EXPECT_EQ(ToText(d[u"txtType"]->default_value()), u"Pilot relay");
    EXPECT_EQ(name.object(), ObjectRef(d[u"cboPart"])) << "controls are not replaced";

    // The document control is optional.
    Call(pw2, u"FillInAccFields", {&file, &name, &man, &ven, &desc});
    // A text where a control belongs is a type mismatch.
    Variant text = u"txtMan";
    EXPECT_EQ(ErrorNumberOf([&] {
                Call(pw2, u"FillInAccFields", {&file, &name, &text, &ven, &desc});
              }),
              err::kTypeMismatch);
  }
  {
    // The count comes as a Long and the flag is omitted; then given as a number.
    Dialog d(u"O'B-2401C");
    Variant form = Variant(ObjectRef(d.form())), count = int32_t{2}, amount = int16_t{-1};
    Call(pw2, u"FillInTermFields", {&file, &form, &count});
    EXPECT_EQ(d.values(), d.expected({{u"txtTerm1", u"A1"}, {u"txtTerm2", u"A2"}}));
    Call(pw2, u"FillInTermFields", {&file, &form, &count, &amount});
    EXPECT_EQ(ToText(d[u"txtTermAmt"]->default_value()), u"5");
    Variant too_many = int32_t{40000};
    EXPECT_EQ(ErrorNumberOf([&] {
                Call(pw2, u"FillInTermFields", {&file, &form, &too_many});
              }),
              err::kOverflow);
  }
  {
    Dialog d(u"HA-AUX2");
    Variant form = Variant(ObjectRef(d.form())), part = u"HA-AUX2", none = u"NO-SUCH-PART";
    EXPECT_EQ(Call(pw2, u"FillInElectricActuatorAccessoryFields", {&file, &form, &part}),
              Variant(true));
    EXPECT_EQ(Call(pw2, u"FillInElectricActuatorAccessoryFields", {&file, &form, &none}),
              Variant(false));
    Variant actuator = u"HA035N-24P", range = d.object(u"txtRange");
    EXPECT_EQ(Call(pw2, u"FillInElectricActuatorFields", {&file, &form, &actuator, &range}),
              Variant(u"AAPNBAA"));
    EXPECT_EQ(Call(pw2, u"FillInSxPartFields", {&file, &form, &actuator}), Variant(u"N"));
    EXPECT_EQ(ToText(d[u"txtRange"]->default_value()), u"Range: 2-10 V");
    // The CS dialog returns Empty.
    Variant service = d.object(u"txtService"), output = d.object(u"txtOutput");
    EXPECT_EQ(Call(pw2, u"FillInCSPartFields", {&file, &form, &service, &output}), Variant());
  }
  EXPECT_TRUE(boxes().empty());
}

// Compiled callers bind to the type library: every fill-in takes each argument as the caller's
// own variable (the terminal count included) and writes none of them back.
TEST(FillInSignatures, EveryArgumentIsByReferenceAndNoneIsWritten) {
  const ClassInfo* pw2 = FindClass(u"KvPwForStencils.Pw2");
  ASSERT_NE(pw2, nullptr);
  size_t fill_ins = 0;
  for (const Member& m : pw2->members) {
    if (m.name.substr(0, 6) != u"FillIn") continue;
    SCOPED_TRACE(ToUtf8(m.name));
    ++fill_ins;
    ASSERT_NE(m.signature, nullptr);
    for (size_t i = 0; i < m.signature->params.size(); ++i) {
      EXPECT_TRUE(m.signature->params[i].by_ref) << "argument " << i;
      EXPECT_FALSE(m.signature->params[i].written) << "argument " << i;
    }
  }
  EXPECT_EQ(fill_ins, 12u);
}

}  // namespace
}  // namespace kvpw::fill_testing
