#include "tessera/core/log_text.h"

namespace tessera::logs {

void LogText::Append(std::string_view decoded) {
  if (!text_.empty()) text_ += kCrLf;
  text_ += decoded;
}

}  // namespace tessera::logs
