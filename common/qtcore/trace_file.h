// A link trace written to a file as it happens, one record a line (CR LF), each
// line on disk before the next exchange: a run that ends badly still leaves its
// trace. Used by the terminal tools' and the simulators' --trace.
#pragma once

#include <QString>
#include <cstdio>
#include <optional>
#include <string>

#include "common/core/link_tap.h"

namespace common {

class TraceFile : public TraceListener {
 public:
  TraceFile() = default;
  ~TraceFile() override;
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;

  // Creates the file, replacing one of that name. False, with Error() saying why,
  // when it cannot.
  bool Open(const std::string& path);
  bool IsOpen() const { return file_ != nullptr; }
  void OnTrace(const TraceRecord& record) override;
  // Closes the file; false when that lost what was written last.
  bool Close();

  // A write failed (disk full, file gone): later records are not written.
  bool Failed() const { return failed_; }
  // The system's reason for the failure of Open() or of a write.
  const std::string& Error() const { return error_; }
  const std::string& Path() const { return path_; }

 private:
  void Fail();

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string error_;
  bool failed_ = false;
};

// A terminal tool's --trace FILE, its problems reported on `err` as "<program>: ...".
class ToolTrace {
 public:
  ToolTrace(const char* program, std::FILE* err) : program_(program), err_(err) {}
  ~ToolTrace() { Finish(); }
  ToolTrace(const ToolTrace&) = delete;
  ToolTrace& operator=(const ToolTrace&) = delete;

  // Nothing to do without a path. False (reported) when the file cannot be written:
  // opened before the port, a trace that cannot be written costs nothing.
  bool Open(const std::optional<QString>& path);
  // Records what `tap` sees from now on (nothing without a file).
  void Attach(LinkTap& tap);
  // Stops recording and closes the file. False (reported) when the trace is incomplete.
  bool Finish();

 private:
  const char* program_;
  std::FILE* err_;
  QString path_;
  TraceFile file_;
  LinkTap* tap_ = nullptr;
};

}  // namespace common
