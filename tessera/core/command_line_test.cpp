#include "tessera/core/command_line.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(CommandLineTest, Switches) {
  const struct {
    const char* text;
    int port;
    bool kal;
  } cases[] = {
      {"", 1, false},
      {"/comm=3 /kal", 3, true},
      {"/comm=3 /KAL", 3, false},                         // case-sensitive
      {"/comm=", 0, false},                               // no digits: port 0, which will not open
      {"/comm=7abc", 7, false},                           // leading digits only
      {"foo/kalbar/comm=2", 2, true},                     // anywhere in the text
      {"/comm=99999999999999999999", 2147483647, false},  // saturates, no overflow
  };
  for (const auto& c : cases) {
    const CommandLine line = ParseCommandLine(c.text);
    EXPECT_EQ(std::tuple(line.port_number, line.kal), std::tuple(c.port, c.kal)) << c.text;
  }
}

}  // namespace
}  // namespace tessera
