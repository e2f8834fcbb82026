#include "corvid/link/trace_names.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace corvid {
namespace {

using common::TraceDirection;
using common::TraceOutcome;
using common::testing::B;
using common::testing::H;

TEST(CorvidTraceNamesTest, CommandFunctions) {
  struct Case {
    std::uint8_t code;
    const char* name;
    bool routine;
  };
  for (const Case& c : {Case{0x01, "GetStatus", true}, Case{0x02, "GetStatus", true},
                        Case{0x3C, "GetModuleID", true}, Case{0x7B, "GetDiagnostic", true},
                        Case{0x7C, "SetCalibration", false}, Case{0x41, "Command 41", false},
                        Case{0x81, "Command 81", false}}) {
    const common::TraceName name = CommandTraceName(c.code);
    EXPECT_EQ(name.name, c.name) << int(c.code);
    EXPECT_EQ(name.routine, c.routine) << int(c.code);
  }
}

TEST(CorvidTraceNamesTest, TheDevicesSideOfTheLine) {
  struct Case {
    TraceDirection direction;
    const char* bytes;
    const char* name;
    TraceOutcome outcome;
    int value;
    const char* detail;
  };
  constexpr auto kIn = TraceDirection::kToDevice;
  constexpr auto kOut = TraceDirection::kFromDevice;
  for (const Case& c : {
           Case{kIn, "7E 01 13 01 80 80 47 70 7E", "GetStatus", TraceOutcome::kOk, 0, ""},
           Case{kIn, "7E 01 13 3C 06 D8 7E", "GetModuleID", TraceOutcome::kOk, 0, ""},
           Case{kIn, "7E 01 13 3C 06 D9 7E", "GetModuleID", TraceOutcome::kFcsError, 0, ""},
           Case{kIn, "7E 01 13 3C", "", TraceOutcome::kWrongLength, 0, "no whole frame"},
           Case{kOut, "7E 01 13 82 00 E8 35 7E", "GetStatus", TraceOutcome::kSent, 0, ""},
           Case{kOut, "7E 01 13 BC 02 41 83 6D 7E", "GetModuleID", TraceOutcome::kSent, 0, ""},
           Case{kOut, "7E 01 13 80 E1 A7 7E", "", TraceOutcome::kNak, 0, ""},
           Case{kOut, "7E 01 13 41 64 70 7E", "", TraceOutcome::kUnexpectedCode, 0x41, ""},
           Case{kOut, "7E 01 13 FC 0A 1F 7E", "SetCalibration", TraceOutcome::kFcsError, 0, ""},
           Case{kOut, "7E 00 00 7E", "", TraceOutcome::kWrongLength, 0, "too short for a code"},
           Case{kOut, "00 00 00 00", "", TraceOutcome::kWrongLength, 0, "no whole frame"},
       }) {
    const common::TraceRecord r = DeviceSideRecord(c.direction, B(c.bytes));
    EXPECT_EQ(r.name, c.name) << c.bytes;
    EXPECT_EQ(r.outcome, c.outcome) << c.bytes;
    EXPECT_EQ(r.value, c.value) << c.bytes;
    EXPECT_EQ(r.detail, c.detail) << c.bytes;
    EXPECT_EQ(H(r.bytes), c.bytes);
  }
}

}  // namespace
}  // namespace corvid
