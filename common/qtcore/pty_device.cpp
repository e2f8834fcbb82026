#include "common/qtcore/pty_device.h"

#include <QCoreApplication>
#include <QString>

#include "common/core/hex_text.h"
#include "common/core/link_tap.h"
#include "common/qtcore/port_names.h"
#include "common/qtcore/tool_command_line.h"
#include "common/qtcore/trace_file.h"

#ifdef Q_OS_WIN
namespace common {
int RunPtyDevice(DeviceModel&, const PtyOptions&) { return 1; }
}  // namespace common
#else

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <thread>

namespace common {

namespace {

volatile sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

using Clock = std::chrono::steady_clock;

// An answer on its way: paced, its bytes leave one after another from `due` on, as
// on a real line, so the far end sees a long answer arrive bit by bit.
struct PendingReply {
  Clock::time_point due;
  std::vector<std::uint8_t> bytes;
  std::size_t sent = 0;
};

// Paced bytes go out in small groups: a wake-up per byte would cost more than it shows.
constexpr std::size_t kPacedChunk = 16;

std::string HexLine(char direction, const std::uint8_t* data, std::size_t size) {
  std::string line(1, direction);
  char stamp_buf[40];
  if (size > 0) {
    line += ' ';
    AppendHex(line, ByteView(data, size));
  }
  // Wall-clock stamp, so scripts can relate traffic to process start times.
  const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  std::snprintf(stamp_buf, sizeof stamp_buf, "  t=%lld.%06lld\n",
                static_cast<long long>(now.count() / 1000000),
                static_cast<long long>(now.count() % 1000000));
  line += stamp_buf;
  return line;
}

// Everything that crosses the line, kept where the options ask: hex lines in the
// log file and on stderr (--log, --verbose), records in the link trace (--trace).
class Traffic {
 public:
  explicit Traffic(const PtyOptions& options) : options_(options), verbose_(options.verbose) {}
  ~Traffic() {
    if (file_ != nullptr) std::fclose(file_);
  }
  Traffic(const Traffic&) = delete;
  Traffic& operator=(const Traffic&) = delete;

  // False, with the reason on stderr, when an output cannot be written.
  bool Open() {
    if (!options_.log_path.empty()) {
      file_ = std::fopen(options_.log_path.c_str(), "a");
      if (file_ == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", options_.log_path.c_str());
        return false;
      }
    }
    if (!options_.trace_path.empty()) {
      if (!trace_.Open(options_.trace_path)) {
        std::fprintf(stderr, "cannot write %s: %s\n", options_.trace_path.c_str(),
                     trace_.Error().c_str());
        return false;
      }
      tap_.AddListener(&trace_);
    }
    return true;
  }

  void Block(TraceDirection direction, const std::uint8_t* data, std::size_t size) {
    if (file_ != nullptr || verbose_) {
      WriteLine(HexLine(direction == TraceDirection::kToDevice ? '>' : '<', data, size));
    }
    if (!tap_.Listening()) return;
    const ByteView bytes(data, size);
    if (options_.describe) {
      tap_.Record(options_.describe(direction, bytes));
    } else {
      TraceRecord record;
      record.direction = direction;
      record.outcome =
          direction == TraceDirection::kToDevice ? TraceOutcome::kOk : TraceOutcome::kSent;
      record.bytes.assign(bytes.begin(), bytes.end());
      tap_.Record(std::move(record));
    }
    if (trace_.Failed() && !trace_failure_told_) {
      std::fprintf(stderr, "the trace to %s stopped: %s\n", options_.trace_path.c_str(),
                   trace_.Error().c_str());
      trace_failure_told_ = true;
    }
  }

  // "! text  t=..." lines: what the device did besides sending bytes.
  void Note(const std::string& text) {
    if (file_ == nullptr && !verbose_) return;
    std::string line = HexLine('!', nullptr, 0);
    line.insert(1, " " + text);
    WriteLine(line);
  }

 private:
  void WriteLine(const std::string& line) {
    if (file_ != nullptr) {
      std::fputs(line.c_str(), file_);
      std::fflush(file_);
    }
    if (verbose_) std::fputs(line.c_str(), stderr);
  }

  const PtyOptions& options_;
  std::FILE* file_ = nullptr;
  bool verbose_;
  LinkTap tap_;
  TraceFile trace_;
  bool trace_failure_told_ = false;
};

// `gone`: the client left; what it did not read is lost, as on a real line.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size,
              const std::function<bool()>& gone) {
  while (size > 0 && !g_stop) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN) {
        // Nobody reads the rest of a long answer: give up when asked to stop.
        if (g_stop || gone()) return false;
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, 100);
        continue;
      }
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The device's end of a pseudo-terminal and its COMn link; closed and made again
// when the device is "unplugged".
class PtyLine {
 public:
  explicit PtyLine(std::string link) : link_(std::move(link)) {}
  ~PtyLine() { Close(); }

  bool Open() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
      std::fprintf(stderr, "cannot create a pseudo-terminal: %s\n", std::strerror(errno));
      return false;
    }
    slave_path_ = ::ptsname(master_);
    // Holding the slave open ourselves keeps the master readable between the
    // program's opens and closes, and lets us make the line raw once.
    slave_ = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
      std::fprintf(stderr, "cannot open %s: %s\n", slave_path_.c_str(), std::strerror(errno));
      return false;
    }
    ::tcgetattr(slave_, &raw_);
    ::cfmakeraw(&raw_);
    ::tcsetattr(slave_, TCSANOW, &raw_);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    // Our own end never closes, so the line keeps what a client left on it: a client
    // killed before it could restore its settings leaves its parity flags (which the
    // next client's settings then fail against) and its exclusive claim. Watching the
    // opens and closes of the client's end tells when the last client has gone.
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0) ::inotify_add_watch(watch_, slave_path_.c_str(), IN_OPEN | IN_CLOSE);
    clients_ = 0;

    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(link_).parent_path(), ec);
    std::filesystem::remove(link_, ec);
    std::filesystem::create_symlink(slave_path_, link_, ec);
    if (ec) {
      std::fprintf(stderr, "cannot create %s: %s\n", link_.c_str(), ec.message().c_str());
      return false;
    }
    return true;
  }

  // The program's end sees the line go away (EIO); the link goes too.
  void Close() {
    std::error_code ec;
    if (master_ >= 0) std::filesystem::remove(link_, ec);
    if (watch_ >= 0) ::close(watch_);
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    watch_ = slave_ = master_ = -1;
  }

  // Takes the opens and closes seen since the last call; once no client has the line
  // open, it is made as a fresh one: raw, empty, and open to anybody. True then.
  bool TakeOpensAndCloses() {
    bool released = false;
    alignas(inotify_event) char events[1024];
    for (ssize_t n; (n = ::read(watch_, events, sizeof events)) > 0;) {
      for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(events + at);
        if (event->mask & IN_OPEN) ++clients_;
        if ((event->mask & IN_CLOSE) && clients_ > 0 && --clients_ == 0) {
          ::tcsetattr(slave_, TCSANOW, &raw_);
          ::ioctl(slave_, TIOCNXCL);
          ::tcflush(slave_, TCIOFLUSH);
          released = true;
        }
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
    return released;
  }

  int master() const { return master_; }
  int watch() const { return watch_; }
  const std::string& slave_path() const { return slave_path_; }

 private:
  std::string link_;
  std::string slave_path_;
  int master_ = -1;
  int slave_ = -1;
  int watch_ = -1;
  int clients_ = 0;  // opens of the client's end not yet closed
  termios raw_{};
};

}  // namespace

int RunPtyDevice(DeviceModel& model, const PtyOptions& options) {
  const std::string dir =
      options.port_dir.empty() ? PortDirectory().toStdString() : options.port_dir;
  PtyLine line(dir + "/COM" + std::to_string(options.port_number));
  if (!line.Open()) return 1;
  Traffic traffic(options);
  if (!traffic.Open()) return 1;
  if (!WriteOutput(stdout,
                   "COM" + std::to_string(options.port_number) + " -> " + line.slave_path() + "\n",
                   stderr, QCoreApplication::applicationName())) {
    return kOutputError;
  }

  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  auto line_time = [&](std::size_t bytes) {
    return std::chrono::microseconds(static_cast<long long>(bytes * options.micros_per_byte));
  };
  // How much of a reply has crossed the line by `now`: all of it at once unpaced.
  const auto bytes_out_by = [&](const PendingReply& reply, Clock::time_point now) {
    if (options.micros_per_byte <= 0) return reply.bytes.size();
    const double us = std::chrono::duration<double, std::micro>(now - reply.due).count();
    return std::min(reply.bytes.size(), static_cast<std::size_t>(us / options.micros_per_byte));
  };
  // When the next group of a reply is through.
  const auto next_out = [&](const PendingReply& reply) {
    const std::size_t upto = std::min(reply.bytes.size(), reply.sent + kPacedChunk);
    return reply.due + line_time(upto);
  };

  std::deque<PendingReply> pending;  // by due time
  std::uint8_t buf[4096];
  static const std::uint8_t kFloodChunk[4096] = {};
  std::optional<Clock::time_point> first_request;
  std::optional<ActiveFault> fault;
  std::mt19937 random(options.fault_seed);
  unsigned long long flooded = 0;

  const auto elapsed_ms = [&] {
    return first_request ? std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                                 *first_request)
                               .count()
                         : -1LL;
  };
  const auto is = [&](LineFault kind) { return fault && fault->kind == kind; };

  while (!g_stop) {
    const std::optional<ActiveFault> now_fault = FaultAt(options.faults, elapsed_ms());
    if (now_fault != fault) {
      if (fault) {
        if (is(LineFault::kFlood)) traffic.Note("flood " + std::to_string(flooded) + " bytes");
        if (is(LineFault::kUnplug) && !line.Open()) break;
        traffic.Note("fault " + std::string(LineFaultName(fault->kind)) + " off");
        if (options.on_fault) options.on_fault(fault->kind, false);
      }
      fault = now_fault;
      if (fault) {
        traffic.Note("fault " + std::string(LineFaultName(fault->kind)) + " on");
        if (options.on_fault) options.on_fault(fault->kind, true);
        flooded = 0;
        if (is(LineFault::kUnplug)) {
          line.Close();
          pending.clear();
        }
      }
    }

    int timeout_ms = -1;
    if (!pending.empty()) {
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
          next_out(pending.front()) - Clock::now());
      timeout_ms = static_cast<int>(std::max<long long>(0, wait.count()));
    }
    if (first_request) {
      const long long change = NextFaultChange(options.faults, elapsed_ms());
      if (change >= 0 && (timeout_ms < 0 || change < timeout_ms)) {
        timeout_ms = static_cast<int>(change);
      }
    }
    if (line.master() < 0) {  // unplugged: nothing to serve until it is back
      ::poll(nullptr, 0, timeout_ms);
      continue;
    }
    const bool flooding = is(LineFault::kFlood);
    pollfd polled[2] = {{line.master(), static_cast<short>(POLLIN | (flooding ? POLLOUT : 0)), 0},
                        {line.watch(), POLLIN, 0}};
    const int ready = ::poll(polled, line.watch() >= 0 ? 2 : 1, timeout_ms);
    if (ready < 0 && errno != EINTR) break;
    const pollfd& p = polled[0];
    // Nobody hears the rest of an answer once its client has gone.
    if (ready > 0 && (polled[1].revents & POLLIN) && line.TakeOpensAndCloses()) pending.clear();
    if (ready > 0 && (p.revents & POLLIN)) {
      const ssize_t n = ::read(line.master(), buf, sizeof buf);
      if (n > 0) {
        const auto size = static_cast<std::size_t>(n);
        if (!first_request) first_request = Clock::now();
        traffic.Block(TraceDirection::kToDevice, buf, size);
        DeviceReply reply = model.Receive(ByteView(buf, size));
        if (fault) reply = ShapeReply(fault->kind, std::move(reply), options.reply_faults, random);
        if (!reply.bytes.empty()) {
          const auto due = Clock::now() + line_time(size) +
                           std::chrono::milliseconds(std::max(0, reply.delay_ms));
          // A late answer must not hold back the prompt ones after it, nor cut into
          // one that is already on its way.
          const auto from = pending.begin() + (!pending.empty() && pending.front().sent > 0);
          const auto at = std::upper_bound(
              from, pending.end(), due,
              [](Clock::time_point t, const PendingReply& r) { return t < r.due; });
          pending.insert(at, {due, std::move(reply.bytes)});
        }
      }
    }
    if (flooding && ready > 0 && (p.revents & POLLOUT)) {
      const ssize_t n = ::write(line.master(), kFloodChunk, sizeof kFloodChunk);
      if (n > 0) flooded += static_cast<unsigned long long>(n);
    }
    while (!pending.empty() && pending.front().due <= Clock::now()) {
      PendingReply& reply = pending.front();
      const std::size_t upto = bytes_out_by(reply, Clock::now());
      if (upto == reply.sent) break;
      if (reply.sent == 0) {
        traffic.Block(TraceDirection::kFromDevice, reply.bytes.data(), reply.bytes.size());
      }
      if (!WriteAll(line.master(), reply.bytes.data() + reply.sent, upto - reply.sent,
                    [&line] { return line.TakeOpensAndCloses(); })) {
        pending.clear();
        break;
      }
      reply.sent = upto;
      if (reply.sent < reply.bytes.size()) break;
      pending.pop_front();
    }
  }
  return 0;
}

}  // namespace common

#endif
