#include "tessera/sim/tbx_sim_args.h"

#include <QString>
#include <array>
#include <set>

#include "common/qtcore/tool_command_line.h"
#include "tessera/core/trace_names.h"

namespace tessera::sim {
namespace {

void AddLoaderOptions(common::ToolCommandLine& line) {
  line.AddValue({"mfg-code"}, "HEX", "flash manufacturer code the loader reports (default 1F)");
  line.AddValue({"device-code"}, "HEX", "flash device code the loader reports (default B5)");
  line.AddFlag({"in-loader"},
               "start in the flash loader, as an update that never rebooted left it");
  line.AddFlag({"refuse-launch"}, "refuse every loader launch (status A0)");
  line.AddValue({"bad-erases"}, "N", "the next N erases leave the byte at 0x00000 at 00");
  line.AddValue({"program-fault-at"}, "ADDR", "refuse to program the record at ADDR (hex)");
  line.AddValue({"program-fault-status"}, "HEX", "status of that refusal (default 10)");
  line.AddValue({"loader-drop"}, "OPS",
                "loader operations (codes 1-7, comma separated) done but left unanswered");
  line.AddValue({"loader-corrupt"}, "OPS", "loader operations answered with a wrong checksum");
  line.AddValue({"erase-ms"}, "MS", "an erase takes MS milliseconds (0-60000)");
  line.AddValue({"program-ms"}, "MS", "programming a record takes MS milliseconds (0-60000)");
  line.AddValue({"version-address"}, "ADDR",
                "after a reboot report the version stored in the image at ADDR (hex)");
  line.AddValue({"new-version"}, "CC,TT,RR",
                "after a reboot report comm version CC, firmware type TT, revision RR (hex)");
}

// "4,5" -> {4, 5}; a bad list is the line's error.
std::set<std::uint8_t> Operations(common::ToolCommandLine& line, const QString& name) {
  std::set<std::uint8_t> operations;
  const auto text = line.Text(name);
  if (!text) return operations;
  for (const QString& word : text->split(',')) {
    bool ok = false;
    const int code = word.trimmed().toInt(&ok, 16);
    if (!ok || code < 1 || code > 7) {
      line.Fail(QStringLiteral("--%1 takes loader operation codes 1-7, not '%2'").arg(name, *text));
      return {};
    }
    operations.insert(static_cast<std::uint8_t>(code));
  }
  return operations;
}

void ReadLoaderOptions(common::ToolCommandLine& line, TbxLoaderOptions& l) {
  if (const auto v = line.Whole("mfg-code", 0, 0xFF, 16)) l.manufacturer_code = *v;
  if (const auto v = line.Whole("device-code", 0, 0xFF, 16)) l.device_code = *v;
  l.start_running = line.IsSet("in-loader");
  l.refuse_launch = line.IsSet("refuse-launch");
  if (const auto v = line.Whole("bad-erases", 0, 1000)) l.incomplete_erases = static_cast<int>(*v);
  if (const auto v = line.Whole("program-fault-at", 0, 0xFFFFFF, 16)) {
    l.fail_program_at = static_cast<std::uint32_t>(*v);
  }
  if (const auto v = line.Whole("program-fault-status", 0, 0xFF, 16)) l.program_fault_status = *v;
  l.unanswered = Operations(line, "loader-drop");
  l.corrupted = Operations(line, "loader-corrupt");
  if (const auto v = line.Whole("erase-ms", 0, 60000)) l.erase_ms = static_cast<int>(*v);
  if (const auto v = line.Whole("program-ms", 0, 60000)) l.program_ms = static_cast<int>(*v);
  if (const auto v = line.Whole("version-address", 0, TbxLoader::kFlashSize - 3, 16)) {
    l.version_address = static_cast<std::uint32_t>(*v);
  }
  if (const auto text = line.Text("new-version")) {
    const QStringList bytes = text->split(',');
    std::array<int, 3> values{};
    bool ok = bytes.size() == 3;
    for (int i = 0; ok && i < 3; ++i) {
      values[i] = bytes[i].trimmed().toInt(&ok, 16);
      ok = ok && values[i] >= 0 && values[i] <= 0xFF;
    }
    if (ok) {
      l.version_after_reboot = FirmwareVersion{static_cast<std::uint8_t>(values[0]),
                                               static_cast<std::uint8_t>(values[1]),
                                               static_cast<std::uint8_t>(values[2])};
    } else {
      line.Fail(QStringLiteral("--new-version needs three hexadecimal bytes CC,TT,RR, not '%1'")
                    .arg(*text));
    }
  }
}

}  // namespace

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
  line.AddValue({"event-records"}, "N",
                "an event log of N records (0-65535) going round every type, instead of the "
                "demonstration log");
  line.AddValue({"transitions"}, "N", "N transitions (0-65535) waiting in the transition buffer");
  line.AddValue({"block-items"}, "N", "at most N transitions (0-255) in a block (default 20)");
  AddLoaderOptions(line);
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
  if (const auto v = line.Whole("event-records", 0, 65535)) {
    args.logs.event_records = static_cast<std::size_t>(*v);
  }
  if (const auto v = line.Whole("transitions", 0, 65535)) {
    args.logs.transitions = static_cast<std::size_t>(*v);
  }
  if (const auto v = line.Whole("block-items", 0, 255))
    args.logs.block_items = static_cast<int>(*v);
  ReadLoaderOptions(line, args.loader);
  args.pty = line.Pty(*common::LineSettings::Parse("19200,E,8,1"));
  // Noise stays below 0x10, so no run of up to 15 noise bytes sums to 0xFF: a host that
  // shows something did not take it from the noise. Late answers miss the 500 ms.
  args.pty.reply_faults = {.noise_max = 0x0F, .late_ms = 600, .oversize_inside = false};
  args.pty.describe = &UnitSideRecord;
  if (const auto status = line.Finish()) return *status;
  return args;
}

}  // namespace tessera::sim
