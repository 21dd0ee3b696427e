#include "host/message_boxes.h"

namespace kvpw::host {

int32_t RecordingMessageBox::Present(TextView text, int32_t box_style, TextView title) {
  boxes_.push_back(Box{Text(text), box_style, Text(title)});
  return kAnswerOk;
}

std::string IconName(int32_t box_style) {
  switch (box_style & 0x70) {
    case style::kCritical:
      return "critical";
    case 32:
      return "question";
    case style::kExclamation:
      return "exclamation";
    case style::kInformation:
      return "information";
    default:
      return "";
  }
}

int32_t ConsoleMessageBox::Present(TextView text, int32_t box_style, TextView title) {
  // The library's two-line texts join with LF CR; a terminal wants plain line feeds.
  Text shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i > 0 && text[i - 1] == u'\n') continue;
    shown.push_back(text[i] == u'\r' ? u'\n' : text[i]);
  }
  const std::string icon = IconName(box_style);
  out_ << "[" << ToUtf8(title) << "]" << (icon.empty() ? "" : " (" + icon + ")") << " "
       << ToUtf8(shown) << "\n";
  out_.flush();
  return kAnswerOk;
}

}  // namespace kvpw::host
