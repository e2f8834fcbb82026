#include "corvid/core/trend_log.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "common/core/reading_format.h"

namespace corvid::monitor {

namespace {

std::uint16_t Clamp16(int value) {
  return static_cast<std::uint16_t>(std::clamp(value, 0, 0xFFFF));
}

// Bit 0 first: "100001" is output 1 and output 6.
std::string Bits(std::uint8_t bits, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (bits >> i & 1) ? '1' : '0';
  return text;
}

}  // namespace

void TrendLog::AddStatus(std::int64_t time_ms, const StatusReading& reading) {
  TrendSample sample;
  sample.time_ms = time_ms;
  sample.mains = Clamp16(reading.mains);
  for (int i = 0; i < kOutputs; ++i) {
    sample.volts[i] = Clamp16(reading.volts[i]);
    sample.amps[i] = Clamp16(reading.amps[i]);
  }
  sample.on_bits = reading.on_bits;
  sample.fault_bits = reading.fault_bits;
  sample.status_bits = reading.status_bits;
  samples_.Push(sample);
}

void TrendLog::AddTemperature(std::int64_t time_ms, int temperature) {
  temperatures_.Push({time_ms, static_cast<std::int16_t>(std::clamp(temperature, -32768, 32767))});
}

void TrendLog::MarkNoAnswer(std::int64_t time_ms) {
  if (!samples_.Empty() && samples_.Back().no_answer) return;
  TrendSample mark;
  mark.time_ms = time_ms;
  mark.no_answer = true;
  samples_.Push(mark);
}

void TrendLog::Clear() {
  samples_.Clear();
  temperatures_.Clear();
}

const TrendTemperature* TrendLog::TemperatureAt(std::int64_t time_ms) const {
  const std::size_t after = temperatures_.LowerBound(time_ms + 1);
  return after == 0 ? nullptr : &temperatures_[after - 1];
}

const std::array<const char*, kOutputs>& TrendOutputNames() {
  static const std::array<const char*, kOutputs> names = {"Ch1 Red", "Ch1 Yellow", "Ch1 Green",
                                                          "Ch2 Red", "Ch2 Yellow", "Ch2 Green"};
  return names;
}

std::string TrendCsv(const TrendLog& log) {
  std::string csv = "Time,Mains (Vrms)";
  for (const char* name : TrendOutputNames()) csv += std::string(",") + name + " (Vrms)";
  for (const char* name : TrendOutputNames()) csv += std::string(",") + name + " (mArms)";
  csv +=
      ",On (outputs 1-6),Fault (outputs 1-6),Status (24VDC low/reset/RMS lost/diag fail),"
      "Temperature (oF),Note\r\n";
  // Blank cells where a row carries no value of that column.
  const std::string no_status(2 * kOutputs + 4, ',');
  const auto& samples = log.Samples();
  const auto& temperatures = log.Temperatures();
  std::size_t s = 0, t = 0;
  while (s < samples.Size() || t < temperatures.Size()) {
    const bool take_sample = t == temperatures.Size() ||
                             (s < samples.Size() && samples[s].time_ms <= temperatures[t].time_ms);
    if (take_sample) {
      const TrendSample& sample = samples[s++];
      csv += common::IsoLocalTime(sample.time_ms);
      if (sample.no_answer) {
        csv += no_status + ",,no answer\r\n";
        continue;
      }
      csv += "," + FormatTenths(sample.mains);
      for (int v : sample.volts) csv += "," + FormatTenths(v);
      for (int a : sample.amps) csv += "," + std::to_string(a);
      csv += "," + Bits(sample.on_bits, kOutputs) + "," + Bits(sample.fault_bits, kOutputs) + "," +
             Bits(sample.status_bits, 4) + ",,\r\n";
    } else {
      const TrendTemperature& reading = temperatures[t++];
      csv += common::IsoLocalTime(reading.time_ms) + no_status + "," +
             std::to_string(reading.temperature) + ",\r\n";
    }
  }
  return csv;
}

}  // namespace corvid::monitor
