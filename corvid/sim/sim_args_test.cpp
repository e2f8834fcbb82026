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

QStringList Words(const QString& line) { return line.split(' ', Qt::SkipEmptyParts); }

TEST(SimArgsTest, AllOptions) {
  const auto a = Parse(Words(
      "--port 7 --port-dir /tmp/x --slot 30 --type 6 --mains 118.5 --load-ohms 110.1 --silent "
      "--delay 20 --drop-every 3 --bad-fcs-every 4 --nak-every 5 --foreign-code 0x41 --paced "
      "--log /tmp/log --verbose --no-ical --dead-output 1,6 --fault nak,flood --fault-for 300 "
      "--answer-previous --amps-error -10"));
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(std::tuple(a->pty.port_number, a->pty.port_dir, a->pty.log_path, a->pty.verbose),
            std::tuple(7, "/tmp/x", "/tmp/log", true));
  EXPECT_NEAR(a->pty.micros_per_byte, 10e6 / 307200, 0.01);
  const SwitchPackOptions& m = a->model;
  EXPECT_EQ(std::tuple(m.slot, m.device_type, m.mains_volts, m.load_ohms, m.silent, m.delay_ms,
                       m.drop_every, m.bad_fcs_every, m.nak_every, m.foreign_code, m.foreign_every,
                       m.ical, m.dead_outputs, m.answer_previous),
            std::tuple(30, 6, 118.5, 110.1, true, 20, 3, 4, 5, 0x41, 1, false, 0x21, true));
  // One error is every output's; the field voltages and the mains keep theirs.
  EXPECT_EQ(std::tuple(m.gain[0], m.gain[6], m.gain[7], m.gain[12]),
            std::tuple(1.0, 1.0, 0.9, 0.9));
  using enum common::LineFault;
  const common::FaultPlan& f = a->pty.faults;
  EXPECT_EQ(std::tuple(f.kinds, f.after_ms, f.for_ms, f.every_ms),
            std::tuple(std::vector{kNak, kFlood}, 1000, 300, 0));
}

TEST(SimArgsTest, DefaultsAndTypeChoosesItsLoad) {
  const auto a = Parse({"--port", "3"});
  ASSERT_TRUE(a.has_value());
  EXPECT_EQ(std::tuple(a->model.slot, a->pty.micros_per_byte, a->model.foreign_every,
                       a->model.answer_previous),
            std::tuple(1, 0.0, 0, false));
  // The family's calibration resistor unless told otherwise, so Check Outputs passes.
  EXPECT_NEAR(a->model.load_ohms, 26.12, 1e-4);
  EXPECT_NEAR(Parse({"--type", "4", "--port", "3"})->model.load_ohms, 55.01, 1e-4);
}

TEST(SimArgsTest, BadArgumentsAreRefused) {
  // One refused line after another, each on its own.
  const QStringList lines =
      QString(
          "|--slot 1|--port|--port 0|--port x|--port 1 --slot 32"
          "|--port 1 --type -1|--port 1 --mains -1|--port 1 --load-ohms nan"
          "|--port 1 --delay -5|--port 1 --nak-every 2x"
          "|--port 1 --foreign-code 256|--port 1 --bogus|--port 1 stray"
          "|--port 1 --volts-error 1,2,3,4,5,6,7|--port 1 --volts-error 51"
          "|--port 1 --amps-error 1,,2|--port 1 --mains-error x"
          "|--port 1 --dead-output 0|--port 1 --dead-output 7|--port 1 --dead-output 2.5"
          "|--port 1 --fault stall|--port 1 --fault-every -1")
          .split('|');
  for (const QString& line : lines)
    EXPECT_FALSE(Parse(Words(line)).has_value()) << line.toStdString();
  EXPECT_FALSE(Parse({"--port", "1", "--volts-error", ""}).has_value());
  QProcess sim;
  sim.start(common::testing::BinDir() + "/switchpack-sim", {"--slot", "99"});
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 2);
  EXPECT_TRUE(sim.readAllStandardError().startsWith(
      "switchpack-sim: --slot needs a number 1-31, not '99'\n"));
}

}  // namespace
}  // namespace corvid
