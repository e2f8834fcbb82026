// The unit address table: window caption, channel frames and indicator colours for
// each address, as a description the main window applies. Everything optional means
// "leave as it is".
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tessera {

inline constexpr std::uint32_t kColourRed = 0xFF0000;
inline constexpr std::uint32_t kColourYellow = 0xFFFF00;
inline constexpr std::uint32_t kColourGreen = 0x00FF00;
inline constexpr std::uint32_t kColourBlue = 0x0000FF;

inline constexpr int kChannelFrameCount = 18;  // the channel frames
inline constexpr int kAddressedPoints = 42;    // input lamps 0-41 take the address colours

struct ChannelFrameLayout {
  std::optional<bool> border;          // true: single border, caption visible
  std::optional<std::string> caption;  // "Channel 7"
};

struct AddressLayout {
  int address = 0;
  std::string caption;  // "TBX Address #5, 6 Pack Output Assembly Position #1"
  std::array<ChannelFrameLayout, kChannelFrameCount> frames;
  std::array<std::optional<std::uint32_t>, kAddressedPoints> point_colours;  // 24-bit RGB
};

// ", 14 Pack Output Assembly Position #1" ... ", Unassigned Address".
std::string AddressDescription(int address);
// The whole row of the table for the address (any int; outside 0-15 is unassigned).
AddressLayout UnitAddressLayout(int address);

}  // namespace tessera
