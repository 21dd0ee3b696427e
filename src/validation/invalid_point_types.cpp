// Point shapes wired to a point that their controller's part does not have.
#include <limits>
#include <unordered_map>
#include <vector>

#include "db/kv_ado_connection.h"
#include "frame/error.h"
#include "frame/pw2.h"
#include "validation/drawing_checks.h"
#include "validation/findings.h"

namespace kvpw {
namespace {

using namespace validation;

constexpr TextView kInvalidPointPrefix = u"Shape ";
constexpr TextView kInvalidPointSuffix =
    u" is connected to an invalid point.  The shape has been turned blue.";
constexpr TextView kUnableToAccess = u"Unable to access database: ";
constexpr TextView kUnableToOpen = u"Unable to open '";
constexpr TextView kFinishedPrefix = u"Check for invalid point types finished.  There were ";
constexpr TextView kFinishedSuffix = u" errors found.";

// Where the point shape is; its page's and its own name are read only for a finding, as nothing
// renames them in between.
struct PointEntry {
  int16_t page;
  int16_t position;
  Text controller;
  Text point_name;
  int16_t io_type;
};

// The point list, with the entries of each controller name kept in list order so that a device
// shape finds its points without walking the whole list.
class PointList {
 public:
  void Add(PointEntry entry) {
    if (entries_.size() >= static_cast<size_t>(std::numeric_limits<int16_t>::max()))
      Raise(err::kOverflow);
    by_controller_[entry.controller].push_back(static_cast<uint32_t>(entries_.size()));
    entries_.push_back(std::move(entry));
  }
  const PointEntry& at(uint32_t index) const { return entries_[index]; }
  // Indexes of the entries naming this controller, in list order; nullptr when none does.
  const std::vector<uint32_t>* OfController(const Text& name) const {
    const auto it = by_controller_.find(name);
    return it == by_controller_.end() ? nullptr : &it->second;
  }

 private:
  std::vector<PointEntry> entries_;
  std::unordered_map<Text, std::vector<uint32_t>> by_controller_;
};

// A non-zero User.IOType wins; then User.PointType, even when 0; then the part's own type.
int16_t IoTypeOf(host::Shape& shape, KvAdoConnection& parts) {
  if (shape.cell_exists(kIoTypeExistsCell)) {
    const double io_type = shape.cell(kIoTypeCell).result_number();
    if (io_type != 0) return RoundToInteger(io_type);
  }
  if (shape.cell_exists(kPointTypeExistsCell))
    return RoundToInteger(shape.cell(kPointTypeCell).result_number());
  return GetPartIOType(parts, CellText(shape, kPartNumberCell));
}

host::Document& DocumentOf(const std::shared_ptr<host::Document>& document) {
  if (!document) Raise(err::kObjectNotSet);
  return *document;
}

}  // namespace

void Pw2::CheckForInvalidPointTypes(const int16_t& intUpperPage, const int16_t& intLowerPage,
                                    const std::shared_ptr<host::Document>& docActive,
                                    const Text& strDbParts, const Text& strDbPartProps) {
  KvAdoConnection parts(platform_);
  KvAdoConnection part_props(platform_);
  Text error;
  const Text* failed_path = &strDbParts;
  parts.LetFileName(strDbParts);
  parts.ConnOpen(error);
  if (error.empty()) {
    failed_path = &strDbPartProps;
    part_props.LetFileName(strDbPartProps);
    part_props.ConnOpen(error);
  }

  int16_t errors = 0;
  if (error.empty()) {
    // One look-up or two per point shape.
    const db::ReadsTogether reads(parts.Connection());
    host::Document& document = DocumentOf(docActive);
    host::Pages& pages = document.pages();
    PointList points;
    ForEachShape(
        pages, intLowerPage, intUpperPage,
        [&](host::Page&, host::Shape& shape, int16_t p, int16_t s) {
          if (!shape.cell_exists(kPointMarkerCell) || !shape.cell_exists(kPointNameExistsCell))
            return;
          PointEntry entry{p, s, CellText(shape, kControllerCell), CellText(shape, kPointNameCell),
                           0};
          entry.io_type = IoTypeOf(shape, parts);
          points.Add(std::move(entry));
        });

    ForEachShape(pages, 1, pages.count(), [&](host::Page&, host::Shape& device, int16_t, int16_t) {
      if (!device.cell_exists(kDeviceFlagsCell)) return;
      const std::vector<uint32_t>* wired = points.OfController(CellText(device, kDeviceNameCell));
      if (!wired) return;
      const Text part_number = CellText(device, kPartNumberCell);
      for (const uint32_t k : *wired) {
        const PointEntry& entry = points.at(k);
        if (IsValidPointType(parts, part_number, entry.point_name, entry.io_type)) continue;
        errors = CountOneMore(errors);
        // Found again by name, as the first shape of that name on the first page of that name.
        Text page_name = pages.item(entry.page).name();
        Text shape_name = pages.item(entry.page).shapes().item(entry.position).name();
        host::Shape& point = pages.item(TextView(page_name)).shapes().item(TextView(shape_name));
        Text device_name = CellText(point, kDeviceNameCell);
        Text message = Text(kInvalidPointPrefix) + device_name + Text(kInvalidPointSuffix);
        platform_->message_box->Show(message, style::kInformation, kErrorFoundTitle);
        point.cell(kMarkCell).set_formula(kMarkInvalidPoint);
        if (platform_->findings) {
          Finding finding{
              Check::kInvalidPointTypes,
              {std::move(page_name), std::move(shape_name), point.id(), std::move(device_name)}};
          finding.controller = entry.controller;
          finding.point = entry.point_name;
          finding.io_type = entry.io_type;
          finding.message = std::move(message);
          platform_->findings->Report(std::move(finding));
        }
      }
    });
  } else {
    platform_->message_box->Show(Text(kUnableToAccess) + Text(kUnableToOpen) + *failed_path +
                                 u"': " + error);
  }
  parts.ConnClose();
  part_props.ConnClose();
  platform_->message_box->Show(Text(kFinishedPrefix) + IntegerText(errors) + Text(kFinishedSuffix),
                               style::kInformation, kCompletedTitle);
}

}  // namespace kvpw
