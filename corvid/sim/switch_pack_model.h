// An honest switch pack / flash unit on Serial Bus #3: checks the stuffing and FCS
// of every frame, answers only its own slot address, and measures mains, field
// voltages and currents through its 13 calibration factors. Faults on request.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/core/device_model.h"
#include "corvid/core/hdlc_frame.h"

namespace corvid {

struct SwitchPackOptions {
  int slot = 1;         // answers frames addressed to this slot only; 0: any slot
  int device_type = 2;  // 1-6 known types, anything else "unknown"
  int firmware_major = 1;
  int firmware_minor = 12;
  double mains_volts = 120.0;  // signal power input, Vrms
  double load_ohms = 26.12;    // load on every output
  // Device gain error per measurement (6 field voltages, mains, 6 currents) before
  // calibration; 1.0 reads true with the default factors. Each reading is the true
  // value x gain x factor / default factor.
  std::array<double, 13> gain{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  // Calibration switches. VCAL ties every field voltage input to the signal supply,
  // driven or not; ICAL off takes the load off the outputs (no current flows).
  bool vcal = false;
  bool ical = true;
  // bit i: output i is broken and measures 0 V and 0 mA whatever happens.
  std::uint8_t dead_outputs = 0;
  std::uint8_t status_bits = 0;   // extra status bits 0, 2, 3 (bit 1: reset, own)
  std::uint8_t fault_bits = 0;    // output-fault bits reported in the status
  std::uint8_t diag_flags = 0;    // register / data-flash fault bits
  std::int16_t temperature = 77;  // shown in oF
  std::array<std::uint8_t, 2> diag_extra_counts{0, 0};  // overflows, reg errors
  // Faults, counted over the frames addressed to the device (1-based, every Nth;
  // 0 = never). Checked in this order: drop, NAK, foreign code, bad FCS.
  bool silent = false;
  int drop_every = 0;
  int nak_every = 0;
  int foreign_every = 0;
  std::uint8_t foreign_code = 0x41;
  int bad_fcs_every = 0;
  int delay_ms = 0;
  // One frame behind: each command gets the answer the one before it had (a device
  // whose answers come late, as the host sees it), the first one none.
  bool answer_previous = false;
};

// Default calibration factor of a measurement index for a device type.
std::uint16_t DefaultFactor(int device_type, int index);
// 14-bit value carried 7 bits per byte, low part first.
std::array<std::uint8_t, 2> Encode14(int value);

class SwitchPackModel : public common::DeviceModel {
 public:
  explicit SwitchPackModel(SwitchPackOptions options = {});

  common::DeviceReply Receive(common::ByteView bytes) override;

  // One frame the device took off the line.
  struct ReceivedFrame {
    Bytes body;  // unstuffed, FCS included
    bool stuffing_ok = true;
    bool fcs_ok = false;
    bool for_me = false;  // addressed to this slot with the right control byte
    bool answered = false;
  };
  const std::vector<ReceivedFrame>& Received() const { return received_; }
  void ClearReceived() { received_.clear(); }

  SwitchPackOptions& Options() { return options_; }
  const SwitchPackOptions& Options() const { return options_; }

  // State the host set through the status and calibration commands.
  std::uint8_t DisableBits() const { return disable_bits_; }
  std::uint8_t FaultLedBits() const { return fault_led_bits_; }
  const std::array<std::uint16_t, 13>& Factors() const { return factors_; }
  // Readings as sent in the next status answer: 0.1 V, 0.1 V x6, mA x6.
  int MainsReading() const;
  int FieldVoltsReading(int output) const;
  int FieldAmpsReading(int output) const;
  std::uint8_t OutputOnBits() const { return static_cast<std::uint8_t>(~disable_bits_ & 0x3F); }

 private:
  // Reply frame for a frame taken off the line (empty: no answer); fills in its verdict.
  Bytes Answer(ReceivedFrame& frame);
  Bytes Respond(std::uint8_t slot, common::ByteView payload, bool corrupt_fcs) const;
  Bytes StatusPayload(std::uint8_t code);
  Bytes DiagnosticPayload() const;
  Bytes IdentificationPayload() const;

  SwitchPackOptions options_;
  std::array<std::uint16_t, 13> factors_{};
  std::uint8_t disable_bits_ = 0x3F;  // everything disabled at power-up
  std::uint8_t fault_led_bits_ = 0;
  bool reset_pending_ = true;  // "Reset Since Last Poll" until the first status
  // The device's own counters (diagnostic answer), saturating at 255.
  std::uint8_t crc_errors_ = 0;
  std::uint8_t rx_errors_ = 0;
  std::uint64_t addressed_count_ = 0;
  // Line parser.
  Bytes frame_;
  bool in_frame_ = false;
  bool escape_ = false;
  bool stuffing_ok_ = true;
  std::vector<ReceivedFrame> received_;
  Bytes previous_payload_;  // the last answer's payload, for answer_previous
};

}  // namespace corvid
