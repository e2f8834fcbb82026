#include "common/qtcore/trace_file.h"

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

}  // namespace common
