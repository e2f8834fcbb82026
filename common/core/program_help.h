// What a program says about itself: the --help text and the manual page are both
// made from one ProgramHelp, so the two cannot drift apart. Window programs, which
// read "/comm=" style switches, answer --help, --version and --man with it before
// any window exists (no display needed).
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace common {

struct HelpOption {
  std::string names;  // "--port" or "/comm=N"
  std::string value;  // "N", empty for a flag
  std::string text;
};

struct ProgramHelp {
  std::string name;         // "tessera-cli"
  std::string summary;      // one line for the manual's NAME section
  std::string synopsis;     // "[options] command [words...]"
  std::string description;  // paragraphs separated by blank lines; lines kept
  std::vector<HelpOption> options;
  // Further manual sections: title, then text as the description is written.
  std::vector<std::pair<std::string, std::string>> sections;
};

// The manual section on how port numbers find their device, the same for every program.
std::pair<std::string, std::string> SerialPortsSection();

std::string HelpText(const ProgramHelp& help);
// A section-1 manual page in roff.
std::string ManPage(const ProgramHelp& help, const std::string& version);

// --help, --version or --man among the arguments: writes the answer to `out` and
// returns the exit status (0); nullopt when none of them was given.
std::optional<int> AnswerInfoSwitches(const std::vector<std::string>& arguments,
                                      const ProgramHelp& help, const std::string& version,
                                      std::FILE* out = stdout);

}  // namespace common
