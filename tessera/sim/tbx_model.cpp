#include "tessera/sim/tbx_model.h"

#include <algorithm>

#include "tessera/core/requests.h"

namespace tessera::sim {
namespace {

// 55 input points and 4 optos for the idle animation's walking bit.
constexpr int kAnimationSteps = 55 + 4;

}  // namespace

RequestLength FixedLength(std::size_t length) {
  return [length](ByteView) { return length; };
}

TbxModel::TbxModel(TbxOptions options) : options_(options), random_(options.seed) {
  SetCommand(kCmdStatus, FixedLength(3), [this](ByteView r) { return AnswerStatus(r); });
  SetCommand(kCmdInputRaw, FixedLength(3), [this](ByteView r) { return AnswerInput(r); });
  SetCommand(kCmdInputFiltered, FixedLength(3), [this](ByteView r) { return AnswerInput(r); });
  SetCommand(kCmdOutput, FixedLength(18), [this](ByteView r) { return AnswerOutput(r); });
  SetCommand(kCmdIdentify, FixedLength(5), [this](ByteView r) { return AnswerIdentify(r); });
}

void TbxModel::SetCommand(std::uint8_t code, RequestLength length, RequestHandler handler) {
  commands_[code] = Command{std::move(length), std::move(handler)};
}

void TbxModel::RemoveCommand(std::uint8_t code) { commands_[code].reset(); }

common::DeviceReply TbxModel::Receive(ByteView bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  common::DeviceReply reply;
  answer_delay_ms_ = 0;
  while (!pending_.empty()) {
    const auto& command = commands_[pending_[0]];
    // An older unit does not know the extended set at all.
    if (!command || (!options_.extended && IsExtendedCommand(pending_[0])) ||
        (filter_ && !filter_(pending_[0]))) {
      // Not a command byte: drop it and look for a frame start in what follows.
      ++counters_.garbage_bytes;
      pending_.erase(pending_.begin());
      continue;
    }
    const std::size_t length = command->length(pending_);
    if (length == 0 || pending_.size() < length) break;  // wait for the rest
    const ByteView request(pending_.data(), length);
    if (!IsValidFrame(request)) {
      // A real unit cannot know where a broken frame ends; drop one byte and
      // resynchronise on the next plausible frame.
      ++counters_.bad_checksum;
      pending_.erase(pending_.begin());
      continue;
    }
    const Bytes copy(request.begin(), request.end());
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
    ++counters_.requests[copy[0]];
    ++valid_requests_;
    corrupt_answer_ = false;
    std::optional<Bytes> answer = command->handler(copy);
    if (!answer || options_.silent) continue;
    bool drop = options_.drop_every > 0 && valid_requests_ % options_.drop_every == 0;
    if (options_.drop_probability > 0) {
      drop =
          drop || std::uniform_real_distribution<double>(0, 1)(random_) < options_.drop_probability;
    }
    if (drop) {
      ++counters_.dropped;
      continue;
    }
    Emit(std::move(*answer), reply.bytes);
  }
  if (!reply.bytes.empty()) reply.delay_ms = options_.delay_ms + answer_delay_ms_;
  return reply;
}

void TbxModel::Emit(Bytes answer, Bytes& out) {
  std::uint8_t checksum = Checksum(answer);
  ++answers_;
  if (corrupt_answer_ || (options_.corrupt_every > 0 && answers_ % options_.corrupt_every == 0)) {
    ++checksum;  // off by one: the sum becomes 0x00
    ++counters_.corrupted;
  }
  answer.push_back(checksum);
  out.insert(out.end(), answer.begin(), answer.end());
  ++counters_.answered;
}

std::array<std::uint8_t, 12> TbxModel::InputData() const {
  std::array<std::uint8_t, 12> data{};
  // Outputs come back on the input points of the same number (0..55).
  for (int k = 0; k < 7; ++k) data[k] = outputs_[k];
  std::uint8_t optos = options_.opto_inputs & 0x0F;
  if (options_.idle_animation && !outputs_written_) {
    if (animation_step_ < 55) {
      data[animation_step_ / 8] |= static_cast<std::uint8_t>(1u << (animation_step_ % 8));
    } else {
      optos |= static_cast<std::uint8_t>(1u << (animation_step_ - 55));
    }
  }
  data[7] = static_cast<std::uint8_t>(((options_.unit_address & 0x0F) << 4) | optos);
  return data;
}

std::optional<Bytes> TbxModel::AnswerInput(ByteView request) {
  const std::array<std::uint8_t, 12> data = InputData();
  if (options_.idle_animation && !outputs_written_) {
    animation_step_ = (animation_step_ + 1) % kAnimationSteps;
  }
  Bytes answer{request[0]};
  answer.insert(answer.end(), data.begin(), data.end());
  return answer;  // 13 bytes + checksum = 14
}

std::optional<Bytes> TbxModel::AnswerStatus(ByteView request) {
  if (request[1] == 0x02) ++counters_.line_sync_requests;
  Bytes answer(8, 0);
  answer[0] = request[0];
  answer[1] = options_.line_sync_error ? 0x02 : 0x00;
  return answer;  // 8 + checksum = 9
}

std::optional<Bytes> TbxModel::AnswerOutput(ByteView request) {
  std::copy(request.begin() + 1, request.begin() + 17, outputs_.begin());
  outputs_written_ = true;
  return Bytes{request[0], 0x00};  // 2 + checksum = 3
}

std::optional<Bytes> TbxModel::AnswerIdentify(ByteView request) {
  if (!HasExtendedMarker(request)) return std::nullopt;
  Bytes answer(14, 0);
  answer[0] = request[0];
  answer[1] = kExtendedMarker & 0xFF;
  answer[2] = kExtendedMarker >> 8;
  answer[3] = options_.comm_version;
  answer[4] = options_.firmware_type;
  answer[5] = options_.firmware_revision;
  return answer;  // 14 + checksum = 15
}

}  // namespace tessera::sim
