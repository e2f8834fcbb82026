// Test-only: tessera-cli run in process (against the built-in simulated unit) or as
// a program against tbx-sim on a pseudo-terminal, with what it wrote and returned.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "common/testing/test_support.h"
#include "tessera/cli/cli.h"

namespace tessera::cli::testing {

struct CliRun {
  int status = -1;
  std::string out, err;
};

// `full_output`: standard output is a full disk.
inline CliRun RunInProcess(const QStringList& arguments, bool full_output = false) {
  std::FILE* out = full_output ? std::fopen("/dev/full", "w") : std::tmpfile();
  std::FILE* err = std::tmpfile();
  CliRun run;
  run.status = RunTesseraCli(arguments, out, err);
  if (!full_output) run.out = common::testing::ReadBack(out);
  run.err = common::testing::ReadBack(err);
  std::fclose(out);
  std::fclose(err);
  return run;
}

// tbx-sim serving COM<port> in a private port directory for as long as it lives.
class PtyUnit {
 public:
  static constexpr int kPort = 6;

  explicit PtyUnit(const QStringList& options) {
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("CABINET_COM_DIR", dir_.path());
    sim_.setProcessEnvironment(env_);
    sim_.start(common::testing::BinDir() + "/tbx-sim",
               QStringList{"--port", QString::number(kPort)} + options);
    // Not ready: every run then fails on the port.
    EXPECT_TRUE(common::testing::WaitUntil(
        [this] { return QFileInfo::exists(dir_.filePath(QString("COM%1").arg(kPort))); }, 5000))
        << "tbx-sim made no COM" << kPort;
  }
  ~PtyUnit() {
    sim_.terminate();
    EXPECT_TRUE(sim_.waitForFinished(3000)) << "tbx-sim did not end on SIGTERM";
  }

  // tessera-cli --port <kPort> <arguments>, as a program.
  CliRun Run(const QStringList& arguments, int timeout_ms = 30000) {
    QProcess cli;
    cli.setProcessEnvironment(env_);
    cli.start(common::testing::BinDir() + "/tessera-cli",
              QStringList{"--port", QString::number(kPort)} + arguments);
    EXPECT_TRUE(cli.waitForFinished(timeout_ms));
    return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
            cli.readAllStandardOutput().toStdString(), cli.readAllStandardError().toStdString()};
  }

 private:
  QTemporaryDir dir_;
  QProcessEnvironment env_;
  QProcess sim_;
};

}  // namespace tessera::cli::testing
