#include "tessera/session/flash_loader.h"

#include "common/qtcore/event_wait.h"
#include "tessera/link/unit_link.h"
#include "tessera/session/session.h"

namespace tessera::flash {

FlashLoader::FlashLoader(Session& session, QObject* parent) : QObject(parent), session_(session) {}

common::Bytes FlashLoader::Exchange(const LoaderExchange& exchange) {
  // No resend and no box: the procedure decides what a failure means.
  return session_.Link().Exchange(exchange.request, exchange.response, exchange.timeout_ms,
                                  /*show_errors=*/false, /*silent_retries=*/0);
}

void FlashLoader::EnterLoaderMode() {
  session_.SuspendPolling();
  if (loader_running_) return;
  loader_running_ = true;
  emit LoaderModeChanged(true);
}

LaunchOutcome FlashLoader::FlashLaunch() {
  session_.SuspendPolling();
  // The unit finishes whatever poll it was answering before it listens for the loader.
  if (!common::Delay(timing_.launch_settle_ms)) return {};
  const LaunchOutcome outcome = DecodeLaunch(Exchange(LaunchRequest()));
  if (outcome.ok()) {
    EnterLoaderMode();
  } else {
    session_.ResumePolling();
  }
  return outcome;
}

std::optional<DeviceCodes> FlashLoader::FlashReadId() {
  return DecodeReadId(Exchange(ReadIdRequest()));
}

bool FlashLoader::FlashErase(std::uint8_t selector) {
  return DecodeErase(Exchange(EraseRequest(selector)));
}

std::optional<std::uint16_t> FlashLoader::FlashChecksum(std::uint8_t sectors) {
  return DecodeChecksum(Exchange(ChecksumRequest(sectors)));
}

std::optional<ProgramOutcome> FlashLoader::FlashProgramRecord(std::uint32_t address,
                                                              common::ByteView data) {
  const std::optional<LoaderExchange> request = ProgramRecordRequest(address, data);
  if (!request) return std::nullopt;
  return DecodeProgram(Exchange(*request));
}

std::optional<common::Bytes> FlashLoader::FlashReadRecord(std::uint32_t address,
                                                          std::uint8_t count) {
  return DecodeReadRecord(Exchange(ReadRecordRequest(address, count)), count);
}

bool FlashLoader::FlashReboot() {
  const bool restarted = DecodeReboot(Exchange(RebootRequest()));
  // The unit needs a moment before it answers polls again.
  common::Delay(timing_.reboot_settle_ms);
  loader_running_ = false;
  session_.ResumePolling();
  emit LoaderModeChanged(false);
  return restarted;
}

bool FlashLoader::FindRunningLoader() {
  if (loader_running_) return true;
  // The checksum request is harmless and has the short time-out.
  if (!FlashChecksum()) return false;
  EnterLoaderMode();
  return true;
}

}  // namespace tessera::flash
