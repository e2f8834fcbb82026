#include "tessera/core/report.h"

namespace tessera::logs {

std::string SavedCaption(const ReportWindow& window, std::string_view path) {
  std::string caption(window.caption_base);
  caption += " (";
  caption += path;
  caption += ')';
  return caption;
}

std::string ReportFileContent(std::string_view shown_text) {
  std::string content;
  content.reserve(shown_text.size() + shown_text.size() / 32 + 2);
  for (std::size_t i = 0; i < shown_text.size(); ++i) {
    const char c = shown_text[i];
    if (c == '\r') {
      content += "\r\n";
      if (i + 1 < shown_text.size() && shown_text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      content += "\r\n";
    } else {
      content += c;
    }
  }
  content += "\r\n";
  return content;
}

}  // namespace tessera::logs
