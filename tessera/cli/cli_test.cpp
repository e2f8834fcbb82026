// tessera-cli: its command line, its exit statuses and the identify command, in
// process against the built-in simulated unit and as a program against tbx-sim.
#include "tessera/cli/cli.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "common/testing/test_support.h"
#include "tessera/cli/exit_status.h"
#include "tessera/testing/cli_harness.h"

namespace tessera::cli {
namespace {

using common::testing::BinDir;
using common::testing::ReadBack;
using common::testing::WaitUntil;

struct CliRun {
  int status;
  std::string out, err;
};

CliRun RunCli(const QStringList& arguments) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status = RunTesseraCli(arguments, out, err);
  CliRun run{status, ReadBack(out), ReadBack(err)};
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
      {{"--sim", "--format", "xml", "inputs"}, "--format needs text, csv or json, not 'xml'"},
      {{"--sim", "--format", "csv", "events"}, "--format belongs to identify and inputs"},
      {{"--sim", "identify", "--watch"}, "--watch belongs to inputs"},
      {{"--sim", "inputs", "--seconds", "2"}, "--seconds needs --watch"},
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

// The unit's walking bit lights point k at its k-th answer: each format names it by the
// window's caption, and --watch writes a line for each change.
TEST(TesseraCliTest, InputsInEachFormat) {
  testing::PtyUnit unit({});
  ASSERT_TRUE(unit.Ready());
  const testing::CliRun json = unit.Run({"--format", "json", "identify"}, 10000);
  const QJsonObject identity =
      QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
  EXPECT_EQ(identity.value("unit_address").toInt(), 5) << json.out;
  EXPECT_EQ(identity.value("firmware").toString(),
            "Firmware Version = 23, Firmware Revision = 1.4 ");

  const testing::CliRun text = unit.Run({"inputs"}, 10000);
  EXPECT_EQ(text.status, kExitOk) << text.err;
  EXPECT_NE(text.out.find("\nI/O #00   no\nI/O #01  yes\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("\nActive    no\nOpto #1   no\n"), std::string::npos);

  const testing::CliRun csv =
      unit.Run({"--format", "csv", "inputs", "--watch", "--seconds", "0.75"}, 10000);
  EXPECT_EQ(csv.status, kExitOk) << csv.err;
  const QStringList lines = QString::fromStdString(csv.out).split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(lines.size(), 4) << csv.out;
  const QStringList header = lines[0].split(',');
  EXPECT_EQ(header.size(), 1 + 55 + 4);
  EXPECT_EQ(header.mid(0, 3), (QStringList{"time", "io_00", "io_01"}));
  EXPECT_EQ(header.mid(54, 3), (QStringList{"io_53", "active", "opto_1"}));
  // Two runs so far took answers 0 and 1; this one starts at point 2.
  for (int row = 1; row < lines.size(); ++row) {
    const QStringList cells = lines[row].split(',');
    ASSERT_EQ(cells.size(), header.size());
    EXPECT_EQ(cells.mid(1).indexOf("1"), row + 1) << lines[row].toStdString();
    EXPECT_EQ(cells.mid(1).count("1"), 1);
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

// Standard output on a full disk: no command and no tool may end as if all was well.
TEST(TesseraCliTest, AFullStandardOutputEndsWithStatus10) {
  const QStringList commands[] = {{"--sim", "identify"},
                                  {"--sim", "inputs"},
                                  {"--sim", "inputs", "--watch", "--seconds", "0.3"},
                                  {"--sim", "events"},
                                  {"--sim", "transitions", "--count", "1"},
                                  {"--help"},
                                  {"--version"},
                                  {"--man"}};
  constexpr char kReason[] = "tessera-cli: standard output: No space left on device\n";
  for (const QStringList& arguments : commands) {
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(RunTesseraCli(arguments, full, err), kExitOutput)
        << arguments.join(' ').toStdString();
    EXPECT_EQ(ReadBack(err), kReason) << arguments.join(' ').toStdString();
    std::fclose(full);
    std::fclose(err);
  }
  // The simulator's line that names its port, too.
  QTemporaryDir dir;
  QProcess sim;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", dir.path());
  sim.setProcessEnvironment(env);
  sim.setStandardOutputFile("/dev/full");
  sim.start(BinDir() + "/tbx-sim", {"--port", "7"});
  ASSERT_TRUE(sim.waitForFinished(5000));
  EXPECT_EQ(sim.exitCode(), kExitOutput);
  EXPECT_EQ(sim.readAllStandardError(), "tbx-sim: standard output: No space left on device\n");
}

// A client killed mid-read leaves its line settings and its exclusive claim on the
// simulator's line; the next client must get in as on a real unit.
TEST(TesseraCliTest, TheSimulatorTakesANewClientAfterOneWasKilled) {
  testing::PtyUnit unit({"--paced", "--event-records", "2000"});
  ASSERT_TRUE(unit.Ready());
  QProcess killed;
  killed.setProcessEnvironment(unit.Environment());
  killed.start(BinDir() + "/tessera-cli", {"--port", QString::number(unit.kPort), "events"});
  ASSERT_TRUE(killed.waitForStarted());
  QTest::qWait(1500);  // well into the read
  killed.terminate();
  ASSERT_TRUE(killed.waitForFinished(3000));
  const testing::CliRun next = unit.Run({"identify"}, 10000);
  EXPECT_EQ(next.status, kExitOk) << next.err;
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

// A trace file's records: direction, command, outcome and bytes of each line.
struct Traced {
  std::string direction, name, outcome, bytes;
};
std::vector<Traced> ReadTrace(const QString& path) {
  static const QRegularExpression kLine(
      "^\\S+ \\S+ \\S+ +[0-9.]+ ms  (->|<-)  (\\S+) +(.*?)(?:  ([0-9A-F]{2}(?: [0-9A-F]{2})*))?$");
  std::vector<Traced> records;
  const QString text = QString::fromStdString(testing::FileContents(path));
  for (const QString& line : text.split("\r\n", Qt::SkipEmptyParts)) {
    const QRegularExpressionMatch m = kLine.match(line);
    EXPECT_TRUE(m.hasMatch()) << line.toStdString();
    records.push_back({m.captured(1).toStdString(), m.captured(2).toStdString(),
                       m.captured(3).toStdString(), m.captured(4).toStdString()});
  }
  return records;
}

// Each fault tbx-sim can put on its line, on from the answer after the first: what
// tessera-cli's trace says of the identify exchange, with the bytes tbx-sim's own trace
// says it sent.
TEST(TesseraCliTest, TraceOfEachLineFault) {
  const std::string kIdentifyAnswer = "71 0D 00 23 23 14 00 00 00 00 00 00 00 00 27";
  struct Case {
    const char* fault;
    const char* outcome;  // of the identify answer, a regular expression
    bool bytes_as_sent;   // its bytes are the start of what the unit sent
    bool may_drop;        // bytes may be dropped outside the exchanges (a flood's,
                          // when they come between two exchanges before the run ends)
  };
  for (const Case& c : {
           Case{"checksum", "FAIL checksum error", true, false},
           Case{"truncate",
                "FAIL (time-out after 500 ms|wrong length: [0-9]+ of 15 bytes in 500 ms)", true,
                false},
           Case{"garbage", "FAIL (checksum error|wrong length: [0-9]+ of 15 bytes in 500 ms)", true,
                false},
           Case{"oversize", "ok", true, false},
           Case{"late", "FAIL time-out after 500 ms", false, false},
           Case{"flood", "FAIL checksum error", false, true},
       }) {
    SCOPED_TRACE(c.fault);
    QTemporaryDir dir;
    const QString host_path = dir.filePath("host.txt"), unit_path = dir.filePath("unit.txt");
    {
      testing::PtyUnit unit({"--no-animation", "--fault", c.fault, "--fault-after", "0",
                             "--fault-for", "60000", "--trace", unit_path});
      ASSERT_TRUE(unit.Ready());
      unit.Run({"--trace", host_path, "identify"}, 10000);
    }
    const std::vector<Traced> host = ReadTrace(host_path), unit = ReadTrace(unit_path);
    ASSERT_GE(host.size(), 4u);
    // The input exchange went before the fault.
    EXPECT_EQ(host[1].outcome, "ok");
    const Traced* answer = nullptr;
    bool dropped = false;
    for (const Traced& r : host) {
      if (r.direction == "<-" && r.name == "SendKalRmsFrame") answer = &r;
      if (r.outcome == "FAIL dropped outside an exchange") {
        dropped = true;
        EXPECT_EQ(r.bytes.find_first_not_of("0 "), std::string::npos) << r.bytes;
      }
    }
    ASSERT_NE(answer, nullptr);
    EXPECT_TRUE(QRegularExpression("^(" + QString(c.outcome) + ")$")
                    .match(QString::fromStdString(answer->outcome))
                    .hasMatch())
        << answer->outcome;
    if (!c.may_drop) {
      EXPECT_FALSE(dropped);
    }
    std::vector<std::string> sent;  // by the unit, in order
    for (const Traced& r : unit) {
      if (r.direction == "<-") sent.push_back(r.bytes);
    }
    if (c.bytes_as_sent) {
      ASSERT_GE(sent.size(), answer->bytes.empty() ? 1u : 2u);
      if (sent.size() >= 2) {
        EXPECT_EQ(sent[1].rfind(answer->bytes, 0), 0u) << sent[1];
      }
    }
    if (std::string(c.fault) == "oversize") {
      EXPECT_EQ(answer->bytes, kIdentifyAnswer);
      EXPECT_GT(sent.at(1).size(), kIdentifyAnswer.size());
    }
    if (std::string(c.fault) == "flood") {
      EXPECT_EQ(answer->bytes, "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
    }
  }
}

}  // namespace
}  // namespace tessera::cli
