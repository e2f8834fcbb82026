// The unit's eight complex outputs: an output (or "Off", "Active"), an input, a
// primary and a secondary duration (0-65535, sent high byte first) and eight control
// flags. Builds the 56-byte ComplexData from the dialog's fields and the two 0x79
// frames that load it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tessera/core/field_rules.h"
#include "tessera/core/table_load.h"

namespace tessera::config {

inline constexpr int kComplexOutputs = 8;
inline constexpr int kComplexFlags = 8;
inline constexpr std::uint8_t kComplexOff = 0xFF;
inline constexpr std::uint8_t kComplexActive = 0x36;  // output point 54

// Seven bytes per output c at 7c: output code, primary high, low, secondary high,
// low, input number, control flags.
using ComplexData = std::array<std::uint8_t, 7 * kComplexOutputs>;

// One complex output of the dialog: its output and input list positions, the texts of
// its primary and secondary durations, and its eight control boxes as
// control_flags[b]. The default is the cleared state.
struct ComplexFields {
  int output_position = 0;
  int input_position = 0;
  std::string primary_text = "0";
  std::string secondary_text = "0";
  std::array<bool, kComplexFlags> control_flags{};
};

// The output list's entries: "Off", "0" .. "53", "Active".
std::vector<std::string> ComplexOutputList();
// Code of an output list position: 0 "Off" 0xFF, otherwise position - 1 (54 = "Active").
// Nullopt for a position outside the list.
std::optional<std::uint8_t> ComplexOutputCode(int position);

// Caption of control box `bit` of output `output`: the first output's captions carry the flag
// letters.
std::string_view ComplexFlagCaption(int output, int bit);

// The control flags byte: bit b set for each ticked control_flags[b].
std::uint8_t ComplexFlags(const std::array<bool, kComplexFlags>& control_flags);

// ComplexData for the eight outputs, or the first field that stops it: a duration
// above 65535 (with its message) or a list without a valid selection.
FieldResult<ComplexData> BuildComplexData(std::span<const ComplexFields, kComplexOutputs> outputs);

// 79 0D 00 00, fifty-six zeros, 79 and 79 0D 00 08, ComplexData, checksum.
TableFrames ComplexFrames(const ComplexData& data);

}  // namespace tessera::config
