// tessera-cli: its command line, its exit statuses and the identify and inputs
// commands, in process against the built-in simulated unit and as a program against
// tbx-sim.
#include "tessera/cli/cli.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "common/testing/device_run.h"
#include "common/testing/env_scope.h"
#include "common/testing/test_support.h"
#include "tessera/cli/exit_status.h"
#include "tessera/testing/cli_harness.h"
#include "tessera/testing/test_unit.h"

namespace tessera::cli {
namespace {

using common::testing::BinDir;
using testing::CliRun;
using testing::PtyUnit;
using testing::RunInProcess;

constexpr char kIdentity[] =
    "TBX Address #5, 6 Pack Output Assembly Position #1\n"
    "Firmware Version = 23, Firmware Revision = 1.4 \n";

// Refused before any port is opened (port 250 is not there), with nothing on standard
// output.
TEST(TesseraCliTest, BadCommandLinesEndWithStatus2) {
  const std::pair<QStringList, const char*> cases[] = {
      {{}, "no command given"},
      {{"identify"}, "give either --port N or --sim"},
      {{"--sim", "bogus"}, "unknown command 'bogus'"},
      {{"--port", "0", "identify"}, "--port needs a number 1-256, not '0'"},
      {{"--sim", "--format", "xml", "inputs"}, "--format needs text, csv or json, not 'xml'"},
      {{"--sim", "identify", "--watch"}, "--watch belongs to inputs"},
      {{"--sim", "inputs", "--seconds", "2"}, "--seconds needs --watch"},
      {{"--port", "250", "transitions"}, "transitions needs either --count K or --all"},
      {{"--sim", "transitions", "--count", "256"}, "--count needs a number 1-255, not '256'"},
      {{"--sim", "transitions", "--all", "--clear"}, "--clear belongs to events"},
      {{"--sim", "flash", "a.hex", "b.hex"}, "flash needs one FILE, the firmware's Intel HEX file"},
      {{"--sim", "--trace", "", "identify"}, ""},
  };
  for (const auto& [arguments, problem] : cases) {
    const CliRun run = RunInProcess(arguments);
    EXPECT_EQ(
        std::tuple(run.status, run.err.rfind(std::string("tessera-cli: ") + problem, 0), run.out),
        std::tuple(kExitUsage, 0u, ""))
        << run.err;
  }
  const CliRun help = RunInProcess({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* text : {"events [--clear]", "transitions --count K | --all", "Exit status: 0"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
}

// A port that will not open gives the window's text; a trace that cannot be written is
// found before the port is opened (nothing is sent), or after a run that went well; a
// full standard output (a full disk) ends no command nor the help as if all was well.
TEST(TesseraCliTest, PortTraceAndOutputFailuresEndWithTheirStatus) {
  QTemporaryDir dir;
  const common::testing::EnvScope com_dir("CABINET_COM_DIR", dir.path().toLocal8Bit().constData());
  const std::string full = "tessera-cli: standard output: No space left on device\n";
  const std::tuple<QStringList, bool, int, std::string, std::string> cases[] = {
      // clang-format off
      {{"--port", "250", "identify"}, false, kExitPort, "",
       "Tessera: Open Port Error\n  No such device: /dev/ttyS249\n"},
      {{"--sim", "--trace", "/nonexistent/t.txt", "identify"}, false, kExitTrace, "",
       "tessera-cli: cannot write the trace to /nonexistent/t.txt: No such file or directory\n"},
      {{"--sim", "--trace", "/dev/full", "identify"}, false, kExitTrace, kIdentity,
       "tessera-cli: the trace to /dev/full is incomplete: No space left on device\n"},
      {{"--sim", "identify"}, true, kExitOutput, "", full},
      {{"--sim", "inputs", "--watch", "--seconds", "0.3"}, true, kExitOutput, "", full},
      {{"--sim", "transitions", "--count", "1"}, true, kExitOutput, "", full},
      {{"--help"}, true, kExitOutput, "", full},
      // clang-format on
  };
  for (const auto& [arguments, full_output, status, out, err] : cases) {
    const CliRun run = RunInProcess(arguments, full_output);
    EXPECT_EQ(std::tuple(run.status, run.out, run.err), std::tuple(status, out, err))
        << arguments.join(' ').toStdString();
  }
}

// Every command's own output is flushed as it is written; the run's last flush still
// catches what a command left in the buffer (here a byte put there beforehand).
TEST(TesseraCliTest, OutputStillBufferedAtTheEndIsChecked) {
  QTemporaryDir dir;
  const QString file = tessera::testing::WriteFile(dir.filePath("tbx2315(fe05).hex"),
                                                   ":0270000001028B\r\n:00000001FF\r\n");
  std::FILE* out = std::fopen("/dev/full", "w");
  std::FILE* err = std::tmpfile();
  std::fputc('x', out);
  EXPECT_EQ(RunTesseraCli({"--sim", "--yes", "flash", file}, out, err), kExitOutput);
  EXPECT_NE(common::testing::ReadBack(err).find("standard output: No space left"),
            std::string::npos);
  std::fclose(out);
  std::fclose(err);
}

// A unit without the extended set answers the address but not the identify request:
// neither line is written, so a script never takes half an answer for a whole one.
// (The identity as written: the trace tests; over a port: the inputs test.)
TEST(TesseraCliTest, IdentifyOverAPortWritesBothLinesOrNone) {
  const std::pair<const char*, const char*> cases[] = {
      {"--silent", "Tessera: TBX Not Responding\n"},
      {"--no-extended", "Tessera: The unit did not answer the extended identify request.\n"}};
  for (const auto& [option, err] : cases) {
    PtyUnit unit({option});
    const CliRun run = unit.Run({"identify"}, 10000);
    EXPECT_EQ(std::tuple(run.status, run.out, run.err), std::tuple(kExitNoAnswer, "", err));
  }
}

// The unit's walking bit lights point k at its k-th answer: each format names it by the
// window's caption, and --watch writes a line for each change.
TEST(TesseraCliTest, InputsInEachFormat) {
  PtyUnit unit({});
  const CliRun json = unit.Run({"--format", "json", "identify"}, 10000);
  EXPECT_EQ(QJsonDocument::fromJson(json.out.c_str()).object().value("unit_address").toInt(), 5);

  const CliRun text = unit.Run({"inputs"}, 10000);
  EXPECT_EQ(text.status, kExitOk) << text.err;
  EXPECT_TRUE(text.out.find("\nI/O #00   no\nI/O #01  yes\n") != std::string::npos &&
              text.out.find("\nActive    no\nOpto #1   no\n") != std::string::npos)
      << text.out;

  const CliRun csv = unit.Run({"--format", "csv", "inputs", "--watch", "--seconds", "0.75"}, 10000);
  EXPECT_EQ(csv.status, kExitOk) << csv.err;
  const QStringList lines = QString::fromStdString(csv.out).split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(lines.size(), 4) << csv.out;
  const QStringList header = lines[0].split(',');
  EXPECT_EQ(header.mid(53),
            (QStringList{"io_52", "io_53", "active", "opto_1", "opto_2", "opto_3", "opto_4"}));
  // Two runs so far took answers 0 and 1; this one starts at point 2.
  for (int row = 1; row < lines.size(); ++row)
    EXPECT_EQ(lines[row].split(',').mid(1).indexOf("1"), row + 1) << lines[row].toStdString();
}

// --trace: one line a record, the time first; the record's text is the link's.
TEST(TesseraCliTest, TraceOfARun) {
  QTemporaryDir dir;
  const QString host = dir.filePath("host.txt");
  PtyUnit unit({"--no-animation"});
  EXPECT_EQ(unit.Run({"--trace", host, "identify"}, 10000).status, kExitOk);
  QFile trace(host);
  ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
  QString text = trace.readAll();
  text.remove(QRegularExpression(
      "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} [+-]\\d{4} +\\d+\\.\\d{3} ms  ",
      QRegularExpression::MultilineOption));
  EXPECT_EQ(text,
            "->  SendInputFrame    sent  34 00 CB\r\n"
            "<-  SendInputFrame    ok  34 00 00 00 00 00 00 00 50 00 00 00 00 7B\r\n"
            "->  SendKalRmsFrame   sent  71 0D 00 00 81\r\n"
            "<-  SendKalRmsFrame   ok  71 0D 00 23 23 14 00 00 00 00 00 00 00 00 27\r\n");
}

// --- flash: what the tool adds to the update procedure (its texts on standard error,
// the --yes answer, its exit status for each way the update ends) ----------------

constexpr char kCaution[] =
    "Firmware Update Operation: Caution: This firmware update operation must be performed with "
    "stable AC power to the TBX and MUST NOT BE INTERRUPTED.\n";
constexpr char kAnsweredOk[] = "(answered OK by --yes)\n";

TEST(FlashCommandTest, EachEndHasItsTextAndExitStatus) {
  QTemporaryDir dir;
  // Three records of one byte each: 0x00 at 0x7000, 0x7001, 0x7002.
  const QString file = tessera::testing::WriteFile(
      dir.filePath("tbx2315(fd03).hex"),
      ":01700000008F\r\n:01700100008E\r\n:01700200008D\r\n:00000001FF\r\n");
  const QString no_end =
      tessera::testing::WriteFile(dir.filePath("tbx2315(fe05)x.hex"), ":0270000001028B\r\n");
  const QString log = dir.filePath("traffic.log");

  // The unit's options, the command's after "flash"; the exit status, standard error.
  const std::tuple<QStringList, QStringList, int, std::vector<std::string>> cases[] = {
      // clang-format off
      {{"--new-version", "25,23,15"}, {"--yes", file}, kExitOk,
       {kCaution, kAnsweredOk, "Launching the flash loader ...\n", "0/3 records (0 %)\n",
        "3/3 records (100 %)\nChecking the flash checksum ...\nRebooting the TBX ...\n",
        "Successfully Completed:\n   File Name: " + file.toStdString() +
            "\n\n   KAL Model TBX-540\n   Firmware Type 23\n   Firmware Version 1.5\n"}},
      {{"--bad-erases", "3"}, {"--yes", file}, kExitAfterErase,
       {kCaution, "Firmware Update Operation Error: Flash did not erase.\n",
        "The TBX waits in its flash loader: run the update again to finish it.\n"}},
      {{"--refuse-launch"}, {"--yes", file}, kExitNoAnswer,
       {kCaution, "Firmware Update Operation Error: Flash loader did not launch.\n"}},
      // Nobody to ask and no --yes: the caution is refused and nothing goes to the loader.
      {{}, {file}, kExitNotAnswered,
       {kCaution, "(not answered: no terminal to ask; --yes answers yes)\n"}},
      {{}, {"--yes", no_end}, kExitFileRejected,
       {kCaution, kAnsweredOk, "Firmware Update Operation Error: The input file (" +
            no_end.toStdString() + ") is not valid, no end record.\n"}},
      // clang-format on
  };
  for (const auto& [sim, cli, status, err] : cases) {
    SCOPED_TRACE(sim.join(' ').toStdString() + " / " + cli.join(' ').toStdString());
    QFile::remove(log);
    testing::PtyUnit unit(QStringList{"--no-animation", "--log", log} + sim);
    const testing::CliRun run = unit.Run(QStringList{"flash"} + cli, 60000);
    EXPECT_EQ(std::tuple(run.status, run.out), std::tuple(status, ""));
    QStringList in_order;  // each expected piece, in this order
    for (const std::string& piece : err)
      in_order << QRegularExpression::escape(QString::fromStdString(piece));
    EXPECT_TRUE(QString::fromStdString(run.err).contains(
        QRegularExpression(in_order.join(".*"), QRegularExpression::DotMatchesEverythingOption)))
        << run.err;
    if (status == kExitNotAnswered) {
      for (const auto& block : common::testing::ReadTrafficLog(log))
        EXPECT_FALSE(block.from_host && block.bytes.startsWith('\x70'));
    }
  }
}

}  // namespace
}  // namespace tessera::cli
