// What every verb of the command line shares: the platform its operations run on, the message
// boxes they showed, and the two ways of printing results (aligned text or JSON).
#pragma once

#include <iosfwd>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "frame/error.h"
#include "frame/platform.h"
#include "frame/variant.h"
#include "host/message_boxes.h"
#include "validation/findings.h"

namespace kvpw::cli {

// With JSON output the boxes are collected and printed with the result; otherwise each box is
// printed as it is shown, unless quiet. Either way they are kept, to be counted.
class Session {
 public:
  explicit Session(bool json_output, bool quiet = false);
  PlatformRef platform() const { return platform_; }
  // What the drawing checks found, as records.
  const std::vector<validation::Finding>& findings() const { return findings_->findings(); }
  bool json_output() const { return json_output_; }
  // The file name an operation is given for a catalogue named on the command line: a file's
  // path as it is; for a data source ("dsn:NAME") or an ODBC driver text ("Driver=...;...") a
  // stand-in name that the session's engine serves from it.
  Text Catalogue(const std::string& given);
  nlohmann::json Messages() const;
  // The first error an operation handled with a box since the last call, if any.
  std::optional<Error> TakeHandledError();

 private:
  class Boxes;
  bool json_output_;
  std::shared_ptr<host::RecordingMessageBox> recorded_;
  std::shared_ptr<validation::FindingList> findings_;
  std::shared_ptr<Boxes> boxes_;
  std::shared_ptr<Platform> platform_;
  std::vector<std::pair<Text, Text>> data_sources_;
};

const char* TypeName(const Variant& v);
nlohmann::json ToJson(const Variant& v);
// A value as a person reads it: Null and Empty spelled out only where `spell_empty` is set.
std::string Display(const Variant& v);

// Columns padded to their widest cell, a header line first, two blanks between columns.
void PrintTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows);

// Where the example catalogue was built.
std::string ExamplesDir();

}  // namespace kvpw::cli
