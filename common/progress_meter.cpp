#include "common/progress_meter.h"

#include <unistd.h>

#include <algorithm>

namespace common {
namespace {

constexpr int kBarWidth = 30;

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

std::string ProgressMeter::BarText(const std::string& what, int done, int total, double seconds) {
  done = std::clamp(done, 0, std::max(total, 0));
  const int filled = total > 0 ? done * kBarWidth / total : kBarWidth;
  std::string text = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] ";
  text += std::to_string(done) + "/" + std::to_string(total) + " " + what;
  if (seconds > 0 && done > 0) {
    const double rate = done / seconds;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "  %.0f %s/s", rate, what.c_str());
    text += buffer;
    text += "  " + Clock((total - done) / rate) + " left";
  }
  return text;
}

void ProgressMeter::Update(int done) {
  if (finished_) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  if (terminal_) {
    std::fprintf(out_, "\r%s\033[K", BarText(what_, done, total_, seconds).c_str());
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
