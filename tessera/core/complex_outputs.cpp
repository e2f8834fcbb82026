#include "tessera/core/complex_outputs.h"

namespace tessera::config {
namespace {

constexpr int kOutputPoints = 54;  // outputs 0-53 in the list between "Off" and "Active"

constexpr std::string_view kFirstCaptions[kComplexFlags] = {
    "(L) Line Sync", "(R) Trig:On->Off", "(F) Filtered Input", "(J) Primary = On",
    "(E) Enable",    "(G) Gated",        "(W) Triggered",      "(P) Pulse"};
// The other outputs' captions; "Line Sync " does end in a blank.
constexpr std::string_view kCaptions[kComplexFlags] = {
    "Line Sync ", "Trigger: On->Off", "Filtered Input", "Primary = On", "Enable",
    "Gated",      "Triggered",        "Pulse"};

}  // namespace

std::vector<std::string> ComplexOutputList() {
  std::vector<std::string> list{"Off"};
  for (int n = 0; n < kOutputPoints; ++n) list.push_back(std::to_string(n));
  list.push_back("Active");
  return list;
}

std::optional<std::uint8_t> ComplexOutputCode(int position) {
  if (position == 0) return kComplexOff;
  if (position >= 1 && position <= kOutputPoints + 1) {
    return static_cast<std::uint8_t>(position - 1);
  }
  return std::nullopt;
}

std::string_view ComplexFlagCaption(int output, int bit) {
  if (bit < 0 || bit >= kComplexFlags) return {};
  return output == 0 ? kFirstCaptions[bit] : kCaptions[bit];
}

std::uint8_t ComplexFlags(const std::array<bool, kComplexFlags>& control_flags) {
  unsigned flags = 0;
  for (int b = 0; b < kComplexFlags; ++b) {
    if (control_flags[b]) flags |= 1u << b;
  }
  return static_cast<std::uint8_t>(flags);
}

FieldResult<ComplexData> BuildComplexData(std::span<const ComplexFields, kComplexOutputs> outputs) {
  ComplexData data{};
  for (int c = 0; c < kComplexOutputs; ++c) {
    const ComplexFields& fields = outputs[c];
    const std::optional<std::uint8_t> output = ComplexOutputCode(fields.output_position);
    if (!output) return FieldError{"cmbOutput", c, {}};
    if (RangeError(fields.primary_text, kDurationRange)) {
      return FieldError{"txtPrimaryDuration", c, kDurationRange.message};
    }
    if (RangeError(fields.secondary_text, kDurationRange)) {
      return FieldError{"txtSecondaryDuration", c, kDurationRange.message};
    }
    if (!IsInputPosition(fields.input_position)) return FieldError{"cmbInput", c, {}};
    const std::uint32_t primary = FieldValue(fields.primary_text);
    const std::uint32_t secondary = FieldValue(fields.secondary_text);
    std::uint8_t* entry = &data[7 * c];
    entry[0] = *output;
    entry[1] = static_cast<std::uint8_t>(primary >> 8);
    entry[2] = static_cast<std::uint8_t>(primary & 0xFF);
    entry[3] = static_cast<std::uint8_t>(secondary >> 8);
    entry[4] = static_cast<std::uint8_t>(secondary & 0xFF);
    entry[5] = static_cast<std::uint8_t>(fields.input_position);
    entry[6] = ComplexFlags(fields.control_flags);
  }
  return data;
}

TableFrames ComplexFrames(const ComplexData& data) { return LoadFrames(kCmdSendComplex, data); }

}  // namespace tessera::config
