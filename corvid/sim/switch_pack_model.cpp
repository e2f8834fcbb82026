#include "corvid/sim/switch_pack_model.h"

namespace corvid {

std::uint16_t DefaultFactor(int, int) { return 0; }
std::array<std::uint8_t, 2> Encode14(int) { return {0, 0}; }
SwitchPackModel::SwitchPackModel(SwitchPackOptions options) : options_(options) {}
common::DeviceReply SwitchPackModel::Receive(std::span<const std::uint8_t>) { return {}; }
int SwitchPackModel::MainsReading() const { return 0; }
int SwitchPackModel::FieldVoltsReading(int) const { return 0; }
int SwitchPackModel::FieldAmpsReading(int) const { return 0; }

}  // namespace corvid
