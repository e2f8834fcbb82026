#include "corvid/sim/switch_pack_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "corvid/core/crc.h"
#include "corvid/core/device_types.h"

namespace corvid {
namespace {

constexpr int kMainsIndex = 6;
constexpr int kFirstCurrentIndex = 7;
constexpr int kMax14 = 0x3FFF;
constexpr std::size_t kIdTextLength = 60;

void Saturating(std::uint8_t& counter) {
  if (counter < 255) ++counter;
}

int Clamp14(double value) {
  if (!std::isfinite(value) || value <= 0) return 0;
  return std::min(kMax14, static_cast<int>(std::lround(value)));
}

}  // namespace

std::uint16_t DefaultFactor(int device_type, int index) {
  if (index >= kFirstCurrentIndex) return 0x7E80;
  // An unknown type measures as an HV one.
  const DeviceType* type = FindDeviceType(device_type);
  return type ? type->voltage_factor_base : kHighVoltageFactorBase;
}

std::array<std::uint8_t, 2> Encode14(int value) {
  value = std::clamp(value, 0, kMax14);
  // Bit 7 set on both parts, as the device sends them; the host ignores it.
  return {static_cast<std::uint8_t>(0x80 | (value & 0x7F)),
          static_cast<std::uint8_t>(0x80 | ((value >> 7) & 0x7F))};
}

SwitchPackModel::SwitchPackModel(SwitchPackOptions options) : options_(options) {
  for (int i = 0; i < 13; ++i) factors_[i] = DefaultFactor(options_.device_type, i);
}

int SwitchPackModel::MainsReading() const {
  return Clamp14(options_.mains_volts * 10.0 * options_.gain[kMainsIndex] * factors_[kMainsIndex] /
                 DefaultFactor(options_.device_type, kMainsIndex));
}

int SwitchPackModel::FieldVoltsReading(int output) const {
  if (output < 0 || output > 5 || (options_.dead_outputs & (1 << output))) return 0;
  if (!options_.vcal && !(OutputOnBits() & (1 << output))) return 0;
  return Clamp14(options_.mains_volts * 10.0 * options_.gain[output] * factors_[output] /
                 DefaultFactor(options_.device_type, output));
}

int SwitchPackModel::FieldAmpsReading(int output) const {
  if (output < 0 || output > 5 || !(OutputOnBits() & (1 << output))) return 0;
  if (options_.dead_outputs & (1 << output)) return 0;
  if (!options_.ical || options_.load_ohms <= 0) return 0;  // open circuit
  const int index = kFirstCurrentIndex + output;
  const double milliamps = options_.mains_volts * 1000.0 / options_.load_ohms;
  return Clamp14(milliamps * options_.gain[index] * factors_[index] /
                 DefaultFactor(options_.device_type, index));
}

common::DeviceReply SwitchPackModel::Receive(common::ByteView bytes) {
  common::DeviceReply reply;
  for (std::uint8_t c : bytes) {
    if (c == kFlag) {
      if (in_frame_ && (!frame_.empty() || escape_)) {
        ReceivedFrame frame;
        frame.body = std::move(frame_);
        frame.stuffing_ok = stuffing_ok_ && !escape_;
        frame_.clear();
        const Bytes answer = Answer(frame);
        frame.answered = !answer.empty();
        reply.bytes.insert(reply.bytes.end(), answer.begin(), answer.end());
        received_.push_back(std::move(frame));
      }
      // A closing flag may open the next frame as well.
      in_frame_ = true;
      escape_ = false;
      stuffing_ok_ = true;
      continue;
    }
    if (!in_frame_) continue;  // line noise between frames
    if (escape_) {
      escape_ = false;
      if (c != (kFlag ^ kEscapeXor) && c != (kEscape ^ kEscapeXor)) stuffing_ok_ = false;
      frame_.push_back(static_cast<std::uint8_t>(c ^ kEscapeXor));
    } else if (c == kEscape) {
      escape_ = true;
    } else {
      frame_.push_back(c);
    }
  }
  if (!reply.bytes.empty()) reply.delay_ms = options_.delay_ms;
  return reply;
}

Bytes SwitchPackModel::Answer(ReceivedFrame& frame) {
  const Bytes& body = frame.body;
  if (!frame.stuffing_ok) {
    Saturating(rx_errors_);
    return {};
  }
  frame.fcs_ok = body.size() >= 2 && CheckCrcString(body);
  if (!frame.fcs_ok) {
    Saturating(crc_errors_);
    return {};
  }
  frame.for_me =
      body.size() >= 2 && (options_.slot == 0 || body[0] == options_.slot) && body[1] == kControl;
  if (!frame.for_me) return {};
  if (body.size() < 5) {  // no command code
    Saturating(rx_errors_);
    return {};
  }
  ++addressed_count_;
  const auto every = [this](int n) { return n > 0 && addressed_count_ % n == 0; };
  if (options_.silent || every(options_.drop_every)) return {};
  if (every(options_.nak_every)) return Respond(body[0], std::array{kRspNak}, false);
  if (every(options_.foreign_every))
    return Respond(body[0], std::array{options_.foreign_code}, false);

  const common::ByteView command(body.data() + 2, body.size() - 4);
  Bytes payload;
  switch (command[0]) {
    case kCmdStatus:
      if (command.size() != 3) break;
      fault_led_bits_ = command[1] & 0x03;
      disable_bits_ = command[2] & 0x3F;
      payload = StatusPayload(kRspStatus);
      break;
    case kCmdStatusFlash:
      if (command.size() != 2) break;
      disable_bits_ = command[1] & 0x3F;
      payload = StatusPayload(kRspStatusFlash);
      break;
    case kCmdModuleId:
      if (command.size() == 1) payload = IdentificationPayload();
      break;
    case kCmdDiagnostic:
      if (command.size() == 1) payload = DiagnosticPayload();
      break;
    case kCmdSetCalibration:
      if (command.size() != 27) break;
      for (int i = 0; i < 13; ++i) {
        factors_[i] = static_cast<std::uint16_t>(command[1 + 2 * i] | command[2 + 2 * i] << 8);
      }
      payload = {kRspSetCalibration};
      break;
    default:
      break;
  }
  if (payload.empty()) payload = {kRspNak};  // unknown command or wrong length
  if (options_.answer_previous) {
    std::swap(payload, previous_payload_);
    if (payload.empty()) return {};
  } else {
    previous_payload_ = payload;
  }
  return Respond(body[0], payload, every(options_.bad_fcs_every));
}

Bytes SwitchPackModel::Respond(std::uint8_t slot, common::ByteView payload,
                               bool corrupt_fcs) const {
  Bytes body;
  body.reserve(payload.size() + 4);
  body.push_back(slot);
  body.push_back(kControl);
  body.insert(body.end(), payload.begin(), payload.end());
  const Crc crc = CalculateFcs(body);
  body.push_back(static_cast<std::uint8_t>(crc.low ^ (corrupt_fcs ? 0x01 : 0x00)));
  body.push_back(crc.high);
  return FrameBody(body);
}

Bytes SwitchPackModel::StatusPayload(std::uint8_t code) {
  Bytes p;
  p.reserve(30);
  p.push_back(code);
  std::uint8_t status = options_.status_bits & 0x0D;
  if (reset_pending_) status |= 0x02;
  reset_pending_ = false;
  p.push_back(status);
  const auto put = [&p](int value) {
    const auto two = Encode14(value);
    p.insert(p.end(), two.begin(), two.end());
  };
  put(MainsReading());
  for (int i = 0; i < 6; ++i) put(FieldVoltsReading(i));
  for (int i = 0; i < 6; ++i) put(FieldAmpsReading(i));
  p.push_back(OutputOnBits());
  p.push_back(options_.fault_bits & 0x3F);
  return p;
}

Bytes SwitchPackModel::DiagnosticPayload() const {
  const auto temperature = static_cast<std::uint16_t>(options_.temperature);
  return {kRspDiagnostic,
          static_cast<std::uint8_t>(options_.diag_flags & 0x03),
          static_cast<std::uint8_t>(temperature & 0xFF),
          static_cast<std::uint8_t>(temperature >> 8),
          crc_errors_,
          options_.diag_extra_counts[0],
          options_.diag_extra_counts[1],
          rx_errors_};
}

Bytes SwitchPackModel::IdentificationPayload() const {
  char text[kIdTextLength + 1];
  std::snprintf(text, sizeof text, "  Type %02d Rev %d.%02d",
                std::clamp(options_.device_type, 0, 99), options_.firmware_major,
                options_.firmware_minor);
  Bytes p{kRspModuleId, static_cast<std::uint8_t>(options_.device_type)};
  std::string padded(text);
  padded.resize(kIdTextLength, ' ');
  p.insert(p.end(), padded.begin(), padded.end());
  return p;
}

}  // namespace corvid
