#include "common/testing/device_run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "common/qtcore/event_wait.h"
#include "common/testing/test_support.h"

namespace common::testing {
namespace {

// "t=1765072812.123456" at the end of a line (traffic) or its start (screen).
double Stamp(const QString& text) {
  const qsizetype at = text.indexOf("t=");
  return at < 0 ? 0 : text.mid(at + 2).section(' ', 0, 0).toDouble();
}

QStringList Lines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

QList<ScreenEntry> ReadScreenLog(const QString& path) {
  QList<ScreenEntry> entries;
  for (const QString& line : Lines(path)) {
    const qsizetype space = line.indexOf(' ');
    const qsizetype equals = line.indexOf('=', space + 1);
    if (!line.startsWith("t=") || space < 0 || equals < 0) continue;
    entries.append({Stamp(line), line.mid(space + 1, equals - space - 1), line.mid(equals + 1)});
  }
  return entries;
}

// The traffic log with its time stamps: blocks ('>' host to device, '<' back) and
// the simulator's notes ('!', e.g. "fault garbage on").
struct TimedLine {
  double t = 0;
  char kind = '>';
  QString body;  // the block's bytes in hex, or the note
  QByteArray Bytes() const { return Hex(body.toLatin1().constData()); }
};

QList<TimedLine> ReadTimedTraffic(const QString& path) {
  QList<TimedLine> lines;
  for (const QString& line : Lines(path)) {
    if (QStringLiteral("<>!").indexOf(line[0]) < 0) continue;
    lines.append({Stamp(line), line[0].toLatin1(), line.mid(1).section("t=", 0, 0).trimmed()});
  }
  return lines;
}

}  // namespace

QList<LoggedBlock> ReadTrafficLog(const QString& path) {
  QList<LoggedBlock> blocks;
  for (const TimedLine& line : ReadTimedTraffic(path)) {
    // A pty may hand one write over in pieces: join consecutive pieces.
    if (line.kind == '!') continue;
    if (!blocks.isEmpty() && blocks.back().from_host == (line.kind == '>')) {
      blocks.back().bytes.append(line.Bytes());
    } else {
      blocks.append({line.kind == '>', line.Bytes()});
    }
  }
  return blocks;
}

DeviceRun::DeviceRun(Options options) : options_(std::move(options)) {}

DeviceRun::~DeviceRun() { Stop(); }

bool DeviceRun::Start(QString* why) {
  const QString com_dir = dir_.filePath("com"), config = dir_.filePath("config");
  QDir().mkpath(com_dir);
  QDir().mkpath(config);
  if (options_.prepare) options_.prepare(config);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", com_dir);
  env.insert("XDG_CONFIG_HOME", config);
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("CABINET_SCREEN_LOG", ScreenLogPath());
  simulator_.setProcessEnvironment(env);
  program_.setProcessEnvironment(env);
  simulator_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  simulator_.start(BinDir() + "/" + options_.simulator,
                   options_.simulator_args + QStringList{"--port", QString::number(options_.port),
                                                         "--log", TrafficLogPath()});
  const QString link = com_dir + QStringLiteral("/COM%1").arg(options_.port);
  if (!WaitUntil([&] { return QFileInfo::exists(link); }, 5000)) {
    *why = options_.simulator + " (built?) made no " + link;
    return false;
  }
  program_.start(BinDir() + "/" + options_.program, options_.program_args);
  if (!program_.waitForStarted(5000)) {
    *why = options_.program + " did not start";
    return false;
  }
  return true;
}

bool DeviceRun::WaitForNote(const QString& note, int timeout_ms) {
  return WaitUntil(
      [&] {
        for (const TimedLine& line : ReadTimedTraffic(TrafficLogPath()))
          if (line.kind == '!' && line.body.startsWith(note)) return true;
        return false;
      },
      timeout_ms);
}

long long DeviceRun::ProgramRssKib() const {
  QFile status(QStringLiteral("/proc/%1/status").arg(program_.processId()));
  if (!status.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
  return -1;
}

QByteArray DeviceRun::Stop() {
  if (stopped_) return {};
  stopped_ = true;
  for (QProcess* process : {&program_, &simulator_}) {
    if (process->state() == QProcess::NotRunning) continue;
    process->terminate();
    if (!process->waitForFinished(5000)) {
      process->kill();
      process->waitForFinished(3000);
    }
  }
  return program_.readAllStandardError();
}

QString Plain(const QString& shown) { return QString(shown).remove(" [disabled]"); }

int FaultRun::RequestsAfter(double t) const {
  return static_cast<int>(
      std::count_if(requests.begin(), requests.end(), [t](double at) { return at > t; }));
}

FaultRun RunThroughFault(DeviceRun& run, const QString& fault, const QByteArray& request) {
  FaultRun result;
  QString why;
  if (!run.Start(&why)) result.failure = why;
  if (result.failure.isEmpty() && !run.WaitForNote("fault " + fault + " on", 15000))
    result.failure = "the fault never started";
  result.rss_before = run.ProgramRssKib();
  if (result.failure.isEmpty() && !run.WaitForNote("fault " + fault + " off", 5000))
    result.failure = "the fault never ended";
  if (!result.failure.isEmpty()) return result;
  common::Delay(static_cast<int>(600 + 1000 * kRecoveryS));  // recovery, then polling to count
  result.rss_after = run.ProgramRssKib();
  const bool running = run.ProgramRunning();
  const QByteArray errors = run.Stop();
  if (!running) result.failure = "the program ended: " + QString::fromLocal8Bit(errors);
  if (!running) return result;
  for (const TimedLine& line : ReadTimedTraffic(run.TrafficLogPath())) {
    result.end = std::max(result.end, line.t);
    if (line.body == "fault " + fault + " on") result.fault_on = line.t;
    if (line.body == "fault " + fault + " off") result.fault_off = line.t;
    if (line.kind == '>' && line.Bytes().startsWith(request)) result.requests.append(line.t);
  }
  if (result.fault_off <= result.fault_on) result.failure = "no fault in the traffic log";
  result.screen = ReadScreenLog(run.ScreenLogPath());
  return result;
}

LinkShown ShownLinkState(const QList<ScreenEntry>& screen, const QString& label,
                         const QString& good, const std::function<QString(const QString&)>& plain) {
  LinkShown shown;
  for (const ScreenEntry& e : screen) {
    if (e.name != label) continue;
    shown.last = plain ? plain(e.shown) : e.shown;
    if (shown.last != good) continue;
    if (shown.first_good == 0) shown.first_good = e.t;
    shown.last_good = e.t;
  }
  return shown;
}

}  // namespace common::testing
