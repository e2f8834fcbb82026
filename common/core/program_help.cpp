#include "common/core/program_help.h"

#include <algorithm>
#include <sstream>

namespace common {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// roff: backslashes doubled, hyphens of options kept as hyphens, and a line that
// would start with a control character protected.
std::string Roff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

void Paragraphs(std::ostringstream& out, const std::string& text) {
  bool start = true;
  for (const std::string& line : Lines(text)) {
    if (line.empty()) {
      out << ".PP\n";
      start = true;
      continue;
    }
    // Lines that begin with blanks are laid out as written (lists, tables).
    if (line[0] == ' ') {
      out << ".br\n" << Roff(line) << "\n";
    } else {
      if (!start) out << ".br\n";
      out << Roff(line) << "\n";
    }
    start = false;
  }
}

std::string OptionHead(const HelpOption& option) {
  return option.value.empty() ? option.names : option.names + " <" + option.value + ">";
}

}  // namespace

std::string HelpText(const ProgramHelp& help) {
  std::ostringstream out;
  out << "Usage: " << help.name << " " << help.synopsis << "\n" << help.description << "\n";
  if (!help.options.empty()) {
    out << "\nOptions:\n";
    std::size_t width = 0;
    for (const HelpOption& option : help.options)
      width = std::max(width, OptionHead(option).size());
    for (const HelpOption& option : help.options) {
      const std::string head = OptionHead(option);
      out << "  " << head << std::string(width - head.size() + 2, ' ') << option.text << "\n";
    }
  }
  for (const auto& [title, text] : help.sections) out << "\n" << title << ":\n" << text << "\n";
  return out.str();
}

std::string ManPage(const ProgramHelp& help, const std::string& version) {
  std::ostringstream out;
  out << ".TH " << Upper(help.name) << " 1 \"\" \"cabinet-tools " << version
      << "\" \"User Commands\"\n";
  out << ".SH NAME\n" << Roff(help.name) << " \\- " << Roff(help.summary) << "\n";
  out << ".SH SYNOPSIS\n.B " << Roff(help.name) << "\n" << Roff(help.synopsis) << "\n";
  out << ".SH DESCRIPTION\n";
  Paragraphs(out, help.description);
  if (!help.options.empty()) {
    out << ".SH OPTIONS\n";
    for (const HelpOption& option : help.options) {
      if (option.value.empty()) {
        out << ".TP\n.B " << Roff(option.names) << "\n";
      } else {
        out << ".TP\n.BI \"" << Roff(option.names) << " \" " << Roff(option.value) << "\n";
      }
      out << Roff(option.text) << "\n";
    }
  }
  for (const auto& [title, text] : help.sections) {
    out << ".SH " << Upper(title) << "\n";
    Paragraphs(out, text);
  }
  return out.str();
}

std::optional<int> AnswerInfoSwitches(const std::vector<std::string>& arguments,
                                      const ProgramHelp& help, const std::string& version,
                                      std::FILE* out) {
  for (const std::string& argument : arguments) {
    std::string text;
    if (argument == "--help" || argument == "-h") {
      text = HelpText(help);
    } else if (argument == "--version") {
      text = help.name + " " + version + "\n";
    } else if (argument == "--man") {
      text = ManPage(help, version);
    } else {
      continue;
    }
    std::fputs(text.c_str(), out);
    return 0;
  }
  return std::nullopt;
}

std::pair<std::string, std::string> SerialPortsSection() {
  return {"Serial ports",
          "Port N is the entry COMN in the port directory ($CABINET_COM_DIR, else\n"
          "~/.config/cabinet-tools/com), a link to the device; without such an entry it is\n"
          "/dev/ttyS<N-1>. The user must be in the dialout group."};
}

}  // namespace common
