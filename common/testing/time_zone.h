// Test helper without Qt: runs a test in a given local time zone.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace common::testing {

// Sets the local time zone to `tz` (a POSIX zone such as "UTC0" or "CET-1", which
// needs no zone files) for the scope, then puts the old one back.
class TimeZoneScope {
 public:
  explicit TimeZoneScope(const char* tz) {
    if (const char* old = std::getenv("TZ")) {
      had_ = true;
      old_ = old;
    }
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZoneScope() {
    if (had_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }
  TimeZoneScope(const TimeZoneScope&) = delete;
  TimeZoneScope& operator=(const TimeZoneScope&) = delete;

 private:
  std::string old_;
  bool had_ = false;
};

}  // namespace common::testing
