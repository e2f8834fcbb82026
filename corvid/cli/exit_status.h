// Exit statuses of corvid-cli, one for each kind of failure, so a script that visits
// many switch packs can tell them apart. Shared meanings keep tessera-cli's numbers.
// --help lists them.
#pragma once

namespace corvid::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;        // bad command line
inline constexpr int kExitPort = 3;         // the port could not be opened
inline constexpr int kExitNoAnswer = 4;     // the device did not answer
inline constexpr int kExitCheckFailed = 6;  // Check Outputs found an output at fault
inline constexpr int kExitNotAnswered = 8;  // a question needed an answer (use --yes)
inline constexpr int kExitCancelled = 9;    // the user said no; nothing was switched
inline constexpr int kExitOutput = 10;      // standard output could not be written
inline constexpr int kExitTrace = 11;       // the --trace file could not be written

}  // namespace corvid::cli
