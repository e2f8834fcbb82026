// Test-only: a real program against a pty simulator, both started as processes with
// a temporary port directory and settings home, the simulator's traffic log and the
// program's screen log (CABINET_SCREEN_LOG) kept for the test to read.
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

namespace common::testing {

// The programs of a sanitizer build keep freed memory in quarantine (hundreds of MB):
// their resident size says nothing about the program's own use of memory.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kProgramMemoryMeasurable = false;
#else
inline constexpr bool kProgramMemoryMeasurable = true;
#endif

// A line of the program's screen log: what one control showed from time t on.
struct ScreenEntry {
  double t = 0;
  QString name;
  QString shown;
};
QList<ScreenEntry> ReadScreenLog(const QString& path);

// The traffic log with its time stamps: blocks ('>' host to device, '<' back) and
// the simulator's notes ('!', e.g. "fault garbage on").
struct TimedLine {
  double t = 0;
  char kind = '>';
  QByteArray bytes;  // blocks
  QString note;      // notes
};
QList<TimedLine> ReadTimedTraffic(const QString& path);

class DeviceRun {
 public:
  struct Options {
    QString simulator;  // file name in BinDir()
    QStringList simulator_args;
    QString program;
    QStringList program_args;
    int port = 7;
    // Called with the settings home before the program starts.
    std::function<void(const QString& config_home)> prepare;
  };
  explicit DeviceRun(Options options);
  ~DeviceRun();

  // Starts the simulator, waits for its link, then the program. False with a reason.
  bool Start(QString* why);
  // Waits until the traffic log has a note that starts with `note`.
  bool WaitForNote(const QString& note, int timeout_ms);
  bool ProgramRunning() const { return program_.state() == QProcess::Running; }
  // Resident memory of the program in KiB (Linux), -1 when unknown.
  long long ProgramRssKib() const;
  // Ends both, the program first; what the program said on standard error.
  QByteArray Stop();

  QString TrafficLogPath() const { return dir_.filePath("traffic.log"); }
  QString ScreenLogPath() const { return dir_.filePath("screen.log"); }

 private:
  Options options_;
  QTemporaryDir dir_;
  QProcess simulator_;
  QProcess program_;
  bool stopped_ = false;
};

}  // namespace common::testing
