#include "tessera/core/command_line.h"

#include <algorithm>
#include <climits>

namespace tessera {

CommandLine ParseCommandLine(std::string_view text) {
  CommandLine result;
  constexpr std::string_view kComm = "/comm=";
  if (const auto at = text.find(kComm); at != std::string_view::npos) {
    long long value = 0;
    for (std::size_t i = at + kComm.size(); i < text.size() && text[i] >= '0' && text[i] <= '9';
         ++i) {
      // Saturate: an absurd number is still just a port that will not open.
      value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
    }
    result.port_number = static_cast<int>(value);
  }
  result.kal = text.find("/kal") != std::string_view::npos;
  return result;
}

}  // namespace tessera
