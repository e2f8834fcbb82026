// Software cost of the pure cores per exchange, next to the wire time of the same
// bytes (counter wire_us): the cost must stay small against the line.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/wire.h"
#include "corvid/core/commands.h"
#include "corvid/core/crc.h"
#include "corvid/core/hdlc_frame.h"
#include "corvid/core/response_decoders.h"
#include "corvid/sim/switch_pack_model.h"
#include "tessera/core/frame.h"
#include "tessera/core/requests.h"
#include "tessera/sim/tbx_model.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Wire(benchmark::State& state, std::size_t bytes, double bytes_per_second) {
  state.counters["bytes"] = static_cast<double>(bytes);
  state.counters["wire_us"] = bench::WireMicros(static_cast<double>(bytes), bytes_per_second);
}
void TesseraWire(benchmark::State& state, std::size_t bytes) {
  Wire(state, bytes, bench::kTesseraBytesPerSecond);
}
void CorvidWire(benchmark::State& state, std::size_t bytes) {
  Wire(state, bytes, bench::kCorvidBytesPerSecond);
}

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "bench_core: %s\n", what);
  std::exit(1);
}

// ---- Tessera ---------------------------------------------------------------

// A real input response: what the TBX model answers to 34 00 CB.
common::Bytes InputResponse() {
  tessera::sim::TbxModel model;
  const common::Bytes request = tessera::InputRequest({});
  common::Bytes response = model.Receive(request).bytes;
  if (response.size() != 14 || !tessera::IsValidFrame(response)) Broken("no input response");
  return response;
}

// Get-filters response: 7D, 0D 00, versions, 2 unused, 60 + 60 edge values, 8 flag bytes.
Bytes FilterData() {
  Bytes data{0x23, 0x23, 0x14, 0, 0};
  for (int i = 0; i < 120; ++i) data.push_back(static_cast<std::uint8_t>(5 + i));
  for (int i = 0; i < 8; ++i) data.push_back(static_cast<std::uint8_t>(0x55 + i));
  return data;
}

void BM_TesseraInputRequestBuild(benchmark::State& state) {
  tessera::InputControl control{.filtered = true, .output_front_panel = true};
  for (auto _ : state) {
    common::Bytes f = tessera::InputRequest(control);
    benchmark::DoNotOptimize(f.data());
  }
  TesseraWire(state, 3);
}
BENCHMARK(BM_TesseraInputRequestBuild);

void BM_TesseraInputResponseBuild(benchmark::State& state) {
  const common::Bytes response = InputResponse();
  const Bytes data(response.begin() + 1, response.end() - 1);
  for (auto _ : state) {
    common::Bytes f = tessera::BuildFrame(tessera::kCmdInputRaw, data);
    benchmark::DoNotOptimize(f.data());
  }
  TesseraWire(state, response.size());
}
BENCHMARK(BM_TesseraInputResponseBuild);

// What the link and the panel do with an input response: checksum, data, address.
void BM_TesseraInputResponseValidate(benchmark::State& state) {
  const common::Bytes response = InputResponse();
  for (auto _ : state) {
    benchmark::DoNotOptimize(response.data());
    bool ok = tessera::IsValidFrame(response);
    auto data = tessera::InputDataOf(response);
    int address = tessera::UnitAddressOf(response);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(data);
    benchmark::DoNotOptimize(address);
  }
  TesseraWire(state, response.size());
}
BENCHMARK(BM_TesseraInputResponseValidate);

void BM_TesseraFilterResponseBuild(benchmark::State& state) {
  const Bytes data = FilterData();
  std::size_t size = 0;
  for (auto _ : state) {
    common::Bytes f = tessera::BuildExtendedFrame(tessera::kCmdGetFilters, data);
    size = f.size();
    benchmark::DoNotOptimize(f.data());
  }
  if (size != 137) Broken("filter response is not 137 bytes");
  TesseraWire(state, size);
}
BENCHMARK(BM_TesseraFilterResponseBuild);

// Checksum, extended marker and the length rule over a get-filters response.
void BM_TesseraFilterResponseValidate(benchmark::State& state) {
  const common::Bytes response = tessera::BuildExtendedFrame(tessera::kCmdGetFilters, FilterData());
  const auto shape = tessera::ResponseShape::Fixed(137);
  for (auto _ : state) {
    benchmark::DoNotOptimize(response.data());
    bool ok = tessera::IsValidFrame(response) && tessera::HasExtendedMarker(response) &&
              static_cast<int>(response.size()) == shape.count;
    benchmark::DoNotOptimize(ok);
  }
  TesseraWire(state, response.size());
}
BENCHMARK(BM_TesseraFilterResponseValidate);

// The simulated unit's side of one input exchange: request in, response out.
void BM_TbxModelAnswersInput(benchmark::State& state) {
  tessera::sim::TbxModel model;
  const common::Bytes request = tessera::InputRequest({});
  for (auto _ : state) {
    common::DeviceReply reply = model.Receive(request);
    benchmark::DoNotOptimize(reply.bytes.data());
  }
  if (model.Counters().answered == 0) Broken("TBX model did not answer");
  TesseraWire(state, request.size() + 14);
}
BENCHMARK(BM_TbxModelAnswersInput);

// ---- Corvid ----------------------------------------------------------------

struct CorvidFrames {
  Bytes status_command;   // stuffed, on the wire
  Bytes status_response;  // stuffed, on the wire
  Bytes status_body;      // unstuffed: address, control, payload, FCS
  Bytes diagnostic_payload;
  Bytes id_payload;
};

Bytes Unstuff(const Bytes& wire) {
  corvid::HdlcReceiver rx;
  rx.Reset();
  for (std::uint8_t b : wire) rx.Take(b);
  return rx.Frame();
}

Bytes PayloadOf(const Bytes& wire) {
  const corvid::ResponseCheck check = corvid::EvaluateResponse(Unstuff(wire));
  if (check.kind != corvid::ResponseKind::kOk) Broken("switch-pack model answer rejected");
  return check.payload;
}

// Real answers of the switch-pack model (slot 1, outputs enabled so the readings vary).
const CorvidFrames& Corvid() {
  static const CorvidFrames frames = [] {
    CorvidFrames f;
    corvid::SwitchPackModel model;
    const auto command =
        corvid::monitor::BuildStatusCommand(corvid::monitor::StatusLayout::kSwitchPack, 0, 0x00);
    f.status_command = corvid::BuildCommandFrame(1, command);
    model.Receive(f.status_command);  // first status clears "reset since last poll"
    f.status_response = model.Receive(f.status_command).bytes;
    f.status_body = Unstuff(f.status_response);
    if (!corvid::CheckCrcString(f.status_body)) Broken("status response FCS");
    const auto diag = corvid::monitor::DiagnosticCommand();
    f.diagnostic_payload = PayloadOf(model.Receive(corvid::BuildCommandFrame(1, diag)).bytes);
    const auto id = corvid::monitor::ModuleIdCommand();
    f.id_payload = PayloadOf(model.Receive(corvid::BuildCommandFrame(1, id)).bytes);
    return f;
  }();
  return frames;
}

// The FCS the host computes over a status response before its own two FCS bytes.
void BM_CorvidFcs16StatusResponse(benchmark::State& state) {
  const Bytes& body = Corvid().status_body;
  const common::ByteView covered(body.data(), body.size() - 2);
  for (auto _ : state) {
    benchmark::DoNotOptimize(body.data());
    benchmark::DoNotOptimize(corvid::Fcs16(covered));
  }
  CorvidWire(state, covered.size());
}
BENCHMARK(BM_CorvidFcs16StatusResponse);

// Residue check over the whole body, FCS included (what the link does).
void BM_CorvidCheckCrcStatusResponse(benchmark::State& state) {
  const Bytes& body = Corvid().status_body;
  for (auto _ : state) {
    benchmark::DoNotOptimize(body.data());
    benchmark::DoNotOptimize(corvid::CheckCrcString(body));
  }
  CorvidWire(state, body.size());
}
BENCHMARK(BM_CorvidCheckCrcStatusResponse);

// Status command payload, FCS, stuffing and flags: what goes out every 50 ms.
void BM_CorvidBuildStatusCommand(benchmark::State& state) {
  std::size_t size = 0;
  for (auto _ : state) {
    const auto command =
        corvid::monitor::BuildStatusCommand(corvid::monitor::StatusLayout::kSwitchPack, 0x01, 0x3F);
    corvid::Bytes frame = corvid::BuildCommandFrame(1, command);
    size = frame.size();
    benchmark::DoNotOptimize(frame.data());
  }
  CorvidWire(state, size);
}
BENCHMARK(BM_CorvidBuildStatusCommand);

// The receive state machine over the stuffed status response, then its verdict.
void BM_CorvidReceiveStatusResponse(benchmark::State& state) {
  const Bytes& wire = Corvid().status_response;
  corvid::HdlcReceiver rx;
  for (auto _ : state) {
    rx.Reset();
    bool end = false;
    for (std::uint8_t b : wire) end = rx.Take(b);
    corvid::ResponseCheck check = corvid::EvaluateResponse(rx.Frame());
    benchmark::DoNotOptimize(end);
    benchmark::DoNotOptimize(check.payload.data());
  }
  CorvidWire(state, wire.size());
}
BENCHMARK(BM_CorvidReceiveStatusResponse);

void BM_CorvidDecodeStatus(benchmark::State& state) {
  const CorvidFrames& f = Corvid();
  const common::ByteView payload(f.status_body.data() + 2, f.status_body.size() - 4);
  if (!corvid::monitor::DecodeStatus(payload)) Broken("status payload does not decode");
  for (auto _ : state) {
    benchmark::DoNotOptimize(payload.data());
    auto reading = corvid::monitor::DecodeStatus(payload);
    benchmark::DoNotOptimize(reading);
  }
  CorvidWire(state, f.status_response.size());
}
BENCHMARK(BM_CorvidDecodeStatus);

void BM_CorvidDecodeDiagnostic(benchmark::State& state) {
  const Bytes& payload = Corvid().diagnostic_payload;
  if (!corvid::monitor::DecodeDiagnostic(payload)) Broken("diagnostic payload does not decode");
  for (auto _ : state) {
    benchmark::DoNotOptimize(payload.data());
    auto reading = corvid::monitor::DecodeDiagnostic(payload);
    benchmark::DoNotOptimize(reading);
    std::string text = corvid::monitor::FormatCounter(reading->counters[0]);
    benchmark::DoNotOptimize(text.data());
  }
  CorvidWire(state, payload.size() + 6);  // + address, control, FCS, two flags
}
BENCHMARK(BM_CorvidDecodeDiagnostic);

void BM_CorvidDecodeModuleId(benchmark::State& state) {
  const Bytes& payload = Corvid().id_payload;
  for (auto _ : state) {
    corvid::monitor::DeviceIdentity identity;
    benchmark::DoNotOptimize(payload.data());
    bool ok = corvid::monitor::ApplyModuleId(payload, identity);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(identity.module_id.data());
  }
  corvid::monitor::DeviceIdentity identity;
  if (!corvid::monitor::ApplyModuleId(payload, identity)) Broken("identification does not decode");
  CorvidWire(state, payload.size() + 6);
}
BENCHMARK(BM_CorvidDecodeModuleId);

// The simulated switch pack's side of one status exchange.
void BM_SwitchPackModelAnswersStatus(benchmark::State& state) {
  corvid::SwitchPackModel model;
  const Bytes& command = Corvid().status_command;
  std::size_t reply_size = 0;
  for (auto _ : state) {
    common::DeviceReply reply = model.Receive(command);
    reply_size = reply.bytes.size();
    benchmark::DoNotOptimize(reply.bytes.data());
    model.ClearReceived();  // the model keeps a record per frame
  }
  if (reply_size == 0) Broken("switch-pack model did not answer");
  CorvidWire(state, command.size() + reply_size);
}
BENCHMARK(BM_SwitchPackModelAnswersStatus);

// The usual console table, then each benchmark's CPU time as a share of its wire time.
class WireShareReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      if ((run.run_type == Run::RT_Iteration && run.repetitions <= 1) || median)
        rows_.push_back(run);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-36s %12s %12s %12s\n", "software cost against the wire", "cpu ns", "wire us",
                "share");
    for (const Run& run : rows_) {
      const auto wire = run.counters.find("wire_us");
      if (wire == run.counters.end()) continue;
      const double cpu_ns =
          run.GetAdjustedCPUTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      std::printf("%-36s %12.1f %12.1f %11.4f%%\n", run.benchmark_name().c_str(), cpu_ns,
                  wire->second.value, 100.0 * cpu_ns / (wire->second.value * 1000.0));
    }
  }

 private:
  std::vector<Run> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  WireShareReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
