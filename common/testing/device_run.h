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
inline constexpr double kSlowdown = 2.0;  // the sanitizers' cost on every exchange and redraw
#else
inline constexpr bool kProgramMemoryMeasurable = true;
inline constexpr double kSlowdown = 1.0;
#endif

// A line of the program's screen log: what one control showed from time t on.
struct ScreenEntry {
  double t = 0;
  QString name;
  QString shown;
};

// Reads the traffic log written by a pty simulator started with --log: the lines
// "> hex" (host to device) and "< hex" (device to host), in order, the pieces of one
// write joined.
struct LoggedBlock {
  bool from_host;
  QByteArray bytes;
};
QList<LoggedBlock> ReadTrafficLog(const QString& path);

// What a control showed without the " [disabled]" the link state adds to whole frames.
QString Plain(const QString& shown);
// How soon after a fault ends the programs must show the device as answering again
// (a second; the sanitizer build is given more).
inline constexpr double kRecoveryS = 1.0 * kSlowdown;

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

// A run through one fault of the simulator's schedule ("fault X on" to "fault X
// off" in the traffic log): what crossed the line and what the window showed.
struct FaultRun {
  QString failure;  // why the run did not get through the fault; empty when it did
  double fault_on = 0, fault_off = 0, end = 0;  // traffic log times, seconds
  QList<double> requests;                       // host blocks starting with the request
  QList<ScreenEntry> screen;
  long long rss_before = -1, rss_after = -1;  // the program's, at the fault's start and end

  // Requests sent after `t`.
  int RequestsAfter(double t) const;
};
// Starts `run`, waits through `fault`, lets the program poll 1.6 s more and stops it.
FaultRun RunThroughFault(DeviceRun& run, const QString& fault, const QByteArray& request);

// What a link-state label showed: when it first and last read `good`, and its last text.
struct LinkShown {
  double first_good = 0, last_good = 0;
  QString last;
};
LinkShown ShownLinkState(const QList<ScreenEntry>& screen, const QString& label,
                         const QString& good,
                         const std::function<QString(const QString&)>& plain = {});

}  // namespace common::testing
