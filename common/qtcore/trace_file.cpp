#include "common/qtcore/trace_file.h"

#include <QFile>
#include <cerrno>
#include <cstring>

namespace common {

TraceFile::~TraceFile() { Close(); }

bool TraceFile::Open(const std::string& path) {
  Close();
  path_ = path;
  failed_ = false;
  error_.clear();
  // Binary: the CR LF line ends go out as they are on every platform.
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    error_ = std::strerror(errno);
    return false;
  }
  return true;
}

void TraceFile::OnTrace(const TraceRecord& record) {
  if (file_ == nullptr || failed_) return;
  std::string line = TraceLine(record);
  line += kTraceLineEnd;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
    Fail();
  }
}

bool TraceFile::Close() {
  if (file_ == nullptr) return !failed_;
  if (std::fclose(file_) != 0 && !failed_) {
    failed_ = true;
    error_ = std::strerror(errno);
  }
  file_ = nullptr;
  return !failed_;
}

void TraceFile::Fail() {
  failed_ = true;
  error_ = std::strerror(errno);
}

bool ToolTrace::Open(const std::optional<QString>& path) {
  if (!path) return true;
  path_ = *path;
  if (file_.Open(QFile::encodeName(path_).toStdString())) return true;
  std::fprintf(err_, "%s: cannot write the trace to %s: %s\n", program_, qPrintable(path_),
               file_.Error().c_str());
  return false;
}

void ToolTrace::Attach(LinkTap& tap) {
  if (!file_.IsOpen()) return;
  tap_ = &tap;
  tap.AddListener(&file_);
}

bool ToolTrace::Finish() {
  if (tap_ != nullptr) tap_->RemoveListener(&file_);
  tap_ = nullptr;
  if (!file_.IsOpen() || file_.Close()) return true;
  std::fprintf(err_, "%s: the trace to %s is incomplete: %s\n", program_, qPrintable(path_),
               file_.Error().c_str());
  return false;
}

}  // namespace common
