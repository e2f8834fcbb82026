#include "tessera/core/unit_address.h"

namespace tessera {
namespace {

// Frames 0..13 are the output channels an assembly position can own; 14..17 are
// never touched by the table.
constexpr int kTableFrames = 14;

void Borders(AddressLayout& layout, int first, int last, bool on) {
  for (int k = first; k <= last; ++k) layout.frames[k].border = on;
}

void Captions(AddressLayout& layout, int frames, int first_channel) {
  for (int k = 0; k < frames; ++k) {
    layout.frames[k].caption = "Channel " + std::to_string(first_channel + k);
  }
}

// Red, yellow, green for the points of channels 0..channels-1.
void SignalColours(AddressLayout& layout, int channels) {
  for (int k = 0; k < channels; ++k) {
    layout.point_colours[3 * k] = kColourRed;
    layout.point_colours[3 * k + 1] = kColourYellow;
    layout.point_colours[3 * k + 2] = kColourGreen;
  }
}

void InputColours(AddressLayout& layout) {
  for (auto& colour : layout.point_colours) colour = kColourBlue;
}

}  // namespace

std::string AddressDescription(int address) {
  switch (address) {
    case 1:
      return ", 14 Pack Output Assembly Position #1";
    case 3:
      return ", 14 Pack Output Assembly Position #3";
    case 4:
      return ", 6 Pack Output Assembly Position #4";
    case 5:
      return ", 6 Pack Output Assembly Position #1";
    case 6:
      return ", 6 Pack Output Assembly Position #2";
    case 7:
      return ", 6 Pack Output Assembly Position #3";
    case 9:
      return ", Input Assembly Position #1";
    case 10:
      return ", Input Assembly Position #2";
    case 11:
      return ", Input Assembly Position #3";
    case 12:
      return ", Input Assembly Position #4";
    case 13:
      return ", Input Assembly Position #5";
    case 15:
      return ", Diagnostic Mode";
    default:
      return ", Unassigned Address";
  }
}

AddressLayout UnitAddressLayout(int address) {
  AddressLayout layout;
  layout.address = address;
  layout.caption = "TBX Address #" + std::to_string(address) + AddressDescription(address);
  switch (address) {
    case 1:
    case 3:
      Borders(layout, 0, kTableFrames - 1, true);
      Captions(layout, kTableFrames, address == 1 ? 1 : 14);
      SignalColours(layout, kTableFrames);
      break;
    case 4:
    case 5:
    case 6:
    case 7:
      Borders(layout, 0, 5, true);
      Borders(layout, 6, kTableFrames - 1, false);
      // Position #4 keeps whatever channel captions the frames already show.
      if (address != 4) Captions(layout, 6, 1 + 6 * (address - 5));
      SignalColours(layout, 6);
      break;
    case 9:
      Borders(layout, 0, kTableFrames - 1, false);
      Captions(layout, kTableFrames, 19);
      InputColours(layout);
      break;
    default:  // input positions 2-5, diagnostic mode, unassigned
      Borders(layout, 0, kTableFrames - 1, false);
      InputColours(layout);
      break;
  }
  return layout;
}

}  // namespace tessera
