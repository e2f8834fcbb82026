// A whole 128 KiB firmware update through `tessera-cli flash --yes` against `tbx-sim`
// on a pseudo-terminal: 4 096 records of 32 bytes, each programmed and read back.
// Unpaced, the simulator answers at once, so what the run takes beyond its fixed
// waits (1 s before the launch, 0.5 s after the reboot) is the software's own cost;
// paced (--paced), the programming pass is compared with the wire time of its bytes
// at 19 200 baud 8E1.
//
//   bench_flash [--runs N] [--paced] [--bin-dir DIR]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include "bench/percentiles.h"
#include "bench/wire.h"

namespace {

constexpr int kPortNumber = 7;
constexpr int kFlashBytes = 0x20000;
constexpr int kRecordBytes = 32;
constexpr double kFixedWaitsSeconds = 1.0 + 0.5;

std::string Record(int type, int offset, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> bytes = {
      static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(offset >> 8),
      static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(type)};
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  bytes.push_back(static_cast<std::uint8_t>(-sum));
  std::string line = ":";
  char hex[3];
  for (std::uint8_t b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    line += hex;
  }
  return line + "\r\n";
}

// The whole flash in random bytes, 32 a record, a segment record at 64 KiB; the
// file is named with the flash's 16-bit sum.
QString WriteImage(const QString& dir) {
  std::mt19937 random(2024);
  std::string text;
  unsigned sum = 0;
  for (int address = 0; address < kFlashBytes; address += kRecordBytes) {
    if (address == 0x10000) text += Record(2, 0, {0x10, 0x00});
    std::vector<std::uint8_t> data(kRecordBytes);
    for (auto& b : data) sum += b = static_cast<std::uint8_t>(random());
    text += Record(0, address & 0xFFFF, data);
  }
  text += Record(1, 0, {});
  char name[32];
  std::snprintf(name, sizeof name, "TBX2315(%04X).HEX", sum & 0xFFFF);
  const QString path = QDir(dir).filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(text.data(), static_cast<qint64>(text.size()));
  return path;
}

struct Traffic {
  int loader_exchanges = 0;  // requests starting 70
  int records = 0;           // program requests
  double pass_seconds = 0;   // first program request to the last read-back answer
  long pass_bytes = 0;       // both ways, in that span
  // Per exchange of the pass: the time from its request to the next request less
  // the wire time of request and answer (the unit's and the program's own delays).
  std::vector<double> overhead_us;
};

// The simulator's log: "> hex  t=secs" (to the unit) and "< hex  t=secs".
Traffic ReadLog(const QString& path) {
  Traffic traffic;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return traffic;
  double first_program = -1, last_read = -1;
  long bytes_before_first = 0, bytes_to_last_read = 0, bytes = 0;
  char last_direction = 0;
  double request_at = -1;  // the pass exchange in progress
  long request_bytes = 0, answer_bytes = 0;
  while (!file.atEnd()) {
    const QByteArray line = file.readLine();
    if (line.size() < 2 || (line[0] != '>' && line[0] != '<')) continue;
    const qsizetype stamp_at = line.indexOf("t=");
    const QByteArray hex = line.mid(1, stamp_at - 1).trimmed();
    const QByteArray block = QByteArray::fromHex(hex.simplified().replace(' ', ""));
    const double stamp = line.mid(stamp_at + 2).trimmed().toDouble();
    // A pty may hand one write over in pieces: only the first piece starts a frame.
    const bool starts = line[0] != last_direction;
    last_direction = line[0];
    if (line[0] == '>' && starts && request_at >= 0) {
      const double wire = (request_bytes + answer_bytes) / bench::kTesseraBytesPerSecond;
      traffic.overhead_us.push_back(1e6 * (stamp - request_at - wire));
      request_at = -1;
    }
    if (line[0] == '>' && starts && block.size() > 1 &&
        (block[1] == '\x04' || block[1] == '\x05')) {
      request_at = stamp;
      request_bytes = answer_bytes = 0;
    }
    if (request_at >= 0) (line[0] == '>' ? request_bytes : answer_bytes) += block.size();
    if (line[0] == '>' && starts && block.startsWith('\x70')) {
      ++traffic.loader_exchanges;
      if (block.size() > 1 && block[1] == '\x04') {
        ++traffic.records;
        if (first_program < 0) {
          first_program = stamp;
          bytes_before_first = bytes;
        }
      }
    }
    bytes += block.size();
    if (line[0] == '<' && block.size() >= 2 && block[1] == '\x05') {
      last_read = stamp;
      bytes_to_last_read = bytes;
    }
  }
  if (first_program >= 0 && last_read > first_program) {
    traffic.pass_seconds = last_read - first_program;
    traffic.pass_bytes = bytes_to_last_read - bytes_before_first;
  }
  return traffic;
}

struct Run {
  bool ok = false;
  double total_seconds = 0;
  Traffic traffic;
};

Run FlashOnce(const QString& bin_dir, const QString& image, bool paced) {
  Run run;
  QTemporaryDir dir;
  const QString log = dir.filePath("traffic.log");
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("CABINET_COM_DIR", dir.path());
  QProcess sim;
  sim.setProcessEnvironment(env);
  sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QStringList sim_args = {"--port", QString::number(kPortNumber), "--no-animation", "--log", log};
  if (paced) sim_args << "--paced";
  sim.start(QDir(bin_dir).filePath("tbx-sim"), sim_args);
  if (!sim.waitForReadyRead(5000)) {
    std::fprintf(stderr, "bench_flash: tbx-sim did not start (looked in %s)\n",
                 qPrintable(bin_dir));
    return run;
  }
  QProcess cli;
  cli.setProcessEnvironment(env);
  QElapsedTimer clock;
  clock.start();
  cli.start(QDir(bin_dir).filePath("tessera-cli"),
            {"--port", QString::number(kPortNumber), "flash", "--yes", image});
  cli.waitForFinished(-1);
  run.total_seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  run.ok = cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0;
  if (!run.ok) {
    std::fprintf(stderr, "bench_flash: tessera-cli ended with %d:\n%s\n", cli.exitCode(),
                 cli.readAllStandardError().constData());
  }
  sim.terminate();
  sim.waitForFinished(3000);
  run.traffic = ReadLog(log);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int runs = 3;
  bool paced = false;
  QString bin_dir = QCoreApplication::applicationDirPath();
  const QStringList args = QCoreApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    if (args[i] == "--runs" && i + 1 < args.size()) {
      runs = std::max(1, args[++i].toInt());
    } else if (args[i] == "--paced") {
      paced = true;
    } else if (args[i] == "--bin-dir" && i + 1 < args.size()) {
      bin_dir = args[++i];
    } else {
      std::fprintf(stderr, "usage: bench_flash [--runs N] [--paced] [--bin-dir DIR]\n");
      return 2;
    }
  }
  QTemporaryDir dir;
  const QString image = WriteImage(dir.path());
  std::printf("128 KiB image, %d records of %d bytes, %s, %d run(s)\n", kFlashBytes / kRecordBytes,
              kRecordBytes, paced ? "simulator paced at 19200 8E1" : "simulator answering at once",
              runs);

  std::vector<double> totals, beyond, per_exchange, pass, ratio, overhead;
  for (int i = 0; i < runs; ++i) {
    const Run run = FlashOnce(bin_dir, image, paced);
    if (!run.ok) return 1;
    const Traffic& t = run.traffic;
    // Programming pass: one program and one read-back exchange per record.
    const int pass_exchanges = 2 * t.records;
    const double wire = t.pass_bytes / bench::kTesseraBytesPerSecond;
    std::printf(
        "run %d: total %.2f s (%.2f s beyond the fixed waits), %d loader exchanges; pass: %d "
        "records, %.2f s, %ld bytes on the wire = %.2f s wire time, %.1f us per exchange\n",
        i + 1, run.total_seconds, run.total_seconds - kFixedWaitsSeconds, t.loader_exchanges,
        t.records, t.pass_seconds, t.pass_bytes, wire, 1e6 * t.pass_seconds / pass_exchanges);
    std::fflush(stdout);
    totals.push_back(run.total_seconds);
    beyond.push_back(run.total_seconds - kFixedWaitsSeconds);
    per_exchange.push_back(1e6 * t.pass_seconds / pass_exchanges);
    pass.push_back(t.pass_seconds);
    if (wire > 0) ratio.push_back(100.0 * (t.pass_seconds - wire) / wire);
    if (paced) {
      const bench::Summary o = bench::Summarise(t.overhead_us);
      double mean = 0;
      for (double us : t.overhead_us) mean += us / static_cast<double>(t.overhead_us.size());
      std::printf("  beyond the wire time per pass exchange: %s, mean %.0f us\n",
                  bench::Describe(o, "us").c_str(), mean);
      if (wire > 0) overhead.push_back(100.0 * o.median * pass_exchanges / (1e6 * wire));
    }
  }
  std::printf(
      "median: total %.2f s, beyond the fixed waits %.2f s, pass %.2f s, %.1f us per "
      "loader exchange",
      bench::Summarise(totals).median, bench::Summarise(beyond).median,
      bench::Summarise(pass).median, bench::Summarise(per_exchange).median);
  if (paced) {
    std::printf(", pass %+.2f %% against its wire time (%+.2f %% from the median exchange)",
                bench::Summarise(ratio).median, bench::Summarise(overhead).median);
  }
  std::printf("\n");
  return 0;
}
