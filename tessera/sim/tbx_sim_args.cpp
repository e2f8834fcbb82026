#include "tessera/sim/tbx_sim_args.h"

#include "common/tool_command_line.h"

namespace tessera::sim {

std::variant<TbxSimArgs, int> ParseTbxSimArgs(const QStringList& arguments, std::FILE* out,
                                              std::FILE* err) {
  common::ToolCommandLine line(
      "tbx-sim",
      "Serves a simulated TBX on a pseudo-terminal linked as COM<N> in the port directory "
      "until SIGINT or SIGTERM.");
  line.SetStreams(out, err);
  line.AddPtyOptions();
  line.AddValue({"address"}, "A", "unit address 0-15 (default 5)");
  line.AddValue({"comm-version"}, "HEX", "comm version byte (default 23)");
  line.AddValue({"fw-type"}, "HEX", "firmware type byte (default 23)");
  line.AddValue({"fw-rev"}, "HEX", "firmware revision byte (default 14)");
  line.AddFlag({"line-sync-error"}, "report a line-sync error in every status response");
  line.AddFlag({"silent"}, "never answer");
  line.AddValue({"delay"}, "MS", "wait MS milliseconds (0-60000) before each answer");
  line.AddValue({"drop-every"}, "N", "leave every Nth request unanswered");
  line.AddValue({"corrupt-every"}, "N", "send every Nth answer with a wrong checksum");
  line.AddValue({"drop-rate"}, "P", "leave requests unanswered at random with probability P");
  line.AddValue({"seed"}, "N", "seed of --drop-rate, so runs repeat (default 1)");
  line.AddFlag({"no-animation"}, "keep the inputs still until outputs are written");
  line.AddFlag({"no-extended"}, "an older unit: ignore the extended command set");
  line.AddFaultOptions({common::LineFault::kGarbage, common::LineFault::kTruncate,
                        common::LineFault::kOversize, common::LineFault::kChecksum,
                        common::LineFault::kLate, common::LineFault::kFlood,
                        common::LineFault::kUnplug});
  if (const auto status = line.Parse(arguments)) return *status;

  TbxSimArgs args;
  TbxOptions& m = args.model;
  if (const auto v = line.Whole("address", 0, 15)) m.unit_address = static_cast<int>(*v);
  if (const auto v = line.Whole("comm-version", 0, 0xFF, 16)) m.comm_version = *v;
  if (const auto v = line.Whole("fw-type", 0, 0xFF, 16)) m.firmware_type = *v;
  if (const auto v = line.Whole("fw-rev", 0, 0xFF, 16)) m.firmware_revision = *v;
  m.line_sync_error = line.IsSet("line-sync-error");
  m.silent = line.IsSet("silent");
  if (const auto v = line.Whole("delay", 0, 60000)) m.delay_ms = static_cast<int>(*v);
  if (const auto v = line.Whole("drop-every", 1, 1000000)) m.drop_every = static_cast<int>(*v);
  if (const auto v = line.Whole("corrupt-every", 1, 1000000)) {
    m.corrupt_every = static_cast<int>(*v);
  }
  if (const auto v = line.Real("drop-rate", 0, 1)) m.drop_probability = *v;
  if (const auto v = line.Whole("seed", 0, 0xFFFFFFFFLL)) m.seed = static_cast<std::uint32_t>(*v);
  m.idle_animation = !line.IsSet("no-animation");
  m.extended = !line.IsSet("no-extended");
  args.pty = line.Pty(*common::LineSettings::Parse("19200,E,8,1"));
  // Noise stays below 0x10, so no run of up to 15 noise bytes sums to 0xFF: a host that
  // shows something did not take it from the noise. Late answers miss the 500 ms.
  args.pty.reply_faults = {.noise_max = 0x0F, .late_ms = 600, .oversize_inside = false};
  if (const auto status = line.Finish()) return *status;
  return args;
}

}  // namespace tessera::sim
