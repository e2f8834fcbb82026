#include "common/trace_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "common/testing/hex.h"
#include "common/testing/time_zone.h"

namespace common {
namespace {

using testing::B;

// 2025-01-07 13:03:07.123456 UTC.
constexpr std::int64_t kWall = 1736254987123456;

TraceRecord At(std::int64_t elapsed_us, TraceDirection direction, TraceOutcome outcome,
               const char* name, const char* hex, int value = 0) {
  TraceRecord r;
  r.elapsed_us = elapsed_us;
  r.wall_us = kWall + elapsed_us;
  r.direction = direction;
  r.outcome = outcome;
  r.name = name;
  r.bytes = B(hex);
  r.value = value;
  return r;
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

TEST(TraceFileTest, OneLineARecordAsItHappens) {
  const testing::TimeZoneScope utc("UTC0");
  QTemporaryDir dir;
  const QString path = dir.filePath("trace.txt");
  {
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older trace that is replaced\r\n");
  }
  TraceFile file;
  ASSERT_TRUE(file.Open(path.toStdString()));
  struct Step {
    TraceRecord record;
    const char* line;  // what the file ends with after it
  };
  const Step steps[] = {
      {At(0, TraceDirection::kToDevice, TraceOutcome::kSent, "SendInputFrame", "34 00 CB"),
       "2025-01-07 13:03:07.123 +0000        0.000 ms  ->  SendInputFrame    sent  34 00 CB\r\n"},
      {At(500250, TraceDirection::kFromDevice, TraceOutcome::kTimeout, "SendInputFrame", "", 500),
       "2025-01-07 13:03:07.623 +0000      500.250 ms  <-  SendInputFrame    "
       "FAIL time-out after 500 ms\r\n"},
      {At(512000, TraceDirection::kFromDevice, TraceOutcome::kDropped, "", "34 00"),
       "2025-01-07 13:03:07.635 +0000      512.000 ms  <-  -                 "
       "FAIL dropped outside an exchange  34 00\r\n"},
  };
  QByteArray expected;
  for (const Step& step : steps) {
    file.OnTrace(step.record);
    expected += step.line;
    // On disk at once, not when the file closes.
    EXPECT_EQ(Contents(path), expected);
  }
  EXPECT_TRUE(file.Close());
  EXPECT_FALSE(file.Failed());
}

TEST(TraceFileTest, FailuresAreToldWithTheSystemsReason) {
  struct Case {
    const char* path;
    bool opens;
    const char* error;
  };
  for (const Case& c : {Case{"/nonexistent-folder/trace.txt", false, "No such file or directory"},
                        Case{"/dev/full", true, "No space left on device"}}) {
    TraceFile file;
    EXPECT_EQ(file.Open(c.path), c.opens) << c.path;
    if (c.opens) {
      EXPECT_FALSE(file.Failed());
      file.OnTrace(At(0, TraceDirection::kToDevice, TraceOutcome::kSent, "GetStatus", "7E 7E"));
      EXPECT_TRUE(file.Failed()) << c.path;
      EXPECT_FALSE(file.Close());
    }
    EXPECT_EQ(file.Error(), c.error) << c.path;
  }
}

}  // namespace
}  // namespace common
