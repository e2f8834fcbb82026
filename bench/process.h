// What the window benchmarks share: the process's own CPU time and resident size,
// and a simulator started on a pty for the life of a run.
#pragma once

#include <QProcess>
#include <QString>

namespace bench {

// User plus system CPU seconds this process has used so far.
double CpuSeconds();
// Resident memory now, in MiB (0 where /proc is missing).
double ResidentMiB();

// `program` (tbx-sim, switchpack-sim) from `bin_dir` on COM`port` of the private port
// directory `port_dir`, which this process's ports use too; ended with the object.
class Simulator {
 public:
  Simulator(const QString& bin_dir, const QString& program, const QString& port_dir, int port);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;
  bool Ready() const { return ready_; }

 private:
  QProcess process_;
  bool ready_ = false;
};

}  // namespace bench
