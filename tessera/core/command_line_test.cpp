#include "tessera/core/command_line.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(CommandLineTest, Switches) {
  const std::tuple<const char*, int, bool> cases[] = {
      {"", 1, false},
      {"/comm=3 /kal", 3, true},
      {"/comm=3 /KAL", 3, false},                         // case-sensitive
      {"/comm=", 0, false},                               // no digits: port 0, which will not open
      {"/comm=7abc", 7, false},                           // leading digits only
      {"foo/kalbar/comm=2", 2, true},                     // anywhere in the text
      {"/comm=99999999999999999999", 2147483647, false},  // saturates, no overflow
  };
  for (const auto& [text, port, kal] : cases) {
    const CommandLine line = ParseCommandLine(text);
    EXPECT_EQ(std::tuple(line.port_number, line.kal), std::tuple(port, kal)) << text;
  }
}

}  // namespace
}  // namespace tessera
