// tessera-cli: its command line, its exit statuses and the identify command, in
// process against the built-in simulated unit and as a program against tbx-sim.
#include "tessera/cli/cli.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
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

// --trace on both ends of the line: tessera-cli's records and tbx-sim's of the same
// identify run, one line each, the times aside.
TEST(TesseraCliTest, TraceOfARunFromBothEnds) {
  QTemporaryDir dir;
  const QString host = dir.filePath("host.txt"), unit_side = dir.filePath("unit.txt");
  std::vector<std::string> host_lines, unit_lines;
  {
    testing::PtyUnit unit({"--no-animation", "--trace", unit_side});
    ASSERT_TRUE(unit.Ready());
    const testing::CliRun run = unit.Run({"--trace", host, "identify"}, 10000);
    EXPECT_EQ(run.status, kExitOk) << run.err;
  }  // tbx-sim ends here: its trace is complete
  const QRegularExpression stamp(
      "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} [+-]\\d{4} +\\d+\\.\\d{3} ms  (.*)$");
  const auto lines = [&](const QString& path) {
    std::vector<std::string> rests;
    const QString text = QString::fromStdString(testing::FileContents(path));
    EXPECT_TRUE(text.endsWith("\r\n")) << path.toStdString();
    for (const QString& line : text.split("\r\n", Qt::SkipEmptyParts)) {
      const QRegularExpressionMatch match = stamp.match(line);
      EXPECT_TRUE(match.hasMatch()) << line.toStdString();
      rests.push_back(match.captured(1).toStdString());
    }
    return rests;
  };
  constexpr char kInputAnswer[] = "34 00 00 00 00 00 00 00 50 00 00 00 00 7B";
  constexpr char kIdentifyAnswer[] = "71 0D 00 23 23 14 00 00 00 00 00 00 00 00 27";
  EXPECT_EQ(lines(host), (std::vector<std::string>{
                             "->  SendInputFrame    sent  34 00 CB",
                             std::string("<-  SendInputFrame    ok  ") + kInputAnswer,
                             "->  SendKalRmsFrame   sent  71 0D 00 00 81",
                             std::string("<-  SendKalRmsFrame   ok  ") + kIdentifyAnswer,
                         }));
  EXPECT_EQ(lines(unit_side), (std::vector<std::string>{
                                  "->  SendInputFrame    ok  34 00 CB",
                                  std::string("<-  SendInputFrame    sent  ") + kInputAnswer,
                                  "->  SendKalRmsFrame   ok  71 0D 00 00 81",
                                  std::string("<-  SendKalRmsFrame   sent  ") + kIdentifyAnswer,
                              }));
}

TEST(TesseraCliTest, ATraceThatCannotBeWrittenSaysSo) {
  struct Case {
    const char* path;
    int status;
    const char* out;
    const char* err;
  };
  for (const Case& c : {
           // Found before the port is opened: nothing is sent.
           Case{"/nonexistent-folder/trace.txt", kExitTrace, "",
                "tessera-cli: cannot write the trace to /nonexistent-folder/trace.txt: No such "
                "file or directory\n"},
           // The run itself went well; the trace did not.
           Case{"/dev/full", kExitTrace,
                "TBX Address #5, 6 Pack Output Assembly Position #1\n"
                "Firmware Version = 23, Firmware Revision = 1.4 \n",
                "tessera-cli: the trace to /dev/full is incomplete: No space left on device\n"},
       }) {
    const CliRun run = RunCli({"--sim", "--trace", c.path, "identify"});
    EXPECT_EQ(run.status, c.status) << c.path;
    EXPECT_EQ(run.out, c.out) << c.path;
    EXPECT_EQ(run.err, c.err) << c.path;
  }
  const CliRun empty = RunCli({"--sim", "--trace", "", "identify"});
  EXPECT_EQ(empty.status, kExitUsage);
  EXPECT_EQ(empty.out, "");
}

}  // namespace
}  // namespace tessera::cli
