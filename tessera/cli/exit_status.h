// Exit statuses of tessera-cli, one for each kind of failure, so a script that
// visits many cabinets can tell them apart. --help lists them.
#pragma once

namespace tessera::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;         // bad command line
inline constexpr int kExitPort = 3;          // the port could not be opened
inline constexpr int kExitNoAnswer = 4;      // the unit refused or did not answer
inline constexpr int kExitBadAnswer = 5;     // the unit's answer could not be used
inline constexpr int kExitFileRejected = 6;  // a file was refused before anything was sent
inline constexpr int kExitAfterErase = 7;    // an update failed after the unit was erased
inline constexpr int kExitNotAnswered = 8;   // a question needed an answer (use --yes)
inline constexpr int kExitCancelled = 9;     // the user answered Cancel; nothing was changed
inline constexpr int kExitOutput = 10;       // standard output could not be written
inline constexpr int kExitTrace = 11;        // the --trace file could not be written

}  // namespace tessera::cli
