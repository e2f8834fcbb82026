// tessera-cli: its command line, its exit statuses and the identify command, in
// process against the built-in simulated unit and as a program against tbx-sim.
#include "tessera/cli/cli.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/testing/test_support.h"
#include "tessera/cli/cli_harness.h"
#include "tessera/cli/exit_status.h"

namespace tessera::cli {
namespace {

using common::testing::BinDir;
using common::testing::WaitUntil;

std::string Read(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string out;
  for (int c; (c = std::fgetc(file)) != EOF;) out += static_cast<char>(c);
  return out;
}

struct CliRun {
  int status;
  std::string out, err;
};

CliRun RunCli(const QStringList& arguments) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status = RunTesseraCli(arguments, out, err);
  CliRun run{status, Read(out), Read(err)};
  std::fclose(out);
  std::fclose(err);
  return run;
}

TEST(TesseraCliTest, IdentifyTheSimulatedUnit) {
  const CliRun run = RunCli({"--sim", "identify"});
  EXPECT_EQ(run.status, kExitOk) << run.err;
  EXPECT_EQ(run.out,
            "TBX Address #5, 6 Pack Output Assembly Position #1\n"
            "Firmware Version = 23, Firmware Revision = 1.4 \n");
  EXPECT_EQ(run.err, "");
}

TEST(TesseraCliTest, BadCommandLinesEndWithStatus2AndNothingOnStandardOutput) {
  const std::pair<QStringList, const char*> cases[] = {
      {{}, "no command given"},
      {{"identify"}, "give either --port N or --sim"},
      {{"--sim", "--port", "3", "identify"}, "give either --port N or --sim"},
      {{"--sim", "bogus"}, "unknown command 'bogus'"},
      {{"--port", "0", "identify"}, "--port needs a number 1-256, not '0'"},
      {{"--sim", "--bogus", "identify"}, "Unknown option 'bogus'."},
  };
  for (const auto& [arguments, problem] : cases) {
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.status, kExitUsage) << problem;
    EXPECT_EQ(run.err.rfind(std::string("tessera-cli: ") + problem + "\n", 0), 0u) << run.err;
    EXPECT_EQ(run.out, "");
  }
  const CliRun help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* text : {"identify", "--port <N>", "--sim", "Exit status: 0 done;"}) {
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  }
}

TEST(TesseraCliTest, APortThatWillNotOpenEndsWithStatus3AndTheWindowsText) {
  QTemporaryDir dir;
  qputenv("CABINET_COM_DIR", dir.path().toLocal8Bit());
  const CliRun run = RunCli({"--port", "250", "identify"});
  qunsetenv("CABINET_COM_DIR");
  EXPECT_EQ(run.status, kExitPort);
  EXPECT_EQ(run.err, "Tessera: Open Port Error\n  No such device: /dev/ttyS249\n");
  EXPECT_EQ(run.out, "");
}

// The program against tbx-sim on a pseudo-terminal: a unit at address 9, then a silent one.
TEST(TesseraCliTest, IdentifyOverARealPortAndASilentUnit) {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", dir.path());
  const auto serve = [&](QProcess& sim, const QStringList& options) {
    sim.setProcessEnvironment(env);
    sim.start(BinDir() + "/tbx-sim", QStringList{"--port", "4"} + options);
    return WaitUntil([&] { return QFileInfo::exists(dir.path() + "/COM4"); }, 5000);
  };
  const auto identify = [&] {
    QProcess cli;
    cli.setProcessEnvironment(env);
    cli.start(BinDir() + "/tessera-cli", {"--port", "4", "identify"});
    EXPECT_TRUE(cli.waitForFinished(10000));
    return std::tuple(cli.exitCode(), cli.readAllStandardOutput(), cli.readAllStandardError());
  };
  for (const bool silent : {false, true}) {
    QProcess sim;
    ASSERT_TRUE(serve(sim, silent ? QStringList{"--silent"} : QStringList{"--address", "9"}));
    const auto [status, out, err] = identify();
    sim.terminate();
    sim.waitForFinished(3000);
    QFile::remove(dir.path() + "/COM4");
    if (silent) {
      EXPECT_EQ(status, kExitNoAnswer);
      EXPECT_EQ(out, "");
      EXPECT_EQ(err, "Tessera: TBX Not Responding\n");
    } else {
      EXPECT_EQ(status, kExitOk) << err.toStdString();
      EXPECT_EQ(out,
                "TBX Address #9, Input Assembly Position #1\n"
                "Firmware Version = 23, Firmware Revision = 1.4 \n");
    }
  }
}

// A unit without the extended set answers the address but not the identify request:
// neither line is written, so a script never takes half an answer for a whole one.
TEST(TesseraCliTest, IdentifyWritesBothLinesOrNone) {
  testing::PtyUnit unit({"--no-extended"});
  ASSERT_TRUE(unit.Ready());
  const testing::CliRun run = unit.Run({"identify"}, 10000);
  EXPECT_EQ(run.status, kExitNoAnswer);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Tessera: The unit did not answer the extended identify request.\n");
}

}  // namespace
}  // namespace tessera::cli
