// The library as a macro reaches it: objects created by identifier, members called late-bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "db/kv_ado_connection.h"
#include "frame/error.h"
#include "frame/library.h"
#include "roster/roster.h"
#include "testing/support.h"

namespace kvpw {
namespace {

using testing::ErrorNumberOf;

TEST(Roster, ClassesAndTheirIdentities) {
  const struct {
    TextView prog_id, class_id, interface_name, interface_id;
  } expected[] = {
      {u"KvPwForStencils.Pw2", u"{8DFF3647-A365-4084-9ECE-C18C1E58EA7D}", u"_Pw2",
       u"{410AF7FB-230F-4C47-B00D-F0DE8A1B39A6}"},
      {u"KvPwForStencils.KvAdoConnection", u"{473991A1-0553-44DF-BE79-205EA5AA5D87}",
       u"_KvAdoConnection", u"{54FD9A0F-E743-4589-824A-A4487AA16FF2}"},
      {u"KvPwForStencils.PwVsdDevice", u"{9DE1ACC7-D29D-4691-ABDE-B3590A941268}", u"_PwVsdDevice",
       u"{54C99EDC-F92A-4897-A2D5-44A29ED44818}"},
      {u"KvPwForStencils.PwVsdDeviceCollection", u"{B4DCCEDC-DBF4-47F1-AB02-5C8CF4F7A27E}",
       u"_PwVsdDeviceCollection", u"{D3C06F5B-0428-4680-B8FB-4C8E336A70B7}"},
  };
  ASSERT_EQ(Classes().size(), std::size(expected));
  const auto platform = testing::MakeTestPlatform().platform;
  for (const auto& e : expected) {
    SCOPED_TRACE(ToUtf8(e.prog_id));
    const ClassInfo* c = FindClass(e.prog_id);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->class_id, e.class_id);
    EXPECT_EQ(c->interface_name, e.interface_name);
    EXPECT_EQ(c->interface_id, e.interface_id);
    EXPECT_EQ(Text(library::kName) + u"." + Text(c->name), e.prog_id);
    EXPECT_EQ(FindClass(LowerCase(e.class_id)), c);
    const ObjectRef object = CreateObject(UpperCase(e.prog_id), platform);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(&dynamic_cast<Dispatchable&>(*object).class_info(), c);
  }
  try {
    CreateObject(u"KvPwForStencils.Pw3", platform);
    FAIL() << "created an unknown class";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), err::kCannotCreateObject);
    EXPECT_NE(e.description().find(u"KvPwForStencils.Pw3"), Text::npos);
  }
}

TEST(Roster, DispatchIdentifiersOfTheMembersBuiltSoFar) {
  const struct {
    TextView prog_id;
    TextView member;
    DispId id;
  } expected[] = {
      {u"KvPwForStencils.Pw2", u"PzPartDatabasePath", 0x40030000},
      {u"KvPwForStencils.Pw2", u"PartPropsDatabasePath", 0x40030001},
      {u"KvPwForStencils.Pw2", u"Initialize", 0x60030000},
      {u"KvPwForStencils.Pw2", u"PopulateCombo", 0x60030001},
      {u"KvPwForStencils.Pw2", u"GetPartPropertyTableValues", 0x60030022},
      {u"KvPwForStencils.Pw2", u"FixSqlWildcardPattern", 0x60030028},
      {u"KvPwForStencils.Pw2", u"GetDatabaseTableRow", 0x60030029},
      {u"KvPwForStencils.KvAdoConnection", u"ConnIsOpen", 0x6003000E},
      {u"KvPwForStencils.KvAdoConnection", u"ConnOpen", 0x6003000F},
      {u"KvPwForStencils.KvAdoConnection", u"ConnClose", 0x60030010},
      {u"KvPwForStencils.KvAdoConnection", u"ConnExecute", 0x60030011},
      {u"KvPwForStencils.KvAdoConnection", u"ConnQuery", 0x60030012},
      {u"KvPwForStencils.KvAdoConnection", u"CreateNew", 0x60030013},
      {u"KvPwForStencils.KvAdoConnection", u"Connection", 0x6803000B},
      {u"KvPwForStencils.KvAdoConnection", u"AutoCloseConn", 0x6803000A},
      {u"KvPwForStencils.KvAdoConnection", u"FileName", 0x68030009},
      {u"KvPwForStencils.KvAdoConnection", u"DSN", 0x68030008},
      {u"KvPwForStencils.KvAdoConnection", u"Password", 0x68030007},
      {u"KvPwForStencils.KvAdoConnection", u"UserID", 0x68030006},
      {u"KvPwForStencils.KvAdoConnection", u"ConnString", 0x68030005},
      {u"KvPwForStencils.KvAdoConnection", u"Provider", 0x68030004},
      {u"KvPwForStencils.KvAdoConnection", u"MDWFile", 0x68030003},
      {u"KvPwForStencils.KvAdoConnection", u"DBType", 0x68030002},
      {u"KvPwForStencils.KvAdoConnection", u"Tag", 0x68030001},
      {u"KvPwForStencils.KvAdoConnection", u"DefaultPath", 0x68030000},
  };
  const auto platform = testing::MakeTestPlatform().platform;
  for (const auto& e : expected) {
    const ObjectRef object = CreateObject(e.prog_id, platform);
    EXPECT_EQ(object->IdOfName(e.member), e.id) << ToUtf8(e.member);
    EXPECT_EQ(object->IdOfName(LowerCase(e.member)), e.id) << ToUtf8(e.member);
  }
}

// Compiled callers bind to the type library, so how each argument is passed is part of the
// interface: every argument of the service object's operations is the caller's own variable,
// except the few texts that are passed by value.
TEST(Roster, ServiceOperationsTakeTheirArgumentsByReference) {
  const std::pair<TextView, size_t> by_value[] = {
      {u"FixSqlWildcardPattern", 1},  // strPattern
      {u"GetSystemList", 0},          // strDbDrawing
  };
  const ClassInfo* pw2 = FindClass(u"KvPwForStencils.Pw2");
  ASSERT_NE(pw2, nullptr);
  size_t checked = 0;
  for (const Member& m : pw2->members) {
    if (!m.signature || (m.kind & (kPropertyPut | kPropertyPutRef | kPropertyGet))) continue;
    SCOPED_TRACE(ToUtf8(m.name));
    for (size_t i = 0; i < m.signature->params.size(); ++i) {
      const bool value = std::any_of(std::begin(by_value), std::end(by_value), [&](const auto& v) {
        return v.first == m.name && v.second == i;
      });
      EXPECT_EQ(m.signature->params[i].by_ref, !value) << "argument " << i;
      ++checked;
    }
  }
  EXPECT_GT(checked, 100u);
}

TEST(Runtime, PropertiesMethodsAndUnknownMembers) {
  const auto platform = testing::MakeTestPlatform().platform;
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", platform);
  EXPECT_EQ(Get(pw2, u"PzPartDatabasePath"), Variant(u""));
  Variant parts = u"C:\\Parts.mdb", props = u"C:\\Props.mdb";
  Call(pw2, u"initialize", {&parts, &props});
  EXPECT_EQ(Get(pw2, u"PZPARTDATABASEPATH"), Variant(u"C:\\Parts.mdb"));
  EXPECT_EQ(Get(pw2, u"PartPropsDatabasePath"), Variant(u"C:\\Props.mdb"));
  Let(pw2, u"PzPartDatabasePath", Variant(int16_t{5}));  // converted to text on assignment
  EXPECT_EQ(Get(pw2, u"PzPartDatabasePath"), Variant(u"5"));

  // By dispatch identifier, exactly as a caller bound to the type library does.
  Variant field = u"Code", pattern = u"AB*";
  Variant* args[] = {&field, &pattern};
  EXPECT_EQ(pw2->Invoke(0x60030028, kMethod, args), Variant(u"Code LIKE 'AB%'"));

  EXPECT_EQ(ErrorNumberOf([&] { Call(pw2, u"NoSuchMember"); }), err::kMemberNotSupported);
  EXPECT_EQ(ErrorNumberOf([&] { pw2->Invoke(0x60030021, kMethod, {}); }), err::kMemberNotSupported);
  EXPECT_EQ(ErrorNumberOf([&] { Call(pw2, u"Initialize", {&parts}); }), err::kArgumentNotOptional);
  EXPECT_EQ(ErrorNumberOf([&] {
              Call(pw2, u"Initialize", {&parts, &props, &field});
            }),
            err::kWrongArgumentCount);
  EXPECT_EQ(ErrorNumberOf([&] { Call(nullptr, u"Initialize"); }), err::kObjectNotSet);
}

TEST(Runtime, ByReferenceArgumentsReachTheCallersVariables) {
  testing::TempDir dir;
  testing::BuildDatabase(dir.path() / "t.mdb",
                         "CREATE TABLE t(a TEXT, b INTEGER);"
                         "INSERT INTO t VALUES('x', 7);");
  const auto platform = testing::MakeTestPlatform().platform;
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", platform);
  Variant file = dir.file("t.mdb"), sql = u"SELECT a, b FROM t", found;
  const Variant row = Call(pw2, u"GetDatabaseTableRow", {&file, &sql, &found});
  EXPECT_EQ(found, Variant(true));
  ASSERT_TRUE(row.is_array());
  EXPECT_EQ(*row.array().items, (std::vector<Variant>{u"x", int32_t{7}, Variant()}));

  Variant bad = u"SELECT nope FROM t";
  found = true;
  Call(pw2, u"GetDatabaseTableRow", {&file, &bad, &found});
  EXPECT_EQ(found, Variant(false));

  const ObjectRef conn = CreateObject(u"KvPwForStencils.KvAdoConnection", platform);
  Let(conn, u"FileName", file);
  Variant error = u"left over";
  const Variant rs = Call(conn, u"ConnQuery", {&bad, &error});
  EXPECT_TRUE(rs.is_object());
  EXPECT_EQ(rs.object(), nullptr);
  EXPECT_EQ(error.text().rfind(u"Error executing query: ", 0), 0u) << ToUtf8(error.text());

  // An omitted optional error text is not needed; a passed one is cleared on success.
  EXPECT_NE(Call(conn, u"ConnOpen").object(), nullptr);
  Call(conn, u"ConnOpen", {&error});
  EXPECT_EQ(error, Variant(u""));
}

// A host whose boxes cannot be shown: the failure reaches the macro that caused the box.
class RefusingMessageBox final : public MessageBox {
 protected:
  int32_t Present(TextView, int32_t, TextView) override { Raise(70, u"Permission denied"); }
};

class NoConnectionEngine final : public db::Engine {
 public:
  db::ConnectionRef new_connection() override { Raise(7, u"Out of memory"); }
  void copy_file(TextView, TextView, bool) override {}
};

TEST(Runtime, WhatAFailingCallWroteReachesTheCallersVariables) {
  testing::TempDir dir;
  testing::BuildDatabase(dir.path() / "t.mdb", "CREATE TABLE t(a TEXT);");
  auto platform = std::make_shared<Platform>(*testing::MakeTestPlatform().platform);
  platform->message_box = std::make_shared<RefusingMessageBox>();
  const ObjectRef pw2 = CreateObject(u"KvPwForStencils.Pw2", platform);
  // Each call clears its flag first and then fails: on the missing table itself, or on the box
  // that reports it.
  const struct {
    TextView member;
    int32_t error;
  } cases[] = {
      {u"GetPartPropertyTableValues", 0},
      {u"GetDatabaseTableRow", 70},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.member));
    Variant file = dir.file("t.mdb"), sql = u"SELECT a FROM missing", found = true;
    const int32_t error = ErrorNumberOf([&] { Call(pw2, c.member, {&file, &sql, &found}); });
    EXPECT_NE(error, 0);
    if (c.error != 0) {
      EXPECT_EQ(error, c.error);
    }
    EXPECT_EQ(found, Variant(false));
    // Arguments passed by value stay as they were.
    EXPECT_EQ(sql, Variant(u"SELECT a FROM missing"));
  }

  // A connection clears its error text before it asks the engine for a connection, and that
  // failure is not caught.
  platform->engine = std::make_shared<NoConnectionEngine>();
  const ObjectRef conn = CreateObject(u"KvPwForStencils.KvAdoConnection", platform);
  Let(conn, u"FileName", dir.file("t.mdb"));
  for (const bool query : {false, true}) {
    SCOPED_TRACE(query ? "ConnQuery" : "ConnOpen");
    Variant sql = u"SELECT a FROM t", text = u"left over";
    EXPECT_EQ(ErrorNumberOf([&] {
                query ? Call(conn, u"ConnQuery", {&sql, &text}) : Call(conn, u"ConnOpen", {&text});
              }),
              7);
    EXPECT_EQ(text, Variant(u""));
  }
}

TEST(Runtime, OptionalArgumentsTakeTheirDefaults) {
  testing::TempDir dir;
  std::ofstream(dir.path() / "Blank.mdb") << "template";
  std::ofstream(dir.path() / "target.mdb") << "old";
  const auto platform = testing::MakeTestPlatform().platform;
  const ObjectRef conn = CreateObject(u"KvPwForStencils.KvAdoConnection", platform);
  EXPECT_EQ(Get(conn, u"AutoCloseConn"), Variant(true));
  Let(conn, u"AutoCloseConn", Variant(int16_t{1}));  // any non-zero number is True
  EXPECT_EQ(dynamic_cast<KvAdoConnection&>(*conn).AutoCloseConn(), -1);
  Let(conn, u"FileName", dir.file("target.mdb"));
  Variant other = dir.file("Blank.mdb"), no = false;
  EXPECT_EQ(Call(conn, u"CreateNew", {&other, &no}), Variant(false));  // no overwriting
  Variant* template_only[] = {&other, nullptr};                        // the flag omitted: True
  EXPECT_EQ(conn->Invoke(0x60030013, kMethod, template_only), Variant(true));
  std::ifstream in(dir.path() / "target.mdb");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "template");
}

}  // namespace
}  // namespace kvpw
