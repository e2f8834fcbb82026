// An honest TBX: frames the host's bytes by command code and request length,
// checks checksums, and answers the input, status, output and identify requests
// with correct frames. Outputs written with 0x37 loop back to the input points.
// Further commands (loader, tables, logs) plug in through SetCommand().
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>

#include "common/core/device_model.h"
#include "tessera/core/frame.h"

namespace tessera::sim {

struct TbxOptions {
  int unit_address = 5;                   // 0-15: high nibble of input-response byte 8
  std::uint8_t comm_version = 0x23;       // identify response byte 3
  std::uint8_t firmware_type = 0x23;      // byte 4
  std::uint8_t firmware_revision = 0x14;  // byte 5
  bool extended = true;                   // false: an older unit that ignores the extended set
  bool line_sync_error = false;           // status byte 1 bit 1
  std::uint8_t opto_inputs = 0;           // low nibble: opto inputs 1-4
  // Until the host writes outputs, a lit point walks across the 55 inputs and the
  // four optos, one step per input request, so a display visibly works.
  bool idle_animation = true;

  // Faults.
  bool silent = false;          // never answer
  int delay_ms = 0;             // think this long before each answer
  int drop_every = 0;           // leave every Nth valid request unanswered (0: never)
  double drop_probability = 0;  // leave requests unanswered at random ...
  std::uint32_t seed = 1;       // ... from this seed (taken when the model is made)
  int corrupt_every = 0;        // every Nth answer carries a wrong checksum (0: never)
};

// What the model received and did (for tests and the pty runner's report).
struct TbxCounters {
  std::array<int, 256> requests{};  // valid requests by command code
  int bad_checksum = 0;             // complete frames whose sum was not 0xFF
  int garbage_bytes = 0;            // bytes dropped while looking for a frame start
  int answered = 0;
  int dropped = 0;             // valid requests left unanswered by a fault option
  int corrupted = 0;           // answers sent with a wrong checksum
  int line_sync_requests = 0;  // 31 02 CC received
};

// Length of a request of one command, given the bytes so far (byte 0 is the
// command); 0 when more bytes are needed to tell.
using RequestLength = std::function<std::size_t(ByteView pending)>;
// The answer to a complete, valid request, without its checksum (the model adds
// it); nullopt to stay silent.
using RequestHandler = std::function<std::optional<Bytes>(ByteView request)>;

RequestLength FixedLength(std::size_t length);

class TbxModel : public common::DeviceModel {
 public:
  explicit TbxModel(TbxOptions options = {});

  common::DeviceReply Receive(ByteView bytes) override;

  // Adds or replaces the handling of one command code.
  void SetCommand(std::uint8_t code, RequestLength length, RequestHandler handler);
  void RemoveCommand(std::uint8_t code);
  // While set, only codes it accepts start a frame; other bytes are dropped as
  // garbage (a flash loader that owns the unit ignores the normal requests).
  void SetCommandFilter(std::function<bool(std::uint8_t code)> accepts) {
    filter_ = std::move(accepts);
  }
  // For a handler, about the answer it is building: the unit takes `ms` longer
  // before sending it (an operation that takes time) ...
  void DelayAnswer(int ms) { answer_delay_ms_ += ms; }
  // ... or sends it with a wrong checksum.
  void CorruptAnswer() { corrupt_answer_ = true; }

  TbxOptions& Options() { return options_; }
  const TbxOptions& Options() const { return options_; }
  const TbxCounters& Counters() const { return counters_; }

  // Output bytes of the last 0x37 request (all 0 before one came).
  const std::array<std::uint8_t, 16>& Outputs() const { return outputs_; }
  // The 12 InputData bytes the next input response carries (animation not advanced).
  std::array<std::uint8_t, 12> InputData() const;
  // Bytes received that do not yet make a whole frame.
  std::size_t PendingBytes() const { return pending_.size(); }

 private:
  struct Command {
    RequestLength length;
    RequestHandler handler;
  };

  std::optional<Bytes> AnswerInput(ByteView request);
  std::optional<Bytes> AnswerStatus(ByteView request);
  std::optional<Bytes> AnswerOutput(ByteView request);
  std::optional<Bytes> AnswerIdentify(ByteView request);
  // Applies the drop/corrupt faults and the checksum to one answer.
  void Emit(Bytes answer, Bytes& out);

  TbxOptions options_;
  TbxCounters counters_;
  std::array<std::optional<Command>, 256> commands_;
  std::function<bool(std::uint8_t)> filter_;
  int answer_delay_ms_ = 0;
  bool corrupt_answer_ = false;
  Bytes pending_;
  std::array<std::uint8_t, 16> outputs_{};
  bool outputs_written_ = false;
  int animation_step_ = 0;
  std::uint64_t valid_requests_ = 0;
  std::uint64_t answers_ = 0;
  std::mt19937 random_;
};

}  // namespace tessera::sim
