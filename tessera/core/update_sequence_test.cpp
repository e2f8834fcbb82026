#include "tessera/core/update_sequence.h"

#include <gtest/gtest.h>

namespace tessera::flash {
namespace {

// The update against a scripted performer: every action goes well (one record, no
// questions) unless the script's next step names its letter, with '-' for a failure,
// 'I' / 'A' for Ignore / Abort in a port failure report ('i': the exchange had succeeded)
// and 'Q' for a failure while the program closes. The trace has one letter per action,
// phases in capitals with the attempt after the first, the hourglass as [ ], then the end.
std::string Trace(const std::string& script, bool unknown_unit = false) {
  const UnitIdentity identity = unknown_unit ? UnitIdentity{}
                                             : UnitIdentity{.extended_unit = true,
                                                            .comm_version = 0x23,
                                                            .firmware_type = 0x23,
                                                            .firmware_revision = 0x15};
  UpdateSequence sequence(identity, false);
  std::string trace, rest = script;
  for (Action action = sequence.Next(); action.kind != ActionKind::kEnd; action = sequence.Next()) {
    char letter = "_afpao[Plriecsnwvdcby!$"[static_cast<int>(action.kind)];
    char outcome = '.';
    if (rest.size() >= 2 && rest[0] == letter) outcome = rest[1], rest.erase(0, 2);
    const bool ok = outcome == '.' || outcome == 'i';
    if (outcome == 'I' || outcome == 'A' || outcome == 'i') sequence.PortStopped(outcome == 'A');
    switch (action.kind) {
      case ActionKind::kCaution:
      case ActionKind::kAsk:
      case ActionKind::kAskLaunchRetry:
        sequence.Answered(ok);
        break;
      case ActionKind::kChooseFile:
        sequence.FileChosen(" C:\\FW\\TBX2315(FE05).HEX");
        break;
      case ActionKind::kOpenFile:
        sequence.Opened(Validation{true, "", "", 2, 3, 1, 2}, false);
        break;
      case ActionKind::kReadId:
        sequence.CodesRead(ok ? std::optional(DeviceCodes{0x1F, 0xB5}) : std::nullopt);
        break;
      case ActionKind::kEraseChecksum:
      case ActionKind::kNewChecksum:
        sequence.ChecksumRead(ok ? std::optional<std::uint16_t>(
                                       action.kind == ActionKind::kEraseChecksum ? 0 : 0xFE05)
                                 : std::nullopt);
        break;
      case ActionKind::kNextRecord:  // one record in each pass
        sequence.NextRecord(
            trace.back() == 's' ? std::optional(FlashRecord{0x7000, {1, 2}}) : std::nullopt,
            std::nullopt);
        break;
      case ActionKind::kProgramRecord:
        sequence.Programmed(ok ? std::optional(ProgramOutcome{true, 0}) : std::nullopt);
        break;
      case ActionKind::kReadRecord:
        sequence.ReadBack(ok ? std::optional(common::Bytes{1, 2}) : std::nullopt);
        break;
      default:
        sequence.Done(ok);
    }
    if (outcome == 'Q') sequence.Closing();
    if (action.kind == ActionKind::kBusy && action.value == 0) letter = ']';
    trace += action.kind == ActionKind::kPhase ? "0LEPCR"[static_cast<int>(action.phase)] : letter;
    if (action.kind == ActionKind::kPhase && action.value > 1)
      trace += std::to_string(action.value);
  }
  const UpdateResult& result = sequence.Result();
  const char* ends[] = {"done", "cancelled", "rejected", "refused", "failed", "aborted"};
  return trace + "|" + ends[static_cast<int>(result.end)] + (result.erased ? "*" : "") + ":" +
         (result.end == UpdateResult::End::kCompleted ? "" : result.reason);
}

// What the end-to-end runs do not reach cheaply: a port failure at each kind of step,
// the third failed attempt, the program closing, a record the loader cannot take.
TEST(UpdateSequenceTest, StepsAndEnds) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "afo[LliEecPsnwvdnCcRby]0$|done*:"},
      {"lI", "afo[Ll]|refused:"},  // Ignore before the erase: the unit is as it was
      {"iA", "afo[Lli]|aborted:"},
      {"eI", "afo[LliEe]|failed*:"},
      {"ei", "afo[LliEec]|failed*:"},  // an answered erase still has its checksum asked
      {"cI", "afo[LliEec]|failed*:"},
      {"vA", "afo[LliEecPsnwv]|aborted*:"},
      {"bI", "afo[LliEecPsnwvdnCcRb]|failed*:"},
      {"e-e-e-", "afo[LliEeE2eE3e]0!|failed*:Flash did not erase."},
      {"eQ", "afo[LliEe]0|failed*:Flash did not erase."},
      {"lQ", "afo[Ll]|refused:"},
      {"l-", "afo[LlrliEecPsnwvdnCcRby]0$|done*:"},
      {"l-r-", "afo[Llr]|refused:"},
      {"i-", "afo[Lli0!]|refused:Could not read flash device codes."},
      {"w-", "afo[LliEecPsnwE2ecP2snwvdnC2cRby]0$|done*:"},
      {"c.c-c.c-c.c-",
       "afo[LliEecPsnwvdnCcE2ecP2snwvdnC2cE3ecP3snwvdnC3c]0!|failed*:"
       "The new checksum could not be retrieved."},
  };
  for (const auto& [script, trace] : cases) EXPECT_EQ(Trace(script), trace) << script;
  // A unit that never identified itself: the loader probe after the file choice.
  EXPECT_EQ(Trace("p-", true), "afp0!|refused:TBX Not Responding");
}

}  // namespace
}  // namespace tessera::flash
