#include "roster/roster.h"

#include "db/kv_ado_connection.h"
#include "devices/device_classes.h"
#include "frame/bind.h"
#include "frame/error.h"
#include "frame/library.h"
#include "frame/pw2.h"
#include "host/controls.h"
#include "host/drawing.h"

namespace kvpw {
namespace {

using namespace bind;

constexpr Member kPw2Members[] = {
    FieldGetter<&Pw2::PzPartDatabasePath>(u"PzPartDatabasePath", 0x40030000),
    FieldSetter<&Pw2::PzPartDatabasePath>(u"PzPartDatabasePath", 0x40030000),
    FieldGetter<&Pw2::PartPropsDatabasePath>(u"PartPropsDatabasePath", 0x40030001),
    FieldSetter<&Pw2::PartPropsDatabasePath>(u"PartPropsDatabasePath", 0x40030001),
    Method<&Pw2::Initialize>(u"Initialize", 0x60030000,
                             u"strPzPartDatabasePath, strPartPropsDatabasePath"),
    // Combo population and part-number lists.
    Method<&Pw2::PopulateCombo>(u"PopulateCombo", 0x60030001,
                                u"strDatafile, objComboBox, strSQL, strFieldName, strFilterField, "
                                u"strFilterValue, strSQLTail, strFieldName2, strFieldName3"),
    Method<&Pw2::PopulatePartNumberByRecordset>(u"PopulatePartNumberByRecordset", 0x60030002,
                                                u"objComboBox, strDbParts, rsPartList"),
    Method<&Pw2::PopulatePartNumberByPartPropQuery>(
        u"PopulatePartNumberByPartPropQuery", 0x60030003,
        u"objComboBox, strDbParts, strDbPartProps, strSqlQuery"),
    Method<&Pw2::PopulatePartNumberByItemCode>(
        u"PopulatePartNumberByItemCode", 0x60030004,
        u"objComboBox, strDbParts, strDbPartProps, strItemCode"),
    Method<&Pw2::PopulatePartNumberByBasePackage>(
        u"PopulatePartNumberByBasePackage", 0x60030005,
        u"objComboBox, strDbParts, strDbPartProps, lngSoftID"),
    Method<&Pw2::PopulatePartNumberByOptions>(
        u"PopulatePartNumberByOptions", 0x60030006,
        u"objComboBox, strDbParts, strDbPartProps, lngSoftID"),
    Method<&Pw2::PopulatePartNumberByDrivers>(
        u"PopulatePartNumberByDrivers", 0x60030007,
        u"objComboBox, strDbParts, strDbPartProps, lngSoftID, strDelCodePattern"),
    // Part detail fill-ins.
    Method<&Pw2::FillInTermFields>(u"FillInTermFields", 0x60030008,
                                   u"strDatafile, frmTemp, intTermCount, fAmt = False"),
    Method<&Pw2::FillInAccFields>(
        u"FillInAccFields", 0x60030009,
        u"strDatafile, frmPartNumber, frmMan, frmVendor, frmDescript, frmPDF"),
    Method<&Pw2::FillInCDFields>(u"FillInCDFields", 0x6003000A,
                                 u"strDatafile, strPartNo, frmDesc, frmPDF, frmMan, frmVen"),
    Method<&Pw2::FillInRelayPartFields>(
        u"FillInRelayPartFields", 0x6003000B,
        u"strDatafile, frmName, frmMan, frmVen, frmDesc, frmPDF, frmService, frmMount, frmCoil, "
        u"frmContact, frmTermamt, frmTerm20, frmType"),
    Method<&Pw2::FillInEPPartFields>(
        u"FillInEPPartFields", 0x6003000C,
        u"strDatafile, frmName, frmMan, frmVen, frmDesc, frmPDF, frmMount, frmCoil"),
    Method<&Pw2::FillInCSPartFields>(u"FillInCSPartFields", 0x6003000D,
                                     u"strDatafile, frm, frmService, frmOutput"),
    Method<&Pw2::FillInTransPartFields>(
        u"FillInTransPartFields", 0x6003000E,
        u"strDatafile, frmName, frmMan, frmVen, frmDesc, frmPDF, frmTermamt, frmTerm10"),
    Method<&Pw2::FillInElectricActuatorFields>(u"FillInElectricActuatorFields", 0x6003000F,
                                               u"strDatafile, frm, strPartNumber, frmRange"),
    Method<&Pw2::FillInElectricActuatorAccessoryFields>(
        u"FillInElectricActuatorAccessoryFields", 0x60030010,
        u"strDatafile, frm, strAccessoryPartNumber"),
    Method<&Pw2::FillInDimFields>(u"FillInDimFields", 0x60030011,
                                  u"strDatafile, frm, strPartNumber"),
    Method<&Pw2::FillInPw2PartFields>(u"FillInPw2PartFields", 0x60030012,
                                      u"strDatafile, frm, strPartNumber"),
    Method<&Pw2::FillInSxPartFields>(u"FillInSxPartFields", 0x60030013,
                                     u"strDatafile, frm, strPartNumber"),
    // Device list, drawing scan and device pickers.
    Method<&Pw2::GetSystemList>(u"GetSystemList", 0x60030014,
                                u"strDbDrawing, intSystemCount, strError"),
    Method<&Pw2::UpdateDeviceList>(u"UpdateDeviceList", 0x60030015, u"docActive, boolQuiet"),
    Method<&Pw2::GetDeviceNames>(u"GetDeviceNames", 0x60030016,
                                 u"frmGetDevice, intFilterDeviceType, docActive"),
    Method<&Pw2::GetDeviceNamesByPartType>(u"GetDeviceNamesByPartType", 0x60030017,
                                           u"frmGetDevice, strDbPartProps, strPartType, docActive"),
    Method<&Pw2::GetDeviceNamesByNetwork>(u"GetDeviceNamesByNetwork", 0x60030018,
                                          u"frmGetDevice, intFilterDeviceType, strAddr, docActive"),
    Method<&Pw2::GetAllDeviceNames>(u"GetAllDeviceNames", 0x60030019, u"frmGetDevice, docActive"),
    Method<&Pw2::GetPTDeviceNames>(u"GetPTDeviceNames", 0x60030020,
                                   u"frmGetDevice, strPTFilter, docActive"),
    // Network addressing and point pairs.
    Method<&Pw2::PopulateComboNetwork>(u"PopulateComboNetwork", 0x6003001A,
                                       u"objNetwork, docActive"),
    Method<&Pw2::PopulateComboGCM>(u"PopulateComboGCM", 0x6003001B,
                                   u"objNetwork, objGCM, docActive"),
    Method<&Pw2::PopulateComboINTR>(u"PopulateComboINTR", 0x6003001C,
                                    u"objNetwork, objGCM, objIntr, docActive"),
    Method<&Pw2::fncstrTier>(u"fncstrTier", 0x6003001D, u"strAddr, intTier"),
    Method<&Pw2::P1P2Insert>(u"P1P2Insert", 0x6003001E, u"frmName, docActive"),
    Method<&Pw2::P1P2InsertTS9XXXX>(u"P1P2InsertTS9XXXX", 0x6003001F, u"frmName, docActive"),
    // Drawing checks.
    Method<&Pw2::CheckForDuplicateAddresses>(u"CheckForDuplicateAddresses", 0x60030023,
                                             u"docVisio, strDbPartProps"),
    Method<&Pw2::CheckForInvalidPointTypes>(
        u"CheckForInvalidPointTypes", 0x60030026,
        u"intUpperPage, intLowerPage, docActive, strDbParts, strDbPartProps"),
    Method<&Pw2::CheckForInvalidPointConnections>(
        u"CheckForInvalidPointConnections", 0x60030027,
        u"intUpperPage, intLowerPage, docActive, strDatafile"),
    // Row lookups and SQL text helpers.
    Method<&Pw2::GetPartPropertyTableValues>(u"GetPartPropertyTableValues", 0x60030022,
                                             u"strDbPartProps, strCmd, boolFound"),
    Method<&Pw2::FixSqlWildcardPattern>(u"FixSqlWildcardPattern", 0x60030028,
                                        u"strFieldName, strPattern"),
    Method<&Pw2::GetDatabaseTableRow>(u"GetDatabaseTableRow", 0x60030029,
                                      u"strDatafile, strSqlQuery, boolFound"),
};

// The error text of ConnOpen is optional for macros; omitted, it is simply not returned. A passed
// one is written in place, so that it reaches the caller even when the call fails.
db::ConnectionRef ConnOpenOptionalError(KvAdoConnection& c, std::optional<Text>& strError) {
  Text ignored;
  return c.ConnOpen(strError ? *strError : ignored);
}
// The dispatch form of the flag is a Boolean, whatever the raw value.
bool GetAutoCloseConn(KvAdoConnection& c) {
  return c.AutoCloseConn() != 0;
}
void LetAutoCloseConn(KvAdoConnection& c, bool flag) {
  c.LetAutoCloseConn(flag ? -1 : 0);
}

// In the interface's order; each property's assignment comes before its read.
constexpr Member kKvAdoConnectionMembers[] = {
    Method<&KvAdoConnection::ConnIsOpen>(u"ConnIsOpen", 0x6003000E),
    Method<&ConnOpenOptionalError>(u"ConnOpen", 0x6003000F, u"strError"),
    Method<&KvAdoConnection::ConnClose>(u"ConnClose", 0x60030010),
    Method<&KvAdoConnection::ConnExecute>(u"ConnExecute", 0x60030011, u"strCmd"),
    Method<&KvAdoConnection::ConnQuery>(u"ConnQuery", 0x60030012, u"strCmd, strError"),
    Method<&KvAdoConnection::CreateNew>(u"CreateNew", 0x60030013,
                                        u"strMDBTemplate = \"Blank.mdb\", boolOverwrite = True"),
    PropertyPutRef<&KvAdoConnection::SetConnection>(u"Connection", 0x6803000B),
    PropertyGet<&KvAdoConnection::Connection>(u"Connection", 0x6803000B),
    PropertyPut<&LetAutoCloseConn>(u"AutoCloseConn", 0x6803000A),
    PropertyGet<&GetAutoCloseConn>(u"AutoCloseConn", 0x6803000A),
    PropertyPut<&KvAdoConnection::LetFileName>(u"FileName", 0x68030009),
    PropertyGet<&KvAdoConnection::FileName>(u"FileName", 0x68030009),
    PropertyPut<&KvAdoConnection::LetDSN>(u"DSN", 0x68030008),
    PropertyGet<&KvAdoConnection::DSN>(u"DSN", 0x68030008),
    PropertyPut<&KvAdoConnection::LetPassword>(u"Password", 0x68030007),
    PropertyGet<&KvAdoConnection::Password>(u"Password", 0x68030007),
    PropertyPut<&KvAdoConnection::LetUserID>(u"UserID", 0x68030006),
    PropertyGet<&KvAdoConnection::UserID>(u"UserID", 0x68030006),
    PropertyPut<&KvAdoConnection::LetConnString>(u"ConnString", 0x68030005),
    PropertyGet<&KvAdoConnection::ConnString>(u"ConnString", 0x68030005),
    PropertyPut<&KvAdoConnection::LetProvider>(u"Provider", 0x68030004),
    PropertyGet<&KvAdoConnection::Provider>(u"Provider", 0x68030004),
    PropertyPut<&KvAdoConnection::LetMDWFile>(u"MDWFile", 0x68030003),
    PropertyGet<&KvAdoConnection::MDWFile>(u"MDWFile", 0x68030003),
    PropertyPut<&KvAdoConnection::LetDBType>(u"DBType", 0x68030002),
    PropertyGet<&KvAdoConnection::DBType>(u"DBType", 0x68030002),
    PropertyPut<&KvAdoConnection::LetTag>(u"Tag", 0x68030001),
    PropertyGet<&KvAdoConnection::Tag>(u"Tag", 0x68030001),
    PropertyPut<&KvAdoConnection::LetDefaultPath>(u"DefaultPath", 0x68030000),
    PropertyGet<&KvAdoConnection::DefaultPath>(u"DefaultPath", 0x68030000),
};

// In the interface's slot order (compiled callers bind to it): the fields last to first, each
// property's write before its read; the two share its identifier.
constexpr Member kPwVsdDeviceMembers[] = {
    FieldSetter<&PwVsdDevice::LCM>(u"LCM", 0x68030007),
    FieldGetter<&PwVsdDevice::LCM>(u"LCM", 0x68030007),
    FieldSetter<&PwVsdDevice::DOData>(u"DOData", 0x68030006),
    FieldGetter<&PwVsdDevice::DOData>(u"DOData", 0x68030006),
    FieldSetter<&PwVsdDevice::DIData>(u"DIData", 0x68030005),
    FieldGetter<&PwVsdDevice::DIData>(u"DIData", 0x68030005),
    FieldSetter<&PwVsdDevice::AOData>(u"AOData", 0x68030004),
    FieldGetter<&PwVsdDevice::AOData>(u"AOData", 0x68030004),
    FieldSetter<&PwVsdDevice::AIData>(u"AIData", 0x68030003),
    FieldGetter<&PwVsdDevice::AIData>(u"AIData", 0x68030003),
    FieldSetter<&PwVsdDevice::DeviceType>(u"DeviceType", 0x68030002),
    FieldGetter<&PwVsdDevice::DeviceType>(u"DeviceType", 0x68030002),
    FieldSetter<&PwVsdDevice::PartNum>(u"PartNum", 0x68030001),
    FieldGetter<&PwVsdDevice::PartNum>(u"PartNum", 0x68030001),
    FieldSetter<&PwVsdDevice::Device>(u"Device", 0x68030000),
    FieldGetter<&PwVsdDevice::Device>(u"Device", 0x68030000),
    Method<&PwVsdDevice::ToString>(u"ToString", 0x60030008),
    Method<&PwVsdDevice::LoadFromString>(u"LoadFromString", 0x60030009, u"strDataRow"),
    Method<&PwVsdDevice::GetDataField>(u"GetDataField", 0x6003000A, u"strAIDIAODO"),
};

// In the interface's slot order.
constexpr Member kPwVsdDeviceCollectionMembers[] = {
    Method<&PwVsdDeviceCollection::FindDevice>(u"FindDevice", 0x60030001, u"strDevice"),
    Method<&PwVsdDeviceCollection::ScanFromDrawing>(u"ScanFromDrawing", 0x60030002,
                                                    u"docActive, boolQuiet"),
    Method<&PwVsdDeviceCollection::SaveToDocumentSheet>(u"SaveToDocumentSheet", 0x60030003,
                                                        u"docActive"),
    Method<&PwVsdDeviceCollection::LoadFromDocumentSheet>(u"LoadFromDocumentSheet", 0x60030004,
                                                          u"docActive"),
    Method<&PwVsdDeviceCollection::Add>(
        u"Add", 0x60030005,
        u"Device, PartNum, DeviceType, AIData, AOData, DIData, DOData, LCM, sKey"),
    PropertyGet<&PwVsdDeviceCollection::Item>(u"Item", kDispIdValue, u"vntIndexKey"),
    PropertyGet<&PwVsdDeviceCollection::Count>(u"Count", 0x68030000),
    Method<&PwVsdDeviceCollection::Remove>(u"Remove", 0x60030006, u"vntIndexKey"),
    PropertyGet<&PwVsdDeviceCollection::NewEnum>(u"NewEnum", kDispIdNewEnum),
};

constexpr ClassInfo kPw2Class{u"Pw2",
                              u"KvPwForStencils.Pw2",
                              u"{8DFF3647-A365-4084-9ECE-C18C1E58EA7D}",
                              u"_Pw2",
                              u"{410AF7FB-230F-4C47-B00D-F0DE8A1B39A6}",
                              kPw2Members};
constexpr ClassInfo kKvAdoConnectionClass{u"KvAdoConnection",
                                          u"KvPwForStencils.KvAdoConnection",
                                          u"{473991A1-0553-44DF-BE79-205EA5AA5D87}",
                                          u"_KvAdoConnection",
                                          u"{54FD9A0F-E743-4589-824A-A4487AA16FF2}",
                                          kKvAdoConnectionMembers};
constexpr ClassInfo kPwVsdDeviceClass{u"PwVsdDevice",
                                      u"KvPwForStencils.PwVsdDevice",
                                      u"{9DE1ACC7-D29D-4691-ABDE-B3590A941268}",
                                      u"_PwVsdDevice",
                                      u"{54C99EDC-F92A-4897-A2D5-44A29ED44818}",
                                      kPwVsdDeviceMembers};
constexpr ClassInfo kPwVsdDeviceCollectionClass{u"PwVsdDeviceCollection",
                                                u"KvPwForStencils.PwVsdDeviceCollection",
                                                u"{B4DCCEDC-DBF4-47F1-AB02-5C8CF4F7A27E}",
                                                u"_PwVsdDeviceCollection",
                                                u"{D3C06F5B-0428-4680-B8FB-4C8E336A70B7}",
                                                kPwVsdDeviceCollectionMembers};

constexpr const ClassInfo* kClasses[] = {&kPw2Class, &kKvAdoConnectionClass, &kPwVsdDeviceClass,
                                         &kPwVsdDeviceCollectionClass};

}  // namespace

const ClassInfo& Pw2::class_info() const {
  return kPw2Class;
}
const ClassInfo& KvAdoConnection::class_info() const {
  return kKvAdoConnectionClass;
}
const ClassInfo& PwVsdDevice::class_info() const {
  return kPwVsdDeviceClass;
}
const ClassInfo& PwVsdDeviceCollection::class_info() const {
  return kPwVsdDeviceCollectionClass;
}

std::span<const ClassInfo* const> Classes() {
  return kClasses;
}

const ClassInfo* FindClass(TextView identifier) {
  for (const ClassInfo* c : kClasses)
    if (EqualsNoCase(c->prog_id, identifier) || EqualsNoCase(c->class_id, identifier)) return c;
  return nullptr;
}

ObjectRef CreateObject(TextView identifier, PlatformRef platform) {
  const ClassInfo* found = FindClass(identifier);
  if (found == &kPw2Class) return std::make_shared<Pw2>(std::move(platform));
  if (found == &kKvAdoConnectionClass)
    return std::make_shared<KvAdoConnection>(std::move(platform));
  if (found == &kPwVsdDeviceClass) return std::make_shared<PwVsdDevice>(std::move(platform));
  if (found == &kPwVsdDeviceCollectionClass)
    return std::make_shared<PwVsdDeviceCollection>(std::move(platform));
  Raise(err::kCannotCreateObject, u"ActiveX component can't create object: '" + Text(identifier) +
                                      u"' is not a class of " + Text(library::kName));
}

}  // namespace kvpw
