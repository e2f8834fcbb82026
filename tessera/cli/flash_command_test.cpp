// tessera-cli flash: in process against the built-in simulated unit, and as a
// program against tbx-sim on a pseudo-terminal with the loader's faults, judged by
// exit status, the texts on standard error and the traffic on the wire.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "common/testing/test_support.h"
#include "tessera/cli/cli.h"
#include "tessera/cli/exit_status.h"
#include "tessera/flash/test_objcopy.h"

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

std::string Read(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

QString WriteFile(const QString& path, const std::string& text) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text.data(), static_cast<qint64>(text.size()));
  return path;
}

// Each expected piece appears in `text`, in this order.
void ExpectInOrder(const std::string& text, const std::vector<std::string>& pieces) {
  std::size_t at = 0;
  for (const std::string& piece : pieces) {
    const std::size_t found = text.find(piece, at);
    EXPECT_NE(found, std::string::npos) << "missing: " << piece << "\nin: " << text;
    if (found != std::string::npos) at = found + piece.size();
  }
}

TEST(FlashCommandTest, AgainstTheBuiltInUnit) {
  QTemporaryDir dir;
  const QString good =
      WriteFile(dir.filePath("tbx2315(fe05).hex"), ":0270000001028B\r\n:00000001FF\r\n");
  const QString other_type =
      WriteFile(dir.filePath("tbx2215(fe05).hex"), ":0270000001028B\r\n:00000001FF\r\n");
  const QString no_end = WriteFile(dir.filePath("tbx2315(fe05)x.hex"), ":0270000001028B\r\n");
  const std::string shown = dir.path().toUpper().toStdString() + "/";
  const std::string done =
      "Firmware Update Operation: Firmware Update Successfully Completed:\n   File Name: " + shown +
      "TBX2315(FE05).HEX\n\n   KAL Model TBX-540\n   Firmware Type 23\n"
      "   Firmware Version 1.4\n   Comm Version 2.3\n";
  const struct {
    QStringList arguments;
    int status;
    std::vector<std::string> err;
  } cases[] = {
      {{"--sim", "flash"},
       kExitUsage,
       {"tessera-cli: flash needs one FILE, the firmware's Intel HEX file\n"}},
      {{"--sim", "flash", "a.hex", "b.hex"}, kExitUsage, {"tessera-cli: flash needs one FILE"}},
      // Nobody to ask and no --yes: the caution is refused, nothing is sent.
      {{"--sim", "flash", good}, kExitNotAnswered, {kCaution, kNotAnswered}},
      {{"--sim", "flash", "--yes", dir.filePath("tbx2315(fe05) gone.hex")},
       kExitFileRejected,
       {kCaution, kAnsweredOk,
        "Open: File \"" + shown + "TBX2315(FE05) GONE.HEX\" could not be found!\n"}},
      {{"--sim", "flash", "--yes", no_end},
       kExitFileRejected,
       {kCaution, kAnsweredOk,
        "Firmware Update Operation Error: The input file (" + shown +
            "TBX2315(FE05)X.HEX) is not valid, no end record.\n"}},
      {{"--sim", "--yes", "flash", good},
       kExitOk,
       {kCaution, kAnsweredOk, "0/1 records (0 %)\n1/1 records (100 %)\n", done}},
      {{"--sim", "flash", "--yes", other_type},
       kExitOk,
       {kCaution, kAnsweredOk, "firmware Version Type (22) than the current installed version (23)",
        kAnsweredOk, "Firmware Update Successfully Completed:"}},
      {{"--sim", "flash", other_type}, kExitNotAnswered, {kCaution, kNotAnswered}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').toStdString());
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    EXPECT_EQ(RunTesseraCli(c.arguments, out, err), c.status);
    const std::string err_text = Read(err);
    ExpectInOrder(err_text, c.err);
    EXPECT_EQ(Read(out), "");
    std::fclose(out);
    std::fclose(err);
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
  const QString file = WriteFile(dir.filePath(name), *hex);

  const struct {
    QStringList sim;
    int status;
    std::vector<std::string> err;
    int programs;  // program requests on the wire
  } cases[] = {
      {{"--new-version", "25,23,15"},
       kExitOk,
       {kCaution, "0/250 records (0 %)\n25/250 records (10 %)\n", "250/250 records (100 %)\n",
        "Successfully Completed:\n   File Name: " + dir.path().toUpper().toStdString() + "/" +
            QString(name).toUpper().toStdString() +
            "\n\n   KAL Model TBX-540\n   Firmware Type 23\n   Firmware Version 1.5\n"
            "   Comm Version 2.5\n"},
       250},
      // Resumed from the loader an earlier run left behind; its version is unknown.
      {{"--in-loader"},
       kExitOk,
       {"The TBX answers only its flash loader: an earlier update did not finish.\n", kCaution,
        "than the current installed version (0)", "Successfully Completed:"},
       250},
      {{"--bad-erases", "3"},
       kExitAfterErase,
       {kCaution, "Firmware Update Operation Error: Flash did not erase.\n", kLoaderNote},
       0},
      {{"--program-fault-at", "1F7C0", "--program-fault-status", "44"},
       kExitAfterErase,
       {kCaution, "Firmware Update Operation Error: Flash verify byte error.\n", kLoaderNote},
       3 * 125},
      {{"--refuse-launch"},
       kExitNoAnswer,
       {kCaution, "Firmware Update Operation Error: Flash loader did not launch.\n",
        "(not answered: no terminal to ask)\n"},
       0},
      {{"--device-code", "21"},
       kExitNoAnswer,
       {"Firmware Update Operation Error: Unsupported device, Mfg = 0x1F, Device = 0x21\n",
        kLoaderNote},
       0},
      {{"--silent"}, kExitNoAnswer, {"Tessera: TBX Not Responding\n"}, 0},
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
    cli.start(BinDir() + "/tessera-cli", {"--port", "6", "flash", "--yes", file});
    EXPECT_TRUE(cli.waitForFinished(60000));
    sim.terminate();
    sim.waitForFinished(3000);
    EXPECT_EQ(cli.exitCode(), c.status);
    ExpectInOrder(cli.readAllStandardError().toStdString(), c.err);
    EXPECT_EQ(cli.readAllStandardOutput(), "");
    int programs = 0;
    for (const auto& block : ReadTrafficLog(log)) {
      if (block.from_host && block.bytes.startsWith(QByteArray::fromHex("7004"))) ++programs;
    }
    EXPECT_EQ(programs, c.programs);
  }
}

}  // namespace
}  // namespace tessera::cli
