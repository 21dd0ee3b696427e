#include "validation/drawing_checks.h"

#include <limits>

#include "frame/error.h"

namespace kvpw::validation {
namespace {

constexpr TextView kIoTypeQuery = u"SELECT SoccIOType FROM qrySoccParts WHERE MfgPartNumber = '";
constexpr TextView kPointTypeSelect =
    u"SELECT Pz_PartsEng_PartItemCodes.PartNumber, "
    u"Pz_PartsEng_ItemCodePointTypes.EngineeringItemCode, "
    u"Pz_PartsEng_ItemCodePointTypes.PointName, "
    u"Pz_PartsEng_ItemCodePointTypes.IoPointTypeIndex ";
constexpr TextView kPointTypeFrom =
    u"FROM Pz_PartsEng_PartItemCodes INNER JOIN Pz_PartsEng_ItemCodePointTypes ON "
    u"Pz_PartsEng_PartItemCodes.EngineeringItemCode = "
    u"Pz_PartsEng_ItemCodePointTypes.EngineeringItemCode ";
constexpr TextView kPointTypeWherePart = u"WHERE PartNumber = '";
constexpr TextView kPointTypeAndPoint = u"' AND PointName = '";
constexpr TextView kPointTypeAndIoType = u"' AND IoPointTypeIndex = ";

const Variant kNoUnits{Text()};

}  // namespace

Text CellText(host::Shape& shape, const host::CellName& name) {
  return shape.cell_result_text(name, kNoUnits);
}

int16_t CountOneMore(int16_t count) {
  if (count == std::numeric_limits<int16_t>::max()) Raise(err::kOverflow);
  return static_cast<int16_t>(count + 1);
}

int16_t GetPartIOType(KvAdoConnection& connection, const Text& strPartNumber) {
  Text ignored;
  const db::RecordsetRef rs =
      connection.ConnQuery(Text(kIoTypeQuery) + strPartNumber + u"'", ignored);
  if (!rs || rs->eof()) return 0;
  return ToInteger(rs->value(0));
}

bool IsValidPointType(KvAdoConnection& connection, const Text& strPartNumber,
                      const Text& strPointName, int16_t intIOType) {
  Text sql;
  sql.reserve(kPointTypeSelect.size() + kPointTypeFrom.size() + 64 + strPartNumber.size() +
              strPointName.size());
  sql += kPointTypeSelect;
  sql += kPointTypeFrom;
  sql += kPointTypeWherePart;
  sql += strPartNumber;
  sql += kPointTypeAndPoint;
  sql += strPointName;
  sql += kPointTypeAndIoType;
  sql += IntegerText(intIOType);
  Text ignored;
  const db::RecordsetRef rs = connection.ConnQuery(sql, ignored);
  return rs && !rs->eof();
}

}  // namespace kvpw::validation
