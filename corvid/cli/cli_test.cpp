// corvid-cli in process against the built-in simulated switch pack, and as a program
// against switchpack-sim on a pseudo-terminal: values, formats, exit statuses, Ctrl-C.
#include "corvid/cli/cli.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <map>
#include <optional>

#include "common/testing/env_scope.h"
#include "common/testing/test_support.h"
#include "corvid/cli/exit_status.h"

namespace corvid::cli {
namespace {

using common::testing::BinDir;
using common::testing::ReadBack;
using common::testing::WaitUntil;

struct CliRun {
  int status = -1;
  std::string out, err;
};

// Check Outputs' pauses are 1 ms here instead of 100.
CliRun InProcess(const QStringList& arguments, const char* out_path = nullptr) {
  std::FILE* out = out_path ? std::fopen(out_path, "w") : std::tmpfile();
  std::FILE* err = std::tmpfile();
  CliRun run{RunCorvidCli(arguments, out, err, 1), out_path ? "" : ReadBack(out), ReadBack(err)};
  std::fclose(out);
  std::fclose(err);
  return run;
}

// switchpack-sim serving COM6 in a private port directory while it lives.
struct PtyDevice {
  explicit PtyDevice(const QStringList& options) {
    env.insert("CABINET_COM_DIR", dir.path());
    env.insert("XDG_CONFIG_HOME", dir.path());  // read by the tool, never written
    sim.setProcessEnvironment(env);
    sim.start(BinDir() + "/switchpack-sim", QStringList{"--port", "6"} + options);
  }
  ~PtyDevice() { sim.terminate(), sim.waitForFinished(3000); }
  void Start(QProcess& cli, const QStringList& arguments) {
    cli.setProcessEnvironment(env);
    cli.start(BinDir() + "/corvid-cli", QStringList{"--port", "6"} + arguments);
  }
  CliRun Cli(const QStringList& arguments) {
    QProcess cli;
    Start(cli, arguments);
    EXPECT_TRUE(cli.waitForFinished(30000));
    return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
            cli.readAllStandardOutput().toStdString(), cli.readAllStandardError().toStdString()};
  }

  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  QProcess sim;
};

using Fields = std::map<std::string, std::string>;

// A CSV header and one row, or one JSON object, as names and values.
Fields Parse(const std::string& format, const std::string& text) {
  Fields fields;
  const QStringList lines = QString::fromStdString(text).split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(lines.size(), format == "csv" ? 2 : 1) << text;
  if (format == "csv") {
    const QStringList names = lines.value(0).split(','), values = lines.value(1).split(',');
    EXPECT_EQ(names.size(), values.size());
    for (int i = 0; i < names.size() && i < values.size(); ++i)
      fields[names[i].toStdString()] = values[i].toStdString();
    return fields;
  }
  const QVariantMap object = QJsonDocument::fromJson(lines.value(0).toUtf8()).toVariant().toMap();
  for (const auto& [name, v] : object.asKeyValueRange())
    fields[name.toStdString()] =
        (v.typeId() == QMetaType::Bool ? QString::number(v.toInt()) : v.toString()).toStdString();
  return fields;
}

// Each command once against switchpack-sim at slot 5, as a program: what the device was
// set to, no answer at another slot, a dead output, and Ctrl-C while watching.
TEST(CorvidCliTest, EachCommandAgainstTheSimulator) {
  PtyDevice device({"--slot", "5", "--type", "3", "--mains", "100", "--vcal", "--volts-error",
                    "10,-25", "--dead-output", "1"});
  ASSERT_TRUE(WaitUntil([&] { return QFileInfo::exists(device.dir.filePath("COM6")); }, 5000));
  const CliRun identify = device.Cli({"--slot", "5", "identify"});
  EXPECT_EQ(
      std::tie(identify.status, identify.out),
      std::tie(kExitOk,
               "Device Type Code  3\nDevice Type       VELD-VHV, 220 Vac power\n"
               "Device ID         Type 03 Rev 1.12\nDevice Firmware   Type: 3  Revision: 1.12\n"))
      << identify.err;
  EXPECT_EQ(
      Parse("json",
            device.Cli({"--slot", "5", "--format", "json", "identify"}).out)["device_firmware"],
      "Type: 3  Revision: 1.12");
  for (const std::string format : {"csv", "json"}) {
    const CliRun run =
        device.Cli({"--slot", "5", "--format", QString::fromStdString(format), "status"});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    Fields f = Parse(format, run.out);
    EXPECT_EQ(f["mains_vrms"], format == "csv" ? "100.0" : "100") << format;
    // Every output is off; the dead first reads nothing, the second 25 % low.
    const Fields expected = {{"ch1_red_vrms", "0"},      {"ch1_yellow_vrms", "75"},
                             {"ch1_red_marms", "0"},     {"ch1_red_on", "0"},
                             {"temperature_degf", "77"}, {"link_rx_timeouts", "0"}};
    for (const auto& [name, value] : expected)
      EXPECT_EQ(QString::fromStdString(f[name]).toDouble(), std::stod(value)) << format << name;
    EXPECT_EQ(std::pair(f.count("reset_since_last_poll"), f.size()), std::pair(1ul, 40ul))
        << format;
  }
  const CliRun elsewhere = device.Cli({"status"});  // slot 1 by default: nobody answers
  EXPECT_EQ(std::tie(elsewhere.status, elsewhere.err),
            std::tie(kExitNoAnswer, "Corvid: Device Not Responding\n"));
  const CliRun check = device.Cli({"--slot", "5", "--yes", "check-outputs"});
  EXPECT_EQ(std::tie(check.status, check.out), std::tie(kExitCheckFailed, ""));
  EXPECT_NE(check.err.find("Channel 1 Red"), std::string::npos) << check.err;

  // Ctrl-C while watching: status 0, and every line whole and of the header's shape.
  QProcess cli;
  device.Start(cli, {"--slot", "5", "--format", "csv", "watch", "--every", "20"});
  ASSERT_TRUE(WaitUntil(
      [&] { return cli.bytesAvailable() > 2000 || cli.state() == QProcess::NotRunning; }, 10000));
  ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
  ASSERT_TRUE(cli.waitForFinished(5000));
  EXPECT_EQ(std::pair(cli.exitStatus(), cli.exitCode()), std::pair(QProcess::NormalExit, kExitOk));
  const QString out = cli.readAllStandardOutput();
  const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
  ASSERT_TRUE(out.endsWith('\n') && lines.size() >= 3) << out.toStdString();
  EXPECT_TRUE(lines[0].startsWith("time,mains_vrms,ch1_red_vrms,"));
  for (const QString& line : lines.mid(1)) {
    EXPECT_EQ(line.count(','), lines[0].count(',')) << line.toStdString();
    EXPECT_EQ(line.section(',', 1, 1), "100.0");
  }
  EXPECT_FALSE(QFileInfo::exists(device.dir.filePath("cabinet-tools")));
}

// Arguments and what goes wrong, in process: the exit status and the first words.
TEST(CorvidCliTest, ExitStatuses) {
  QTemporaryDir empty;
  std::optional<common::testing::EnvScope> com_dir;
  com_dir.emplace("CABINET_COM_DIR", empty.path().toLocal8Bit().constData());
  // Arguments, exit status, the start of standard error.
  const std::tuple<QStringList, int, const char*> cases[] = {
      {{}, kExitUsage, "corvid-cli: no command given"},
      {{"status"}, kExitUsage, "corvid-cli: give either --port N or --sim"},
      {{"--sim", "--format", "xml", "status"}, kExitUsage, "corvid-cli: --format needs text"},
      {{"--sim", "status", "--seconds", "1"}, kExitUsage, "corvid-cli: --seconds belongs to watch"},
      {{"--sim", "--slot", "32", "status"}, kExitUsage, "corvid-cli: --slot needs a number 1-31"},
      {{"--port", "250", "status"}, kExitPort, "COM Port Open Error: Port number is not valid."},
      {{"--sim", "--trace", "/nonexistent/t", "status"}, kExitTrace, "corvid-cli: cannot write"},
      {{"--sim", "check-outputs"}, kExitNotAnswered, "Check Outputs:"},
      {{"--sim", "--yes", "check-outputs"}, kExitOk, ""},
  };
  for (const auto& [arguments, status, err] : cases) {
    const CliRun run = InProcess(arguments);
    EXPECT_TRUE(run.status == status && run.err.starts_with(err))
        << arguments.join(' ').toStdString() << ": " << run.status << " " << run.err;
    EXPECT_EQ(run.out, status == kExitOk ? "Every output passed.\n" : "");
  }
  com_dir.reset();
  // Standard output on a full disk, for each command and the informational switches.
  using Args = QStringList;
  for (const Args& arguments : {Args{"--sim", "identify"}, Args{"--sim", "status"},
                                Args{"--sim", "watch", "--seconds", "0.2"}, Args{"--help"}}) {
    const CliRun run = InProcess(arguments, "/dev/full");
    EXPECT_EQ(run.status, kExitOutput) << arguments.join(' ').toStdString();
    EXPECT_EQ(run.err, "corvid-cli: standard output: No space left on device\n");
  }
}

}  // namespace
}  // namespace corvid::cli
