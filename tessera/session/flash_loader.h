// The unit's flash loader driven through the session's link: the seven loader
// operations, each one exchange without resend, and the loader mode they enter and
// leave. From a successful launch to the reboot the loader owns the unit, so
// polling stays stopped; the window shows that mode (frames disabled, lamps dark).
#pragma once

#include <QObject>
#include <cstdint>
#include <optional>

#include "common/core/bytes.h"
#include "tessera/core/loader.h"

namespace tessera {
class Session;
}

namespace tessera::flash {

class FlashLoader : public QObject {
  Q_OBJECT
 public:
  // The waits around the loader's entry and exit (tests shorten them).
  struct Timing {
    int launch_settle_ms = kLaunchSettleMs;
    int reboot_settle_ms = kRebootSettleMs;
  };

  explicit FlashLoader(Session& session, QObject* parent = nullptr);
  void SetTiming(Timing timing) { timing_ = timing; }

  // Polling stops, and after the settle wait the launch request goes out. Without an
  // answer, or refused, polling starts again; otherwise loader mode begins.
  LaunchOutcome FlashLaunch();
  std::optional<DeviceCodes> FlashReadId();
  // True when the unit says the sectors are erased.
  bool FlashErase(std::uint8_t selector = kEraseAllSectors);
  std::optional<std::uint16_t> FlashChecksum(std::uint8_t sectors = kWholeFlashSectors);
  // nullopt without sending anything: no data, or more than the 32 bytes the loader
  // takes.
  std::optional<ProgramOutcome> FlashProgramRecord(std::uint32_t address, common::ByteView data);
  // The first `count` bytes at `address` (at most 32).
  std::optional<common::Bytes> FlashReadRecord(
      std::uint32_t address, std::uint8_t count = static_cast<std::uint8_t>(kMaxRecordData));
  // True when the unit accepted the restart. Either way loader mode ends: after the
  // settle wait polling starts again.
  bool FlashReboot();

  // For a unit whose identity is unknown (it does not answer its normal requests):
  // true when a loader left running by an unfinished update answers; loader mode
  // then begins as after a launch.
  bool FindRunningLoader();

  // Between a successful launch (or a loader found running) and the reboot.
  bool LoaderRunning() const { return loader_running_; }

 signals:
  void LoaderModeChanged(bool running);

 private:
  common::Bytes Exchange(const LoaderExchange& exchange);
  void EnterLoaderMode();

  Session& session_;
  Timing timing_;
  bool loader_running_ = false;
};

}  // namespace tessera::flash
