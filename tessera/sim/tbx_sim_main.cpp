// tbx-sim: a simulated TBX on a pseudo-terminal, linked as COMn in the port
// directory, for end-to-end tests, benchmarks and demos.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "common/pty_device.h"
#include "common/serial_port.h"
#include "tessera/sim/tbx_model.h"

namespace {

constexpr char kUsage[] =
    "usage: tbx-sim --port N [--port-dir DIR] [--address A] [--comm-version HEX]\n"
    "               [--fw-type HEX] [--fw-rev HEX] [--line-sync-error] [--silent]\n"
    "               [--delay MS] [--drop-every N] [--corrupt-every N] [--paced]\n"
    "               [--drop-rate P] [--seed N] [--no-animation] [--no-extended]\n"
    "               [--log FILE] [--verbose]\n"
    "\n"
    "Serves a simulated TBX on a pseudo-terminal linked as COM<N> in DIR\n"
    "(default: $CABINET_COM_DIR or ~/.config/cabinet-tools/com) until SIGINT/SIGTERM.\n"
    "  --address A        unit address 0-15 (default 5)\n"
    "  --comm-version HEX comm version byte (default 23)\n"
    "  --fw-type HEX      firmware type byte (default 23)\n"
    "  --fw-rev HEX       firmware revision byte (default 14)\n"
    "  --line-sync-error  report a line-sync error in every status response\n"
    "  --silent           never answer\n"
    "  --delay MS         wait MS milliseconds before each answer\n"
    "  --drop-every N     leave every Nth request unanswered\n"
    "  --corrupt-every N  send every Nth answer with a wrong checksum\n"
    "  --drop-rate P      leave requests unanswered at random with probability P\n"
    "  --seed N           seed of --drop-rate, so runs repeat (default 1)\n"
    "  --no-animation     keep the inputs still until outputs are written\n"
    "  --no-extended      an older unit: ignore the extended command set\n"
    "  --paced            deliver answers at the line rate of 19200,E,8,1\n"
    "  --log FILE         append '> hex' / '< hex' traffic lines to FILE\n"
    "  --verbose          print the traffic on stderr\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "tbx-sim: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

// Whole-text number in the given base within [low, high].
std::optional<long> ParseNumber(const char* text, int base, long low, long high) {
  if (text == nullptr || *text == '\0') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, base);
  if (errno != 0 || *end != '\0' || value < low || value > high) return std::nullopt;
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  tessera::sim::TbxOptions model_options;
  common::PtyOptions pty;
  bool have_port = false;
  bool paced = false;

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const auto number = [&](int base, long low, long high) -> std::optional<long> {
      return ParseNumber(value(), base, low, high);
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--port") {
      const auto n = number(10, 1, 255);
      if (!n) return Usage("--port needs a number 1-255");
      pty.port_number = static_cast<int>(*n);
      have_port = true;
    } else if (arg == "--port-dir") {
      const char* dir = value();
      if (dir == nullptr || *dir == '\0') return Usage("--port-dir needs a directory");
      pty.port_dir = dir;
    } else if (arg == "--address") {
      const auto n = number(10, 0, 15);
      if (!n) return Usage("--address needs a number 0-15");
      model_options.unit_address = static_cast<int>(*n);
    } else if (arg == "--comm-version" || arg == "--fw-type" || arg == "--fw-rev") {
      const auto n = number(16, 0, 0xFF);
      if (!n) return Usage(std::string(arg) + " needs a hexadecimal byte (00-FF)");
      const auto byte = static_cast<std::uint8_t>(*n);
      if (arg == "--comm-version") model_options.comm_version = byte;
      else if (arg == "--fw-type") model_options.firmware_type = byte;
      else model_options.firmware_revision = byte;
    } else if (arg == "--line-sync-error") {
      model_options.line_sync_error = true;
    } else if (arg == "--silent") {
      model_options.silent = true;
    } else if (arg == "--delay") {
      const auto n = number(10, 0, 60000);
      if (!n) return Usage("--delay needs milliseconds 0-60000");
      model_options.delay_ms = static_cast<int>(*n);
    } else if (arg == "--drop-every") {
      const auto n = number(10, 1, 1000000);
      if (!n) return Usage("--drop-every needs a number >= 1");
      model_options.drop_every = static_cast<int>(*n);
    } else if (arg == "--corrupt-every") {
      const auto n = number(10, 1, 1000000);
      if (!n) return Usage("--corrupt-every needs a number >= 1");
      model_options.corrupt_every = static_cast<int>(*n);
    } else if (arg == "--drop-rate") {
      const char* text = value();
      char* end = nullptr;
      const double p = text ? std::strtod(text, &end) : -1;
      if (text == nullptr || *end != '\0' || !(p >= 0 && p <= 1)) {
        return Usage("--drop-rate needs a probability 0-1");
      }
      model_options.drop_probability = p;
    } else if (arg == "--seed") {
      const auto n = number(10, 0, 0xFFFFFFFFL);
      if (!n) return Usage("--seed needs a number");
      model_options.seed = static_cast<std::uint32_t>(*n);
    } else if (arg == "--no-animation") {
      model_options.idle_animation = false;
    } else if (arg == "--no-extended") {
      model_options.extended = false;
    } else if (arg == "--paced") {
      paced = true;
    } else if (arg == "--log") {
      const char* path = value();
      if (path == nullptr || *path == '\0') return Usage("--log needs a file");
      pty.log_path = path;
    } else if (arg == "--verbose") {
      pty.verbose = true;
    } else {
      return Usage("unknown argument '" + std::string(arg) + "'");
    }
  }
  if (!have_port) return Usage("--port is required");

  if (paced) {
    common::LineSettings line;
    line.baud = 19200;
    line.parity = 'E';
    pty.micros_per_byte = line.MicrosPerByte();
  }
  tessera::sim::TbxModel model(model_options);
  return common::RunPtyDevice(model, pty);
}
