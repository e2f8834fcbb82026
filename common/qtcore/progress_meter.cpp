#include "common/qtcore/progress_meter.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace common {
namespace {

constexpr int kBarWidth = 30;
constexpr int kMinBarWidth = 10;  // narrower than this, the bar is left out

// Columns of the terminal behind `out`; $COLUMNS or 80 when it does not say.
int TerminalWidth(std::FILE* out) {
  winsize size{};
  if (::ioctl(::fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  if (const char* columns = std::getenv("COLUMNS")) {
    if (const int value = std::atoi(columns); value > 0) return value;
  }
  return 80;
}

std::string Clock(double seconds) {
  const long whole = static_cast<long>(seconds + 0.5);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%ld:%02ld", whole / 60, whole % 60);
  return buffer;
}

}  // namespace

ProgressMeter::ProgressMeter(std::string what, int total, std::FILE* out)
    : ProgressMeter(std::move(what), total, out, ::isatty(::fileno(out)) != 0) {}

ProgressMeter::ProgressMeter(std::string what, int total, std::FILE* out, bool terminal)
    : what_(std::move(what)),
      total_(std::max(total, 0)),
      out_(out),
      terminal_(terminal),
      start_(std::chrono::steady_clock::now()) {}

ProgressMeter::~ProgressMeter() { Finish(); }

std::string ProgressMeter::BarText(const std::string& what, int done, int total, double seconds,
                                   int width) {
  done = std::clamp(done, 0, std::max(total, 0));
  const std::string count = std::to_string(done) + "/" + std::to_string(total) + " " + what;
  std::string rate;
  std::string left;
  if (seconds > 0 && done > 0) {
    const double per_second = done / seconds;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "  %.0f %s/s", per_second, what.c_str());
    rate = buffer;
    left = "  " + Clock((total - done) / per_second) + " left";
  }
  // Writing into the last column makes some terminals wrap.
  const std::size_t room = static_cast<std::size_t>(std::max(width - 1, 1));
  const std::size_t frame = 3 + kMinBarWidth;  // "[", "] " and the narrowest bar
  std::string tail = count + rate + left;
  if (tail.size() + frame > room) tail = count + left;
  if (tail.size() + frame > room) tail = count;
  const int bar =
      std::min<int>(kBarWidth, static_cast<int>(room) - 3 - static_cast<int>(tail.size()));
  std::string text;
  if (bar >= kMinBarWidth) {
    const int filled = total > 0 ? done * bar / total : bar;
    text = "[" + std::string(filled, '#') + std::string(bar - filled, ' ') + "] ";
  }
  text += tail;
  if (text.size() > room) text.resize(room);
  return text;
}

void ProgressMeter::Update(int done) {
  if (finished_) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (terminal_) {
    // Asked each time: the terminal may have been resized.
    const std::string bar = BarText(what_, done, total_, seconds, TerminalWidth(out_));
    std::fprintf(out_, "\r%s\033[K", bar.c_str());
    std::fflush(out_);
    drawn_ = true;
    return;
  }
  const int tenth = total_ > 0 ? std::clamp(done, 0, total_) * 10 / total_ : 10;
  if (tenth == last_tenth_) return;
  last_tenth_ = tenth;
  std::fprintf(out_, "%d/%d %s (%d %%)\n", std::clamp(done, 0, total_), total_, what_.c_str(),
               tenth * 10);
  std::fflush(out_);
}

void ProgressMeter::Finish() {
  if (finished_) return;
  finished_ = true;
  if (terminal_ && drawn_) {
    std::fputc('\n', out_);
    std::fflush(out_);
  }
}

}  // namespace common
