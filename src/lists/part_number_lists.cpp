// Part-number pickers: a query yields part numbers, and each becomes one row (part number,
// description, list price) read from the parts database's part rows. Four builders make the
// query; one runs it; one fills the list from its rows.
#include "db/kv_ado_connection.h"
#include "frame/misc.h"
#include "frame/pw2.h"
#include "lists/list_fill.h"

namespace kvpw {
namespace {

constexpr TextView kKeyColumn = u"MfgPartNumber";
constexpr TextView kPartLookup =
    u"SELECT MfgPartNumber, Description, MfgListPriceFmt FROM qrySoccParts WHERE MfgPartNumber = ";
constexpr TextView kDescriptionColumn = u"Description";
constexpr TextView kPriceColumn = u"MfgListPriceFmt";
constexpr TextView kPartLookupFailed = u"Unable to query part list: ";
constexpr TextView kMainQueryFailedStart = u"Unable to open '";
constexpr TextView kMainQueryFailedMiddle = u"': ";

constexpr TextView kByItemCode =
    u"SELECT PartNumber AS MfgPartNumber, * FROM Pz_PartsEng_PartItemCodes WHERE ";
constexpr TextView kByItemCodeField = u"EngineeringItemCode";
constexpr TextView kByItemCodeOrder = u" ORDER BY PartNumber";
constexpr TextView kByBasePackage =
    u"SELECT strBasePackage AS MfgPartNumber, * FROM tblBasePackages WHERE lngSoftID = ";
constexpr TextView kByBasePackageOrder = u" ORDER BY strBasePackage";
constexpr TextView kByOptions =
    u"SELECT strOption AS MfgPartNumber, * FROM tblOptions WHERE lngSoftID = ";
constexpr TextView kByOptionsOrder = u" ORDER BY intDisplayOrder, strOption";
constexpr TextView kByDrivers =
    u"SELECT strDriver AS MfgPartNumber, * FROM tblDrivers WHERE lngSoftID = ";
constexpr TextView kByDriversAnd = u" AND ";
constexpr TextView kByDriversField = u"strDelCode";
constexpr TextView kByDriversOrder = u" ORDER BY strDriver";

// A caught failure while filling. A list that is not there cannot be emptied: then the
// no-matches box is followed by the failure of its Clear, which reaches the caller.
void ReportFailure(MessageBox& boxes, const std::shared_ptr<host::Control>& list, const Error& e) {
  if (list) {
    lists::ReportFillFailure(boxes, *list, e);
  } else if (e.number() == err::kNoCurrentRecord) {
    boxes.Show(lists::kNoMatchesText, style::kInformation, lists::kNoMatchesTitle);
    Raise(err::kObjectNotSet);
  } else {
    boxes.ShowError(e, style::kCritical);
  }
}

}  // namespace

void Pw2::PopulatePartNumberByRecordset(const std::shared_ptr<host::Control>& objComboBox,
                                        const Text& strDbParts,
                                        const std::shared_ptr<db::Recordset>& rsPartList) {
  const auto combo = [&]() -> host::Control& { return lists::Deref(objComboBox); };
  Text saved_value, saved_text;
  IgnoringFailure([&] { saved_value = ToText(combo().value()); });
  IgnoringFailure([&] { saved_text = combo().text(); });
  IgnoringFailure([&] { combo().set_value(u""); });
  IgnoringFailure([&] { combo().set_text(u""); });
  IgnoringFailure([&] { combo().clear(); });

  KvAdoConnection connection(platform_);
  try {
    connection.LetFileName(strDbParts);
    if (!rsPartList) Raise(err::kObjectNotSet);
    // Starts from the record set's current row: a caller may have read some rows already.
    while (!rsPartList->eof()) {
      const Text part_number = ToText(rsPartList->field(Variant(Text(kKeyColumn))));
      Text error;
      db::RecordsetRef part =
          connection.ConnQuery(Text(kPartLookup) + QuoteSqlString(part_number), error);
      if (!error.empty()) {
        platform_->message_box->Show(Text(kPartLookupFailed) + error);
        break;
      }
      // A part number the catalogue does not know adds no row.
      if (!part->eof())
        lists::AddListRow(combo(), *part, kKeyColumn, {kDescriptionColumn, kPriceColumn});
      part.reset();
      rsPartList->move_next();
    }
    lists::RestoreSelection(combo(), saved_value, saved_text);
  } catch (const Error& e) {
    ReportFailure(*platform_->message_box, objComboBox, e);
    return;
  }
  connection.ConnClose();
}

void Pw2::PopulatePartNumberByPartPropQuery(const std::shared_ptr<host::Control>& objComboBox,
                                            const Text& strDbParts, const Text& strDbPartProps,
                                            const Text& strSqlQuery) {
  try {
    KvAdoConnection connection(platform_);
    connection.LetFileName(strDbPartProps);
    Text error;
    db::RecordsetRef result = connection.ConnQuery(strSqlQuery, error);
    if (!error.empty()) {
      platform_->message_box->Show(Text(kMainQueryFailedStart) + strDbPartProps +
                                   Text(kMainQueryFailedMiddle) + error);
      return;
    }
    // The main query's connection stays open while the list is filled.
    PopulatePartNumberByRecordset(objComboBox, strDbParts, result);
    connection.ConnClose();
  } catch (const Error& e) {
    platform_->message_box->ShowError(e, style::kCritical);
  }
}

void Pw2::PopulatePartNumberByItemCode(const std::shared_ptr<host::Control>& objComboBox,
                                       const Text& strDbParts, const Text& /*strDbPartProps*/,
                                       const Text& strItemCode) {
  // The item codes lie in the parts database itself.
  const Text query = Text(kByItemCode) +
                     FixSqlWildcardPattern(Text(kByItemCodeField), strItemCode) +
                     Text(kByItemCodeOrder);
  PopulatePartNumberByPartPropQuery(objComboBox, strDbParts, strDbParts, query);
}

void Pw2::PopulatePartNumberByBasePackage(const std::shared_ptr<host::Control>& objComboBox,
                                          const Text& strDbParts, const Text& strDbPartProps,
                                          const int32_t& lngSoftID) {
  const Text query = Text(kByBasePackage) + IntegerText(lngSoftID) + Text(kByBasePackageOrder);
  PopulatePartNumberByPartPropQuery(objComboBox, strDbParts, strDbPartProps, query);
}

void Pw2::PopulatePartNumberByOptions(const std::shared_ptr<host::Control>& objComboBox,
                                      const Text& strDbParts, const Text& strDbPartProps,
                                      const int32_t& lngSoftID) {
  const Text query = Text(kByOptions) + IntegerText(lngSoftID) + Text(kByOptionsOrder);
  PopulatePartNumberByPartPropQuery(objComboBox, strDbParts, strDbPartProps, query);
}

void Pw2::PopulatePartNumberByDrivers(const std::shared_ptr<host::Control>& objComboBox,
                                      const Text& strDbParts, const Text& strDbPartProps,
                                      const int32_t& lngSoftID, const Text& strDelCodePattern) {
  const Text query = Text(kByDrivers) + IntegerText(lngSoftID) + Text(kByDriversAnd) +
                     FixSqlWildcardPattern(Text(kByDriversField), strDelCodePattern) +
                     Text(kByDriversOrder);
  PopulatePartNumberByPartPropQuery(objComboBox, strDbParts, strDbPartProps, query);
}

}  // namespace kvpw
