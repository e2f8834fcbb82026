#include "bench/process.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <cstdio>

namespace bench {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ResidentMiB() {
  QFile statm("/proc/self/statm");
  if (!statm.open(QIODevice::ReadOnly)) return 0;
  const QList<QByteArray> fields = statm.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toDouble() * sysconf(_SC_PAGESIZE) / (1 << 20) : 0;
}

Simulator::Simulator(const QString& bin_dir, const QString& program, const QString& port_dir,
                     int port) {
  qputenv("CABINET_COM_DIR", port_dir.toLocal8Bit());
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(QDir(bin_dir).filePath(program), {"--port", QString::number(port)});
  ready_ = process_.waitForReadyRead(5000);  // "COM7 -> /dev/pts/N" once linked
  if (!ready_) std::fprintf(stderr, "%s did not start\n", qPrintable(program));
}

Simulator::~Simulator() {
  process_.terminate();
  process_.waitForFinished(3000);
}

}  // namespace bench
