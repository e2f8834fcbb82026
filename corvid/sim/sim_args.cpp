#include "corvid/sim/sim_args.h"

namespace corvid {

std::string SimUsage() { return {}; }
std::optional<SimArgs> ParseSimArgs(const std::vector<std::string>&, std::string& error) {
  error = "not yet";
  return std::nullopt;
}

}  // namespace corvid
