#include "tessera/core/poll_schedule.h"

#include <utility>

namespace tessera {
namespace {

using FlagMember = bool RequestFlags::*;
constexpr std::array<FlagMember, kRequestCount> kFlagMembers = {
    &RequestFlags::send_tracking, &RequestFlags::send_filters,    &RequestFlags::get_filters,
    &RequestFlags::send_complex,  &RequestFlags::poll_transition, &RequestFlags::read_events,
    &RequestFlags::clear_events,
};

}  // namespace

bool& RequestFlags::operator[](Request request) {
  return this->*kFlagMembers[static_cast<int>(request)];
}

bool RequestFlags::operator[](Request request) const {
  return this->*kFlagMembers[static_cast<int>(request)];
}

bool RequestFlags::Any() const {
  for (FlagMember member : kFlagMembers) {
    if (this->*member) return true;
  }
  return false;
}

void RequestTable::SetHandler(Request request, Handler handler) {
  handlers_[static_cast<int>(request)] = std::move(handler);
}

void RequestTable::Service(RequestFlags& flags, const std::function<bool()>& stop) const {
  for (int i = 0; i < kRequestCount; ++i) {
    const auto request = static_cast<Request>(i);
    if (!flags[request]) continue;
    if (stop && stop()) return;
    // A copy: the dialog that owns the routine may unregister it (close) while
    // its exchange waits.
    Handler handler = handlers_[i];
    if (handler) handler();
    flags[request] = false;
  }
}

TickPlan PlanTick(std::uint32_t poll_count) {
  return TickPlan{.status = poll_count % 10 == 0, .identify = poll_count % 50 == 0};
}

std::uint32_t NextPollCount(std::uint32_t poll_count) { return (poll_count + 1) % kPollCountWrap; }

}  // namespace tessera
