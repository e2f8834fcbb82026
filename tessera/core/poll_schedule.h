// What one poll tick sends, and the request flags through which dialogs ask the
// tick for an exchange. No Qt here: the tick's bookkeeping is plain data.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace tessera {

// In the fixed order the tick services them.
enum class Request : int {
  kSendTracking,
  kSendFilters,
  kGetFilters,
  kSendComplex,
  kPollTransition,
  kReadEvents,
  kClearEvents,
};
inline constexpr int kRequestCount = 7;

// Set by dialogs, serviced and cleared by the tick.
struct RequestFlags {
  bool send_tracking = false;
  bool send_filters = false;
  bool get_filters = false;
  bool send_complex = false;
  bool poll_transition = false;
  bool read_events = false;
  bool clear_events = false;

  bool& operator[](Request request);
  bool operator[](Request request) const;
  bool Any() const;
  void Clear() { *this = RequestFlags{}; }
};

// The routines later dialogs plug in for each request. A request without a routine
// is just cleared, so a flag can never stay set and fire forever.
class RequestTable {
 public:
  using Handler = std::function<void()>;

  void SetHandler(Request request, Handler handler);
  // Runs the routine of every set flag in order and clears the flag after its
  // routine returns (a flag set again meanwhile is cleared with it). stop() is
  // asked before each routine; when true the rest stay set for a later tick.
  void Service(RequestFlags& flags, const std::function<bool()>& stop = {}) const;

 private:
  std::array<Handler, kRequestCount> handlers_;
};

// The periodic exchanges of one tick besides the input exchange (the output
// exchange depends on the output control, read when its turn comes).
struct TickPlan {
  bool status = false;    // SendRMSFrame, every 10th tick
  bool identify = false;  // ExtendedIdentify, every 50th tick
  bool operator==(const TickPlan&) const = default;
};

TickPlan PlanTick(std::uint32_t poll_count);

// PollCount wraps here instead of overflowing; a multiple of 50 keeps the
// schedule seamless across the wrap.
inline constexpr std::uint32_t kPollCountWrap = 2'000'000'000;
static_assert(kPollCountWrap % 50 == 0);
std::uint32_t NextPollCount(std::uint32_t poll_count);

}  // namespace tessera
