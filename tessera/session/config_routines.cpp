#include "tessera/session/config_routines.h"

#include "tessera/core/complex_outputs.h"
#include "tessera/core/tracking.h"
#include "tessera/link/unit_link.h"
#include "tessera/session/session.h"

namespace tessera::config {

ConfigRoutines::ConfigRoutines(Session& session, QObject* parent)
    : QObject(parent), session_(session) {
  session_.SetRequestHandler(Request::kSendTracking, [this] { SendTracking(); });
  session_.SetRequestHandler(Request::kSendFilters, [this] { SendFilters(); });
  session_.SetRequestHandler(Request::kGetFilters, [this] { GetFilters(); });
  session_.SetRequestHandler(Request::kSendComplex, [this] { SendComplex(); });
}

bool ConfigRoutines::GetFilters() {
  const Bytes response = session_.Link().Exchange(
      GetFiltersRequest(), kGetFiltersResponse, kDefaultTimeoutMs, /*show_errors=*/true, 0,
      QStringLiteral("The request was Get Values (the unit's input filter table, 7D).\n"
                     "Check the cable, the unit's power, the port and the unit address."));
  const std::optional<FilterTable> table = ParseGetFiltersResponse(response);
  if (!table) return false;
  emit FiltersRead(*table);
  return true;
}

bool ConfigRoutines::SendFilters() {
  // Whether the unit took the values is not reported to anyone: the answer only
  // carries the versions.
  const Bytes response =
      session_.Link().Exchange(SendFiltersRequest(session_.State().filters), kSendFiltersResponse,
                               kDefaultTimeoutMs, /*show_errors=*/false);
  return HasExtendedMarker(response);
}

LoadOutcome ConfigRoutines::SendTracking() { return Load(TrackingFrames(session_.State().tracks)); }

LoadOutcome ConfigRoutines::SendComplex() {
  return Load(ComplexFrames(session_.State().complex_outputs));
}

LoadOutcome ConfigRoutines::Load(const TableFrames& frames) {
  return LoadTable(frames, [this](common::ByteView request) {
    if (session_.Stopping()) return Bytes{};  // closing: frame B must not follow
    return session_.Link().Exchange(request, kTableLoadResponse, kDefaultTimeoutMs,
                                    /*show_errors=*/false);
  });
}

}  // namespace tessera::config
