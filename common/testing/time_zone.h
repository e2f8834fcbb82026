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
  explicit TimeZoneScope(const char* tz) : old_(std::getenv("TZ") ? std::getenv("TZ") : "") {
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZoneScope() {
    old_.empty() ? unsetenv("TZ") : setenv("TZ", old_.c_str(), 1);
    tzset();
  }

 private:
  std::string old_;
};

}  // namespace common::testing
