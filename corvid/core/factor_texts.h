// The factors window keeps the 13 calibration factors as hexadecimal text: what
// "Load Default" puts there, how a box's text becomes a factor and when "Set" refuses.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "corvid/core/calibration_math.h"
#include "corvid/core/message.h"

namespace corvid::calibration {

// Box texts in factor order: the six channel voltages, the signal power voltage, the six
// channel currents.
using FactorTexts = std::array<std::string, kFactorCount>;

// "Set" with an empty box.
Message NullFactorMessage();
// "Set" with a box that is not a factor; names the box and what it holds.
Message BadFactorMessage(int index, std::string_view text);

// The caption of box index: "Ch 1 Red Voltage", "Signal Power", "Ch 2 Green Current".
std::string FactorName(int index);

// A box's text as a factor: one to four hexadecimal digits in either case, "0x" before
// them allowed, nothing else. Any other text is refused, never cut to a number the
// technician did not type (a letter O for a zero, a fifth digit).
std::optional<std::uint16_t> FactorFromText(std::string_view text);

// The first box "Set" refuses: an empty one first (any of them), then one that is not
// a factor. nullopt when all 13 are factors.
std::optional<int> FirstRefusedBox(const FactorTexts& texts);
// The 13 factors of the boxes; nullopt when a box is refused (nothing is sent).
std::optional<FactorSet> FactorsFromTexts(const FactorTexts& texts);
FactorTexts TextsOf(const FactorSet& factors);

// "Load Default": the voltage base in the seven voltage boxes, 7E80 in the six current
// boxes. nullopt for a device type outside 1-6 (the boxes stay as they are).
std::optional<FactorSet> DefaultFactors(int device_type);
std::optional<FactorTexts> DefaultFactorTexts(int device_type);

}  // namespace corvid::calibration
