#include "session.h"

#include <algorithm>
#include <iostream>
#include <utility>

#include "db/engines.h"

#ifndef KVPW_EXAMPLES_DIR
#define KVPW_EXAMPLES_DIR "examples"
#endif

namespace kvpw::cli {
namespace {

constexpr const char* kTypeNames[] = {"Empty",  "Null", "Boolean", "Integer", "Long",
                                      "Double", "Text", "Object",  "Array"};

// Display width of UTF-8 text: one column per code point.
size_t Width(const std::string& s) {
  return static_cast<size_t>(
      std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

}  // namespace

// Keeps every box for counting, prints it as it is shown unless the output is JSON, and notes the
// errors the operations handled with a box: they failed although they returned.
class Session::Boxes final : public MessageBox {
 public:
  Boxes(std::shared_ptr<host::RecordingMessageBox> recorded, bool print)
      : recorded_(std::move(recorded)), console_(std::cout), print_(print) {}
  std::optional<Error> handled;

 protected:
  int32_t Present(TextView text, int32_t box_style, TextView title) override {
    recorded_->Show(text, box_style, title);
    return print_ ? console_.Show(text, box_style, title) : host::kAnswerOk;
  }
  void Handled(const Error& error) override {
    if (!handled) handled = error;
  }

 private:
  std::shared_ptr<host::RecordingMessageBox> recorded_;
  host::ConsoleMessageBox console_;
  bool print_;
};

Session::Session(bool json_output, bool quiet)
    : json_output_(json_output),
      recorded_(std::make_shared<host::RecordingMessageBox>()),
      findings_(std::make_shared<validation::FindingList>()),
      boxes_(std::make_shared<Boxes>(recorded_, !json_output && !quiet)) {
  platform_ = std::make_shared<Platform>();
  platform_->engine = db::MakeEngine();
  platform_->findings = findings_;
  platform_->message_box = boxes_;
}

Text Session::Catalogue(const std::string& given) {
  constexpr std::string_view kDsnPrefix = "dsn:";
  Text odbc_text, stand_in;
  if (given.size() > kDsnPrefix.size() &&
      EqualsNoCase(FromUtf8(given.substr(0, kDsnPrefix.size())), FromUtf8(kDsnPrefix))) {
    odbc_text = u"DSN=" + FromUtf8(given.substr(kDsnPrefix.size()));
    stand_in = FromUtf8(given) + u".mdb";
  } else if (db::IsOdbcText(FromUtf8(given))) {
    odbc_text = FromUtf8(given);
    stand_in = u"odbc:" + FromUtf8(std::to_string(data_sources_.size() + 1)) + u".mdb";
  } else {
    return FromUtf8(given);
  }
  for (const auto& [file, text] : data_sources_)
    if (text == odbc_text) return file;
  data_sources_.emplace_back(stand_in, odbc_text);
  platform_->engine = db::MakeEngine({.data_sources = data_sources_, .odbc = {}});
  return stand_in;
}

std::optional<Error> Session::TakeHandledError() {
  return std::exchange(boxes_->handled, std::nullopt);
}

nlohmann::json Session::Messages() const {
  nlohmann::json boxes = nlohmann::json::array();
  for (const auto& box : recorded_->boxes())
    boxes.push_back(
        {{"title", ToUtf8(box.title)}, {"text", ToUtf8(box.text)}, {"style", box.style}});
  return boxes;
}

const char* TypeName(const Variant& v) {
  return kTypeNames[static_cast<int>(v.type())];
}

nlohmann::json ToJson(const Variant& v) {
  switch (v.type()) {
    case VarType::kEmpty:
    case VarType::kNull:
      return nullptr;
    case VarType::kBoolean:
      return v.boolean();
    case VarType::kInteger:
      return v.integer();
    case VarType::kLong:
      return v.long_value();
    case VarType::kDouble:
      return v.double_value();
    case VarType::kText:
      return ToUtf8(v.text());
    case VarType::kArray: {
      nlohmann::json items = nlohmann::json::array();
      if (v.array().dimensioned())
        for (const Variant& item : *v.array().items) items.push_back(ToJson(item));
      return items;
    }
    case VarType::kObject:
      break;
  }
  return "(object)";
}

std::string Display(const Variant& v) {
  if (v.is_null()) return "Null";
  if (v.is_object() || v.is_array()) return std::string("(") + TypeName(v) + ")";
  return ToUtf8(ToText(v));
}

void PrintTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> widths(header.size());
  for (size_t c = 0; c < header.size(); ++c) widths[c] = Width(header[c]);
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size() && c < widths.size(); ++c)
      widths[c] = std::max(widths[c], Width(row[c]));
  const auto print = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (size_t c = 0; c < cells.size(); ++c) {
      line += cells[c];
      if (c + 1 < cells.size()) line += std::string(widths[c] - Width(cells[c]) + 2, ' ');
    }
    out << line << "\n";
  };
  print(header);
  for (const auto& row : rows) print(row);
}

std::string ExamplesDir() {
  return KVPW_EXAMPLES_DIR;
}

}  // namespace kvpw::cli
