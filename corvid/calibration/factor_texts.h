// The factors window keeps the 13 calibration factors as hexadecimal text: what
// "Load Default" puts there, how a box's text becomes a factor and when "Set" refuses.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "corvid/calibration/calibration_math.h"
#include "corvid/calibration/message.h"

namespace corvid::calibration {

// Box texts in factor order: txtChVoltage(0-5), txtSPVoltage, txtChCurrent(0-5).
using FactorTexts = std::array<std::string, kFactorCount>;

// "Set" with an empty box.
Message NullFactorMessage();

// Upper-case hexadecimal without leading zeros ("ED09", "0").
std::string HexText(std::uint16_t value);

// A box's text as the device gets it: its leading hexadecimal digits (none: 0), kept to
// the low 16 bits. "ed09", "ED09" and "1ED09" all give 0xED09.
std::uint16_t FactorFromText(std::string_view text);

// The 13 factors of the boxes; nullopt when any box is empty ("Null Calibration
// Factor": nothing is sent).
std::optional<FactorSet> FactorsFromTexts(const FactorTexts& texts);

// "Load Default": the voltage base in the seven voltage boxes, 7E80 in the six current
// boxes. nullopt for a device type outside 1-6 (the boxes stay as they are).
std::optional<FactorSet> DefaultFactors(int device_type);
std::optional<FactorTexts> DefaultFactorTexts(int device_type);

}  // namespace corvid::calibration
