#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "common/core/line_faults.h"
#include "common/core/line_settings.h"
#include "common/core/link_tap.h"
#include "common/core/program_help.h"
#include "common/core/reading_format.h"
#include "common/core/trace_record.h"
#include "common/core/trace_ring.h"
#include "common/testing/env_scope.h"
#include "common/testing/hex.h"

namespace common {
namespace {

using testing::B;

constexpr std::int64_t kWall = 1736254987123456;  // 2025-01-07 13:03:07.123456 UTC
constexpr auto kTo = TraceDirection::kToDevice;
constexpr auto kFrom = TraceDirection::kFromDevice;

TEST(TraceRecordTest, OneLinePerRecordWithTheLocalTimeAndItsOffset) {
  // Direction, outcome, name, bytes, value, detail, elapsed time; the line after the clock.
  const std::tuple<TraceDirection, TraceOutcome, const char*, const char*, int, const char*,
                   std::int64_t, const char*>
      cases[] = {
          {kTo, TraceOutcome::kSent, "SendInputFrame", "34 00 CB", 0, "", 1234567,
           "    1234.567 ms  ->  SendInputFrame    sent  34 00 CB"},
          {kFrom, TraceOutcome::kTimeout, "SendRMSFrame", "", 500, "", 1500,
           "       1.500 ms  <-  SendRMSFrame      FAIL time-out after 500 ms"},
          {kFrom, TraceOutcome::kUnexpectedCode, "GetStatus", "7E 01 13 BC 7E", 0x0BC,
           "the answer to another command", 999,
           "       0.999 ms  <-  GetStatus         FAIL unexpected code BC: the answer to another "
           "command  7E 01 13 BC 7E"},
          {kFrom, TraceOutcome::kLineError, "SendKalRmsFrame", "", 1009, "Rx Parity Error", 0,
           "       0.000 ms  <-  SendKalRmsFrame   FAIL line error: Rx Parity Error"},
          {kFrom, TraceOutcome::kAbandoned, "A name longer than the column", "", 0, "", -5,
           "       0.000 ms  <-  A name longer than the column  FAIL abandoned, the program "
           "closed"},
          {kFrom, TraceOutcome::kOk, "GetModuleID", "7E 7D 5E 7E", 0, "", 86400000000LL,
           "86400000.000 ms  <-  GetModuleID       ok  7E 7D 5E 7E"}};
  const testing::TimeZoneScope utc("UTC0");
  for (const auto& [direction, outcome, name, bytes, value, detail, elapsed_us, line] : cases) {
    const TraceRecord r{elapsed_us, kWall, direction, outcome, false,
                        value,      name,  detail,    B(bytes)};
    EXPECT_EQ(TraceListText(r), line);
    EXPECT_EQ(TraceLine(r), std::string("2025-01-07 13:03:07.123 +0000 ") + line);
  }
  // The day changes with the zone; milliseconds are cut, not rounded.
  const std::tuple<const char*, std::int64_t, const char*> zones[] = {
      {"CET-1", kWall, "2025-01-07 14:03:07.123 +0100"},
      {"EST5", kWall, "2025-01-07 08:03:07.123 -0500"},
      {"XST-11", kWall + 999000, "2025-01-08 00:03:08.122 +1100"}};
  for (const auto& [tz, wall_us, text] : zones) {
    const testing::TimeZoneScope zone(tz);
    EXPECT_EQ(WallText(wall_us), text) << tz;
  }
}

TraceRecord Named(std::string name, std::size_t bytes = 0) {
  TraceRecord r;
  r.name = std::move(name);
  r.bytes.assign(bytes, 0x55);
  return r;
}

std::vector<std::string> Names(const TraceRing& ring) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < ring.Size(); ++i) names.push_back(ring.At(i).name);
  return names;
}

// The oldest give way to the record bound and to the byte bound; the newest stays
// even alone over the byte bound. Records 0, 1, 2 ... of `sizes` bytes each.
TEST(TraceRingTest, TheOldestGiveWay) {
  const std::size_t small = TraceRing::Weight(Named("x", 10));
  // Record bound, the records' sizes; the names kept and the first one's number.
  const std::tuple<std::size_t, std::vector<std::size_t>, std::vector<std::string>, std::uint64_t>
      cases[] = {{3, {10, 10, 10}, {"0", "1", "2"}, 0},
                 {3, {10, 10, 10, 10, 10}, {"2", "3", "4"}, 2},
                 {100, {10, 10, 10, 10}, {"1", "2", "3"}, 1},
                 {100, {10, 10, 10, small + 10}, {"2", "3"}, 2},
                 {100, {10, 10, 5 * small}, {"2"}, 2},
                 {100, {5 * small, 10}, {"1"}, 1}};
  for (const auto& [max_records, sizes, kept, first] : cases) {
    TraceRing ring(max_records, 3 * small);
    for (std::size_t i = 0; i < sizes.size(); ++i) ring.Push(Named(std::to_string(i), sizes[i]));
    EXPECT_EQ(Names(ring), kept);
    EXPECT_EQ(ring.FirstNumber(), first);
    EXPECT_EQ(ring.Evicted(), sizes.size() - kept.size());
    ASSERT_NE(ring.Find(first), nullptr);
    EXPECT_EQ(ring.Find(first)->name, kept.front());
    EXPECT_EQ(ring.Find(ring.EndNumber()), nullptr);
  }
  // Numbers run on across Clear: a view never mistakes a new record for an old one.
  TraceRing ring(2, 3 * small);
  for (const char* name : {"0", "1", "2"}) ring.Push(Named(name));
  EXPECT_EQ(Names(ring), (std::vector<std::string>{"1", "2"}));  // the record bound alone
  ring.Clear();
  ring.Push(Named("new"));
  EXPECT_EQ(ring.FirstNumber(), 3u);
  EXPECT_EQ(ring.Find(2), nullptr);
}

struct Collector : TraceListener {
  void OnTrace(const TraceRecord& record) override { records.push_back(record); }
  std::vector<TraceRecord> records;
};

// A flood is kept to its first kMaxRecordBytes; the record says how much there was.
TEST(LinkTapTest, LongRecordsAreCut) {
  LinkTap tap;
  Collector c;
  tap.Dropped(B("00"));  // nobody listens: no record
  tap.AddListener(&c);
  // Bytes given, what the link says came (0: the bytes given); bytes kept, detail.
  const std::tuple<std::size_t, std::size_t, std::size_t, const char*> cases[] = {
      {kMaxRecordBytes, 0, kMaxRecordBytes, ""},
      {kMaxRecordBytes + 1, 0, kMaxRecordBytes, "first 262144 of 262145 bytes"},
      {1000, 5000, 1000, "first 1000 of 5000 bytes"}};
  for (const auto& [size, total, kept, detail] : cases) {
    tap.Dropped(common::Bytes(size, 0x00), total);
    EXPECT_EQ(std::pair(c.records.back().bytes.size(), c.records.back().detail),
              std::pair(kept, std::string(detail)));
  }
  tap.Received({"GetStatus", true}, common::Bytes(400000, 0x7E), TraceOutcome::kTimeout, 50, "",
               500000);
  EXPECT_EQ(OutcomeText(c.records.back()),
            "FAIL time-out after 50 ms: first 262144 of 500000 bytes");
  EXPECT_EQ(c.records.size(), 4u);
}

using testing::H;

// Names round-trip; after 1000, for 500: once each kind with a 500 ms gap, or every
// 2000 for ever.
TEST(LineFaultsTest, NamesScheduleAndRepliesMangledByKind) {
  EXPECT_EQ(LineFaultNames(), "garbage,truncate,oversize,checksum,late,flood,unplug,nak,foreign");
  EXPECT_EQ(LineFaultName(*ParseLineFault("unplug")), std::string("unplug"));
  EXPECT_FALSE(ParseLineFault("Garbage").has_value());
  const FaultPlan once{{LineFault::kGarbage, LineFault::kFlood}, 1000, 500, 0};
  const FaultPlan cycling{{LineFault::kGarbage, LineFault::kFlood}, 1000, 500, 2000};
  // When, the fault then ("" none, else name#index), and how long until it changes.
  using Steps = std::vector<std::tuple<long long, const char*, long long>>;
  const Steps once_steps = {
      {-1, "", 1001},         {0, "", 1000},    {999, "", 1},           {1000, "garbage#0", 500},
      {1499, "garbage#0", 1}, {1500, "", 500},  {2000, "flood#1", 500}, {2499, "flood#1", 1},
      {2500, "", -1},         {100000, "", -1},
  };
  const Steps cycling_steps = {
      {1000, "garbage#0", 500}, {1500, "", 1500},       {3000, "flood#1", 500},
      {5000, "garbage#2", 500}, {7400, "flood#3", 100}, {7500, "", 1500},
  };
  for (const auto& [plan, steps] : {std::pair{&once, &once_steps}, {&cycling, &cycling_steps}}) {
    for (const auto& [at_ms, expected, next_change] : *steps) {
      const auto fault = FaultAt(*plan, at_ms);
      const std::string got =
          fault ? std::string(LineFaultName(fault->kind)) + "#" + std::to_string(fault->index) : "";
      EXPECT_EQ(got, expected) << "at " << at_ms << " every " << plan->every_ms;
      EXPECT_EQ(NextFaultChange(*plan, at_ms), next_change) << "at " << at_ms;
    }
  }
  EXPECT_FALSE(FaultAt(FaultPlan{}, 5000).has_value());
  EXPECT_EQ(NextFaultChange(FaultPlan{}, 5000), -1);
  const Bytes answer = B("34 00 00 00 00 00 00 00 90 00 00 00 00 3B");
  const ReplyFaults small{.noise_max = 0x0F, .late_ms = 600, .oversize_inside = false};
  const ReplyFaults inside{.noise_max = 0xFF, .late_ms = 80, .oversize_inside = true};
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    const DeviceReply garbage = ShapeReply(LineFault::kGarbage, {answer, 0}, small, random);
    ASSERT_GE(garbage.bytes.size(), 1u);
    ASSERT_LE(garbage.bytes.size(), 2 * answer.size() + 4);
    for (std::uint8_t b : garbage.bytes) ASSERT_LE(b, 0x0F) << H(garbage.bytes);

    const DeviceReply cut = ShapeReply(LineFault::kTruncate, {answer, 0}, small, random);
    ASSERT_LT(cut.bytes.size(), answer.size());
    ASSERT_TRUE(std::equal(cut.bytes.begin(), cut.bytes.end(), answer.begin()));

    const DeviceReply after = ShapeReply(LineFault::kOversize, {answer, 0}, small, random);
    ASSERT_GE(after.bytes.size(), answer.size() + 64);
    ASSERT_LE(after.bytes.size(), answer.size() + 1024);
    ASSERT_TRUE(std::equal(answer.begin(), answer.end(), after.bytes.begin()));

    const DeviceReply within =
        ShapeReply(LineFault::kOversize, {B("7E 01 13 FC 12 34 7E"), 0}, inside, random);
    ASSERT_EQ(H(Bytes(within.bytes.begin(), within.bytes.begin() + 6)), "7E 01 13 FC 12 34");
    ASSERT_EQ(within.bytes.back(), 0x7E);
  }
  EXPECT_EQ(ShapeReply(LineFault::kLate, {answer, 5}, small, random).delay_ms, 605);
  EXPECT_TRUE(ShapeReply(LineFault::kUnplug, {answer, 0}, small, random).bytes.empty());
  // No answer stays no answer; the model's own faults leave the bytes alone.
  for (int k = 0; k <= static_cast<int>(LineFault::kForeign); ++k) {
    const auto kind = static_cast<LineFault>(k);
    EXPECT_TRUE(ShapeReply(kind, {}, small, random).bytes.empty());
    if (kind == LineFault::kChecksum || kind == LineFault::kNak || kind == LineFault::kForeign ||
        kind == LineFault::kFlood) {
      EXPECT_EQ(H(ShapeReply(kind, {answer, 0}, small, random).bytes), H(answer));
    }
  }
}

TEST(LineSettingsTest, ParsesTheProgramsSettingsAndRejectsNonsense) {
  // 19200 8E1 carries 1745 bytes/s; 307200 8N1 carries 30720 bytes/s.
  const std::tuple<const char*, int, char, int, double> good[] = {
      {"19200,E,8,1", 19200, 'E', 11, 1745.45},
      {"307200,n,8,1", 307200, 'N', 10, 30720.0},
      {" 9600 , o , 7 , 2 ", 9600, 'O', 11, 872.73}};
  for (const auto& [text, baud, parity, bits, bytes_per_s] : good) {
    const auto parsed = LineSettings::Parse(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    EXPECT_EQ(std::tuple(parsed->baud, parsed->parity, parsed->BitsPerByte()),
              std::tuple(baud, parity, bits));
    EXPECT_NEAR(1e6 / parsed->MicrosPerByte(), bytes_per_s, 0.01);
  }
  for (const char* bad :
       {"", "19200,E,8", "fast,E,8,1", "0,E,8,1", "19200,X,8,1", "19200,E,9,1", "19200,E,8,3",
        "19200,EE,8,1", "19200,E,8,1,", "19200,E,,1", "99999999999,E,8,1"}) {
    EXPECT_FALSE(LineSettings::Parse(bad).has_value()) << bad;
  }
}

ProgramHelp Sample() {
  ProgramHelp help;
  help.name = "tool-x";
  help.summary = "does one thing";
  help.synopsis = "[options] command";
  help.description = "First line.\n  indented -x\n\nSecond paragraph.\n.dot line";
  help.options = {{"--port", "N", "the port"}, {"--sim", "", "no port"}};
  help.sections = {{"Exit status", "0 done; 2 bad line"}};
  return help;
}

TEST(ProgramHelpTest, HelpManPageAndInfoSwitches) {
  EXPECT_EQ(HelpText(Sample()),
            "Usage: tool-x [options] command\n"
            "First line.\n  indented -x\n\nSecond paragraph.\n.dot line\n"
            "\nOptions:\n"
            "  --port <N>  the port\n"
            "  --sim       no port\n"
            "\nExit status:\n0 done; 2 bad line\n");
  EXPECT_EQ(ManPage(Sample(), "1.2.3"),
            ".TH TOOL-X 1 \"\" \"cabinet-tools 1.2.3\" \"User Commands\"\n"
            ".SH NAME\ntool\\-x \\- does one thing\n"
            ".SH SYNOPSIS\n.B tool\\-x\n[options] command\n"
            ".SH DESCRIPTION\nFirst line.\n.br\n  indented \\-x\n.PP\nSecond paragraph.\n"
            ".br\n\\&.dot line\n"
            ".SH OPTIONS\n.TP\n.BI \"\\-\\-port \" N\nthe port\n.TP\n.B \\-\\-sim\nno port\n"
            ".SH EXIT STATUS\n0 done; 2 bad line\n");
  // The information switches answer; anything else goes on to the program.
  std::FILE* out = std::tmpfile();
  EXPECT_EQ(AnswerInfoSwitches({"/comm=3", "--version"}, Sample(), "1.2.3", out), 0);
  EXPECT_EQ(AnswerInfoSwitches({"/comm=3", "/kal"}, Sample(), "1.2.3", out), std::nullopt);
  std::rewind(out);
  char line[64] = {};
  EXPECT_STREQ(std::fgets(line, sizeof line, out), "tool-x 1.2.3\n");
  std::fclose(out);
}

Reading SampleReading() {
  Reading r;
  r.Number("mains_vrms", "Mains", "Vrms", 1203, 1)
      .Number("temperature_degf", "Temperature", "oF", -5)
      .Number("small", "Small", "", -7, 2)
      .Number("count", "Count", "", 255, 0, "255>")
      .Flag("low", "24VDC Low", true)
      .Text("id", "Device ID", "A \"b\",\tc\\");
  return r;
}

TEST(ReadingFormatTest, TheThreeFormatsAndTheLocalTime) {
  const Reading r = SampleReading();
  EXPECT_EQ(CsvHeader(r), "mains_vrms,temperature_degf,small,count,low,id\n");
  EXPECT_EQ(CsvRow(r), "120.3,-5,-0.07,255,1,\"A \"\"b\"\",\tc\\\"\n");
  EXPECT_EQ(JsonObject(r),
            "{\"mains_vrms\":120.3,\"temperature_degf\":-5,\"small\":-0.07,\"count\":255,"
            "\"low\":true,\"id\":\"A \\\"b\\\",\\u0009c\\\\\"}\n");
  EXPECT_EQ(TextBlock(r),
            "Mains        120.3 Vrms\n"
            "Temperature     -5 oF\n"
            "Small        -0.07\n"
            "Count         255>\n"
            "24VDC Low      yes\n"
            "Device ID    A \"b\",\tc\\\n");
  EXPECT_EQ(TextHeader(r).size(), TextRow(r).size());
  const auto time =
      std::chrono::system_clock::from_time_t(1781000000) + std::chrono::milliseconds(7);
  for (const auto& [tz, text] : {std::pair{"UTC0", "2026-06-09T10:13:20.007+00:00"},
                                 std::pair{"XST-5:30", "2026-06-09T15:43:20.007+05:30"},
                                 std::pair{"YST3", "2026-06-09T07:13:20.007-03:00"}}) {
    const testing::TimeZoneScope scope(tz);
    EXPECT_EQ(IsoLocalTime(time), text) << tz;
  }
}

}  // namespace
}  // namespace common
