#include "tessera/link/trace_names.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera {
namespace {

using common::TraceDirection;
using common::TraceOutcome;
using common::testing::B;
using common::testing::H;

TEST(TraceNamesTest, EveryRequestByItsRoutine) {
  struct Case {
    const char* request;
    const char* name;
    bool routine;
  };
  for (const Case& c : {
           Case{"34 00 CB", "SendInputFrame", true},
           Case{"31 00 CE", "SendRMSFrame", true},
           Case{"37 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C8", "SendOutputFrame", true},
           Case{"71 0D 00 00 81", "SendKalRmsFrame", true},
           Case{"73 0D 00 3C", "SendFilters", false},
           Case{"7D 0D 00 75", "GetFilters", false},
           Case{"7F 0D 00 73", "ReadEvents", false},
           Case{"70 01 5A A5 69 CD", "Launch", false},
           Case{"70 04 00 70 00 20", "Program Record", false},
           Case{"70 06 89", "Reboot TBX", false},
           Case{"70 09 86", "Loader 09", false},
           Case{"70", "Loader", false},
           Case{"5A A5", "Command 5A", false},
           Case{"", "-", false},
       }) {
    const common::TraceName name = RequestTraceName(B(c.request));
    EXPECT_EQ(name.name, c.name) << c.request;
    EXPECT_EQ(name.routine, c.routine) << c.request;
  }
}

TEST(TraceNamesTest, TheUnitsSideOfTheLine) {
  struct Case {
    TraceDirection direction;
    const char* bytes;
    const char* name;
    TraceOutcome outcome;
  };
  for (const Case& c : {
           Case{TraceDirection::kToDevice, "34 00 CB", "SendInputFrame", TraceOutcome::kOk},
           Case{TraceDirection::kToDevice, "34 00 CC", "SendInputFrame",
                TraceOutcome::kChecksumError},
           Case{TraceDirection::kFromDevice, "34 00 00 00 00 00 00 00 50 00 00 00 00 7B",
                "SendInputFrame", TraceOutcome::kSent},
           Case{TraceDirection::kFromDevice, "34 00 00 00 00 00 00 00 50 00 00 00 00 7C",
                "SendInputFrame", TraceOutcome::kChecksumError},
           Case{TraceDirection::kFromDevice, "70 04 00 8B", "Program Record", TraceOutcome::kSent},
           Case{TraceDirection::kFromDevice, "00 00 00", "Command 00",
                TraceOutcome::kChecksumError},
       }) {
    const common::TraceRecord r = UnitSideRecord(c.direction, B(c.bytes));
    EXPECT_EQ(r.direction, c.direction) << c.bytes;
    EXPECT_EQ(r.name, c.name) << c.bytes;
    EXPECT_EQ(r.outcome, c.outcome) << c.bytes;
    EXPECT_EQ(H(r.bytes), c.bytes);
  }
}

}  // namespace
}  // namespace tessera
