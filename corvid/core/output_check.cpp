#include "corvid/core/output_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvid::monitor {

namespace {

constexpr double kLowBand = 0.98;
constexpr double kHighBand = 1.02;

// The readings carry one decimal at most; a limit computed in binary may land a hair
// beside a reading that is exactly on the edge, which must pass.
double Slack(double limit) { return 1e-9 * std::max(1.0, std::fabs(limit)); }
bool Below(double value, double limit) { return value < limit - Slack(limit); }
bool Above(double value, double limit) { return value > limit + Slack(limit); }

}  // namespace

std::string_view OutputName(int output) {
  static constexpr std::string_view kNames[] = {"1 Red", "1 Yellow", "1 Green",
                                                "2 Red", "2 Yellow", "2 Green"};
  return output >= 0 && output < 6 ? kNames[output] : std::string_view("?");
}

std::string ShortestDecimal(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return buffer;
}

OutputVerdict JudgeOutput(int output, double volts, double amps, double mains, double resistor) {
  OutputVerdict verdict;
  const std::string channel = "The Channel " + std::string(OutputName(output));
  if (volts == 0) {
    verdict.messages.push_back(
        {"Output Current Error", channel + " input voltage is reporting 0 Volts."});
    verdict.stop = true;
    return verdict;
  }
  if (amps == 0) {
    verdict.messages.push_back(
        {"Output Current Error", channel + " input current is reporting 0 mAmps."});
    verdict.stop = true;
    return verdict;
  }
  const std::string volts_text =
      channel + " input voltage is reporting " + ShortestDecimal(volts) + " Volts.";
  if (Below(volts, kLowBand * mains))
    verdict.messages.push_back({"Output Voltage Low Error", volts_text});
  if (Above(volts, kHighBand * mains))
    verdict.messages.push_back({"Output Voltage High Error", volts_text});
  if (resistor > 0 && std::isfinite(resistor)) {
    const double expected = volts * 1000 / resistor;
    const std::string amps_text =
        channel + " output current is reporting " + ShortestDecimal(amps) + " mA.";
    if (Below(amps, kLowBand * expected))
      verdict.messages.push_back({"Output Current Low Error", amps_text});
    if (Above(amps, kHighBand * expected))
      verdict.messages.push_back({"Output Current High Error", amps_text});
  }
  return verdict;
}

}  // namespace corvid::monitor
