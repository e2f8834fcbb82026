#include "corvid/sim/sim_args.h"

#include <gtest/gtest.h>

#include <QProcess>

#include "common/testing/test_support.h"

namespace corvid {
namespace {

std::optional<SimArgs> Parse(std::vector<std::string> args) {
  std::string error;
  auto parsed = ParseSimArgs(args, error);
  if (!parsed) {
    EXPECT_FALSE(error.empty());
  }
  return parsed;
}

TEST(SimArgsTest, AllOptions) {
  const auto a = Parse({"--port", "7", "--port-dir", "/tmp/x", "--slot", "30", "--type", "6",
                        "--mains", "118.5", "--load-ohms", "110.1", "--silent", "--delay", "20",
                        "--drop-every", "3", "--bad-fcs-every", "4", "--nak-every", "5",
                        "--foreign-code", "0x41", "--paced", "--log", "/tmp/log", "--verbose"});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(a->pty.port_number, 7);
  EXPECT_EQ(a->pty.port_dir, "/tmp/x");
  EXPECT_EQ(a->pty.log_path, "/tmp/log");
  EXPECT_TRUE(a->pty.verbose);
  EXPECT_NEAR(a->pty.micros_per_byte, 10e6 / 307200, 0.01);
  EXPECT_EQ(a->model.slot, 30);
  EXPECT_EQ(a->model.device_type, 6);
  EXPECT_DOUBLE_EQ(a->model.mains_volts, 118.5);
  EXPECT_DOUBLE_EQ(a->model.load_ohms, 110.1);
  EXPECT_TRUE(a->model.silent);
  EXPECT_EQ(a->model.delay_ms, 20);
  EXPECT_EQ(a->model.drop_every, 3);
  EXPECT_EQ(a->model.bad_fcs_every, 4);
  EXPECT_EQ(a->model.nak_every, 5);
  EXPECT_EQ(a->model.foreign_code, 0x41);
  EXPECT_EQ(a->model.foreign_every, 1);
}

TEST(SimArgsTest, DefaultsAndTypeChoosesItsLoad) {
  const auto a = Parse({"--port", "3"});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(a->model.slot, 1);
  EXPECT_EQ(a->pty.micros_per_byte, 0);
  EXPECT_EQ(a->model.foreign_every, 0);
  EXPECT_NEAR(a->model.load_ohms, 26.12, 1e-4);
  // The family's calibration resistor unless told otherwise, so Check Outputs passes.
  const auto hv = Parse({"--type", "4", "--port", "3"});
  ASSERT_TRUE(hv.has_value());
  EXPECT_NEAR(hv->model.load_ohms, 55.01, 1e-4);
  const auto foreign = Parse({"--port", "3", "--foreign-every", "4", "--foreign-code", "66"});
  ASSERT_TRUE(foreign.has_value());
  EXPECT_EQ(foreign->model.foreign_every, 4);
  EXPECT_EQ(foreign->model.foreign_code, 66);
}

TEST(SimArgsTest, BadArgumentsAreRefused) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--slot", "1"},
      {"--port"},
      {"--port", "0"},
      {"--port", "x"},
      {"--port", "1", "--slot", "0"},
      {"--port", "1", "--slot", "32"},
      {"--port", "1", "--type", "-1"},
      {"--port", "1", "--mains", "abc"},
      {"--port", "1", "--mains", "-1"},
      {"--port", "1", "--load-ohms", "nan"},
      {"--port", "1", "--delay", "-5"},
      {"--port", "1", "--nak-every", "2x"},
      {"--port", "1", "--foreign-code", "256"},
      {"--port", "1", "--bogus"},
      {"--port", "1", "stray"},
  };
  for (const auto& args : bad) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_FALSE(Parse(args).has_value()) << joined;
  }
}

TEST(SimArgsTest, ExecutableExitsTwoWithUsageOnBadArguments) {
  QProcess sim;
  sim.start(common::testing::BinDir() + "/switchpack-sim", {"--slot", "99"});
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 2);
  EXPECT_TRUE(sim.readAllStandardError().contains("usage: switchpack-sim"));
}

}  // namespace
}  // namespace corvid
