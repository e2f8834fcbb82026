// Test helpers without Qt: an environment variable, or the local time zone, set for
// one scope and put back after it.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace common::testing {

// Sets `name` to `value` (unsets it for null) for the scope; `changed` runs after
// each change, for libraries that cache the variable.
class EnvScope {
 public:
  EnvScope(const char* name, const char* value, void (*changed)() = nullptr)
      : name_(name), changed_(changed) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~EnvScope() { Set(old_ ? old_->c_str() : nullptr); }
  EnvScope(const EnvScope&) = delete;
  EnvScope& operator=(const EnvScope&) = delete;

 private:
  void Set(const char* value) {
    value ? setenv(name_, value, 1) : unsetenv(name_);
    if (changed_) changed_();
  }
  const char* name_;
  void (*changed_)();
  std::optional<std::string> old_;
};

// The local time zone as `tz`: a POSIX zone such as "UTC0" or "CET-1", which needs
// no zone files.
struct TimeZoneScope : EnvScope {
  explicit TimeZoneScope(const char* tz) : EnvScope("TZ", tz, tzset) {}
};

}  // namespace common::testing
