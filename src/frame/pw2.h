// The service object through which the stencils' macros reach almost every operation. Each
// operation is defined in the folder of its subsystem.
#pragma once

#include <memory>
#include <optional>

#include "frame/object.h"
#include "frame/platform.h"

namespace kvpw {

namespace db {
class Recordset;
}  // namespace db
namespace host {
class Control;
class Document;
}  // namespace host

class Pw2 final : public Dispatchable {
 public:
  explicit Pw2(PlatformRef platform);
  const ClassInfo& class_info() const override;
  const PlatformRef& platform() const { return platform_; }

  Text PzPartDatabasePath;
  Text PartPropsDatabasePath;

  void Initialize(const Text& strPzPartDatabasePath, const Text& strPartPropsDatabasePath);

  // Row lookups and SQL text helpers (src/db).
  Variant GetDatabaseTableRow(const Text& strDatafile, const Text& strSqlQuery, bool& boolFound);
  Variant GetPartPropertyTableValues(const Text& strDbPartProps, const Text& strCmd,
                                     bool& boolFound);
  Text FixSqlWildcardPattern(const Text& strFieldName, Text strPattern);

  // Combo population and part-number lists (src/lists).
  void PopulateCombo(const Text& strDatafile, const std::shared_ptr<host::Control>& objComboBox,
                     const Text& strSQL, const Text& strFieldName,
                     const std::optional<Text>& strFilterField = std::nullopt,
                     const std::optional<Text>& strFilterValue = std::nullopt,
                     const std::optional<Text>& strSQLTail = std::nullopt,
                     const std::optional<Text>& strFieldName2 = std::nullopt,
                     const std::optional<Text>& strFieldName3 = std::nullopt);
  void PopulatePartNumberByRecordset(const std::shared_ptr<host::Control>& objComboBox,
                                     const Text& strDbParts,
                                     const std::shared_ptr<db::Recordset>& rsPartList);
  void PopulatePartNumberByPartPropQuery(const std::shared_ptr<host::Control>& objComboBox,
                                         const Text& strDbParts, const Text& strDbPartProps,
                                         const Text& strSqlQuery);
  void PopulatePartNumberByItemCode(const std::shared_ptr<host::Control>& objComboBox,
                                    const Text& strDbParts, const Text& strDbPartProps,
                                    const Text& strItemCode);
  void PopulatePartNumberByBasePackage(const std::shared_ptr<host::Control>& objComboBox,
                                       const Text& strDbParts, const Text& strDbPartProps,
                                       const int32_t& lngSoftID);
  void PopulatePartNumberByOptions(const std::shared_ptr<host::Control>& objComboBox,
                                   const Text& strDbParts, const Text& strDbPartProps,
                                   const int32_t& lngSoftID);
  void PopulatePartNumberByDrivers(const std::shared_ptr<host::Control>& objComboBox,
                                   const Text& strDbParts, const Text& strDbPartProps,
                                   const int32_t& lngSoftID, const Text& strDelCodePattern);

  // Part detail fill-ins (src/fillin).
  void FillInTermFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frmTemp,
                        const int16_t& intTermCount, std::optional<bool> fAmt = std::nullopt);
  void FillInAccFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frmPartNumber,
                       const std::shared_ptr<host::Control>& frmMan,
                       const std::shared_ptr<host::Control>& frmVendor,
                       const std::shared_ptr<host::Control>& frmDescript,
                       const std::optional<std::shared_ptr<host::Control>>& frmPDF = std::nullopt);
  void FillInCDFields(const Text& strDatafile, const Text& strPartNo,
                      const std::shared_ptr<host::Control>& frmDesc,
                      const std::shared_ptr<host::Control>& frmPDF,
                      const std::shared_ptr<host::Control>& frmMan,
                      const std::shared_ptr<host::Control>& frmVen);
  void FillInRelayPartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frmName,
                             const std::shared_ptr<host::Control>& frmMan,
                             const std::shared_ptr<host::Control>& frmVen,
                             const std::shared_ptr<host::Control>& frmDesc,
                             const std::shared_ptr<host::Control>& frmPDF,
                             const std::shared_ptr<host::Control>& frmService,
                             const std::shared_ptr<host::Control>& frmMount,
                             const std::shared_ptr<host::Control>& frmCoil,
                             const std::shared_ptr<host::Control>& frmContact,
                             const std::shared_ptr<host::Control>& frmTermamt,
                             const std::shared_ptr<host::Control>& frmTerm20,
                             const std::shared_ptr<host::Control>& frmType);
  void FillInEPPartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frmName,
                          const std::shared_ptr<host::Control>& frmMan,
                          const std::shared_ptr<host::Control>& frmVen,
                          const std::shared_ptr<host::Control>& frmDesc,
                          const std::shared_ptr<host::Control>& frmPDF,
                          const std::shared_ptr<host::Control>& frmMount,
                          const std::shared_ptr<host::Control>& frmCoil);
  // Always returns Empty.
  Variant FillInCSPartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frm,
                             const std::shared_ptr<host::Control>& frmService,
                             const std::shared_ptr<host::Control>& frmOutput);
  void FillInTransPartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frmName,
                             const std::shared_ptr<host::Control>& frmMan,
                             const std::shared_ptr<host::Control>& frmVen,
                             const std::shared_ptr<host::Control>& frmDesc,
                             const std::shared_ptr<host::Control>& frmPDF,
                             const std::shared_ptr<host::Control>& frmTermamt,
                             const std::shared_ptr<host::Control>& frmTerm10);
  Text FillInElectricActuatorFields(const Text& strDatafile,
                                    const std::shared_ptr<host::Control>& frm,
                                    const Text& strPartNumber,
                                    const std::shared_ptr<host::Control>& frmRange);
  bool FillInElectricActuatorAccessoryFields(const Text& strDatafile,
                                             const std::shared_ptr<host::Control>& frm,
                                             const Text& strAccessoryPartNumber);
  void FillInDimFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frm,
                       const Text& strPartNumber);
  Text FillInPw2PartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frm,
                           const Text& strPartNumber);
  Text FillInSxPartFields(const Text& strDatafile, const std::shared_ptr<host::Control>& frm,
                          const Text& strPartNumber);

  // Device list, drawing scan and device pickers (src/devices).
  Variant GetSystemList(Text strDbDrawing, const int16_t& intSystemCount, Text& strError);
  void UpdateDeviceList(const std::shared_ptr<host::Document>& docActive, const bool& boolQuiet);
  void GetDeviceNames(const std::shared_ptr<host::Control>& frmGetDevice,
                      const int16_t& intFilterDeviceType,
                      const std::shared_ptr<host::Document>& docActive);
  void GetDeviceNamesByPartType(const std::shared_ptr<host::Control>& frmGetDevice,
                                const Text& strDbPartProps, const Text& strPartType,
                                const std::shared_ptr<host::Document>& docActive);
  void GetDeviceNamesByNetwork(const std::shared_ptr<host::Control>& frmGetDevice,
                               const int16_t& intFilterDeviceType, const Text& strAddr,
                               const std::shared_ptr<host::Document>& docActive);
  void GetAllDeviceNames(const std::shared_ptr<host::Control>& frmGetDevice,
                         const std::shared_ptr<host::Document>& docActive);
  void GetPTDeviceNames(const std::shared_ptr<host::Control>& frmGetDevice, const Text& strPTFilter,
                        const std::shared_ptr<host::Document>& docActive);

  // Network addressing and point pairs (src/network).
  void PopulateComboNetwork(const std::shared_ptr<host::Control>& objNetwork,
                            const std::shared_ptr<host::Document>& docActive);
  void PopulateComboGCM(const std::shared_ptr<host::Control>& objNetwork,
                        const std::shared_ptr<host::Control>& objGCM,
                        const std::shared_ptr<host::Document>& docActive);
  void PopulateComboINTR(const std::shared_ptr<host::Control>& objNetwork,
                         const std::shared_ptr<host::Control>& objGCM,
                         const std::shared_ptr<host::Control>& objIntr,
                         const std::shared_ptr<host::Document>& docActive);
  Text fncstrTier(const Text& strAddr, const int16_t& intTier);
  // Both always return Empty.
  Variant P1P2Insert(const std::shared_ptr<host::Control>& frmName,
                     const std::shared_ptr<host::Document>& docActive);
  Variant P1P2InsertTS9XXXX(const std::shared_ptr<host::Control>& frmName,
                            const std::shared_ptr<host::Document>& docActive);

  // Drawing checks (src/validation).
  void CheckForDuplicateAddresses(const std::shared_ptr<host::Document>& docVisio,
                                  const Text& strDbPartProps);
  void CheckForInvalidPointTypes(const int16_t& intUpperPage, const int16_t& intLowerPage,
                                 const std::shared_ptr<host::Document>& docActive,
                                 const Text& strDbParts, const Text& strDbPartProps);
  void CheckForInvalidPointConnections(const int16_t& intUpperPage, const int16_t& intLowerPage,
                                       const std::shared_ptr<host::Document>& docActive,
                                       const Text& strDatafile);

 private:
  PlatformRef platform_;
};

}  // namespace kvpw
