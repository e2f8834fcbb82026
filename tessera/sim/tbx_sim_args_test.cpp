#include "tessera/sim/tbx_sim_args.h"

#include <gtest/gtest.h>

#include <QProcess>

#include "common/testing/test_support.h"

namespace tessera::sim {
namespace {

std::variant<TbxSimArgs, int> Parse(const QStringList& args) {
  std::FILE* sink = std::tmpfile();
  auto parsed = ParseTbxSimArgs(args, sink, sink);
  std::fclose(sink);
  return parsed;
}

// The fault schedule goes to the pty runner with the unit's kind of noise; faults a
// TBX cannot make (it has no NAK) are refused below.
TEST(TbxSimArgsTest, EveryOptionReachesTheModelTheLoaderOrThePty) {
  const auto parsed = Parse(
      QString("--port 256 --port-dir /tmp/com --address 9 --comm-version 22 --fw-type 0x41 "
              "--fw-rev ff --line-sync-error --silent --delay 20 --drop-every 3 --corrupt-every 4 "
              "--drop-rate 0.25 --seed 7 --no-animation --no-extended --paced --log /tmp/l "
              "--verbose --mfg-code bf --device-code 0x20 --in-loader --refuse-launch "
              "--bad-erases 2 --program-fault-at 1A000 --program-fault-status 44 --loader-drop 4,5 "
              "--loader-corrupt 3 --erase-ms 1500 --program-ms 7 --version-address 1FFF0 "
              "--new-version 25,22,1a --fault-after 1500 --fault-for 700 --fault-every 5000 "
              "--fault-seed 9")
          .split(' ') +
      QStringList{"--fault", "garbage,late, unplug"});
  ASSERT_TRUE(std::holds_alternative<TbxSimArgs>(parsed));
  const auto& a = std::get<TbxSimArgs>(parsed);
  const TbxOptions& m = a.model;
  EXPECT_EQ(std::tuple(m.unit_address, m.comm_version, m.firmware_type, m.firmware_revision,
                       m.line_sync_error, m.silent, m.delay_ms, m.drop_every, m.corrupt_every),
            std::tuple(9, 0x22, 0x41, 0xFF, true, true, 20, 3, 4));
  EXPECT_EQ(std::tuple(m.drop_probability, m.seed, m.idle_animation, m.extended),
            std::tuple(0.25, 7u, false, false));
  EXPECT_EQ(std::tuple(a.pty.port_number, a.pty.port_dir, a.pty.log_path, a.pty.verbose),
            std::tuple(256, "/tmp/com", "/tmp/l", true));
  // 19200 8E1: 11 bits a byte.
  EXPECT_NEAR(a.pty.micros_per_byte, 11e6 / 19200, 1e-9);
  const TbxLoaderOptions& l = a.loader;
  EXPECT_EQ(std::tuple(l.manufacturer_code, l.device_code, l.start_running, l.refuse_launch,
                       l.incomplete_erases, l.fail_program_at, l.program_fault_status),
            std::tuple(0xBF, 0x20, true, true, 2, std::optional<std::uint32_t>(0x1A000), 0x44));
  using Set = std::set<std::uint8_t>;
  EXPECT_EQ(std::tuple(l.unanswered, l.corrupted, l.erase_ms, l.program_ms, l.version_address),
            std::tuple(Set{4, 5}, Set{3}, 1500, 7, std::optional<std::uint32_t>(0x1FFF0)));
  const FirmwareVersion v = l.version_after_reboot.value_or(FirmwareVersion{});
  EXPECT_EQ(std::tuple(v.comm_version, v.firmware_type, v.firmware_revision),
            std::tuple(0x25, 0x22, 0x1A));
  const common::PtyOptions& pty = a.pty;
  using enum common::LineFault;
  EXPECT_EQ(pty.faults.kinds, (std::vector{kGarbage, kLate, kUnplug}));
  EXPECT_EQ(std::tuple(pty.faults.after_ms, pty.faults.for_ms, pty.faults.every_ms, pty.fault_seed,
                       pty.reply_faults.noise_max, pty.reply_faults.late_ms,
                       pty.reply_faults.oversize_inside),
            std::tuple(1500, 700, 5000, 9u, 0x0F, 600, false));
  EXPECT_TRUE(std::get<TbxSimArgs>(Parse({"--port", "3"})).pty.faults.Empty());
}

TEST(TbxSimArgsTest, BadLinesEndTheProgramWithStatus2) {
  // After "--port 3" unless it starts with "-p"; " " splits the lines, "|" the arguments.
  const QString bad =
      "-p -p|--port|0 -p|--port|257 --address|16 --comm-version|1FF --drop-every|0 --drop-rate|1.5 "
      "--bogus --device-code|100 --loader-drop|8 --loader-corrupt|3,x --new-version|25,22 "
      "--new-version|25,22,100 --version-address|1FFFE stray --fault|nak --fault|garbage,noise "
      "--fault| --fault-for|0 --fault-for|500|--fault-every|500";
  for (const QString& line : bad.split(' ')) {
    QStringList args = line.split('|');
    args.first() == "-p" ? args.removeFirst() : (args.prepend("3"), args.prepend("--port"));
    const auto parsed = Parse(args);
    EXPECT_EQ(parsed.index() == 1 ? std::get<int>(parsed) : -1, 2) << line.toStdString();
  }
  EXPECT_EQ(std::get<int>(Parse({"--help"})), 0);
  // The program itself: problem and help on standard error, status 2.
  QProcess sim;
  sim.start(common::testing::BinDir() + "/tbx-sim", {"--port", "3", "--address", "16"});
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), 2);
  EXPECT_TRUE(
      sim.readAllStandardError().startsWith("tbx-sim: --address needs a number 0-15, not '16'\n"));
}

}  // namespace
}  // namespace tessera::sim
