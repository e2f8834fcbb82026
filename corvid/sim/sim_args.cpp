#include "corvid/sim/sim_args.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "common/serial_port.h"
#include "corvid/link/link_settings.h"

namespace corvid {
namespace {

std::optional<long> ParseWhole(const std::string& text, long min, long max) {
  if (text.empty()) return std::nullopt;
  long value = 0;
  int base = 10;
  std::string_view digits(text);
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::optional<double> ParseReal(const std::string& text, double min, double max) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
  if (value < min || value > max) return std::nullopt;
  return value;
}

}  // namespace

std::string SimUsage() {
  return "usage: switchpack-sim --port N [options]\n"
         "Serves a simulated switch pack on a pseudo-terminal linked as COMn.\n"
         "  --port N            port number of the COMn link (required, 1-256)\n"
         "  --port-dir DIR      directory for the link (default: $CABINET_COM_DIR or\n"
         "                      ~/.config/cabinet-tools/com)\n"
         "  --slot S            slot address answered, 1-31 (default 1)\n"
         "  --type T            device type code 0-255; 1-6 known (default 2, VELD-LV)\n"
         "  --mains V           signal power voltage in Vrms (default 120)\n"
         "  --load-ohms R       load on every output in ohms, 0 = open (default: the\n"
         "                      family's calibration resistor, 26.12 if unknown)\n"
         "  --silent            never answer\n"
         "  --delay MS          think this long before each answer (default 0)\n"
         "  --drop-every N      leave every Nth command unanswered\n"
         "  --bad-fcs-every N   corrupt the FCS of every Nth answer\n"
         "  --nak-every N       refuse every Nth command with a NAK\n"
         "  --foreign-code C    answer with code C (e.g. 0x41) ...\n"
         "  --foreign-every N   ... on every Nth command (default 1 with --foreign-code)\n"
         "  --paced             send answers at the 307200 baud line rate\n"
         "  --log FILE          append the traffic as \"> hex\" / \"< hex\" lines\n"
         "  --verbose           log the traffic to stderr\n"
         "  --help              show this text\n";
}

std::optional<SimArgs> ParseSimArgs(const std::vector<std::string>& args, std::string& error) {
  SimArgs out;
  bool have_port = false;
  bool have_foreign_every = false;
  bool have_load = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // Options without a value.
    if (arg == "--help" || arg == "-h") {
      out.help = true;
      return out;
    }
    if (arg == "--silent") { out.model.silent = true; continue; }
    if (arg == "--paced") { out.paced = true; continue; }
    if (arg == "--verbose") { out.pty.verbose = true; continue; }
    if (arg.rfind("--", 0) != 0) {
      error = "unexpected argument '" + arg + "'";
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      error = "missing value after " + arg;
      return std::nullopt;
    }
    const std::string& value = args[++i];
    const auto bad = [&] {
      error = "bad value '" + value + "' for " + arg;
      return std::nullopt;
    };
    if (arg == "--port") {
      const auto n = ParseWhole(value, 1, kMaxPortNumber);
      if (!n) return bad();
      out.pty.port_number = static_cast<int>(*n);
      have_port = true;
    } else if (arg == "--port-dir") {
      if (value.empty()) return bad();
      out.pty.port_dir = value;
    } else if (arg == "--slot") {
      const auto n = ParseWhole(value, kMinSlotAddress, kMaxSlotAddress);
      if (!n) return bad();
      out.model.slot = static_cast<int>(*n);
    } else if (arg == "--type") {
      const auto n = ParseWhole(value, 0, 255);
      if (!n) return bad();
      out.model.device_type = static_cast<int>(*n);
    } else if (arg == "--mains") {
      const auto v = ParseReal(value, 0, 1638.3);
      if (!v) return bad();
      out.model.mains_volts = *v;
    } else if (arg == "--load-ohms") {
      const auto v = ParseReal(value, 0, 1e9);
      if (!v) return bad();
      out.model.load_ohms = *v;
      have_load = true;
    } else if (arg == "--delay") {
      const auto n = ParseWhole(value, 0, 60000);
      if (!n) return bad();
      out.model.delay_ms = static_cast<int>(*n);
    } else if (arg == "--drop-every" || arg == "--bad-fcs-every" || arg == "--nak-every" ||
               arg == "--foreign-every") {
      const auto n = ParseWhole(value, 0, 1000000);
      if (!n) return bad();
      const int every = static_cast<int>(*n);
      if (arg == "--drop-every") out.model.drop_every = every;
      if (arg == "--bad-fcs-every") out.model.bad_fcs_every = every;
      if (arg == "--nak-every") out.model.nak_every = every;
      if (arg == "--foreign-every") {
        out.model.foreign_every = every;
        have_foreign_every = true;
      }
    } else if (arg == "--foreign-code") {
      const auto n = ParseWhole(value, 0, 255);
      if (!n) return bad();
      out.model.foreign_code = static_cast<std::uint8_t>(*n);
      if (!have_foreign_every) out.model.foreign_every = 1;
    } else if (arg == "--log") {
      if (value.empty()) return bad();
      out.pty.log_path = value;
    } else {
      error = "unknown option " + arg;
      return std::nullopt;
    }
  }
  if (!have_port) {
    error = "--port is required";
    return std::nullopt;
  }
  if (!have_load) {
    if (const auto ohms = CalibrationSettings{}.ResistorFor(out.model.device_type)) {
      out.model.load_ohms = *ohms;
    }
  }
  if (out.paced) {
    common::LineSettings line;
    line.baud = 307200;
    out.pty.micros_per_byte = line.MicrosPerByte();
  }
  return out;
}

}  // namespace corvid
