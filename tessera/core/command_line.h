// The two command-line switches: "/comm=" port number and "/kal". Both are found
// anywhere in the text, case-sensitive.
#pragma once

#include <string_view>

namespace tessera {

struct CommandLine {
  int port_number = 1;  // "/comm=" + leading digits; no digits gives 0; absent gives 1
  bool kal = false;     // "/kal" present
};

CommandLine ParseCommandLine(std::string_view text);

}  // namespace tessera
