#include "corvid/link/port_open.h"

#include <gtest/gtest.h>

#include "common/qtcore/simulated_port.h"
#include "common/testing/scripted_prompts.h"

namespace corvid {
namespace {

TEST(PortOpenTest, StoredPortOpensAtTheLineSettings) {
  common::SimulatedPort port(nullptr);
  common::ScriptedPrompts prompts;
  EXPECT_TRUE(OpenStoredPort(port, prompts, 4));
  EXPECT_EQ(port.PortNumber(), 4);
  const common::LineSettings& s = port.Settings();
  EXPECT_EQ(std::tuple(s.baud, s.parity, s.data_bits, s.stop_bits), std::tuple(307200, 'N', 8, 1));
  EXPECT_TRUE(prompts.shown().empty());
}

}  // namespace
}  // namespace corvid
