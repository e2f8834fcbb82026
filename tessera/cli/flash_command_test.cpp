// tessera-cli flash as a program against tbx-sim on a pseudo-terminal, with the
// loader's faults, judged by exit status, the texts on standard error and the
// traffic on the wire.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/testing/test_support.h"
#include "tessera/cli/exit_status.h"
#include "tessera/testing/test_objcopy.h"
#include "tessera/testing/test_unit.h"

namespace tessera::cli {
namespace {

using common::testing::BinDir;
using common::testing::ReadTrafficLog;
using common::testing::WaitUntil;

constexpr char kCaution[] =
    "Firmware Update Operation: Caution: This firmware update operation must be performed with "
    "stable AC power to the TBX and MUST NOT BE INTERRUPTED.\n";
constexpr char kNotAnswered[] = "(not answered: no terminal to ask; --yes answers yes)\n";
constexpr char kAnsweredOk[] = "(answered OK by --yes)\n";
constexpr char kLoaderNote[] =
    "The TBX waits in its flash loader: run the update again to finish it.\n";

// Each expected piece appears in `text`, in this order.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& pieces) {
  std::size_t at = 0;
  for (const std::string& piece : pieces) {
    const std::size_t found = text.find(piece, at);
    EXPECT_NE(found, std::string::npos) << "missing: " << piece << "\nin: " << text;
    if (found != std::string::npos) at = found + piece.size();
  }
}

// The program against tbx-sim: an objcopy image written record by record, then the
// faults a technician meets, each with its own exit status.
TEST(FlashCommandTest, AgainstTbxSimOverAPseudoTerminal) {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", dir.path());
  const common::Bytes image = tessera::testing::RandomBytes(4000, 5);
  std::string problem;
  const auto hex = tessera::testing::ObjcopyHex(image, 0x1F000, problem);
  ASSERT_TRUE(hex) << problem;
  char name[64];
  std::snprintf(name, sizeof name, "TBX2315(%04X).hex",
                tessera::testing::Reference(image, 0x1F000).checksum);
  const QString file = tessera::testing::WriteFile(dir.filePath(name), *hex);
  const QString no_end =
      tessera::testing::WriteFile(dir.filePath("tbx2315(fe05)x.hex"), ":0270000001028B\r\n");

  const struct {
    QStringList sim;
    QStringList cli;  // after --port 6 flash; empty: --yes and the objcopy file
    int status;
    std::vector<std::string> err;
    int programs;  // program requests on the wire
  } cases[] = {
      // clang-format off
      {{"--new-version", "25,23,15"}, {}, kExitOk,
       {kCaution, kAnsweredOk, "Launching the flash loader ...\nErasing the flash ...\n"
        "Programming and verifying the records ...\n0/250 records (0 %)\n25/250 records (10 %)\n",
        "250/250 records (100 %)\nChecking the flash checksum ...\nRebooting the TBX ...\n",
        "Successfully Completed:\n   File Name: " + dir.filePath(name).toStdString() +
            "\n\n   KAL Model TBX-540\n   Firmware Type 23\n   Firmware Version 1.5\n"
            "   Comm Version 2.5\n"},
       250},
      // Resumed from the loader an earlier run left behind (looked for only once the
      // caution is answered); its version is unknown.
      {{"--in-loader"}, {}, kExitOk,
       {kCaution, kAnsweredOk, "than the current installed version (0)",
        "The TBX answers only its flash loader: an earlier update did not finish.\n",
        "Successfully Completed:"},
       250},
      {{"--bad-erases", "3"}, {}, kExitAfterErase,
       {kCaution, "Firmware Update Operation Error: Flash did not erase.\n", kLoaderNote}, 0},
      {{"--refuse-launch"}, {}, kExitNoAnswer,
       {kCaution, "Firmware Update Operation Error: Flash loader did not launch.\n",
        "(not answered: no terminal to ask)\n"}, 0},
      {{"--device-code", "21"}, {}, kExitNoAnswer,
       {"Firmware Update Operation Error: Unsupported device, Mfg = 0x1F, Device = 0x21\n",
        kLoaderNote}, 0},
      {{"--silent"}, {}, kExitNoAnswer,
       {kCaution, kAnsweredOk, "Firmware Update Operation Error: TBX Not Responding\n"}, 0},
      // Nobody to ask and no --yes: the caution is refused, nothing is sent to the loader
      // (not even a look for one at a silent unit).
      {{}, {file}, kExitNotAnswered, {kCaution, kNotAnswered}, 0},
      {{"--silent"}, {file}, kExitNotAnswered, {kCaution, kNotAnswered}, 0},
      {{}, {"--yes", no_end}, kExitFileRejected,
       {kCaution, kAnsweredOk, "Firmware Update Operation Error: The input file (" +
            no_end.toStdString() + ") is not valid, no end record.\n"}, 0},
      {{}, {"a.hex", "b.hex"}, kExitUsage,
       {"tessera-cli: flash needs one FILE, the firmware's Intel HEX file\n"}, 0},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sim.join(' ').toStdString());
    const QString log = dir.filePath("traffic.log");
    QFile::remove(log);
    QFile::remove(dir.filePath("COM6"));
    QProcess sim;
    sim.setProcessEnvironment(env);
    sim.start(BinDir() + "/tbx-sim",
              QStringList{"--port", "6", "--no-animation", "--log", log} + c.sim);
    ASSERT_TRUE(WaitUntil([&] { return QFileInfo::exists(dir.filePath("COM6")); }, 5000));
    QProcess cli;
    cli.setProcessEnvironment(env);
    cli.start(BinDir() + "/tessera-cli",
              QStringList{"--port", "6", "flash"} +
                  (c.cli.isEmpty() ? QStringList{"--yes", file} : c.cli));
    EXPECT_TRUE(cli.waitForFinished(60000));
    sim.terminate();
    sim.waitForFinished(3000);
    EXPECT_EQ(cli.exitCode(), c.status);
    ExpectInOrder(cli.readAllStandardError().toStdString(), c.err);
    EXPECT_EQ(cli.readAllStandardOutput(), "");
    int programs = 0;
    int loader_requests = 0;
    for (const auto& block : ReadTrafficLog(log)) {
      if (!block.from_host) continue;
      if (block.bytes.startsWith(QByteArray::fromHex("7004"))) ++programs;
      if (block.bytes.startsWith(QByteArray::fromHex("70"))) ++loader_requests;
    }
    EXPECT_EQ(programs, c.programs);
    if (c.status == kExitNotAnswered) {
      EXPECT_EQ(loader_requests, 0);
    }
  }
}

}  // namespace
}  // namespace tessera::cli
