#include "corvid/sim/sim_args.h"

#include <gtest/gtest.h>

#include <QProcess>

#include "common/testing/test_support.h"

namespace corvid {
namespace {

// The options, or nothing when the line was refused (status 2).
std::optional<SimArgs> Parse(const QStringList& args) {
  std::FILE* sink = std::tmpfile();
  const auto parsed = ParseSimArgs(args, sink, sink);
  std::fclose(sink);
  if (const int* status = std::get_if<int>(&parsed)) {
    EXPECT_EQ(*status, 2) << args.join(' ').toStdString();
    return std::nullopt;
  }
  return std::get<SimArgs>(parsed);
}

TEST(SimArgsTest, AllOptions) {
  const auto a = Parse(
      {"--port",   "7",           "--port-dir", "/tmp/x",         "--slot",      "30",
       "--type",   "6",           "--mains",    "118.5",          "--load-ohms", "110.1",
       "--silent", "--delay",     "20",         "--drop-every",   "3",           "--bad-fcs-every",
       "4",        "--nak-every", "5",          "--foreign-code", "0x41",        "--paced",
       "--log",    "/tmp/log",    "--verbose"});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(std::tuple(a->pty.port_number, a->pty.port_dir, a->pty.log_path, a->pty.verbose),
            std::tuple(7, "/tmp/x", "/tmp/log", true));
  EXPECT_NEAR(a->pty.micros_per_byte, 10e6 / 307200, 0.01);
  const SwitchPackOptions& m = a->model;
  EXPECT_EQ(std::tuple(m.slot, m.device_type, m.mains_volts, m.load_ohms, m.silent, m.delay_ms),
            std::tuple(30, 6, 118.5, 110.1, true, 20));
  EXPECT_EQ(std::tuple(m.drop_every, m.bad_fcs_every, m.nak_every, m.foreign_code, m.foreign_every),
            std::tuple(3, 4, 5, 0x41, 1));
}

TEST(SimArgsTest, DefaultsAndTypeChoosesItsLoad) {
  const auto a = Parse({"--port", "3"});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(std::tuple(a->model.slot, a->pty.micros_per_byte, a->model.foreign_every),
            std::tuple(1, 0.0, 0));
  // The family's calibration resistor unless told otherwise, so Check Outputs passes.
  EXPECT_NEAR(a->model.load_ohms, 26.12, 1e-4);
  EXPECT_NEAR(Parse({"--type", "4", "--port", "3"})->model.load_ohms, 55.01, 1e-4);
  const auto foreign = Parse({"--port", "3", "--foreign-every", "4", "--foreign-code", "66"});
  EXPECT_EQ(std::tuple(foreign->model.foreign_every, foreign->model.foreign_code),
            std::tuple(4, 66));
}

TEST(SimArgsTest, CalibrationSwitchesErrorsAndDeadOutputs) {
  using Gains = std::array<double, 13>;
  struct Case {
    QStringList args;
    Gains gain;
    std::uint8_t dead;
    bool vcal, ical;
  };
  const Gains kTrue{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  for (const Case& c : {
           Case{{}, kTrue, 0, false, true},
           Case{{"--vcal", "--no-ical"}, kTrue, 0, true, false},
           Case{{"--volts-error", "3,-2,0.5,0,1,-4", "--mains-error", "-2.5"},
                {1.03, 0.98, 1.005, 1, 1.01, 0.96, 0.975, 1, 1, 1, 1, 1, 1},
                0,
                false,
                true},
           Case{{"--amps-error", "-10"},
                {1, 1, 1, 1, 1, 1, 1, 0.9, 0.9, 0.9, 0.9, 0.9, 0.9},
                0,
                false,
                true},
           Case{{"--amps-error", "2,4"},
                {1, 1, 1, 1, 1, 1, 1, 1.02, 1.04, 1, 1, 1, 1},
                0,
                false,
                true},
           Case{{"--dead-output", "3"}, kTrue, 0x04, false, true},
           Case{{"--dead-output", "1,6"}, kTrue, 0x21, false, true},
       }) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    const auto a = Parse(QStringList{"--port", "2"} + c.args);
    ASSERT_TRUE(a.has_value());
    for (int i = 0; i < 13; ++i) EXPECT_NEAR(a->model.gain[i], c.gain[i], 1e-12) << i;
    EXPECT_EQ(a->model.dead_outputs, c.dead);
    EXPECT_EQ(a->model.vcal, c.vcal);
    EXPECT_EQ(a->model.ical, c.ical);
  }

  // Malformed calibration options are refused like any other.
  for (const QStringList& args : std::vector<QStringList>{{"--volts-error", ""},
                                                          {"--volts-error", "1,2,3,4,5,6,7"},
                                                          {"--volts-error", "51"},
                                                          {"--amps-error", "1,,2"},
                                                          {"--mains-error", "x"},
                                                          {"--dead-output", "0"},
                                                          {"--dead-output", "7"},
                                                          {"--dead-output", "2.5"}}) {
    EXPECT_FALSE(Parse(QStringList{"--port", "1"} + args).has_value())
        << args.join(' ').toStdString();
  }
}

TEST(SimArgsTest, BadArgumentsAreRefused) {
  for (const QStringList& args : std::vector<QStringList>{{},
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
                                                          {"--port", "1", "stray"}}) {
    EXPECT_FALSE(Parse(args).has_value()) << args.join(' ').toStdString();
  }
  QProcess sim;
  sim.start(common::testing::BinDir() + "/switchpack-sim", {"--slot", "99"});
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 2);
  EXPECT_TRUE(sim.readAllStandardError().startsWith(
      "switchpack-sim: --slot needs a number 1-31, not '99'\n"));
}

// Every fault of the line, and the switch pack's own (NAK storms, answers one command
// behind); noise is any byte and an oversized answer is one long frame.
TEST(SimArgsTest, FaultOptions) {
  const auto a = Parse({"--port", "4", "--fault", "nak,foreign,flood,checksum", "--fault-for",
                        "300", "--answer-previous"});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(a->pty.faults.kinds, (std::vector<common::LineFault>{
                                     common::LineFault::kNak, common::LineFault::kForeign,
                                     common::LineFault::kFlood, common::LineFault::kChecksum}));
  EXPECT_EQ(std::tuple(a->pty.faults.after_ms, a->pty.faults.for_ms, a->pty.faults.every_ms),
            std::tuple(1000, 300, 0));
  EXPECT_EQ(std::tuple(a->pty.reply_faults.noise_max, a->pty.reply_faults.late_ms,
                       a->pty.reply_faults.oversize_inside),
            std::tuple(0xFF, 80, true));
  EXPECT_TRUE(a->model.answer_previous);
  EXPECT_FALSE(Parse({"--port", "4"})->model.answer_previous);
  EXPECT_FALSE(Parse({"--port", "4", "--fault", "stall"}).has_value());
  EXPECT_FALSE(Parse({"--port", "4", "--fault-every", "-1"}).has_value());
}

}  // namespace
}  // namespace corvid
